// Navigation data for the engine: RINEX navigation files of versions 2, 3
// and 4 (broadcast orbits), plain or gzip-compressed, told by their first
// line rather than their name, found among the files and folders given, and
// matched to the sessions by the time their records cover.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace min_lumo_tool {

struct NavigationFile {
    std::string path;     // as given, or as found in a folder given
    std::string version;  // as written, e.g. "2.10"
    std::string systems;  // in words, e.g. "GPS", "GLONASS", "mixed"
    bool gzip = false;    // gzip-compressed
    std::string packing;  // the compression's name (gzip, bzip2, ...), empty when plain
    // The first and last record's time (GPS seconds; a GLONASS file's UTC
    // and a BeiDou file's BDT taken as they are: they differ from GPS time
    // by seconds, and the coverage reaches hours either side).
    double firstGps = 0.0, lastGps = 0.0;
    int64_t records = 0;
};

// Broadcast orbits are valid this long either side of their epoch (RTKLIB
// accepts GPS ephemerides up to 2 hours from their time of ephemeris).
inline constexpr double navigationReachSeconds = 7200.0;

// Whether the file's first line is the RINEX VERSION / TYPE line of a
// navigation file (type N, G, H or L in column 21); false for anything else
// and for a file that cannot be opened.
bool Is_Navigation_File(const std::string& path);

// Reads the header and the record times.  Throws FieldFileError (tool/field)
// naming the file and line when it is not a navigation file, its header
// does not end, or it holds no record with a readable time.
NavigationFile Read_Navigation_File(const std::string& path);

// The same from bytes in memory (the fuzz target), known by `name`.
NavigationFile Read_Navigation_Bytes(const std::string& name, std::string_view bytes);

// The navigation files in a folder and below it, by their content, in path order.
std::vector<std::string> Navigation_Files_In_Folder(const std::string& folder);

// Whether the file's records reach the window [startGps, endGps].
bool Covers(const NavigationFile& file, double startGps, double endGps);

}  // namespace min_lumo_tool

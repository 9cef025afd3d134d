// The options file of each engine run (RTKLIB's `-k FILE`): the tool's
// defaults, then the user's file (--engine-options) over them, then what
// the tool sets for every run itself.  RTKLIB reads "key = value" lines, a
// '#' starting a comment; the option names are those of its options table
// (src/options.c, `sysopts`), the same that its GUI saves.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tool/vectors/processed_vector.h"

namespace min_lumo_tool {

using min_lumo_vectors::EarthCentred;

struct EngineOption {
    std::string key, value;
    std::string comment;  // why, written after the value
};

// The tool's defaults, each with why: static relative processing of L1+L2
// from GPS, GLONASS and Galileo above a 15 degree mask, broadcast orbits,
// ambiguities resolved continuously and accepted at a ratio of 3.
const std::vector<EngineOption>& Default_Engine_Options();

// The keys the tool sets for every run, whatever a user's file says: the
// static mode, the solution file's layout (what the tool reads back), the
// base position and both antennas (per run) and the phase-centre file
// (--antex).
const std::vector<std::string>& Tool_Engine_Keys();

// A user's options file, as read: its lines that set an option, in order.
struct UserEngineOptions {
    std::string file;
    std::vector<EngineOption> options;  // comment: "FILE:LINE"
    std::vector<std::string> ignoredKeys;  // tool keys the file sets, which the tool sets itself
};

// A line that is neither blank, a comment nor "key = value".
class EngineOptionsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads "key = value" lines ('#' starts a comment, blank lines skipped, a
// key given twice: the last one counts, as RTKLIB reads them).  Throws
// EngineOptionsError naming the file and line of a line without '=' or
// without a key, or of a line over 1,000 characters (RTKLIB cuts them).
UserEngineOptions Parse_Engine_Options(const std::string& file, std::string_view text);

// What one run needs beyond the merged options.
struct EngineRunSettings {
    EarthCentred basePosition;  // the base's mark
    // Antenna reference point above the mark, metres: up, east, north.
    double roverHeight = 0.0, roverEast = 0.0, roverNorth = 0.0;
    double baseHeight = 0.0, baseEast = 0.0, baseNorth = 0.0;
    std::string roverAntenna, baseAntenna;  // types as the headers write them; empty: none
    std::string antexFile;                  // empty: no phase-centre models
};

// The options file's text: defaults, the user's options over them, then
// the run's own settings, each line with why.
std::string Engine_Options_Text(const UserEngineOptions* user, const EngineRunSettings& run);

// The merged options as they apply to every run (defaults with the user's
// over them), for the reports: "key=value" each.
std::vector<std::string> Effective_Engine_Options(const UserEngineOptions* user);

// rnx2rtkp's arguments for one run: -k OPTIONS -ts DATE TIME -te DATE TIME
// -o SOLUTION ROVER BASE NAVIGATION...  (times in GPS time, as the engine
// takes them).
std::vector<std::string> Engine_Arguments(const std::string& optionsFile, double startGps, double endGps,
                                          const std::string& solutionFile, const std::string& roverFile,
                                          const std::string& baseFile, const std::vector<std::string>& navigationFiles);

// "2010/03/18 05:00:00" of a GPS instant, split in its date and time, as
// rnx2rtkp's -ts and -te take them.
std::pair<std::string, std::string> Engine_Time(double gpsSeconds);

}  // namespace min_lumo_tool

#include "tool/process/navigation_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "tool/field/gnss_time.h"
#include "tool/field/line_reader.h"
#include "tool/field/occupation.h"
#include "tool/field/rinex_header.h"

namespace min_lumo_tool {

namespace {

namespace fs = std::filesystem;
using min_lumo_field::Columns;
using min_lumo_field::FieldFileError;
using min_lumo_field::LineReader;
using min_lumo_field::Parse_Integer_Field;
using min_lumo_field::Parse_Real_Field;
using min_lumo_field::Trimmed;

// RINEX header lines: the label from column 61, the file type in column
// 21, the satellite system of a RINEX 3 or 4 file in column 41.
constexpr std::size_t labelColumn = 60, fileTypeColumn = 20, systemColumn = 40, versionWidth = 9;
constexpr std::string_view versionLabel = "RINEX VERSION / TYPE", endLabel = "END OF HEADER";
// Two-digit years of RINEX 2 from 1980 (the start of GPS time) to 2079.
constexpr int64_t firstTwoDigitYear = 80;

std::string_view Label(std::string_view line) {
    return line.size() > labelColumn ? Trimmed(line.substr(labelColumn)) : std::string_view();
}

bool Is_Navigation_Type(char type) { return type == 'N' || type == 'G' || type == 'H' || type == 'L'; }

std::string System_Words(char type, char system, int major) {
    if (major == 2) {
        switch (type) {
            case 'G': return "GLONASS";
            case 'H': return "SBAS";
            case 'L': return "Galileo";
            default: return "GPS";
        }
    }
    switch (system) {
        case 'G': return "GPS";
        case 'R': return "GLONASS";
        case 'E': return "Galileo";
        case 'C': return "BeiDou";
        case 'J': return "QZSS";
        case 'I': return "NavIC";
        case 'S': return "SBAS";
        case 'M': return "mixed";
        default: return "unnamed systems";
    }
}

// The time of a record's first line, GPS seconds (see NavigationFile);
// none when the line starts no record or its time does not read.
std::optional<double> Record_Time(std::string_view line, int major) {
    int64_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
    std::optional<double> second;
    if (major == 2) {
        // The satellite number in columns 1-2, then two-digit year, month, day,
        // hour and minute (3 columns each) and seconds with one decimal (5 columns).
        if (line.size() < 22 || Columns(line, 0, 2).find_first_not_of(' ') == std::string_view::npos) return std::nullopt;
        const auto yy = Parse_Integer_Field(Columns(line, 2, 3));
        const auto mm = Parse_Integer_Field(Columns(line, 5, 3));
        const auto dd = Parse_Integer_Field(Columns(line, 8, 3));
        const auto hh = Parse_Integer_Field(Columns(line, 11, 3));
        const auto mi = Parse_Integer_Field(Columns(line, 14, 3));
        second = Parse_Real_Field(Columns(line, 17, 5));
        if (!yy || !mm || !dd || !hh || !mi || !second || *yy < 0 || *yy > 99) return std::nullopt;
        year = *yy >= firstTwoDigitYear ? 1900 + *yy : 2000 + *yy;
        month = *mm, day = *dd, hour = *hh, minute = *mi;
    } else {
        // A system letter and the satellite number, then YYYY MM DD HH MM SS.
        if (line.size() < 23 || line[0] < 'A' || line[0] > 'Z') return std::nullopt;
        const auto yyyy = Parse_Integer_Field(Columns(line, 3, 5));
        const auto mm = Parse_Integer_Field(Columns(line, 8, 3));
        const auto dd = Parse_Integer_Field(Columns(line, 11, 3));
        const auto hh = Parse_Integer_Field(Columns(line, 14, 3));
        const auto mi = Parse_Integer_Field(Columns(line, 17, 3));
        second = Parse_Real_Field(Columns(line, 20, 3));
        if (!yyyy || !mm || !dd || !hh || !mi || !second) return std::nullopt;
        year = *yyyy, month = *mm, day = *dd, hour = *hh, minute = *mi;
    }
    if (!min_lumo_field::Is_Valid_Civil_Date(year, month, day) || hour < 0 || hour > 24 || minute < 0 || minute > 59
        || *second < 0.0 || *second > 61.0)
        return std::nullopt;
    return min_lumo_field::Seconds_Of_Civil({year, month, day, hour, minute, *second});
}

NavigationFile Read_From(LineReader& lines) {
    NavigationFile file;
    file.path = lines.Name();
    file.gzip = lines.Packed() == min_lumo_field::Packing::Gzip;
    file.packing = min_lumo_field::Packing_Name(lines.Packed());
    std::string_view line;
    if (!lines.Next(line) || Label(line) != versionLabel || line.size() <= fileTypeColumn
        || !Is_Navigation_Type(line[fileTypeColumn]))
        throw FieldFileError(file.path, 1, "not a RINEX navigation file: the first line is not RINEX VERSION / TYPE "
                                           "of navigation data");
    file.version = std::string(Trimmed(Columns(line, 0, versionWidth)));
    const std::optional<double> version = Parse_Real_Field(file.version);
    const int major = version ? static_cast<int>(*version) : 0;
    if (major < 2 || major > 4)
        throw FieldFileError(file.path, 1, fmt::format("RINEX version '{}' is not 2, 3 or 4", file.version));
    file.systems = System_Words(line[fileTypeColumn], line.size() > systemColumn ? line[systemColumn] : ' ', major);
    bool headerEnded = false;
    while (lines.Next(line)) {
        if (Label(line) == endLabel) {
            headerEnded = true;
            break;
        }
    }
    if (!headerEnded) throw FieldFileError(file.path, lines.Line_Number(), "the header never reaches END OF HEADER");
    while (lines.Next(line)) {
        const std::optional<double> time = Record_Time(line, major);
        if (!time) continue;
        file.firstGps = file.records == 0 ? *time : std::min(file.firstGps, *time);
        file.lastGps = file.records == 0 ? *time : std::max(file.lastGps, *time);
        ++file.records;
    }
    if (!lines.Stream_Problem().empty())
        throw FieldFileError(file.path, lines.Line_Number(), "the compressed data " + lines.Stream_Problem());
    if (file.records == 0)
        throw FieldFileError(file.path, lines.Line_Number(), "no navigation record with a readable time");
    return file;
}

}  // namespace

bool Is_Navigation_File(const std::string& path) {
    try {
        LineReader lines(path);
        std::string_view line;
        return lines.Next(line) && Label(line) == versionLabel && line.size() > fileTypeColumn
               && Is_Navigation_Type(line[fileTypeColumn]);
    } catch (const FieldFileError&) {
        return false;
    }
}

NavigationFile Read_Navigation_File(const std::string& path) {
    LineReader lines(path);
    return Read_From(lines);
}

NavigationFile Read_Navigation_Bytes(const std::string& name, std::string_view bytes) {
    LineReader lines(name, bytes);
    return Read_From(lines);
}

std::vector<std::string> Navigation_Files_In_Folder(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
    if (error) return found;
    std::vector<fs::path> paths;
    for (const fs::directory_entry& entry : walk) {
        std::error_code kindError;
        if (entry.is_regular_file(kindError)) paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths)
        if (Is_Navigation_File(path.string())) found.push_back(path.string());
    return found;
}

bool Covers(const NavigationFile& file, double startGps, double endGps) {
    return file.firstGps - navigationReachSeconds <= endGps && file.lastGps + navigationReachSeconds >= startGps;
}

}  // namespace min_lumo_tool

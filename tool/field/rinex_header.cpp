#include "tool/field/rinex_header.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <type_traits>

#include <fmt/format.h>

#include "tool/field/occupation.h"

namespace min_lumo_field {

namespace {

// RINEX puts a header line's label in columns 61-80, and fields at fixed
// columns before it (counted from 0 here).
constexpr std::size_t labelColumn = 60;
constexpr std::size_t versionWidth = 9;  // F9.2
constexpr std::size_t compactVersionWidth = 20;
constexpr std::size_t observationTypeCountWidth = 6;  // I6
constexpr std::size_t fileTypeColumn = 20, satelliteSystemColumn = 40;
constexpr std::size_t receiverTypeColumn = 20, receiverTypeWidth = 20;
constexpr std::size_t receiverNumberWidth = 20, receiverVersionColumn = 40, receiverVersionWidth = 20;
constexpr std::size_t antennaNumberWidth = 20, antennaTypeColumn = 20, antennaTypeWidth = 20;
constexpr std::size_t coordinateWidth = 14;  // 3F14.4
constexpr std::size_t timeSystemAfterColumn = 30;  // after the date and time of TIME OF FIRST OBS
constexpr int64_t largestObservationTypeCount = 999;
// Where the observation types stand: RINEX 2 in 6-column fields after the
// count, RINEX 3 and 4 in 4-column ones after the system and count.
constexpr std::size_t rinex2TypesColumn = 6, rinex2TypeWidth = 6;
constexpr std::size_t rinex3TypesColumn = 6, rinex3TypeWidth = 4;
// Past this, a "header" is taken for something that is not RINEX at all.
constexpr int64_t maximumHeaderLines = 100000;

// Labels compared without their blanks: writers differ in the spacing of
// "CRINEX VERS   / TYPE" and the like.
bool Label_Is(std::string_view line, std::string_view wanted) {
    if (line.size() <= labelColumn) return false;
    std::string_view label = line.substr(labelColumn);
    std::size_t i = 0;
    for (const char c : label) {
        if (c == ' ') continue;
        while (i < wanted.size() && wanted[i] == ' ') ++i;
        if (i == wanted.size() || wanted[i] != c) return false;
        ++i;
    }
    while (i < wanted.size() && wanted[i] == ' ') ++i;
    return i == wanted.size();
}

std::string File_Kind(char type) {
    switch (type) {
    case 'N': return "navigation message";
    case 'G': return "GLONASS navigation message";
    case 'H': return "geostationary navigation message";
    case 'L': return "Galileo navigation message";
    case 'M': return "meteorological data";
    case 'C': return "clock data";
    default: return fmt::format("type '{}'", type);
    }
}

// The time system a file's epochs are given in when TIME OF FIRST OBS does
// not say: RINEX 2 means GPS time unless the file is pure GLONASS; RINEX 3
// and 4 mean the time of the file's single satellite system.
TimeSystem Default_Time_System(int major, char system) {
    switch (system) {
    case 'R': return TimeSystem::Glonass;
    case 'E': return major == 2 ? TimeSystem::Gps : TimeSystem::Galileo;
    case 'C': return TimeSystem::BeiDou;
    case 'J': return TimeSystem::Qzss;
    case 'I': return TimeSystem::Irnss;
    default: return TimeSystem::Gps;  // G, S (SBAS runs on GPS time) and M
    }
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ') ++i;
        words.push_back(text.substr(start, i - start));
    }
    return words;
}

// The three letters of TIME OF FIRST OBS belong in columns 49-51, after
// the date and time; writers shift them by a column or two, so the first
// word of letters after the date counts.
std::optional<TimeSystem> Stated_Time_System(std::string_view line, std::string& code) {
    code.clear();
    for (const std::string_view word : Words(Columns(line, timeSystemAfterColumn, labelColumn - timeSystemAfterColumn))) {
        if (!std::all_of(word.begin(), word.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }))
            continue;
        code = std::string(word);
        return Time_System_From_Code(code);
    }
    return std::nullopt;
}

// 3F14.4, or where a writer has shifted the columns, three numbers apart.
bool Read_Position(std::string_view line, double& x, double& y, double& z) {
    const auto fixedX = Parse_Real_Field(Columns(line, 0, coordinateWidth));
    const auto fixedY = Parse_Real_Field(Columns(line, coordinateWidth, coordinateWidth));
    const auto fixedZ = Parse_Real_Field(Columns(line, 2 * coordinateWidth, coordinateWidth));
    if (fixedX && fixedY && fixedZ) {
        x = *fixedX;
        y = *fixedY;
        z = *fixedZ;
        return true;
    }
    const std::vector<std::string_view> words = Words(Columns(line, 0, labelColumn));
    if (words.size() != 3) return false;
    const auto wordX = Parse_Real_Field(words[0]);
    const auto wordY = Parse_Real_Field(words[1]);
    const auto wordZ = Parse_Real_Field(words[2]);
    if (!wordX || !wordY || !wordZ) return false;
    x = *wordX;
    y = *wordY;
    z = *wordZ;
    return true;
}

}  // namespace

std::string_view Columns(std::string_view line, std::size_t first, std::size_t width) {
    if (first >= line.size()) return {};
    return line.substr(first, width);
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

namespace {

// A Fortran field of either kind; a real one must also be finite.
template <typename Number>
std::optional<Number> Parse_Number_Field(std::string_view field) {
    field = Trimmed(field);
    if (field.empty()) return std::nullopt;
    if (field.front() == '+') field.remove_prefix(1);
    Number value{};
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    if constexpr (std::is_floating_point_v<Number>)
        if (!std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> Parse_Real_Field(std::string_view field) { return Parse_Number_Field<double>(field); }

std::optional<int64_t> Parse_Integer_Field(std::string_view field) { return Parse_Number_Field<int64_t>(field); }

RinexHeader Read_Rinex_Header(LineReader& lines, std::vector<std::string>& warnings) {
    const std::string& name = lines.Name();
    // Cut inside its compressed data: the damage is the cause of whatever
    // the header then lacks.
    const auto fail = [&](int64_t line, const std::string& reason) {
        if (!lines.Stream_Problem().empty()) throw DamagedFieldFile(name, line, lines.Stream_Problem());
        throw FieldFileError(name, line, reason);
    };
    const auto cut = [&](int64_t line, const std::string& reason) {
        throw DamagedFieldFile(name, line, lines.Stream_Problem().empty() ? reason : lines.Stream_Problem());
    };
    RinexHeader header;
    std::string_view line;
    if (!lines.Next(line)) fail(0, "the file is empty");

    if (Label_Is(line, "CRINEX VERS / TYPE")) {
        header.compact = true;
        header.compactVersion = std::string(Trimmed(Columns(line, 0, compactVersionWidth)));
        if (header.compactVersion != "1.0" && header.compactVersion != "3.0")
            fail(lines.Line_Number(), fmt::format("Compact RINEX version '{}' is not read here (1.0 and 3.0 are)",
                                                  header.compactVersion));
        // CRINEX PROG / DATE, then the RINEX header proper.
        if (!lines.Next(line) || !lines.Next(line))
            fail(lines.Line_Number(), "the Compact RINEX header ends before RINEX VERSION / TYPE");
    }
    if (!Label_Is(line, "RINEX VERSION / TYPE"))
        fail(lines.Line_Number(), header.compact ? "Compact RINEX without a RINEX VERSION / TYPE line after its own"
                                                 : "not a RINEX file: the first line is not RINEX VERSION / TYPE");
    header.version = std::string(Trimmed(Columns(line, 0, versionWidth)));
    const std::optional<double> version = Parse_Real_Field(Columns(line, 0, versionWidth));
    if (!version) fail(lines.Line_Number(), fmt::format("the RINEX version '{}' is not a number", header.version));
    char type = line.size() > fileTypeColumn ? line[fileTypeColumn] : ' ';
    if (type == ' ') {
        const std::string_view area = Trimmed(Columns(line, versionWidth, satelliteSystemColumn - versionWidth));
        if (!area.empty()) type = area.front();
    }
    if (type != 'O' && type != 'o')
        fail(lines.Line_Number(), fmt::format("a RINEX {} file, not observation data", File_Kind(type)));
    header.major = static_cast<int>(std::floor(*version));
    if (header.major < 2 || header.major > 4)
        fail(lines.Line_Number(), fmt::format("RINEX version {} is not read here (2, 3 and 4 are)", header.version));
    if (header.compact && (header.compactVersion == "1.0") != (header.major == 2))
        warnings.push_back(Located(name, lines.Line_Number(),
                                   fmt::format("Compact RINEX {} holding RINEX {}; read by the RINEX version",
                                               header.compactVersion, header.version)));
    // The satellite system of RINEX VERSION / TYPE; blank reads as G (GPS).
    const char satelliteSystem =
        line.size() > satelliteSystemColumn && line[satelliteSystemColumn] != ' ' ? line[satelliteSystemColumn] : 'G';

    // Observation types by satellite system (RINEX 2 names no system: ' ').
    std::map<char, std::vector<std::string>> typesOfSystem;
    char typesSystem = ' ';
    bool markerSeen = false, receiverSeen = false, positionSeen = false, typesSeen = false;
    bool markerNumberSeen = false, antennaSeen = false, deltaSeen = false, intervalSeen = false;
    std::optional<TimeSystem> statedSystem;
    std::string statedCode;
    int64_t timeLine = 0;
    for (;;) {
        if (!lines.Next(line)) cut(lines.Line_Number(), "the header has no END OF HEADER line (file cut short?)");
        if (lines.Line_Number() > maximumHeaderLines)
            fail(lines.Line_Number(), fmt::format("no END OF HEADER in the first {} lines", maximumHeaderLines));
        if (line.size() <= labelColumn) continue;
        if (Label_Is(line, "END OF HEADER")) break;
        if (!markerSeen && Label_Is(line, "MARKER NAME")) {
            markerSeen = true;
            header.markerName = std::string(Trimmed(Columns(line, 0, labelColumn)));
        } else if (!receiverSeen && Label_Is(line, "REC # / TYPE / VERS")) {
            receiverSeen = true;
            header.receiverType = std::string(Trimmed(Columns(line, receiverTypeColumn, receiverTypeWidth)));
            header.receiverNumber = std::string(Trimmed(Columns(line, 0, receiverNumberWidth)));
            header.receiverVersion = std::string(Trimmed(Columns(line, receiverVersionColumn, receiverVersionWidth)));
        } else if (!markerNumberSeen && Label_Is(line, "MARKER NUMBER")) {
            markerNumberSeen = true;
            header.markerNumber = std::string(Trimmed(Columns(line, 0, labelColumn)));
        } else if (!antennaSeen && Label_Is(line, "ANT # / TYPE")) {
            antennaSeen = true;
            header.antennaNumber = std::string(Trimmed(Columns(line, 0, antennaNumberWidth)));
            header.antennaType = std::string(Trimmed(Columns(line, antennaTypeColumn, antennaTypeWidth)));
        } else if (!deltaSeen && Label_Is(line, "ANTENNA: DELTA H/E/N")) {
            deltaSeen = true;
            if (!Read_Position(line, header.antennaHeight, header.antennaEast, header.antennaNorth)) {
                header.antennaHeight = header.antennaEast = header.antennaNorth = 0.0;
                warnings.push_back(Located(name, lines.Line_Number(), "ANTENNA: DELTA H/E/N is not three numbers; taken as 0"));
            }
        } else if (!intervalSeen && Label_Is(line, "INTERVAL")) {
            intervalSeen = true;
            const std::optional<double> interval = Parse_Real_Field(Columns(line, 0, labelColumn));
            if (interval && *interval > 0.0) header.intervalSeconds = *interval;
        } else if (!positionSeen && Label_Is(line, "APPROX POSITION XYZ")) {
            positionSeen = true;
            header.positionGiven = Read_Position(line, header.x, header.y, header.z);
            if (!header.positionGiven) {
                warnings.push_back(Located(name, lines.Line_Number(), "APPROX POSITION XYZ is not three numbers; position unknown"));
            }
        } else if (header.major >= 3 && Label_Is(line, "SYS / # / OBS TYPES")) {
            // A continuation line leaves the system blank.
            if (line[0] != ' ') typesSystem = line[0];
            for (std::size_t column = rinex3TypesColumn; column + rinex3TypeWidth <= labelColumn;
                 column += rinex3TypeWidth) {
                const std::string_view code = Trimmed(Columns(line, column, rinex3TypeWidth));
                if (!code.empty()) typesOfSystem[typesSystem].emplace_back(code);
            }
        } else if (header.major == 2 && Label_Is(line, "# / TYPES OF OBSERV")) {
            for (std::size_t column = rinex2TypesColumn; column + rinex2TypeWidth <= labelColumn;
                 column += rinex2TypeWidth) {
                const std::string_view code = Trimmed(Columns(line, column, rinex2TypeWidth));
                if (!code.empty()) typesOfSystem[' '].emplace_back(code);
            }
            // Continuation lines leave the count blank.
            const auto count = Parse_Integer_Field(Columns(line, 0, observationTypeCountWidth));
            if (count && !typesSeen) {
                typesSeen = true;
                if (*count < 1 || *count > largestObservationTypeCount)
                    fail(lines.Line_Number(), fmt::format("# / TYPES OF OBSERV gives {} observation types", *count));
                header.observationTypes = static_cast<int>(*count);
            }
        } else if (timeLine == 0 && Label_Is(line, "TIME OF FIRST OBS")) {
            timeLine = lines.Line_Number();
            statedSystem = Stated_Time_System(line, statedCode);
        }
    }

    for (const auto& [system, types] : typesOfSystem)
        header.carrierPhaseBands = std::max(header.carrierPhaseBands, static_cast<int>(Carrier_Phase_Bands(types).size()));
    header.timeSystem = Default_Time_System(header.major, satelliteSystem);
    if (statedSystem) {
        header.timeSystem = *statedSystem;
    } else if (timeLine > 0 && !statedCode.empty()) {
        warnings.push_back(Located(name, timeLine, fmt::format("unknown time system '{}'; {} time assumed", statedCode,
                                                               Time_System_Code(header.timeSystem))));
    } else if (header.major >= 3 && satelliteSystem == 'M') {
        warnings.push_back(Located(name, timeLine, "a mixed-system file that states no time system; GPS time assumed"));
    }
    if (header.major == 2 && !typesSeen)
        fail(lines.Line_Number(), "the RINEX 2 header has no # / TYPES OF OBSERV line, so its data cannot be read");
    return header;
}

std::vector<char> Carrier_Phase_Bands(const std::vector<std::string>& observationTypes) {
    std::vector<char> bands;
    for (const std::string& type : observationTypes)
        if (type.size() >= 2 && type[0] == 'L' && std::isdigit(static_cast<unsigned char>(type[1]))
            && std::find(bands.begin(), bands.end(), type[1]) == bands.end())
            bands.push_back(type[1]);
    return bands;
}

}  // namespace min_lumo_field

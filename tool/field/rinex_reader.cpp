#include "tool/field/rinex_reader.h"

#include <cctype>
#include <cmath>
#include <filesystem>

#include <fmt/format.h>

#include "tool/field/line_reader.h"
#include "tool/field/rinex_epochs.h"
#include "tool/field/rinex_header.h"

namespace min_lumo_field {

namespace {

// An APPROX POSITION XYZ this far from the Earth's centre is not near its
// surface: a placeholder or a broken header, not a position.
constexpr double nearestPlausibleRadiusMetres = 6.2e6;
constexpr double farthestPlausibleRadiusMetres = 6.5e6;
constexpr std::size_t stationIdentifierLength = 4;

// The first four characters of a file name that follows no naming
// convention, upper-cased (RINEX 2 names are written in lower case, marker
// names are not).
std::string Station_From_File_Name(const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    name = name.substr(0, stationIdentifierLength);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// The marker name as written, unless it says nothing (empty or a
// placeholder): then the file name's station ID, or without one the file
// name's first four characters, with a warning.
void Name_Station(Occupation& occupation) {
    occupation.station = occupation.markerName;
    if (!Is_Placeholder_Marker(occupation.markerName)) return;
    if (occupation.markerName.empty()) {
        occupation.station = occupation.fileStationId.empty() ? Station_From_File_Name(occupation.file)
                                                              : occupation.fileStationId;
        occupation.stationWarning = Located(
            occupation.file, 0,
            fmt::format("no MARKER NAME in the header; station '{}' taken from the file name", occupation.station));
    } else if (!occupation.fileStationId.empty()) {
        occupation.station = occupation.fileStationId;
        occupation.stationWarning = Located(
            occupation.file, 0,
            fmt::format("MARKER NAME '{}' looks like a receiver's default; station '{}' taken from the file name",
                        occupation.markerName, occupation.station));
    } else {
        // A placeholder names no point: left as the station it would join
        // every other file left on it, wherever they were.
        occupation.station = Station_From_File_Name(occupation.file);
        occupation.stationWarning = Located(
            occupation.file, 0,
            fmt::format("MARKER NAME '{}' looks like a receiver's default and the file name gives no station ID; "
                        "station '{}' taken from the file name's first characters (--station FILE=NAME names it)",
                        occupation.markerName, occupation.station));
    }
}

std::string Format_Name(const RinexHeader& header, Packing packing) {
    std::string text = header.compact ? fmt::format("Compact RINEX {} (RINEX {})", header.compactVersion, header.version)
                                      : fmt::format("RINEX {}", header.version);
    if (packing != Packing::None) text += fmt::format(", {}", Packing_Name(packing));
    return text;
}

void Take_Position(Occupation& occupation, const RinexHeader& header) {
    if (!header.positionGiven || (header.x == 0.0 && header.y == 0.0 && header.z == 0.0)) return;
    const double radius = std::sqrt(header.x * header.x + header.y * header.y + header.z * header.z);
    if (radius < nearestPlausibleRadiusMetres || radius > farthestPlausibleRadiusMetres) {
        occupation.warnings.push_back(Located(
            occupation.file, 0,
            fmt::format("APPROX POSITION XYZ lies {:.1f} km from the Earth's centre, not near its surface; position unknown",
                        radius / 1000.0)));
        return;
    }
    Set_Earth_Centred_Position(occupation, header.x, header.y, header.z);
}

}  // namespace

Occupation Read_Occupation(LineReader& lines) {
    Occupation occupation;
    occupation.file = lines.Name();
    const RinexHeader header = Read_Rinex_Header(lines, occupation.warnings);
    occupation.format = Format_Name(header, lines.Packed());
    occupation.receiver = header.receiverType;
    occupation.files = {occupation.file};
    occupation.markerName = header.markerName;
    occupation.markerNumber = header.markerNumber;
    occupation.receiverNumber = header.receiverNumber;
    occupation.receiverVersion = header.receiverVersion;
    occupation.antennaType = header.antennaType;
    occupation.antennaNumber = header.antennaNumber;
    occupation.antennaHeight = header.antennaHeight;
    occupation.antennaEast = header.antennaEast;
    occupation.antennaNorth = header.antennaNorth;
    occupation.carrierPhaseBands = header.carrierPhaseBands;
    occupation.fileStationId = File_Station_Id(occupation.file);
    Name_Station(occupation);
    if (!occupation.stationWarning.empty()) occupation.warnings.push_back(occupation.stationWarning);
    Take_Position(occupation, header);

    EpochSummary epochs = Scan_Epochs(lines, header, occupation.warnings);
    occupation.epochRuns = std::move(epochs.runs);
    occupation.intervalSeconds =
        header.intervalSeconds > 0.0 ? header.intervalSeconds : Most_Common_Spacing(occupation.epochRuns);
    // A cut in the compressed data comes before any cut it leaves in the
    // records.
    if (!lines.Stream_Problem().empty()) {
        occupation.damage = lines.Stream_Problem();
        occupation.damageLine = lines.Line_Number();
    } else if (!epochs.damage.empty()) {
        occupation.damage = std::move(epochs.damage);
        occupation.damageLine = epochs.damageLine;
    }
    if (lines.Trailing_Bytes())
        occupation.warnings.push_back(
            Located(occupation.file, 0, "bytes after the end of the compressed data were not read"));
    occupation.epochCount = epochs.count;
    occupation.hasEpochs = epochs.count > 0;
    if (occupation.hasEpochs) {
        occupation.firstGps = epochs.firstGps;
        occupation.lastGps = epochs.lastGps;
    } else {
        occupation.warnings.push_back(Located(occupation.file, 0, "no observation epoch after the header"));
    }
    return occupation;
}

Occupation Read_Occupation(const std::string& path) {
    LineReader lines(path);
    return Read_Occupation(lines);
}

Occupation Read_Occupation_From_Memory(const std::string& name, std::string_view bytes) {
    LineReader lines(name, bytes);
    return Read_Occupation(lines);
}

}  // namespace min_lumo_field

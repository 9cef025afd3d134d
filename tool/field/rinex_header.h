// The header of a RINEX observation file, plain or Compact (Hatanaka): what
// the occupation needs from it, and what the epoch records need to be read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tool/field/gnss_time.h"
#include "tool/field/line_reader.h"

namespace min_lumo_field {

struct RinexHeader {
    bool compact = false;
    std::string compactVersion;  // "1.0" or "3.0" when compact
    int major = 0;               // RINEX 2, 3 or 4
    std::string version;         // as written, e.g. "3.03"
    std::string markerName;      // trimmed; empty when absent or blank
    std::string markerNumber;    // trimmed
    std::string receiverType;    // trimmed
    std::string receiverNumber, receiverVersion;  // REC # / TYPE / VERS, trimmed
    std::string antennaNumber, antennaType;       // ANT # / TYPE, trimmed
    double antennaHeight = 0.0, antennaEast = 0.0, antennaNorth = 0.0;  // ANTENNA: DELTA H/E/N
    double intervalSeconds = 0.0;  // INTERVAL; 0 when absent or not a positive number
    bool positionGiven = false;  // APPROX POSITION XYZ read, 0,0,0 included
    double x = 0.0, y = 0.0, z = 0.0;
    int observationTypes = 0;    // RINEX 2: # / TYPES OF OBSERV
    // The most carrier-phase frequency bands one satellite system records
    // (L1 and L2: 2), from the observation types; 0 when it records none.
    int carrierPhaseBands = 0;
    TimeSystem timeSystem = TimeSystem::Gps;
};

// Reads from the first line through END OF HEADER.  Throws FieldFileError
// when the data is not a RINEX observation file of a version read here, or
// the header never ends.  Notes what it had to assume in `warnings`.
RinexHeader Read_Rinex_Header(LineReader& lines, std::vector<std::string>& warnings);

// The carrier-phase bands of observation types as RINEX names them ("L1",
// "L2" in RINEX 2; "L1C", "L2W" in RINEX 3 and 4): the band digit of each
// type starting with L, each band once.
std::vector<char> Carrier_Phase_Bands(const std::vector<std::string>& observationTypes);

// Fixed-column fields as Fortran writes them: blanks around the number.
// Empty or malformed fields give nullopt.
std::optional<double> Parse_Real_Field(std::string_view field);
std::optional<int64_t> Parse_Integer_Field(std::string_view field);
// The columns [first, first + width) of a line, shorter or empty past its end.
std::string_view Columns(std::string_view line, std::size_t first, std::size_t width);
std::string_view Trimmed(std::string_view text);

}  // namespace min_lumo_field

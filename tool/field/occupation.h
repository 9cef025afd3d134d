// What the planner learns from one receiver file, or from one line of an
// occupation log: which station was occupied, by which receiver, where, and
// from when to when.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tool/field/wgs84_conversion.h"

namespace min_lumo_field {

struct Occupation {
    std::string file;                  // the path as given
    std::string station;               // MARKER NAME trimmed, or the first four characters of the file name
    std::string receiver;              // receiver type (REC # / TYPE / VERS), trimmed; empty when absent
    bool positionKnown = false;        // APPROX POSITION XYZ present and not 0,0,0
    double x = 0.0, y = 0.0, z = 0.0;  // metres, Earth-centred
    double latitude = 0.0, longitude = 0.0, height = 0.0;  // degrees, degrees, metres on WGS 84
    // At least one observation epoch record.  An occupation log line states
    // its start and end instead: hasEpochs is true there and epochCount 0.
    bool hasEpochs = false;
    double firstGps = 0.0, lastGps = 0.0;  // GPS seconds of the first and last observation epoch
    int64_t epochCount = 0;
    std::string format;                // e.g. "RINEX 3.03, gzip", "Compact RINEX 3.0 (RINEX 3.04)"
    std::vector<std::string> warnings; // one line each, already naming the file
};

// A file that cannot be read as field data.  what() reads FILE:LINE: REASON,
// or FILE: REASON when no line applies (line 0).
class FieldFileError : public std::runtime_error {
public:
    FieldFileError(std::string file, int64_t line, std::string reason);

    std::string file;
    int64_t line = 0;
    std::string reason;
};

// "FILE:LINE: text", or "FILE: text" for line 0: how errors and warnings
// name where they come from.
std::string Located(const std::string& file, int64_t line, const std::string& text);

// Fills x, y, z and latitude, longitude, height from either form (WGS 84,
// see wgs84_conversion.h) and sets positionKnown.
void Set_Earth_Centred_Position(Occupation& occupation, double x, double y, double z);
void Set_Geodetic_Position(Occupation& occupation, double latitude, double longitude, double height);

}  // namespace min_lumo_field

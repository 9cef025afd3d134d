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

// A stretch of data without a gap longer than the maximum gap.
struct DataSpan {
    double startGps = 0.0, endGps = 0.0;  // GPS seconds of its first and last epoch
    int64_t epochCount = 0;               // observation epochs in it; 0 for an occupation log's line
};

// Epochs from firstGps to lastGps, `count` of them evenly spaced; count 0
// is an occupation log's line: data at every instant between the ends.
struct EpochRun {
    double firstGps = 0.0, lastGps = 0.0;
    int64_t count = 0;
};

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
    // Why the file is damaged, when it is: it ends inside a record, inside a
    // line, or inside its compressed data (cut short in a copy or a
    // download).  The plan refuses such a file, or leaves it out with
    // --skip-damaged; the reader gives what it could read.  Empty: whole.
    std::string damage;
    int64_t damageLine = 0;            // the line it concerns, from 1; 0 the file as a whole

    // The occupation's data.  Files of one station whose data touch or
    // overlap within the maximum gap are joined into one occupation.
    std::vector<std::string> files;    // every file joined into it, paths as given, in time order
    std::vector<EpochRun> epochRuns;   // the epochs, in time order, without repeats
    std::vector<DataSpan> spans;       // the data split at gaps longer than the maximum gap, in time order
    double intervalSeconds = 0.0;      // the file's INTERVAL, else the most common epoch spacing; 0 unknown
    // Judged on the epochs themselves, whatever the maximum gap
    // (Set_Epoch_Quality): the share of the interval's steps from the first
    // epoch to the last that hold an epoch (0..1; 0 unknown), the breaks
    // between epochs that leave a step empty, and the longest of them
    // (between the epochs either side; 0 without).
    double completeness = 0.0;
    int32_t gapCount = 0;
    double longestGapSeconds = 0.0;

    // The header as written (trimmed), for the occupation table.
    std::string markerName, markerNumber;  // MARKER NAME, MARKER NUMBER
    std::string receiverNumber, receiverVersion;  // REC # / TYPE / VERS (the type is `receiver`)
    std::string antennaType, antennaNumber;       // ANT # / TYPE
    double antennaHeight = 0.0, antennaEast = 0.0, antennaNorth = 0.0;  // ANTENNA: DELTA H/E/N, metres
    // The most carrier-phase bands one satellite system of the file records
    // (RINEX observation types: 1 an L1-only receiver, 2 or more L1/L2);
    // 0 unknown (an occupation log, a file without phase).
    int32_t carrierPhaseBands = 0;
    std::string fileStationId;         // station ID from the file name (4 characters of a short name, 9 of a long one); empty if none
    // How `station` was chosen when not from the marker name as written
    // (empty or a receiver default), naming the file; formation drops it
    // when the station is named otherwise.
    std::string stationWarning;
};

// A marker name that says nothing: empty, or a receiver's default (SITE,
// UNKNOWN, MARKER, DEFAULT and the like, matched ignoring letter case).
bool Is_Placeholder_Marker(const std::string& markerName);

// The station ID of a RINEX file name: the four characters of a short name
// (ssssdddf.yyt, upper-cased), the nine of a long one (SSSSMRCCC_...);
// empty when the name follows neither convention.
std::string File_Station_Id(const std::string& path);

// A file that cannot be read as field data.  what() reads FILE:LINE: REASON,
// or FILE: REASON when no line applies (line 0).
class FieldFileError : public std::runtime_error {
public:
    FieldFileError(std::string file, int64_t line, std::string reason);

    std::string file;
    int64_t line = 0;
    std::string reason;
};

// A file cut short: it ends inside its header or inside its compressed
// data, so that not even its start can be read whole.
class DamagedFieldFile : public FieldFileError {
public:
    using FieldFileError::FieldFileError;
};

// "FILE:LINE: text", or "FILE: text" for line 0: how errors and warnings
// name where they come from.
std::string Located(const std::string& file, int64_t line, const std::string& text);

// Fills x, y, z and latitude, longitude, height from either form (WGS 84,
// see wgs84_conversion.h) and sets positionKnown.
void Set_Earth_Centred_Position(Occupation& occupation, double x, double y, double z);
void Set_Geodetic_Position(Occupation& occupation, double latitude, double longitude, double height);

}  // namespace min_lumo_field

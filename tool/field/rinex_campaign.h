// Synthetic survey campaigns as RINEX 3.04 files, for trying the planner and
// for benchmarks: each of `days` x `sessions` sessions puts `receivers`
// receivers on as many different stations out of `stations`, one file per
// occupation.  The same options and seed give the same files, byte for
// byte, on every platform (a fixed generator and integer arithmetic only).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tool/field/occupation.h"

namespace min_lumo_field {

struct RinexCampaignOptions {
    int32_t stations = 20;
    int32_t days = 1;
    int32_t sessions = 3;         // per day
    int32_t receivers = 4;        // per session, each on its own station
    uint64_t seed = 1;
    int32_t intervalSeconds = 30;  // between epochs
    // A day after the campaign's with the situations real field data show:
    // a gap, a restarted receiver, hourly files of a reference station, a
    // duplicate copy (renamed and gzipped), placeholder marker names and two
    // names for one point (see Write_Rinex_Campaign).
    bool fieldFaults = false;
};

// A folder or file of a generated campaign that could not be written: the
// tool's write failure, not bad input.
class CampaignWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Limits of the options, checked by Write_Rinex_Campaign.
inline constexpr int32_t maximumCampaignStations = 26000;  // station names A000 to Z999
inline constexpr int32_t maximumCampaignDays = 366;
inline constexpr int32_t maximumCampaignSessionsPerDay = 48;
inline constexpr int32_t maximumCampaignFiles = 100000;
inline constexpr int32_t maximumCampaignIntervalSeconds = 600;

// Writes the files into `directory` (made when missing) under RINEX 3 long
// names, and returns what each one holds, in the order written: file = the
// path written, station (the MARKER NAME), receiver, position, first and
// last epoch and their count.  With fieldFaults, the day after the campaign
// holds, tied together by reference station REF1 (hourly files 06:00 to
// 12:00 GPST): ROV1 07:00-09:00 with no epoch between 07:40 and 08:00; ROV2
// 07:10-07:50 and, in a second file 2.5 minutes later, to 09:10; ROV3
// 07:20-09:20, also as ROV3_copy.rnx and as its own name + ".gz"; three
// rovers 1 km apart with MARKER NAME SITE whose file names say ROVA, ROVB
// and ROVC, 09:30-11:00; ROV1_01.rnx on ROV1's mark, 10:00-11:00.  Throws std::invalid_argument for options out of range and
// CampaignWriteError, naming the path, when the folder or a file cannot be
// written.
std::vector<Occupation> Write_Rinex_Campaign(const RinexCampaignOptions& options, const std::string& directory);

}  // namespace min_lumo_field

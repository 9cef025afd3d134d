// Observation labels unique within a project.  A label is FROM SESSION TO N
// in four tokens of at most 11 characters and 31 in all, so long station
// names are cut, and two names cut alike would give two baselines one label.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace min_lumo_tool {

// What one label is made of: the station indices (into `stationNames`), the
// session token and the observation's place on its baseline (from 1).
struct LabelParts {
    int32_t fromStation = -1, toStation = -1;
    std::string session;
    int32_t occurrence = 1;
};

// One label per entry, in order, no two alike (ignoring the case of ASCII
// letters, as the library compares names):
// - each station has a token of at most 11 characters, its name as the
//   label cuts it; stations whose tokens would read alike get their token
//   cut shorter and "~1", "~2", ... in station order (MOUNTAIN_PEAK and
//   MOUNTAIN_PEAR become MOUNTAIN_~1 and MOUNTAIN_~2);
// - the four tokens are fitted into 31 characters as Observation_Label does;
// - should a label still repeat one given before (a second baseline of the
//   same two stations, or a cut that ate the "~"), its N counts on to the
//   first number not yet used.
std::vector<std::string> Unique_Observation_Labels(const std::vector<std::string>& stationNames,
                                                   const std::vector<LabelParts>& observations);

struct Campaign;

// Gives the campaign's observations unique labels: FROM and TO the stored
// ends of each one's baseline, its session, its place on the baseline.
void Label_Observations_Uniquely(Campaign& campaign);

}  // namespace min_lumo_tool

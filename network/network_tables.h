// The second half of a build: the network table with every network's
// observations and stations, built from a finished grouping.
#pragma once

#include <cstdint>

#include "min_lumo.h"
#include "network/network_grouping.h"
#include "network/time_network.h"

namespace min_lumo {

// The two ends of the baseline that host observation `observation` measures.
struct BaselineEnds {
    int32_t fromStation;
    int32_t toStation;
};
BaselineEnds Read_Baseline_Ends(const ProjectHeader* project, int32_t observation);

// Allocates the network table into NetworkTable (NetworkCount left 0), copies
// the grouped networks into it, frees the grouping's network array, and
// places every working entry (states are set with the stations).  Returns 0; or -1 after
// freeing the table and whatever hangs from it, NetworkTable null again.  The
// entry array stays with the caller.
int32_t Fill_Network_Table(GroupingWork& work);

// Gives every observation its initial state and collects the stations of
// each of the NetworkCount networks with their lists and counters.  Returns 0; or -1 with its scratch freed and the half-built
// tables still held, for the caller to release.
int32_t Build_Network_Stations(const ProjectHeader* project);

}  // namespace min_lumo

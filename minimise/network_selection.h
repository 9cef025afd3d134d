// Deciding, within one time-network, which observations stay (Selected) and
// which are redundant (Rejected).  Works in place on the network's tables
// and the run's workspace; allocates nothing.
#pragma once

#include <cstdint>

#include "network/time_network.h"

namespace min_lumo {

// Scores, orders and decides every observation of `network`, one of the
// run's networks.
void Select_Network_Observations(MinimisationRun& run, const TimeNetwork& network);

}  // namespace min_lumo

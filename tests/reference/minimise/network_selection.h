// Deciding, within one time-network, which observations stay (Selected) and
// which are redundant (Rejected).  Works in place on the network's tables and
// allocates nothing.
#pragma once

#include <cstdint>

#include "tests/reference/network/time_network.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Two selected observations satisfy a station; the selection also writes this
// value into a station that needs nothing more.
inline constexpr int32_t SaturatedSelectedCount = 2;

// Scores, orders and decides every observation of `network`.  Always 0.
int32_t Select_Network_Observations(TimeNetwork& network);

// Applies the four station rules until a pass over the stations makes no
// decision that calls for beginning again.
void Propagate_Decisions(TimeNetwork& network);

// The three transitions, each on the observation at `position` in the
// network's NetObservation table.
void Select_Observation(TimeNetwork& network, int32_t position);
void Select_And_Saturate(TimeNetwork& network, int32_t position);
void Reject_Observation(TimeNetwork& network, int32_t position);  // may refuse

}  // namespace min_lumo_reference

// The two ways Select_Network_Observations decides a network of three or more
// observations.  Both give the same decisions and leave the same table.
#pragma once

#include <cstdint>

#include "tests/reference/network/time_network.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Stations are chosen only with an open count below this bound.
inline constexpr int32_t OpenCountBound = 30000;

// Sets every observation's score, in table order.
void Score_Every_Observation(TimeNetwork& network);

// With the workspace of the build: per-station lists of open observations in
// table order, a bit per station whose rule applies, and a heap of the
// stations still to be chosen.  Time grows with the network's observations
// and stations, not with their product.
void Select_With_Workspace(TimeNetwork& network);

// On tables alone, by linear scans, for tables that no build has made
// (no workspace), including hand-made ones with missing end references.
void Select_In_Place(TimeNetwork& network);

}  // namespace min_lumo_reference

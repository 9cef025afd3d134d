// The integer score by which the selection ranks a time-network's
// observations: time points, the source bonus, the distance term (or the
// penalty for a station without a usable position) and the forced bonus.
#pragma once

#include <cstdint>

#include "network/time_network.h"

namespace min_lumo {

// Score of the observation at `position` of `network`, one of the run's
// networks whose station positions the build has converted, before the
// selection has reordered it: from what the build read of the observation,
// and the source records it names.
int32_t Score_Observation(const MinimisationRun& run, const TimeNetwork& network, int32_t position);

}  // namespace min_lumo

// The work behind DLL_Min_Lumo once the handshake and the host-data check
// have passed.
#pragma once

#include <cstdint>

#include "min_lumo.h"
#include "network/time_network.h"

namespace min_lumo {

// Builds the time-networks of `project`, decides every network, writes the
// rejections back and releases the tables.  Returns 0, or 1 with a message
// set.  Nothing is kept once it returns.
int32_t Run_Minimisation_Pipeline(const ProjectHeader* project);

// Runs the selection on every network of the run, in order.
void Minimize_Time_Networks(MinimisationRun& run);

}  // namespace min_lumo

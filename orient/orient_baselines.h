// Direction propagation: the work behind DLL_Fix_Baseline_Direction.
#pragma once

#include <cstdint>

#include "interface/min_lumo.h"

namespace min_lumo {

// Levels the stations from the active control stations and orients every
// reachable baseline that has usable observations.  Always returns 0.
int32_t Orient_Baselines(ProjectHeader* project);

}  // namespace min_lumo

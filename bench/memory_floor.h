// The memory floor of a minimisation: a pass that touches only what any
// correct minimisation must touch, so that the library's time can be read as
// a multiple of what the machine allows.
#pragma once

#include <cstdint>

#include "min_lumo.h"

namespace min_lumo_bench {

// Reads each field the job reads (per observation its times, state, forced
// flag, baseline, span and sources; per baseline its two stations; per
// station its flags and position; per source its ratio), converts each
// station's position once, scores each observation once and writes the
// rejection marks of a typical outcome (every second observation).  Returns
// a sum of what it read, so that nothing is left out as unused.
int64_t Memory_Floor_Pass(ProjectHeader* project);

}  // namespace min_lumo_bench

// Direction propagation: the work behind DLL_Fix_Baseline_Direction.
#pragma once

#include <cstdint>

#include "min_lumo.h"

namespace min_lumo {

// Levels the stations from the active control stations and orients every
// reachable baseline that has usable observations, reversing those that
// point towards the control side.  Sweep L visits the baselines in index
// order and orients each usable one with an end at level L; an unreached far
// end gets level L + 1 and the near end's treeControl.  Sweeps stop when one
// reaches no new station.  Allocates nothing, keeps nothing; always 0.
//
// A baseline end with a negative index reads as unreached and is never
// written.  A baseline that would have to be reversed through such an end is
// still handed to Reverse_Baseline, which sounds the alarm and leaves it as
// it is; it is oriented at its level all the same.
int32_t Orient_Baselines(const ProjectHeader* project);

}  // namespace min_lumo

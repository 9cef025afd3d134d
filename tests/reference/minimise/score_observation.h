// The integer score by which the selection ranks a time-network's observations.
#pragma once

#include <cstdint>

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Score of the host observation at `observation` in the project of the
// current minimisation call (CurrentProject).  Reads host records only.
int32_t Score_Observation(int32_t observation);

}  // namespace min_lumo_reference

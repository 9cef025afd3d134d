// The work behind DLL_Min_Lumo once the handshake has passed.
#pragma once

#include <cstdint>

#include "min_lumo.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Builds the time-networks, decides every network, writes the rejections
// back and releases the tables.  Returns 0, or 1 with a message set.
int32_t Run_Minimisation_Pipeline(ProjectHeader* project);

}  // namespace min_lumo_reference

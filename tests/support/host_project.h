// The tests' names for the host kit's host memory (hostkit/host_memory.h):
// a project laid out as the host lays it out, with a fill pattern in every
// byte no field covers, so tests can prove those bytes stay untouched.
#pragma once

#include "hostkit/host_memory.h"

namespace min_lumo_test {

using HostProject = min_lumo_kit::HostMemory;
using min_lumo_kit::ByteChange;
using min_lumo_kit::Changed_Bytes;
using min_lumo_kit::ObservationFields;
using min_lumo_kit::StationFields;

// The accepted structure sizes, ready to pass.
inline constexpr const auto& AcceptedSizes = min_lumo_kit::acceptedStructSizes;

}  // namespace min_lumo_test

#include "tests/reference/network/time_network.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Plain zero-initialised data: nothing runs at load.
ProjectHeader* CurrentProject = nullptr;
TimeNetwork* NetworkTable = nullptr;
int32_t NetworkCount = 0;

}  // namespace min_lumo_reference

#include "tests/reference/minimise/minimize_time_networks.h"

#include "tests/reference/minimise/network_selection.h"
#include "tests/reference/network/time_network.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Networks are independent: each selection changes only its own tables and
// the host records are only read, so the order changes no decision.
int32_t Minimize_Time_Networks() {
    for (int32_t i = 0; i < NetworkCount; ++i) Select_Network_Observations(NetworkTable[i]);
    return 0;
}

}  // namespace min_lumo_reference

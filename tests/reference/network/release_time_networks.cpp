#include "tests/reference/network/network_heap.h"
#include "tests/reference/network/time_network.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

// A network from a build that failed part-way may lack its arrays or some
// station lists; those are null and Free_Block ignores them.
void Release_Network(TimeNetwork& network) {
    Free_Block(network.observations);
    network.observations = nullptr;
    if (network.stations == nullptr) return;
    for (int32_t s = 0; s < network.stationCount; ++s) {
        Free_Block(network.stations[s].observationIndex);
    }
    Free_Block(network.stations);
    network.stations = nullptr;
    network.stationCount = 0;
}

}  // namespace

void Release_Time_Networks() {
    if (NetworkTable == nullptr) return;
    for (int32_t i = 0; i < NetworkCount; ++i) Release_Network(NetworkTable[i]);
    Free_Block(NetworkTable);
    NetworkTable = nullptr;
    NetworkCount = 0;
}

}  // namespace min_lumo_reference

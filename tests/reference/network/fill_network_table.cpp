// The network table and every network's observations, in start-time order,
// with their initial states.
#include "tests/reference/network/network_arrays.h"
#include "tests/reference/network/network_tables.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

// Undoes a table that failed half-way: NetworkCount is still 0 here, so the
// entries are walked by the grouping's count.  Entries whose array was never
// allocated hold null, which Free_Block ignores.
void Discard_Unfinished_Table(int32_t networkCount) {
    for (int32_t i = 0; i < networkCount; ++i) Free_Block(NetworkTable[i].observations);
    Free_Block(NetworkTable);
    NetworkTable = nullptr;
}

// Entries arrive in start-time order and each goes to the next free slot of
// its network; stationCount, still 0, counts the filled slots meanwhile.
void Place_Observations(const GroupingWork& work) {
    for (int32_t j = 0; j < work.entryCount; ++j) {
        const NetObservation& entry = work.entries[j];
        TimeNetwork& network = NetworkTable[entry.network];
        network.observations[network.stationCount++] = entry;
    }
    for (int32_t i = 0; i < work.networkCount; ++i) NetworkTable[i].stationCount = 0;
}

}  // namespace

// The grouping's network array is freed as soon as the table holds its
// values, before the observation arrays are asked for: the two would
// otherwise be held together with the entries.
int32_t Fill_Network_Table(GroupingWork& work) {
    const int32_t networkCount = work.networkCount;
    NetworkTable = Allocate_Array<TimeNetwork>(networkCount);
    if (NetworkTable == nullptr) return -1;
    for (int32_t i = 0; i < networkCount; ++i) NetworkTable[i] = work.networks[i];
    Free_Block(work.networks);
    work.networks = nullptr;
    for (int32_t i = 0; i < networkCount; ++i) {
        TimeNetwork& network = NetworkTable[i];
        network.observations = Allocate_Array<NetObservation>(network.observationCount);
        if (network.observations == nullptr) {
            Discard_Unfinished_Table(networkCount);
            return -1;
        }
    }
    Place_Observations(work);
    return 0;
}

}  // namespace min_lumo_reference

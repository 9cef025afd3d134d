// The network table and every network's observations, in start-time order,
// with their initial states.
#include "host/host_records.h"
#include "tests/reference/network/network_arrays.h"
#include "tests/reference/network/network_tables.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

// Marks a slot of an observations array that no observation has taken yet.
constexpr int32_t FreeSlot = -1;

// Undoes a table that failed half-way: NetworkCount is still 0 here, so the
// entries are walked by the grouping's count.  Entries whose array was never
// allocated hold null, which Free_Block ignores.
void Discard_Unfinished_Table(int32_t networkCount) {
    for (int32_t i = 0; i < networkCount; ++i) Free_Block(NetworkTable[i].observations);
    Free_Block(NetworkTable);
    NetworkTable = nullptr;
}

// Copies network i from the grouping and gives it an observations array of
// free slots.  Returns 0, or -1 when the array cannot be had.
int32_t Copy_Network(const GroupingWork& work, int32_t i) {
    TimeNetwork& network = NetworkTable[i];
    network = work.networks[i];
    network.observations = Allocate_Array<NetObservation>(network.observationCount);
    if (network.observations == nullptr) return -1;
    for (int32_t slot = 0; slot < network.observationCount; ++slot) {
        network.observations[slot].observation = FreeSlot;
    }
    return 0;
}

// Each entry goes into the first free slot of its network.  A network has
// exactly as many slots as entries were assigned to it, so one is always
// free; entries arrive in start-time order and slots fill from the front.
void Place_Observations(const GroupingWork& work) {
    for (int32_t j = 0; j < work.entryCount; ++j) {
        const NetObservation& entry = work.entries[j];
        TimeNetwork& network = NetworkTable[entry.network];
        int32_t slot = 0;
        while (network.observations[slot].observation >= 0) ++slot;
        network.observations[slot] = entry;
    }
}

// Excluded wins over Forced: the host has taken the observation out.
//
// A baseline whose two ends are the same station joins no two stations, so
// the selection has nothing to decide for it.  Its observation is listed once
// at that station and made Excluded: the selection never changes that state
// and the write-back never touches it, so it counts in neither counter and
// its host record comes back exactly as it was.
int32_t Initial_State(const ProjectHeader* project, int32_t hostIndex) {
    const ObservationRef record = Locate_Observation(project, hostIndex);
    int32_t state = Undecided;
    if (Read_Field(record, observation::forced) != 0) state = Forced;
    if (Read_Field(record, observation::solutionStatus) == -1) state = Excluded;
    const BaselineEnds ends = Read_Baseline_Ends(project, hostIndex);
    if (ends.fromStation == ends.toStation) state = Excluded;
    return state;
}

void Set_Initial_States(const ProjectHeader* project, int32_t networkCount) {
    for (int32_t i = 0; i < networkCount; ++i) {
        TimeNetwork& network = NetworkTable[i];
        for (int32_t slot = 0; slot < network.observationCount; ++slot) {
            NetObservation& entry = network.observations[slot];
            entry.state = Initial_State(project, entry.observation);
        }
    }
}

}  // namespace

int32_t Fill_Network_Table(const GroupingWork& work, const ProjectHeader* project) {
    const int32_t networkCount = work.networkCount;
    NetworkTable = Allocate_Array<TimeNetwork>(networkCount);
    if (NetworkTable == nullptr) return -1;
    for (int32_t i = 0; i < networkCount; ++i) {
        if (Copy_Network(work, i) < 0) {
            Discard_Unfinished_Table(networkCount);
            return -1;
        }
    }
    Place_Observations(work);
    Set_Initial_States(project, networkCount);
    return 0;
}

}  // namespace min_lumo_reference

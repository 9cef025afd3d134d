#include "host/host_records.h"
#include "tests/reference/network/network_arrays.h"
#include "tests/reference/network/network_grouping.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

int32_t Fill_Working_Entries(GroupingWork& work, const ProjectHeader* project) {
    for (int32_t j = 0; j < work.entryCount; ++j) {
        const ObservationRef record = Locate_Observation(project, j);
        NetObservation& entry = work.entries[j];
        entry.network = -1;
        entry.observation = j;
        entry.startTime = Read_Field(record, observation::startTime);
        entry.endTime = Read_Field(record, observation::endTime);
        entry.duration = entry.endTime - entry.startTime;
    }
    // Slots from networkCount on hold no network and are never read; they
    // are not marked -1 one by one, so their untouched pages cost nothing.
    work.networkCount = 0;
    return 0;
}

// The sort's buffer lives only while the entries are ordered.
int32_t Group_Observations(GroupingWork& work, const ProjectHeader* project) {
    Fill_Working_Entries(work, project);
    NetObservation* buffer = Allocate_Array<NetObservation>(work.entryCount / 2);
    if (buffer == nullptr) return -1;
    Sort_By_Start_Time(work.entries, work.entryCount, buffer);
    Free_Block(buffer);
    Seed_Networks(work);
    if (Assign_To_Networks(work) < 0) return -1;
    Open_Remaining_Networks(work);
    return 0;
}

}  // namespace min_lumo_reference

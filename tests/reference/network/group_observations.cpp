#include "host/host_records.h"
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
    for (int32_t m = 0; m < work.entryCount; ++m) work.networks[m].index = -1;
    work.networkCount = 0;
    return 0;
}

int32_t Group_Observations(GroupingWork& work, const ProjectHeader* project) {
    Fill_Working_Entries(work, project);
    Sort_By_Start_Time(work.entries, work.entryCount);
    Seed_Networks(work);
    Assign_To_Networks(work);
    Open_Remaining_Networks(work);
    return 0;
}

}  // namespace min_lumo_reference

#include "tests/reference/network/network_arrays.h"
#include "tests/reference/network/network_grouping.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

int32_t Allocate_Grouping_Work(GroupingWork& work, const ProjectHeader* project) {
    work = GroupingWork{};
    const int32_t count = project->observationCount;
    work.entries = Allocate_Array<NetObservation>(count);
    if (work.entries == nullptr) return -1;
    work.networks = Allocate_Array<TimeNetwork>(count);
    if (work.networks == nullptr) {
        Free_Grouping_Work(work);
        return -1;
    }
    work.entryCount = count;
    return 0;
}

void Free_Grouping_Work(GroupingWork& work) {
    Free_Block(work.entries);
    Free_Block(work.networks);
    work = GroupingWork{};
}

}  // namespace min_lumo_reference

// One build: group the observations, then build the tables from the grouping.
// Any allocation failure leaves nothing of this build behind.
#include "tests/reference/interface/message_buffer.h"
#include "tests/reference/network/network_grouping.h"
#include "tests/reference/network/network_tables.h"
#include "tests/reference/network/time_network.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

int32_t Report_Out_Of_Memory() {
    Set_Message(OutOfMemoryMessage);
    return -1;
}

}  // namespace

// A project without observations yields an empty table (a zero-sized block)
// that stays held, NetworkCount 0, until the next build releases it.
int32_t Build_Time_Networks(ProjectHeader* project) {
    CurrentProject = project;
    Release_Time_Networks();

    GroupingWork work{};
    if (Allocate_Grouping_Work(work, project) < 0) return Report_Out_Of_Memory();
    Group_Observations(work, project);

    // Fill_Network_Table undoes its own partial table on failure; the working
    // arrays are freed here on both paths.
    const int32_t filled = Fill_Network_Table(work, project);
    const int32_t networkCount = work.networkCount;
    Free_Grouping_Work(work);
    if (filled < 0) return Report_Out_Of_Memory();
    NetworkCount = networkCount;

    if (Build_Network_Stations(project) < 0) {
        Release_Time_Networks();
        return Report_Out_Of_Memory();
    }
    return networkCount;
}

}  // namespace min_lumo_reference

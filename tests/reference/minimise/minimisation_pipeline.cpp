#include "tests/reference/minimise/minimisation_pipeline.h"

#include "tests/reference/interface/message_buffer.h"
#include "tests/reference/minimise/minimize_time_networks.h"
#include "tests/reference/network/time_network.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Nothing is written to the host before every network is decided, so a
// failure (which can only come from the build) leaves the host untouched.
int32_t Run_Minimisation_Pipeline(ProjectHeader* project) {
    const int32_t networkCount = Build_Time_Networks(project);
    if (networkCount < 0) return 1;  // the build has set its message and holds no table
    if (networkCount == 0) {
        // The empty table stays held; the next call's build releases it.
        Set_Message(NoTimeNetworksMessage);
        return 1;
    }
    Minimize_Time_Networks();
    Write_Back_Rejections();
    Release_Time_Networks();
    return 0;  // success leaves the last failure's message in place
}

}  // namespace min_lumo_reference

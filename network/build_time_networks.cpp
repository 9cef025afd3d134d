#include "network/time_network.h"

namespace min_lumo {

int32_t Build_Time_Networks(ProjectHeader* project) {
    CurrentProject = project;
    return 0;
}

}  // namespace min_lumo

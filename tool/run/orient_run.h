// One orientation as the host runs it: the exported call on the host memory,
// the records read back and compared with what they were.
#pragma once

#include "hostkit/host_memory.h"
#include "hostkit/module_loader.h"
#include "hostkit/project_model.h"
#include <cstdint>
#include <vector>


namespace min_lumo_tool {

struct OrientResult {
    int32_t status = 0;
    min_lumo_kit::Project after;
    std::vector<bool> reversed;              // by baseline index
    std::vector<int32_t> controlStations;    // stations at level 0
    std::vector<int32_t> unreachedStations;  // level -1 after the call
};

// `project` must have passed Validate_Project.
OrientResult Run_Orientation(const min_lumo_kit::Project& project, const min_lumo_kit::LoadedModule& library);
// The same on host memory that holds `project` already: the host orients
// the records in its memory as minimisation left them.
OrientResult Run_Orientation(min_lumo_kit::HostMemory& memory, const min_lumo_kit::Project& project,
                             const min_lumo_kit::LoadedModule& library);

}  // namespace min_lumo_tool

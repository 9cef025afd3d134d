// One minimisation as the host runs it: the exported call on the host memory,
// with the library's building blocks run beside it for the details.
#pragma once

#include <string>
#include <vector>

#include "hostkit/host_memory.h"
#include "hostkit/module_loader.h"
#include "hostkit/project_model.h"
#include "tool/run/network_inspection.h"

namespace min_lumo_tool {

struct ObservationResult {
    std::string state;   // what the host sees: selected, rejected, undecided, forced, excluded
    bool rejected = false;  // marked by the exported call
    std::string reason;  // filled by Explain_Decisions
};

struct MinimiseResult {
    int32_t status = 0;   // the exported call's result
    std::string message;  // Get_Error_Message after a failure
    min_lumo_kit::Project after;  // the records as the call left them
    NetworkInspection inspection;
    std::vector<ObservationResult> observations;
    // Observations on which the exported call and the building blocks differ.
    std::vector<int32_t> disagreements;
};

// `project` must have passed Validate_Project.
MinimiseResult Run_Minimisation(const min_lumo_kit::Project& project, const min_lumo_kit::LoadedModule& library);
// The same on host memory already made from `project`, which the call then
// leaves as the host would see it (so that orientation can follow on it).
MinimiseResult Run_Minimisation(min_lumo_kit::HostMemory& memory, const min_lumo_kit::Project& project,
                                const min_lumo_kit::LoadedModule& library);

}  // namespace min_lumo_tool

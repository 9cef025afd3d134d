#include "tool/run/minimise_run.h"

#include "hostkit/host_memory.h"
#include "hostkit/module_loader.h"
#include "hostkit/project_model.h"
#include "minimise/run_inspection.h"

namespace min_lumo_tool {

using min_lumo_kit::HostMemory;
using min_lumo_kit::LoadedModule;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectObservation;

namespace {

constexpr int32_t acceptedStructSizes[MIN_LUMO_STRUCT_SIZE_COUNT] = MIN_LUMO_STRUCT_SIZES;

// The state the host sees after the call: the exported call decides which
// observations are rejected, the building blocks tell the others apart.
std::string Shown_State(const ProjectObservation& before, bool rejected, int32_t internalState) {
    if (rejected) return "rejected";
    if (before.solutionStatus == -1) return "excluded";
    if (internalState == min_lumo::Forced || (before.forced != 0 && internalState == min_lumo::Selected))
        return "forced";
    if (internalState == min_lumo::Undecided) return "undecided";
    return "selected";
}

}  // namespace

MinimiseResult Run_Minimisation(const Project& project, const LoadedModule& library) {
    HostMemory memory(project);
    return Run_Minimisation(memory, project, library);
}

MinimiseResult Run_Minimisation(HostMemory& memory, const Project& project, const LoadedModule& library) {
    MinimiseResult result;
    // The building blocks only read the host records, so they run first, on
    // exactly the records the exported call is about to see.
    result.inspection = Inspect_Time_Networks(memory.Header(), true);
    result.status = library.minLumo(acceptedStructSizes, memory.Header());
    result.after = project;
    if (result.status != 0) {
        result.message = library.Error_Message();
        return result;
    }
    memory.Read_Back(result.after);
    for (std::size_t i = 0; i < project.observations.size(); ++i) {
        const ProjectObservation& before = project.observations[i];
        const ProjectObservation& after = result.after.observations[i];
        const bool rejected = before.solutionStatus != -1 && after.solutionStatus == -1 && after.removed == 1;
        const int32_t internalState = result.inspection.observations[i].state;
        if (rejected != (internalState == min_lumo::Rejected)) result.disagreements.push_back(static_cast<int32_t>(i));
        result.observations.push_back({Shown_State(before, rejected, internalState), rejected, {}});
    }
    return result;
}

}  // namespace min_lumo_tool

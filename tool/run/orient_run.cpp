#include "tool/run/orient_run.h"
#include "hostkit/host_memory.h"
#include "hostkit/module_loader.h"
#include "hostkit/project_model.h"

namespace min_lumo_tool {

using min_lumo_kit::HostMemory;
using min_lumo_kit::LoadedModule;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;

OrientResult Run_Orientation(const Project& project, const LoadedModule& library) {
    HostMemory memory(project);
    return Run_Orientation(memory, project, library);
}

OrientResult Run_Orientation(HostMemory& memory, const Project& project, const LoadedModule& library) {
    OrientResult result;
    result.status = library.fixBaselineDirection(memory.Header());
    result.after = project;
    memory.Read_Back(result.after);
    for (std::size_t i = 0; i < project.baselines.size(); ++i) {
        const ProjectBaseline& before = project.baselines[i];
        const ProjectBaseline& after = result.after.baselines[i];
        result.reversed.push_back(before.fromStation != before.toStation && after.fromStation == before.toStation
                                  && after.toStation == before.fromStation);
    }
    for (std::size_t i = 0; i < result.after.stations.size(); ++i) {
        const int32_t level = result.after.stations[i].treeLevel;
        if (level == 0) result.controlStations.push_back(static_cast<int32_t>(i));
        if (level == -1) result.unreachedStations.push_back(static_cast<int32_t>(i));
    }
    return result;
}

}  // namespace min_lumo_tool

#include "tool/output/map_view.h"

#include "hostkit/project_model.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectControl;
using min_lumo_kit::ProjectStation;

std::vector<bool> Control_Stations(const Project& project) {
    std::vector<bool> marked(project.stations.size(), false);
    for (const ProjectControl& control : project.controls) {
        if (control.inactive != 0) continue;
        for (std::size_t i = 0; i < project.stations.size(); ++i)
            if (Names_Match(control.name, project.stations[i].name)) marked[i] = true;
    }
    return marked;
}

bool Has_Usable_Position(const ProjectStation& station) {
    return station.positionFlagA != 0 || station.positionFlagB != 0 || station.positionFlagC != 0;
}

bool Has_Usable_Ends(const Project& project, const ProjectBaseline& baseline) {
    return Has_Usable_Position(project.stations[static_cast<std::size_t>(baseline.fromStation)])
           && Has_Usable_Position(project.stations[static_cast<std::size_t>(baseline.toStation)]);
}

}  // namespace min_lumo_tool

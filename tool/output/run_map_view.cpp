#include "tool/output/run_map_view.h"

#include "hostkit/host_memory.h"
#include "hostkit/project_model.h"
#include "tool/run/network_inspection.h"

namespace min_lumo_tool {

using min_lumo_kit::HostMemory;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectObservation;

MapView Minimise_View(const MinimiseResult& result) {
    MapView view;
    view.project = &result.after;
    for (std::size_t i = 0; i < result.observations.size(); ++i) {
        const InspectedObservation& inspected = result.inspection.observations[i];
        const ObservationResult& outcome = result.observations[i];
        view.observations.push_back({inspected.network, inspected.score, true, outcome.state, outcome.rejected});
    }
    return view;
}

MapView Orient_View(const Project& before, const OrientResult& result) {
    MapView view;
    view.project = &result.after;
    view.reversed = result.reversed;
    view.oriented = true;
    // The networks colour the drawing; orientation itself knows none.
    HostMemory memory(before);
    const NetworkInspection inspection = Inspect_Time_Networks(memory.Header(), false);
    for (std::size_t i = 0; i < before.observations.size(); ++i) {
        const ProjectObservation& observation = before.observations[i];
        const bool rejected = observation.removed != 0;
        const char* state = rejected ? "rejected" : observation.solutionStatus == -1 ? "excluded" : "kept";
        view.observations.push_back({inspection.observations[i].network, 0, false, state, rejected});
    }
    return view;
}

}  // namespace min_lumo_tool

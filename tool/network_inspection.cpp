#include "tool/network_inspection.h"

#include <stdexcept>

#include "minimise/network_selection.h"
#include "minimise/score_observation.h"
#include "network/time_network.h"

namespace min_lumo_tool {

namespace {

InspectedNetwork Inspect_Network(const min_lumo::TimeNetwork& network, std::vector<InspectedObservation>& byHost) {
    InspectedNetwork inspected;
    inspected.index = network.index;
    inspected.earliestStart = network.earliestStart;
    inspected.latestEnd = network.latestEnd;
    for (int32_t i = 0; i < network.observationCount; ++i) {
        const min_lumo::NetObservation& entry = network.observations[i];
        inspected.observations.push_back(entry.observation);
        InspectedObservation& observation = byHost.at(static_cast<std::size_t>(entry.observation));
        observation.network = network.index;
        observation.state = entry.state;
        // Small networks are decided without scores; show them all the same.
        observation.score = network.observationCount > 2 ? entry.score : min_lumo::Score_Observation(entry.observation);
    }
    for (int32_t i = 0; i < network.stationCount; ++i) {
        const min_lumo::NetStation& station = network.stations[i];
        inspected.stations.push_back(
            {station.station, station.observationCount, station.openCount, station.selectedCount});
    }
    return inspected;
}

}  // namespace

NetworkInspection Inspect_Time_Networks(ProjectHeader* project, bool decide) {
    NetworkInspection inspection;
    inspection.observations.resize(static_cast<std::size_t>(project->observationCount));
    const int32_t count = min_lumo::Build_Time_Networks(project);
    if (count < 0) throw std::runtime_error("the library's time-network building ran out of memory");
    try {
        for (int32_t i = 0; i < count; ++i) {
            if (decide) min_lumo::Select_Network_Observations(min_lumo::NetworkTable[i]);
            inspection.networks.push_back(Inspect_Network(min_lumo::NetworkTable[i], inspection.observations));
        }
    } catch (...) {
        min_lumo::Release_Time_Networks();
        throw;
    }
    min_lumo::Release_Time_Networks();
    return inspection;
}

}  // namespace min_lumo_tool

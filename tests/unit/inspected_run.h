// The library's run inspection collected into plain vectors, so that tests
// can look at the networks, their observations and stations as the build
// left them or as the selection decided them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "minimise/run_inspection.h"

namespace min_lumo_test {

struct StationView {
    int32_t station = -1;
    std::vector<int32_t> listed;
    int32_t openCount = 0;
    int32_t selectedCount = 0;
};

struct NetworkView {
    min_lumo::InspectedNetwork summary{};
    std::vector<min_lumo::InspectedObservation> observations;  // table order
    std::vector<StationView> stations;

    std::vector<int32_t> Host_Order() const {
        std::vector<int32_t> order;
        for (const auto& o : observations) order.push_back(o.observation);
        return order;
    }
    std::vector<int32_t> Station_Order() const {
        std::vector<int32_t> order;
        for (const auto& s : stations) order.push_back(s.station);
        return order;
    }
    const min_lumo::InspectedObservation& Observation(int32_t host) const {
        for (const auto& o : observations)
            if (o.observation == host) return o;
        throw std::out_of_range("observation " + std::to_string(host) + " is not in this network");
    }
    const StationView& Station(int32_t host) const {
        for (const auto& s : stations)
            if (s.station == host) return s;
        throw std::out_of_range("station " + std::to_string(host) + " is not in this network");
    }
};

struct InspectedRun {
    int32_t result = 0;  // Inspect_Minimisation's: the network count, or -1
    std::vector<NetworkView> networks;

    // The network of every host observation.
    std::vector<int32_t> Network_Of(int32_t observationCount) const {
        std::vector<int32_t> networkOf(static_cast<std::size_t>(observationCount), -1);
        for (const NetworkView& network : networks)
            for (const auto& o : network.observations) networkOf.at(static_cast<std::size_t>(o.observation)) = o.network;
        return networkOf;
    }
};

inline InspectedRun Inspect(const ProjectHeader* project, min_lumo::InspectionStage stage) {
    InspectedRun run;
    const min_lumo::RunInspector inspector{
        &run,
        [](void* context, const min_lumo::InspectedNetwork& network) {
            static_cast<InspectedRun*>(context)->networks.push_back({network, {}, {}});
        },
        [](void* context, const min_lumo::InspectedObservation& observation) {
            static_cast<InspectedRun*>(context)->networks.back().observations.push_back(observation);
        },
        [](void* context, const min_lumo::InspectedStation& station) {
            static_cast<InspectedRun*>(context)->networks.back().stations.push_back(
                {station.station, {station.listed, station.listed + station.listedCount}, station.openCount,
                 station.selectedCount});
        }};
    run.result = min_lumo::Inspect_Minimisation(project, stage, inspector);
    return run;
}

inline InspectedRun Inspect_Built(const ProjectHeader* project) {
    return Inspect(project, min_lumo::InspectionStage::Built);
}
inline InspectedRun Inspect_Decided(const ProjectHeader* project) {
    return Inspect(project, min_lumo::InspectionStage::Decided);
}

}  // namespace min_lumo_test

#include "tool/run/network_inspection.h"

#include <stdexcept>

#include "minimise/run_inspection.h"

namespace min_lumo_tool {

namespace {

// Collects what the library's inspection hands over into the tool's own
// records; the library's pointers are not kept.  The library is built
// without exceptions, so none may cross it: a failure is noted and thrown
// once the inspection has returned and released its tables.
struct Collector {
    NetworkInspection& inspection;
    bool failed = false;

    template <typename Item> static void Guarded(void* context, const Item& item, void (*collect)(Collector&, const Item&)) {
        auto& self = *static_cast<Collector*>(context);
        if (self.failed) return;
        try {
            collect(self, item);
        } catch (...) {
            self.failed = true;
        }
    }
    static void Network(void* context, const min_lumo::InspectedNetwork& network) {
        Guarded(context, network, &Collect_Network);
    }
    static void Observation(void* context, const min_lumo::InspectedObservation& observation) {
        Guarded(context, observation, &Collect_Observation);
    }
    static void Station(void* context, const min_lumo::InspectedStation& station) {
        Guarded(context, station, &Collect_Station);
    }

    static void Collect_Network(Collector& self, const min_lumo::InspectedNetwork& network) {
        InspectedNetwork collected;
        collected.index = network.index;
        collected.earliestStart = network.earliestStart;
        collected.latestEnd = network.latestEnd;
        self.inspection.networks.push_back(collected);
    }
    static void Collect_Observation(Collector& self, const min_lumo::InspectedObservation& observation) {
        self.inspection.networks.back().observations.push_back(observation.observation);
        self.inspection.observations.at(static_cast<std::size_t>(observation.observation)) = {
            observation.network, observation.score, observation.state};
    }
    static void Collect_Station(Collector& self, const min_lumo::InspectedStation& station) {
        self.inspection.networks.back().stations.push_back(
            {station.station, station.listedCount, station.openCount, station.selectedCount});
    }
};

}  // namespace

NetworkInspection Inspect_Time_Networks(ProjectHeader* project, bool decide) {
    NetworkInspection inspection;
    inspection.observations.resize(static_cast<std::size_t>(project->observationCount));
    Collector collector{inspection};
    const min_lumo::RunInspector inspector{&collector, &Collector::Network, &Collector::Observation,
                                           &Collector::Station};
    const auto stage = decide ? min_lumo::InspectionStage::Decided : min_lumo::InspectionStage::Built;
    if (min_lumo::Inspect_Minimisation(project, stage, inspector) < 0 || collector.failed)
        throw std::runtime_error("out of memory while inspecting the time-networks");
    return inspection;
}

}  // namespace min_lumo_tool

#include "minimise/run_inspection.h"

#include "minimise/minimisation_pipeline.h"
#include "minimise/observation_score.h"

namespace min_lumo {

namespace {

void Show_Network(const MinimisationRun& run, const TimeNetwork& network, bool decided,
                  const RunInspector& inspector) {
    if (inspector.network != nullptr)
        inspector.network(inspector.context, {network.index, network.earliestStart, network.latestEnd,
                                              network.meanStart, network.meanEnd, network.observationCount,
                                              network.stationCount});
    // The selection scores only the networks it decides by score; the others
    // are scored here, which only reads.
    const bool scored = decided && Is_Decided_By_Score(network);
    const NetStation* stations = run.stations + network.firstStation;
    for (int32_t position = 0; inspector.observation != nullptr && position < network.observationCount; ++position) {
        const NetObservation& entry = run.observations[network.firstObservation + position];
        // Undecided networks are still in their built order.
        const int32_t score = scored ? entry.score : Score_Observation(run, network, position);
        inspector.observation(inspector.context, {network.index, position, entry.observation, score, entry.state,
                                                  stations[entry.fromStation].station,
                                                  stations[entry.toStation].station});
    }
    for (int32_t position = 0; inspector.station != nullptr && position < network.stationCount; ++position) {
        const NetStation& station = stations[position];
        inspector.station(inspector.context, {network.index, position, station.station, station.listedCount,
                                              run.listed + station.firstListed, station.openCount,
                                              station.selectedCount});
    }
}

}  // namespace

int32_t Inspect_Minimisation(const ProjectHeader* project, InspectionStage stage, const RunInspector& inspector) {
    MinimisationRun run{};
    const int32_t networkCount = Build_Time_Networks(run, project, BuildScope::ForInspection);
    if (networkCount < 0) return -1;
    if (stage == InspectionStage::Decided) Minimize_Time_Networks(run);
    for (int32_t i = 0; i < run.networkCount; ++i) Show_Network(run, run.networks[i], stage == InspectionStage::Decided, inspector);
    Release_Time_Networks(run);
    return networkCount;
}

}  // namespace min_lumo

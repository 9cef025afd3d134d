#include "tool/plan/processing_plan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <tuple>

#include <fmt/format.h>

#include "hostkit/module_loader.h"
#include "hostkit/project_model.h"
#include "tool/run/explain.h"
#include "tool/plan/network_graph.h"

namespace min_lumo_tool {

using min_lumo_kit::LoadedModule;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;

namespace {

bool Is_Kept(const std::string& state) { return state == "selected" || state == "forced" || state == "undecided"; }

class Planner {
public:
    Planner(const Campaign& campaign, ProcessingPlan& plan)
        : campaign_(campaign), before_(campaign.project), plan_(plan) {}

    void Run() {
        for (const InspectedNetwork& network : plan_.minimised.inspection.networks)
            plan_.networks.push_back(Network(network));
        Summarise();
        for (const int32_t observation : plan_.minimised.disagreements)
            plan_.warnings.push_back(fmt::format(
                "observation {}: the library and the tool's own run of the selection disagree", observation));
    }

private:
    const Project& After() const { return plan_.oriented.after; }
    const std::string& Name(int32_t station) const { return before_.stations[static_cast<std::size_t>(station)].name; }

    PlanRow Row(int32_t observation) const {
        const auto index = static_cast<std::size_t>(observation);
        const ObservationResult& outcome = plan_.minimised.observations[index];
        const ProjectBaseline& baseline =
            After().baselines[static_cast<std::size_t>(before_.observations[index].baseline)];
        PlanRow row;
        row.observation = observation;
        row.fromStation = baseline.fromStation;
        row.toStation = baseline.toStation;
        row.level = baseline.directionLevel;
        row.score = plan_.minimised.inspection.observations[index].score;
        row.lengthMetres = Station_Distance_Metres(campaign_, baseline.fromStation, baseline.toStation);
        row.state = outcome.state;
        row.selected = Is_Kept(outcome.state);
        row.reason = outcome.reason;
        return row;
    }

    double Start(const PlanRow& row) const {
        return before_.observations[static_cast<std::size_t>(row.observation)].start.seconds;
    }

    PlanNetwork Network(const InspectedNetwork& inspected) const {
        PlanNetwork network;
        network.index = inspected.index;
        network.earliestStart = inspected.earliestStart;
        network.latestEnd = inspected.latestEnd;
        network.stationCount = static_cast<int32_t>(inspected.stations.size());
        std::set<std::string> sessions;
        std::vector<PlanRow> kept, rejected, others;
        for (const int32_t observation : inspected.observations) {
            sessions.insert(campaign_.observations[static_cast<std::size_t>(observation)].session);
            PlanRow row = Row(observation);
            if (row.selected)
                kept.push_back(std::move(row));
            else if (row.state == "rejected")
                rejected.push_back(std::move(row));
            else
                others.push_back(std::move(row));
        }
        network.sessions.assign(sessions.begin(), sessions.end());
        // Outward from the controls level by level, baselines no control
        // reaches last; within a level by start, then by from-station.
        const auto processingKey = [&](const PlanRow& row) {
            const int32_t level = row.level < 0 ? std::numeric_limits<int32_t>::max() : row.level;
            return std::make_tuple(level, Start(row), Name(row.fromStation), row.observation);
        };
        std::sort(kept.begin(), kept.end(),
                  [&](const PlanRow& a, const PlanRow& b) { return processingKey(a) < processingKey(b); });
        const auto timeKey = [&](const PlanRow& row) {
            return std::make_tuple(Start(row), Name(row.fromStation), row.observation);
        };
        std::sort(rejected.begin(), rejected.end(),
                  [&](const PlanRow& a, const PlanRow& b) { return timeKey(a) < timeKey(b); });
        for (std::size_t i = 0; i < kept.size(); ++i) kept[i].step = static_cast<int32_t>(i + 1);
        network.rows = std::move(kept);
        network.rows.insert(network.rows.end(), rejected.begin(), rejected.end());
        network.rows.insert(network.rows.end(), others.begin(), others.end());
        return network;
    }

    void Summarise() {
        PlanSummary& summary = plan_.summary;
        const auto stationCount = static_cast<int32_t>(before_.stations.size());
        std::vector<bool> observed(before_.stations.size(), false);
        // One edge per kept observation for the counts at each station, one
        // per station pair for the bridges: losing a baseline loses all of
        // its observations at once.
        std::vector<GraphEdge> observationEdges, baselineEdges;
        std::set<std::pair<int32_t, int32_t>> pairsSeen;
        for (const PlanNetwork& network : plan_.networks)
            for (const PlanRow& row : network.rows) {
                observed[static_cast<std::size_t>(row.fromStation)] = true;
                observed[static_cast<std::size_t>(row.toStation)] = true;
                if (!row.selected) continue;
                observationEdges.push_back({row.fromStation, row.toStation});
                const auto pair = std::minmax(row.fromStation, row.toStation);
                if (pairsSeen.insert(pair).second)
                    baselineEdges.push_back({row.fromStation, row.toStation});
            }
        summary.unreachedStations = plan_.oriented.unreachedStations;
        for (int32_t station = 0; station < stationCount; ++station)
            if (!observed[static_cast<std::size_t>(station)]) summary.unobservedStations.push_back(station);
        const std::vector<int32_t> degrees = Vertex_Degrees(stationCount, observationEdges);
        for (int32_t station = 0; station < stationCount; ++station)
            if (degrees[static_cast<std::size_t>(station)] == 1) summary.singleObservationStations.push_back(station);
        for (const std::size_t edge : Bridge_Edges(stationCount, baselineEdges))
            summary.bridges.emplace_back(baselineEdges[edge].first, baselineEdges[edge].second);
    }

    const Campaign& campaign_;
    const Project& before_;
    ProcessingPlan& plan_;
};

}  // namespace

std::optional<double> Station_Distance_Metres(const Campaign& campaign, int32_t first, int32_t second) {
    const CampaignStation& a = campaign.stations.at(Campaign_Station(first));
    const CampaignStation& b = campaign.stations.at(Campaign_Station(second));
    if (!a.positionKnown || !b.positionKnown) return std::nullopt;
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

ProcessingPlan Plan_Processing(const Campaign& campaign, const LoadedModule& library) {
    ProcessingPlan plan;
    plan.minimised = Run_Minimisation(campaign.project, library);
    plan.status = plan.minimised.status;
    plan.message = plan.minimised.message;
    if (plan.status != 0) return plan;
    Explain_Decisions(campaign.project, plan.minimised);
    // The host orients the project as minimisation left it: rejected
    // observations no longer count, so they carry no level.
    plan.oriented = Run_Orientation(plan.minimised.after, library);
    Planner(campaign, plan).Run();
    return plan;
}

}  // namespace min_lumo_tool

#include "tool/plan/plan_geojson.h"

#include "hostkit/project_model.h"

#include "tool/plan/plan_report.h"
#include "tool/plan/session_filter.h"

namespace min_lumo_tool {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectStation;

GeoLayers Plan_Geo_Layers(const Campaign& campaign, const ProcessingPlan& plan) {
    const Project& before = campaign.project;
    const Project& after = plan.oriented.after;
    GeoLayers layers;
    std::vector<int32_t> layerStation(before.stations.size(), -1);
    for (std::size_t i = 0; i < before.stations.size(); ++i) {
        const auto index = static_cast<int32_t>(i);
        if (!Shows_Station(plan, index)) continue;
        const ProjectStation& station = before.stations[i];
        const int32_t level = after.stations[i].treeLevel;
        const CampaignStation& formed = campaign.stations[Campaign_Station(index)];
        GeoStation shown{station.name, std::nullopt, level == 0, level, static_cast<int64_t>(formed.occupations.size())};
        if (formed.positionKnown)
            shown.position = GeoPosition{station.latitude, station.longitude, static_cast<double>(station.height)};
        layerStation[i] = static_cast<int32_t>(layers.stations.size());
        layers.stations.push_back(std::move(shown));
    }
    const auto station = [&](int32_t index) { return layerStation[static_cast<std::size_t>(index)]; };
    std::vector<int32_t> layerBaseline(after.baselines.size(), -1);
    for (const PlanNetwork& network : plan.networks)
        for (const PlanRow& row : network.rows) {
            const ProjectObservation& observation = before.observations[static_cast<std::size_t>(row.observation)];
            const CampaignObservation& origin = campaign.observations[static_cast<std::size_t>(row.observation)];
            const auto baselineIndex = static_cast<std::size_t>(observation.baseline);
            if (layerBaseline[baselineIndex] < 0) {
                const ProjectBaseline& baseline = after.baselines[baselineIndex];
                layerBaseline[baselineIndex] = static_cast<int32_t>(layers.baselines.size());
                layers.baselines.push_back({station(baseline.fromStation), station(baseline.toStation),
                                            Station_Distance_Metres(campaign, baseline.fromStation, baseline.toStation),
                                            baseline.directionLevel, 0, 0});
            }
            GeoBaseline& baseline = layers.baselines[static_cast<std::size_t>(layerBaseline[baselineIndex])];
            ++baseline.observations;
            if (row.selected) ++baseline.kept;
            const auto [fromFile, toFile] = Plan_Row_Files(campaign, row);
            GeoObservation entry;
            entry.from = station(row.fromStation);
            entry.to = station(row.toStation);
            entry.session = origin.session;
            entry.network = network.index;
            if (row.step > 0) entry.order = row.step;
            entry.label = after.observations[static_cast<std::size_t>(row.observation)].label;
            entry.start = observation.start.text;
            entry.end = observation.end.text;
            entry.commonSeconds = origin.commonSeconds;
            entry.lengthMetres = row.lengthMetres;
            entry.level = row.level;
            entry.score = row.score;
            entry.state = row.state;
            entry.reason = row.reason;
            entry.fromFile = fromFile;
            entry.toFile = toFile;
            layers.observations.push_back(std::move(entry));
        }
    return layers;
}

}  // namespace min_lumo_tool

#include "hostkit/project_model.h"
#include "tool/output/reports.h"

#include <nlohmann/json.hpp>

namespace min_lumo_tool {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectStation;

namespace {

using Json = nlohmann::ordered_json;

std::string Station_Name(const Project& project, int32_t station) {
    return station >= 0 && static_cast<std::size_t>(station) < project.stations.size()
               ? project.stations[static_cast<std::size_t>(station)].name
               : std::string("?");
}

std::string Document_Text(const Json& document) { return document.dump(2) + "\n"; }

}  // namespace

std::string Minimise_Report_Json(const Project& before, const MinimiseResult& result, bool explain) {
    Json networks = Json::array();
    for (const InspectedNetwork& network : result.inspection.networks)
        networks.push_back({{"network", network.index},
                            {"firstStart", network.earliestStart},
                            {"lastEnd", network.latestEnd},
                            {"observations", network.observations.size()},
                            {"stations", network.stations.size()}});
    Json observations = Json::array();
    Json rejected = Json::array();
    for (std::size_t i = 0; i < before.observations.size(); ++i) {
        const ProjectObservation& observation = before.observations[i];
        const ProjectBaseline& baseline = before.baselines[static_cast<std::size_t>(observation.baseline)];
        const ObservationResult& outcome = result.observations[i];
        Json entry = {{"index", i},
                      {"label", observation.label},
                      {"from", Station_Name(before, baseline.fromStation)},
                      {"to", Station_Name(before, baseline.toStation)},
                      {"network", result.inspection.observations[i].network},
                      {"score", result.inspection.observations[i].score},
                      {"state", outcome.state}};
        if (explain) entry["reason"] = outcome.reason;
        observations.push_back(entry);
        if (outcome.rejected) rejected.push_back(i);
    }
    return Document_Text({{"command", "minimise"},
                          {"status", result.status},
                          {"networks", networks},
                          {"observations", observations},
                          {"rejected", rejected},
                          {"disagreements", result.disagreements}});
}

std::string Orient_Report_Json(const Project& before, const OrientResult& result) {
    const Project& after = result.after;
    Json stations = Json::array();
    for (std::size_t i = 0; i < after.stations.size(); ++i) {
        const ProjectStation& station = after.stations[i];
        Json entry = {{"index", i}, {"name", station.name}, {"level", station.treeLevel}};
        if (station.treeLevel >= 0) {
            entry["control"] = station.treeControl;
            if (station.treeControl >= 0 && static_cast<std::size_t>(station.treeControl) < after.controls.size())
                entry["controlName"] = after.controls[static_cast<std::size_t>(station.treeControl)].name;
        }
        stations.push_back(entry);
    }
    Json baselines = Json::array();
    Json reversed = Json::array();
    for (std::size_t i = 0; i < after.baselines.size(); ++i) {
        const ProjectBaseline& baseline = after.baselines[i];
        baselines.push_back({{"index", i},
                             {"from", Station_Name(after, baseline.fromStation)},
                             {"to", Station_Name(after, baseline.toStation)},
                             {"level", baseline.directionLevel},
                             {"reversed", static_cast<bool>(result.reversed[i])}});
        if (result.reversed[i]) reversed.push_back(i);
    }
    Json unreached = Json::array();
    for (const int32_t station : result.unreachedStations) unreached.push_back(Station_Name(before, station));
    return Document_Text({{"command", "orient"},
                          {"status", result.status},
                          {"stations", stations},
                          {"baselines", baselines},
                          {"reversed", reversed},
                          {"unreached", unreached}});
}

std::string Check_Report_Json(const Violations& violations) {
    Json list = Json::array();
    for (const Violation& violation : violations) {
        Json entry = {{"kind", violation.kind}};
        if (violation.index >= 0) entry["index"] = violation.index;
        if (!violation.name.empty()) entry["name"] = violation.name;
        entry["field"] = violation.field;
        entry["value"] = violation.value;
        entry["problem"] = violation.problem;
        list.push_back(entry);
    }
    return Document_Text({{"valid", violations.empty()}, {"violations", list}});
}

}  // namespace min_lumo_tool

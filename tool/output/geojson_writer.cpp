#include "tool/output/geojson_writer.h"
#include "hostkit/project_model.h"

#include <nlohmann/json.hpp>

namespace min_lumo_tool {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectStation;

namespace {

using Json = nlohmann::ordered_json;

Json Position(const ProjectStation& station) {
    return Json::array({station.longitude, station.latitude, static_cast<double>(station.height)});
}

Json Feature(Json geometry, Json properties) {
    return {{"type", "Feature"}, {"geometry", std::move(geometry)}, {"properties", std::move(properties)}};
}

// Stations without a usable position have no place on the map: null geometry.
Json Point_Geometry(const ProjectStation& station) {
    if (!Has_Usable_Position(station)) return nullptr;
    return {{"type", "Point"}, {"coordinates", Position(station)}};
}

Json Line(const Project& project, const ProjectBaseline& baseline) {
    if (!Has_Usable_Ends(project, baseline)) return nullptr;
    return {{"type", "LineString"},
            {"coordinates", Json::array({Position(project.stations[static_cast<std::size_t>(baseline.fromStation)]),
                                         Position(project.stations[static_cast<std::size_t>(baseline.toStation)])})}};
}

}  // namespace

std::string Geojson_Text(const MapView& view) {
    const Project& project = *view.project;
    const std::vector<bool> controls = Control_Stations(project);
    Json features = Json::array();
    for (std::size_t i = 0; i < project.stations.size(); ++i) {
        const ProjectStation& station = project.stations[i];
        Json properties = {{"kind", "station"}, {"index", i}, {"name", station.name}, {"control", static_cast<bool>(controls[i])}};
        if (view.oriented) properties["level"] = station.treeLevel;
        features.push_back(Feature(Point_Geometry(station), properties));
    }
    for (std::size_t i = 0; i < project.baselines.size(); ++i) {
        const ProjectBaseline& baseline = project.baselines[i];
        Json properties = {{"kind", "baseline"},
                           {"index", i},
                           {"from", project.stations[static_cast<std::size_t>(baseline.fromStation)].name},
                           {"to", project.stations[static_cast<std::size_t>(baseline.toStation)].name}};
        if (view.oriented) {
            properties["directionLevel"] = baseline.directionLevel;
            properties["reversed"] = i < view.reversed.size() && view.reversed[i];
        }
        features.push_back(Feature(Line(project, baseline), properties));
    }
    for (std::size_t i = 0; i < project.observations.size(); ++i) {
        const ProjectObservation& observation = project.observations[i];
        const ProjectBaseline& baseline = project.baselines[static_cast<std::size_t>(observation.baseline)];
        const MapObservation& shown = view.observations[i];
        Json properties = {{"kind", "observation"},
                           {"index", i},
                           {"label", observation.label},
                           {"baseline", observation.baseline},
                           {"from", project.stations[static_cast<std::size_t>(baseline.fromStation)].name},
                           {"to", project.stations[static_cast<std::size_t>(baseline.toStation)].name},
                           {"network", shown.network},
                           {"state", shown.state}};
        if (shown.scored) properties["score"] = shown.score;
        features.push_back(Feature(Line(project, baseline), properties));
    }
    return Json({{"type", "FeatureCollection"}, {"features", features}}).dump(1) + "\n";
}

}  // namespace min_lumo_tool

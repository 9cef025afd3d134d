#include "tool/output/geojson_writer.h"

#include <cmath>
#include <sstream>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "core/geodetic_conversion.h"
#include "hostkit/iso_time.h"
#include "hostkit/project_model.h"
#include "tool/output/reported_numbers.h"

namespace min_lumo_tool {

using min_lumo_kit::Format_Iso_Time;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectStation;
using min_lumo_kit::Uses_Calendar_Times;

namespace {

using Json = nlohmann::ordered_json;

template <typename Value> Json Or_Null(const std::optional<Value>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json Coordinates(const GeoPosition& position) {
    return Json::array({To_Reported_Degrees(position.longitude), To_Reported_Degrees(position.latitude),
                        To_Millimetre(position.height)});
}

Json Feature(Json geometry, Json properties) {
    return {{"type", "Feature"}, {"geometry", std::move(geometry)}, {"properties", std::move(properties)}};
}

Json Point(const GeoStation& station) {
    if (!station.position) return nullptr;
    return {{"type", "Point"}, {"coordinates", Coordinates(*station.position)}};
}

// A line between two stations; none when either has no position.
Json Line(const GeoLayers& layers, int32_t from, int32_t to) {
    const GeoStation& start = layers.stations.at(static_cast<std::size_t>(from));
    const GeoStation& end = layers.stations.at(static_cast<std::size_t>(to));
    if (!start.position || !end.position) return nullptr;
    return {{"type", "LineString"},
            {"coordinates", Json::array({Coordinates(*start.position), Coordinates(*end.position)})}};
}

std::optional<double> Millimetres(const std::optional<double>& metres) {
    return metres ? std::optional<double>(To_Millimetre(*metres)) : std::nullopt;
}

// As the reports give times: ISO 8601 when the project gave any so, else seconds.
std::string Time_Text(const Project& project, double seconds) {
    return Uses_Calendar_Times(project) ? Format_Iso_Time(seconds) : fmt::format("{}", seconds);
}

// One feature per line: small, and a line per feature for whoever reads it.
std::string Collection(const std::string& name, const Json& features) {
    std::string text = R"({"type":"FeatureCollection","name":)" + Json(name).dump() + R"(,"features":[)";
    for (std::size_t i = 0; i < features.size(); ++i) text += (i == 0 ? "\n" : ",\n") + features[i].dump();
    return text + "\n]}\n";
}

}  // namespace

std::vector<GeojsonFile> Geojson_Files(const GeoLayers& layers) {
    Json stations = Json::array();
    for (const GeoStation& station : layers.stations)
        stations.push_back(Feature(
            Point(station),
            {{"name", station.name},
             {"control", station.control},
             {"level", Or_Null(station.level)},
             {"occupations", Or_Null(station.occupations)},
             {"height", station.position ? Json(To_Millimetre(station.position->height)) : Json(nullptr)}}));
    Json baselines = Json::array();
    for (const GeoBaseline& baseline : layers.baselines)
        baselines.push_back(Feature(Line(layers, baseline.from, baseline.to),
                                    {{"from", layers.stations.at(static_cast<std::size_t>(baseline.from)).name},
                                     {"to", layers.stations.at(static_cast<std::size_t>(baseline.to)).name},
                                     {"lengthMetres", Or_Null(Millimetres(baseline.lengthMetres))},
                                     {"level", Or_Null(baseline.level)},
                                     {"observations", baseline.observations},
                                     {"kept", baseline.kept}}));
    Json observations = Json::array();
    for (const GeoObservation& observation : layers.observations)
        observations.push_back(Feature(Line(layers, observation.from, observation.to),
                                       {{"session", observation.session},
                                        {"network", Or_Null(observation.network)},
                                        {"order", Or_Null(observation.order)},
                                        {"label", observation.label},
                                        {"from", layers.stations.at(static_cast<std::size_t>(observation.from)).name},
                                        {"to", layers.stations.at(static_cast<std::size_t>(observation.to)).name},
                                        {"start", observation.start},
                                        {"end", observation.end},
                                        {"commonSeconds", Or_Null(observation.commonSeconds)},
                                        {"lengthMetres", Or_Null(Millimetres(observation.lengthMetres))},
                                        {"level", Or_Null(observation.level)},
                                        {"score", Or_Null(observation.score)},
                                        {"state", observation.state},
                                        {"reason", Or_Null(observation.reason)},
                                        {"fromFile", observation.fromFile},
                                        {"toFile", observation.toFile}}));
    return {{geojsonStationsFile, Collection("stations", stations)},
            {geojsonBaselinesFile, Collection("baselines", baselines)},
            {geojsonObservationsFile, Collection("observations", observations)}};
}

std::string Label_Session(const std::string& label) {
    std::istringstream tokens(label);
    std::string from, session, to, count, extra;
    if (!(tokens >> from >> session >> to >> count) || (tokens >> extra)) return {};
    return session;
}

GeoLayers Geo_Layers_From_View(const MapView& view, const std::vector<std::string>* reasons) {
    const Project& project = *view.project;
    GeoLayers layers;
    const std::vector<bool> controls = Control_Stations(project);
    std::vector<std::optional<min_lumo::CartesianPosition>> cartesian;
    for (std::size_t i = 0; i < project.stations.size(); ++i) {
        const ProjectStation& station = project.stations[i];
        GeoStation shown{station.name, std::nullopt, controls[i], std::nullopt, std::nullopt};
        if (Has_Usable_Position(station))
            shown.position = GeoPosition{station.latitude, station.longitude, static_cast<double>(station.height)};
        if (view.oriented) shown.level = station.treeLevel;
        cartesian.push_back(shown.position ? std::optional(min_lumo::Geodetic_To_Cartesian(
                                                 station.latitude, station.longitude, static_cast<double>(station.height)))
                                           : std::nullopt);
        layers.stations.push_back(std::move(shown));
    }
    // Chord lengths on the host's ellipsoid, as the library scores them.
    const auto length = [&](const ProjectBaseline& baseline) -> std::optional<double> {
        const auto& a = cartesian[static_cast<std::size_t>(baseline.fromStation)];
        const auto& b = cartesian[static_cast<std::size_t>(baseline.toStation)];
        if (!a || !b) return std::nullopt;
        return std::hypot(a->x - b->x, a->y - b->y, a->z - b->z);
    };
    for (const ProjectBaseline& baseline : project.baselines)
        layers.baselines.push_back({baseline.fromStation, baseline.toStation, length(baseline),
                                    view.oriented ? std::optional(baseline.directionLevel) : std::nullopt, 0, 0});
    for (std::size_t i = 0; i < project.observations.size(); ++i) {
        const ProjectObservation& observation = project.observations[i];
        const ProjectBaseline& baseline = project.baselines[static_cast<std::size_t>(observation.baseline)];
        const MapObservation& shown = view.observations[i];
        GeoBaseline& counted = layers.baselines[static_cast<std::size_t>(observation.baseline)];
        ++counted.observations;
        if (!shown.rejected && shown.state != "excluded") ++counted.kept;
        GeoObservation entry;
        entry.from = baseline.fromStation;
        entry.to = baseline.toStation;
        entry.session = Label_Session(observation.label);
        if (shown.network >= 0) entry.network = shown.network;
        entry.label = observation.label;
        entry.start = Time_Text(project, observation.start.seconds);
        entry.end = Time_Text(project, observation.end.seconds);
        entry.commonSeconds = observation.timeSpan;
        entry.lengthMetres = counted.lengthMetres;
        entry.level = counted.level;
        if (shown.scored) entry.score = shown.score;
        entry.state = shown.state;
        if (reasons != nullptr && i < reasons->size() && !(*reasons)[i].empty()) entry.reason = (*reasons)[i];
        entry.fromFile = observation.fromSourceName;
        entry.toFile = observation.toSourceName;
        layers.observations.push_back(std::move(entry));
    }
    return layers;
}

}  // namespace min_lumo_tool

// GeoJSON for GIS users: one file per kind of feature, so that each opens as
// one layer of one geometry type with one fixed set of properties --
// stations as points, baselines and observations as line strings.
// Coordinates are longitude, latitude and height on WGS 84 (RFC 7946),
// rounded as the reports round them; a feature without a position has a
// null geometry.  A property the run does not know is null, never left out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tool/output/map_view.h"

namespace min_lumo_tool {

struct GeoPosition {
    double latitude = 0.0, longitude = 0.0, height = 0.0;  // degrees, degrees, metres
};

struct GeoStation {
    std::string name;
    std::optional<GeoPosition> position;
    bool control = false;
    std::optional<int32_t> level;        // after orientation; -1 no control reaches it
    std::optional<int64_t> occupations;  // only where field files were read
};

struct GeoBaseline {
    int32_t from = -1, to = -1;  // GeoLayers::stations indices, in the processing direction
    std::optional<double> lengthMetres;
    std::optional<int32_t> level;  // after orientation
    int32_t observations = 0;
    int32_t kept = 0;  // observations to process
};

struct GeoObservation {
    int32_t from = -1, to = -1;  // GeoLayers::stations indices, in the processing direction
    std::string session;
    std::optional<int32_t> network;
    std::optional<int32_t> order;  // place in the processing order, from 1
    std::string label;
    std::string start, end;  // as the reports give them
    std::optional<double> commonSeconds;
    std::optional<double> lengthMetres;
    std::optional<int32_t> level;
    std::optional<int32_t> score;
    std::string state;
    std::optional<std::string> reason;
    std::string fromFile, toFile;
};

struct GeoLayers {
    std::vector<GeoStation> stations;
    std::vector<GeoBaseline> baselines;
    std::vector<GeoObservation> observations;
};

// The files a --geojson folder receives, by name.
inline constexpr const char* geojsonStationsFile = "stations.geojson";
inline constexpr const char* geojsonBaselinesFile = "baselines.geojson";
inline constexpr const char* geojsonObservationsFile = "observations.geojson";

struct GeojsonFile {
    std::string name;  // one of the three above
    std::string text;
};

// Stations, baselines and observations, in that order.
std::vector<GeojsonFile> Geojson_Files(const GeoLayers& layers);

// The layers of a minimise or orient run as the map view shows it;
// `reasons` (by observation, may be null) are the explained decisions.
GeoLayers Geo_Layers_From_View(const MapView& view, const std::vector<std::string>* reasons);

// The session token of a label FROM SESSION TO N; empty for another label.
std::string Label_Session(const std::string& label);

}  // namespace min_lumo_tool

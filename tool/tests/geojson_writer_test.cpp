// The GeoJSON layers: one file per kind, one geometry type and one fixed set
// of properties per file, coordinates as longitude, latitude and height
// rounded as the reports round them, null where nothing is known.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tool/output/geojson_writer.h"

namespace min_lumo_tool {
namespace {

using Json = nlohmann::json;

// Two positioned stations and one without a position: a kept and a rejected
// observation of the positioned baseline, one of the other baseline.
GeoLayers Example_Layers() {
    GeoLayers layers;
    layers.stations = {{"BASE", GeoPosition{47.123456789012, 8.5, 660.8447265625}, true, 0, 2},
                       {"KAPF", GeoPosition{-33.0000000004, -70.25, 12.0}, false, 1, 1},
                       {"TURM", std::nullopt, false, std::nullopt, std::nullopt}};
    layers.baselines = {{0, 1, 1234.56789, 0, 2, 1}, {0, 2, std::nullopt, std::nullopt, 1, 1}};
    GeoObservation kept;
    kept.from = 0;
    kept.to = 1;
    kept.session = "135A";
    kept.network = 0;
    kept.order = 1;
    kept.label = "BASE 135A KAPF 1";
    kept.start = "2024-05-14T07:35:00Z";
    kept.end = "2024-05-14T09:40:00Z";
    kept.commonSeconds = 7500.0;
    kept.lengthMetres = 1234.56789;
    kept.level = 0;
    kept.score = -55;
    kept.state = "selected";
    kept.reason = "kept: the only one";
    kept.fromFile = "base.rnx";
    kept.toFile = "kapf.rnx";
    GeoObservation rejected = kept;
    rejected.order = std::nullopt;
    rejected.state = "rejected";
    GeoObservation unpositioned = kept;
    unpositioned.to = 2;
    unpositioned.lengthMetres = std::nullopt;
    unpositioned.reason = std::nullopt;
    layers.observations = {kept, rejected, unpositioned};
    return layers;
}

Json File(const std::vector<GeojsonFile>& files, const std::string& name) {
    for (const GeojsonFile& file : files)
        if (file.name == name) return Json::parse(file.text);
    ADD_FAILURE() << "no file " << name;
    return Json::object();
}

std::set<std::string> Keys(const Json& object) {
    std::set<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.insert(key);
    return keys;
}

struct LayerCase {
    const char* file;
    const char* layerName;
    const char* geometry;
    std::size_t features;
    std::set<std::string> properties;
};

TEST(GeojsonWriter, EveryKindInItsOwnFileWithOneGeometryAndOneSetOfProperties) {
    const std::vector<GeojsonFile> files = Geojson_Files(Example_Layers());
    ASSERT_EQ(files.size(), 3U);
    const LayerCase cases[] = {
        {"stations.geojson", "stations", "Point", 3, {"name", "control", "level", "occupations", "height"}},
        {"baselines.geojson", "baselines", "LineString", 2, {"from", "to", "lengthMetres", "level", "observations", "kept"}},
        {"observations.geojson", "observations", "LineString", 3,
         {"session", "network", "order", "label", "from", "to", "start", "end", "commonSeconds", "lengthMetres", "level",
          "score", "state", "reason", "fromFile", "toFile"}},
    };
    for (const LayerCase& c : cases) {
        const Json collection = File(files, c.file);
        EXPECT_EQ(collection["type"], "FeatureCollection") << c.file;
        EXPECT_EQ(collection["name"], c.layerName) << c.file;
        ASSERT_EQ(collection["features"].size(), c.features) << c.file;
        for (const Json& feature : collection["features"]) {
            EXPECT_EQ(Keys(feature), (std::set<std::string>{"type", "geometry", "properties"})) << c.file;
            EXPECT_EQ(feature["type"], "Feature") << c.file;
            EXPECT_EQ(Keys(feature["properties"]), c.properties) << c.file;
            if (!feature["geometry"].is_null()) {
                EXPECT_EQ(feature["geometry"]["type"], c.geometry) << c.file;
            }
        }
    }
}

TEST(GeojsonWriter, CoordinatesAreLongitudeLatitudeHeightWithoutFloatNoise) {
    const std::vector<GeojsonFile> files = Geojson_Files(Example_Layers());
    const Json stations = File(files, "stations.geojson")["features"];
    // Degrees to 1e-9, heights to the millimetre: worked by hand.
    EXPECT_EQ(stations[0]["geometry"]["coordinates"], Json::parse("[8.5, 47.123456789, 660.845]"));
    EXPECT_EQ(stations[1]["geometry"]["coordinates"], Json::parse("[-70.25, -33.0, 12.0]"));
    EXPECT_EQ(stations[0]["properties"]["height"], 660.845);
    EXPECT_NE(File(files, "stations.geojson").dump().find("660.845"), std::string::npos);
    EXPECT_EQ(File(files, "stations.geojson").dump().find("660.8447"), std::string::npos);
    const Json line = File(files, "observations.geojson")["features"][0]["geometry"]["coordinates"];
    EXPECT_EQ(line, Json::parse("[[8.5, 47.123456789, 660.845], [-70.25, -33.0, 12.0]]"));
    EXPECT_EQ(File(files, "baselines.geojson")["features"][0]["properties"]["lengthMetres"], 1234.568);
}

TEST(GeojsonWriter, WhatIsNotKnownIsNull) {
    const std::vector<GeojsonFile> files = Geojson_Files(Example_Layers());
    const Json turm = File(files, "stations.geojson")["features"][2];
    EXPECT_TRUE(turm["geometry"].is_null());
    EXPECT_TRUE(turm["properties"]["height"].is_null());
    EXPECT_TRUE(turm["properties"]["level"].is_null());
    EXPECT_TRUE(turm["properties"]["occupations"].is_null());
    const Json observations = File(files, "observations.geojson")["features"];
    EXPECT_TRUE(observations[1]["properties"]["order"].is_null());
    EXPECT_TRUE(observations[2]["geometry"].is_null());  // one end without a position
    EXPECT_TRUE(observations[2]["properties"]["lengthMetres"].is_null());
    EXPECT_TRUE(observations[2]["properties"]["reason"].is_null());
    EXPECT_EQ(observations[2]["properties"]["to"], "TURM");
}

TEST(GeojsonWriter, NamesWithMarkupAndQuotesStayText) {
    GeoLayers layers;
    layers.stations = {{"A<&\"B", GeoPosition{1.0, 2.0, 3.0}, false, std::nullopt, std::nullopt}};
    const Json stations = Json::parse(Geojson_Files(layers)[0].text);
    EXPECT_EQ(stations["features"][0]["properties"]["name"], "A<&\"B");
}

struct SessionCase {
    const char* label;
    const char* session;
};

TEST(GeojsonWriter, SessionIsTheSecondTokenOfAFourTokenLabel) {
    const SessionCase cases[] = {{"BASE 135A KAPF 1", "135A"}, {"  HOLZ   S7 BASE 12 ", "S7"},
                                 {"BASE S1 KAPF", ""},         {"A B C D E", ""},
                                 {"", ""}};
    for (const SessionCase& c : cases) EXPECT_EQ(Label_Session(c.label), c.session) << c.label;
}

}  // namespace
}  // namespace min_lumo_tool

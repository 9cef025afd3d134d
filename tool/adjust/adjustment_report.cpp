#include "tool/adjust/adjustment_report.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "tool/output/map_drawing.h"
#include "tool/output/text_table.h"

namespace min_lumo_tool {

namespace {

using Json = nlohmann::ordered_json;

constexpr double millimetresPerMetre = 1000.0;
constexpr double pi = 3.14159265358979323846;
constexpr int ellipsePolygonPoints = 36;
// The text tables cut names to this many characters (a key below gives
// them whole), so that the widest table keeps within 120 columns.
constexpr std::size_t tableNameRoom = 10;
// Maps of more stations leave their names off.
constexpr std::size_t mapLabelledStations = 60;

// A number rounded to `decimals`, as the reports round it; never "-0".
double Rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale;
    return rounded == 0.0 ? 0.0 : rounded;
}

std::string Fixed(double value, int decimals) { return fmt::format("{:.{}f}", Rounded(value, decimals), decimals); }

std::string Millimetres(double metres, int decimals = 1) { return Fixed(metres * millimetresPerMetre, decimals); }

std::string Optional_Fixed(const std::optional<double>& value, int decimals) {
    return value ? Fixed(*value, decimals) : "-";
}

Json Optional_Json(const std::optional<double>& value, int decimals) {
    return value ? Json(Rounded(*value, decimals)) : Json(nullptr);
}

std::string Percent(double fraction) {
    const double percent = fraction * 100.0;
    return percent == std::round(percent) ? fmt::format("{:.0f} %", percent) : fmt::format("{:g} %", percent);
}

std::string Vector_Text(const ProcessedVector& vector) {
    std::string text = vector.from + "-" + vector.to;
    if (!vector.session.empty()) text += " (session " + vector.session + ")";
    return text;
}

std::string Where(const ProcessedVector& vector) {
    if (vector.file.empty()) return vector.label;  // just processed: no file, its observation label
    return vector.line > 0 ? fmt::format("{}:{}", vector.file, vector.line) : vector.file;
}

std::string Global_Test_Text(const AdjustmentRun& run) {
    const GlobalTest& test = run.globalTest;
    if (!test.lower) return "no redundancy, nothing to test";
    return fmt::format("variance factor {}; global test at {}: chi-square {} {} {} to {}: {}",
                       Fixed(*run.varianceFactor, 3), Percent(test.level), Fixed(test.statistic, 2),
                       test.passed ? "within" : "outside", Fixed(*test.lower, 2), Fixed(*test.upper, 2),
                       test.passed ? "passed" : "failed");
}

std::string Snooping_Text(const AdjustmentResult& result) {
    return fmt::format("w-test per component, alpha {}, power {}, critical value {}", Percent(result.snoopingAlpha),
                       Percent(result.snoopingPower), Fixed(result.criticalW, 2));
}

std::string Blunder_Text(const AdjustmentResult& result) {
    if (!result.largestW) return "no component is checked by another vector: nothing to test";
    const VectorResult& tested = result.residuals[*result.largestW];
    const ProcessedVector& vector = result.vectors[tested.vector];
    const double w = *tested.components[static_cast<std::size_t>(tested.largestComponent)].w;
    if (result.blunder)
        return fmt::format("most likely blunder: {} {}, w = {} ({}); re-process or re-observe it", Vector_Text(vector),
                           Component_Name(tested.largestComponent), Fixed(w, 2), Where(vector));
    return fmt::format("no blunder found: the largest |w| is {}, {} {}", Fixed(std::fabs(w), 2), Vector_Text(vector),
                       Component_Name(tested.largestComponent));
}

std::string Rule_Text(const RelativeAccuracy& rule) {
    return fmt::format("horizontal {} mm + {} ppm, vertical {} mm + {} ppm at 95 % ({})", rule.horizontalMillimetres,
                       rule.horizontalPpm, rule.verticalMillimetres, rule.verticalPpm, rule.standard);
}

std::string Verdict_Text(const AdjustmentResult& result) {
    if (!result.relativeAccuracy) return "";
    std::size_t failing = 0;
    for (const RelativePrecision& relative : result.relative) failing += !relative.meets;
    return result.relativeMeets ? fmt::format("meets {}: every vector's relative precision within its rule",
                                              result.relativeAccuracy->standard)
                                : fmt::format("fails {}: {} of {} vectors' relative precision beyond its rule",
                                              result.relativeAccuracy->standard, failing, result.relative.size());
}

std::string Precision_Basis(const AdjustmentResult& result) {
    if (result.precisionScale == 1.0) return "sigmas from the vectors' covariances as given (a priori)";
    return fmt::format("sigmas scaled by the variance factor {}: the global test failed high, the vectors are less "
                       "precise than their covariances say",
                       Fixed(result.precisionScale, 3));
}

std::string Sources_Text(const AdjustmentResult& result, const AdjustmentSources& sources) {
    std::string files;
    for (const std::string& file : sources.vectorFiles) files += (files.empty() ? "" : ", ") + file;
    // No files: the vectors just processed (`process --adjust`).
    if (sources.vectorFiles.empty())
        return fmt::format("Adjustment of the {} fixed and float vector{} processed above, between {} stations",
                           result.vectors.size(), result.vectors.size() == 1 ? "" : "s", result.stations.size());
    std::string text = fmt::format("Adjustment of {} vector{} between {} stations from {} file{}", result.vectors.size(),
                                   result.vectors.size() == 1 ? "" : "s", result.stations.size(), sources.vectorFiles.size(),
                                   sources.vectorFiles.size() == 1 ? "" : "s");
    if (!files.empty()) text += " (" + files + ")";
    return text;
}

}  // namespace

std::vector<std::size_t> Vectors_By_W(const AdjustmentResult& result) {
    std::vector<std::size_t> order(result.residuals.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    // Compared as the reports round them, so that equal ones keep their
    // order in every build.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const std::optional<double>& wa = result.residuals[a].largestW;
        const std::optional<double>& wb = result.residuals[b].largestW;
        if (wa.has_value() != wb.has_value()) return wa.has_value();
        return wa && Rounded(*wa, 3) > Rounded(*wb, 3);
    });
    return order;
}

std::string Adjustment_Report_Text(const AdjustmentResult& result, const AdjustmentSources& sources) {
    std::string text = Wrap_Text(Sources_Text(result, sources), reportColumns, "", "  ");
    text += Wrap_Text(fmt::format("Coordinates WGS 84 / ITRF as processed{}; {}; ellipses and precisions at 95 %",
                                  sources.controlFile.empty() ? "" : ", controls from " + sources.controlFile,
                                  Precision_Basis(result)),
                      reportColumns, "", "  ");
    text += "\n";
    const AdjustmentRun& minimal = result.minimal;
    text += fmt::format("Minimally constrained ({}): {} observations, {} unknowns, redundancy {}\n", minimal.datum,
                        minimal.observations, minimal.unknowns, minimal.redundancy);
    text += Wrap_Text(Global_Test_Text(minimal), reportColumns, "  ", "    ");
    text += Wrap_Text("Data snooping: " + Snooping_Text(result) + "; " + Blunder_Text(result), reportColumns, "  ", "    ");
    const AdjustmentRun& constrained = result.constrained;
    text += fmt::format("Constrained to the controls ({}): {} observations, {} unknowns, redundancy {}\n",
                        constrained.datum, constrained.observations, constrained.unknowns, constrained.redundancy);
    text += Wrap_Text(Global_Test_Text(constrained), reportColumns, "  ", "    ");
    if (result.relativeAccuracy)
        text += Wrap_Text("Relative precision against " + Rule_Text(*result.relativeAccuracy) + ": " + Verdict_Text(result),
                          reportColumns, "  ", "    ");

    std::vector<std::string> names;
    for (const StationResult& station : result.stations) names.push_back(station.name);
    const TableNames shown(names, tableNameRoom);

    text += "\nStations (constrained)\n";
    TextTable coordinates({"station", "role", ">X m", ">Y m", ">Z m", ">latitude", ">longitude", ">height m"});
    for (std::size_t s = 0; s < result.stations.size(); ++s) {
        const StationResult& station = result.stations[s];
        coordinates.Add_Row({shown.Shown(s), Station_Role_Name(station.role), Fixed(station.position.x, 4),
                             Fixed(station.position.y, 4), Fixed(station.position.z, 4),
                             Fixed(station.geodetic.latitude, 9), Fixed(station.geodetic.longitude, 9),
                             Fixed(station.geodetic.height, 4)});
    }
    text += coordinates.Render();
    text += result.precisionScale == 1.0 ? "\nPrecision at 95 % (a priori)\n"
                                         : "\nPrecision at 95 % (scaled by the variance factor)\n";
    TextTable precision({"station", ">sigma E mm", ">sigma N mm", ">sigma U mm", ">ellipse a mm", ">b mm", ">azimuth",
                         ">up mm"});
    for (std::size_t s = 0; s < result.stations.size(); ++s) {
        const StationResult& station = result.stations[s];
        if (station.role == StationRole::held) {
            precision.Add_Row({shown.Shown(s), "held", "", "", "", "", "", ""});
            continue;
        }
        precision.Add_Row({shown.Shown(s), Millimetres(station.sigmaEast), Millimetres(station.sigmaNorth),
                           Millimetres(station.sigmaUp), Millimetres(station.ellipseMajor), Millimetres(station.ellipseMinor),
                           Fixed(station.ellipseAzimuth, 0), Millimetres(station.up95)});
    }
    text += precision.Render();

    text += "\nVectors by |w| (minimally constrained; residuals adjusted minus observed, standardized residuals, w, "
            "redundancy)\n";
    TextTable vectors({"from", "to", "session", ">vX mm", ">vY mm", ">vZ mm", ">sX", ">sY", ">sZ", ">wX", ">wY", ">wZ",
                       ">r", "outlier"});
    std::map<std::string, std::size_t> indexOf;
    for (std::size_t s = 0; s < result.stations.size(); ++s) indexOf.emplace(result.stations[s].name, s);
    for (const std::size_t k : Vectors_By_W(result)) {
        const VectorResult& tested = result.residuals[k];
        const ProcessedVector& vector = result.vectors[tested.vector];
        std::vector<std::string> row = {shown.Shown(indexOf[vector.from]), shown.Shown(indexOf[vector.to]), vector.session};
        double redundancy = 0.0;
        for (const ComponentTest& c : tested.components) row.push_back(Millimetres(c.residual));
        for (const ComponentTest& c : tested.components) row.push_back(Optional_Fixed(c.standardized, 2));
        for (const ComponentTest& c : tested.components) {
            row.push_back(Optional_Fixed(c.w, 2));
            redundancy += c.redundancy;
        }
        row.push_back(Fixed(redundancy, 2));
        row.push_back(tested.outlier ? Component_Name(tested.largestComponent) : "");
        vectors.Add_Row(std::move(row));
    }
    text += vectors.Render();

    text += "\nRelative precision at 95 % (constrained)\n";
    TextTable relative({"from", "to", ">length m", ">horizontal mm", ">allowed", ">vertical mm", ">allowed", "verdict"});
    for (const RelativePrecision& pair : result.relative)
        relative.Add_Row({shown.Shown(pair.from), shown.Shown(pair.to), Fixed(pair.lengthMetres, 3),
                          Millimetres(pair.horizontal95), pair.horizontalAllowed ? Millimetres(*pair.horizontalAllowed) : "",
                          Millimetres(pair.vertical95), pair.verticalAllowed ? Millimetres(*pair.verticalAllowed) : "",
                          !result.relativeAccuracy ? "" : pair.meets ? "meets" : "fails"});
    text += relative.Render();
    if (result.relativeAccuracy)
        text += Wrap_Text("Allowed: " + Rule_Text(*result.relativeAccuracy) + "; " + result.relativeAccuracy->source,
                          reportColumns, "  ", "    ");
    if (const std::string key = shown.Key(); !key.empty()) text += "\n  Names cut in the tables:\n" + key;
    return text;
}

std::string Adjustment_Report_Json(const AdjustmentResult& result, const AdjustmentSources& sources) {
    const auto run = [](const AdjustmentRun& r) {
        const GlobalTest& test = r.globalTest;
        return Json{{"datum", r.datum},
                    {"observations", r.observations},
                    {"unknowns", r.unknowns},
                    {"redundancy", r.redundancy},
                    {"varianceFactor", Optional_Json(r.varianceFactor, 4)},
                    {"globalTest",
                     {{"statistic", Rounded(test.statistic, 4)},
                      {"degreesOfFreedom", test.degreesOfFreedom},
                      {"level", test.level},
                      {"lower", Optional_Json(test.lower, 4)},
                      {"upper", Optional_Json(test.upper, 4)},
                      {"passed", test.passed}}}};
    };
    const auto pick = [&](std::optional<std::size_t> index) -> Json {
        if (!index) return nullptr;
        const VectorResult& tested = result.residuals[*index];
        const ProcessedVector& vector = result.vectors[tested.vector];
        return {{"from", vector.from},
                {"to", vector.to},
                {"session", vector.session},
                {"component", Component_Name(tested.largestComponent)},
                {"w", Rounded(*tested.components[static_cast<std::size_t>(tested.largestComponent)].w, 3)},
                {"file", vector.file},
                {"line", vector.line}};
    };
    Json stations = Json::array();
    for (const StationResult& s : result.stations) {
        const bool held = s.role == StationRole::held;
        const auto sigma = [&](double metres) { return held ? Json(nullptr) : Json(Rounded(metres, 5)); };
        stations.push_back({{"name", s.name},
                            {"role", Station_Role_Name(s.role)},
                            {"X", Rounded(s.position.x, 4)},
                            {"Y", Rounded(s.position.y, 4)},
                            {"Z", Rounded(s.position.z, 4)},
                            {"latitude", Rounded(s.geodetic.latitude, 9)},
                            {"longitude", Rounded(s.geodetic.longitude, 9)},
                            {"height", Rounded(s.geodetic.height, 4)},
                            {"sigmaEast", sigma(s.sigmaEast)},
                            {"sigmaNorth", sigma(s.sigmaNorth)},
                            {"sigmaUp", sigma(s.sigmaUp)},
                            {"ellipse95",
                             held ? Json(nullptr)
                                  : Json{{"semiMajor", Rounded(s.ellipseMajor, 5)},
                                         {"semiMinor", Rounded(s.ellipseMinor, 5)},
                                         {"azimuth", Rounded(s.ellipseAzimuth, 1)}}},
                            {"up95", sigma(s.up95)}});
    }
    Json vectors = Json::array();
    for (const VectorResult& tested : result.residuals) {
        const ProcessedVector& v = result.vectors[tested.vector];
        const auto components = [&](auto value) {
            Json object = Json::object();
            for (int c = 0; c < 3; ++c) object[Component_Name(c)] = value(tested.components[static_cast<std::size_t>(c)]);
            return object;
        };
        vectors.push_back(
            {{"from", v.from},
             {"to", v.to},
             {"session", v.session},
             {"label", v.label},
             {"file", v.file},
             {"line", v.line},
             {"length", Rounded(tested.lengthMetres, 4)},
             {"residuals", components([](const ComponentTest& c) { return Json(Rounded(c.residual, 5)); })},
             {"standardizedResiduals", components([](const ComponentTest& c) { return Optional_Json(c.standardized, 3); })},
             {"w", components([](const ComponentTest& c) { return Optional_Json(c.w, 3); })},
             {"redundancyNumbers", components([](const ComponentTest& c) { return Json(Rounded(c.redundancy, 4)); })},
             {"detectableBias", components([](const ComponentTest& c) { return Optional_Json(c.detectableBias, 5); })},
             {"outlier", tested.outlier}});
    }
    Json pairs = Json::array();
    for (const RelativePrecision& pair : result.relative)
        pairs.push_back({{"from", result.stations[pair.from].name},
                         {"to", result.stations[pair.to].name},
                         {"length", Rounded(pair.lengthMetres, 4)},
                         {"horizontal95", Rounded(pair.horizontal95, 5)},
                         {"vertical95", Rounded(pair.vertical95, 5)},
                         {"horizontalAllowed", Optional_Json(pair.horizontalAllowed, 5)},
                         {"verticalAllowed", Optional_Json(pair.verticalAllowed, 5)},
                         {"meets", result.relativeAccuracy ? Json(pair.meets) : Json(nullptr)}});
    Json rule = nullptr;
    if (const std::optional<RelativeAccuracy>& r = result.relativeAccuracy)
        rule = {{"standard", r->standard},
                {"horizontalMillimetres", r->horizontalMillimetres},
                {"horizontalPpm", r->horizontalPpm},
                {"verticalMillimetres", r->verticalMillimetres},
                {"verticalPpm", r->verticalPpm},
                {"source", r->source},
                {"verdict", Verdict_Text(result)},
                {"meets", result.relativeMeets}};
    const Json minimal = run(result.minimal);
    Json document = {{"files", sources.vectorFiles},
                     {"controlCoordinates", sources.controlFile.empty() ? Json(nullptr) : Json(sources.controlFile)},
                     {"varianceFactor", minimal["varianceFactor"]},
                     {"globalTest", minimal["globalTest"]},
                     {"minimallyConstrained", minimal},
                     {"constrained", run(result.constrained)},
                     {"dataSnooping",
                      {{"alpha", result.snoopingAlpha},
                       {"power", result.snoopingPower},
                       {"criticalValue", Rounded(result.criticalW, 4)},
                       {"noncentrality", Rounded(result.noncentrality, 4)},
                       {"blunder", pick(result.blunder)},
                       {"largestW", pick(result.largestW)}}},
                     {"precisionScale", Rounded(result.precisionScale, 4)},
                     {"stations", stations},
                     {"vectors", vectors},
                     {"relativeAccuracy", rule},
                     {"relativePrecision", pairs},
                     {"warnings", result.warnings}};
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string Adjusted_Coordinates_Csv(const AdjustmentResult& result) {
    std::string text = "station,role,X,Y,Z,latitude,longitude,height,sigmaEast,sigmaNorth,sigmaUp,ellipseSemiMajor95,"
                       "ellipseSemiMinor95,ellipseAzimuth,up95\n";
    for (const StationResult& s : result.stations) {
        text += fmt::format("{},{},{},{},{},{},{},{}", s.name, Station_Role_Name(s.role), Fixed(s.position.x, 4),
                            Fixed(s.position.y, 4), Fixed(s.position.z, 4), Fixed(s.geodetic.latitude, 9),
                            Fixed(s.geodetic.longitude, 9), Fixed(s.geodetic.height, 4));
        if (s.role == StationRole::held) text += ",,,,,,,\n";
        else
            text += fmt::format(",{},{},{},{},{},{},{}\n", Fixed(s.sigmaEast, 5), Fixed(s.sigmaNorth, 5), Fixed(s.sigmaUp, 5),
                                Fixed(s.ellipseMajor, 5), Fixed(s.ellipseMinor, 5), Fixed(s.ellipseAzimuth, 1),
                                Fixed(s.up95, 5));
    }
    return text;
}

namespace {

// Longitude and latitude of a point `east` and `north` metres from a
// station, on WGS 84 through the Earth-centred position.
std::pair<double, double> Offset_Position(const StationResult& station, double east, double north) {
    const double phi = station.geodetic.latitude * pi / 180.0, lambda = station.geodetic.longitude * pi / 180.0;
    const double x = station.position.x - std::sin(lambda) * east - std::sin(phi) * std::cos(lambda) * north;
    const double y = station.position.y + std::cos(lambda) * east - std::sin(phi) * std::sin(lambda) * north;
    const double z = station.position.z + std::cos(phi) * north;
    const min_lumo_field::GeodeticPosition p = min_lumo_field::Geodetic_From_Earth_Centred(x, y, z);
    return {p.longitude, p.latitude};
}

// The ellipse's points: `a` along the azimuth, `b` across it, metres.
std::vector<std::pair<double, double>> Ellipse_Offsets(double a, double b, double azimuthDegrees) {
    const double azimuth = azimuthDegrees * pi / 180.0;
    std::vector<std::pair<double, double>> points;
    for (int k = 0; k <= ellipsePolygonPoints; ++k) {
        const double t = 2.0 * pi * (k % ellipsePolygonPoints) / ellipsePolygonPoints;
        const double along = a * std::cos(t), across = b * std::sin(t);
        points.push_back({along * std::sin(azimuth) + across * std::cos(azimuth),
                          along * std::cos(azimuth) - across * std::sin(azimuth)});
    }
    return points;
}

Json Feature_Collection(Json features) {
    return {{"type", "FeatureCollection"}, {"features", std::move(features)}};
}

}  // namespace

std::vector<std::pair<std::string, std::string>> Adjustment_Geojson_Files(const AdjustmentResult& result) {
    Json stations = Json::array(), ellipses = Json::array(), vectors = Json::array();
    std::map<std::string, std::size_t> indexOf;
    for (std::size_t s = 0; s < result.stations.size(); ++s) {
        const StationResult& station = result.stations[s];
        indexOf.emplace(station.name, s);
        const bool held = station.role == StationRole::held;
        const auto mm = [&](double metres) { return held ? Json(nullptr) : Json(Rounded(metres * millimetresPerMetre, 2)); };
        Json properties = {{"name", station.name},
                           {"role", Station_Role_Name(station.role)},
                           {"X", Rounded(station.position.x, 4)},
                           {"Y", Rounded(station.position.y, 4)},
                           {"Z", Rounded(station.position.z, 4)},
                           {"height", Rounded(station.geodetic.height, 4)},
                           {"sigmaEastMm", mm(station.sigmaEast)},
                           {"sigmaNorthMm", mm(station.sigmaNorth)},
                           {"sigmaUpMm", mm(station.sigmaUp)},
                           {"ellipseSemiMajorMm", mm(station.ellipseMajor)},
                           {"ellipseSemiMinorMm", mm(station.ellipseMinor)},
                           {"ellipseAzimuth", held ? Json(nullptr) : Json(Rounded(station.ellipseAzimuth, 1))},
                           {"up95Mm", mm(station.up95)}};
        stations.push_back({{"type", "Feature"},
                            {"properties", properties},
                            {"geometry",
                             {{"type", "Point"},
                              {"coordinates",
                               {Rounded(station.geodetic.longitude, 9), Rounded(station.geodetic.latitude, 9),
                                Rounded(station.geodetic.height, 4)}}}}});
        if (held) continue;
        Json ring = Json::array();
        for (const auto& [east, north] : Ellipse_Offsets(station.ellipseMajor, station.ellipseMinor, station.ellipseAzimuth)) {
            const auto [longitude, latitude] = Offset_Position(station, east, north);
            ring.push_back({Rounded(longitude, 10), Rounded(latitude, 10)});
        }
        ellipses.push_back({{"type", "Feature"},
                            {"properties",
                             {{"name", station.name},
                              {"probability", precisionProbability},
                              {"semiMajorMm", mm(station.ellipseMajor)},
                              {"semiMinorMm", mm(station.ellipseMinor)},
                              {"azimuth", Rounded(station.ellipseAzimuth, 1)}}},
                            {"geometry", {{"type", "Polygon"}, {"coordinates", Json::array({ring})}}}});
    }
    for (const VectorResult& tested : result.residuals) {
        const ProcessedVector& v = result.vectors[tested.vector];
        const StationResult& from = result.stations[indexOf[v.from]];
        const StationResult& to = result.stations[indexOf[v.to]];
        Json properties = {{"from", v.from}, {"to", v.to}, {"session", v.session}, {"label", v.label}};
        for (int c = 0; c < 3; ++c) {
            const ComponentTest& component = tested.components[static_cast<std::size_t>(c)];
            properties[fmt::format("residual{}Mm", Component_Name(c))] = Rounded(component.residual * millimetresPerMetre, 2);
            properties[fmt::format("w{}", Component_Name(c))] = Optional_Json(component.w, 3);
        }
        properties["largestW"] = Optional_Json(tested.largestW, 3);
        properties["outlier"] = tested.outlier;
        vectors.push_back({{"type", "Feature"},
                           {"properties", properties},
                           {"geometry",
                            {{"type", "LineString"},
                             {"coordinates",
                              {{Rounded(from.geodetic.longitude, 9), Rounded(from.geodetic.latitude, 9)},
                               {Rounded(to.geodetic.longitude, 9), Rounded(to.geodetic.latitude, 9)}}}}}});
    }
    const auto text = [](Json features) {
        return Feature_Collection(std::move(features)).dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
    };
    return {{adjustedStationsFile, text(std::move(stations))},
            {errorEllipsesFile, text(std::move(ellipses))},
            {vectorResidualsFile, text(std::move(vectors))}};
}

namespace {

constexpr double mapWidth = 900.0, mapHeight = 560.0, mapMargin = 40.0;
constexpr const char* reportStyle = R"css(
:root { --ink: #212529; --muted: #6c757d; --line: #dee2e6; --panel: #f8f9fa; --bad: #c92a2a; --good: #2b8a3e; }
* { box-sizing: border-box; }
body { margin: 0; font: 14px/1.4 system-ui, sans-serif; color: var(--ink); }
header, main { padding: 12px 20px; }
h1 { font-size: 20px; margin: 0; }
h2 { font-size: 16px; margin: 22px 0 6px; }
.subtitle, .note { color: var(--muted); margin: 2px 0; }
.figures { display: flex; flex-wrap: wrap; gap: 8px; margin: 10px 0; padding: 0; list-style: none; }
.figures li { background: var(--panel); border: 1px solid var(--line); border-radius: 6px; padding: 6px 12px; min-width: 110px; }
.figures b { display: block; font-size: 20px; }
.figures span { color: var(--muted); font-size: 12px; }
.verdict { font-weight: bold; padding: 6px 10px; border-radius: 6px; display: inline-block; margin: 4px 0; }
.passed { background: #d3f9d8; } .failed { background: #ffe3e3; }
.tables { overflow-x: auto; }
.map { border: 1px solid var(--line); border-radius: 6px; max-width: 100%; height: auto; background: white; }
table { border-collapse: collapse; margin: 4px 0 12px; }
th, td { padding: 3px 8px; border-bottom: 1px solid var(--line); text-align: right; white-space: nowrap; }
th { background: var(--panel); position: sticky; top: 0; }
td.name, th.name { text-align: left; }
tr.outlier td { background: #ffe3e3; font-weight: bold; }
td.fails { color: var(--bad); font-weight: bold; } td.meets { color: var(--good); }
.warnings summary { cursor: pointer; color: var(--bad); }
)css";

std::string Escaped(const std::string& text) { return Xml_Escaped(text); }

std::string Cell(const std::string& text, const char* cls = nullptr) {
    return cls ? fmt::format("<td class=\"{}\">{}</td>", cls, Escaped(text)) : "<td>" + Escaped(text) + "</td>";
}

std::string Header_Cells(std::initializer_list<const char*> names, std::size_t leftAligned) {
    std::string row = "<tr>";
    std::size_t i = 0;
    for (const char* name : names) row += i++ < leftAligned ? fmt::format("<th class=\"name\">{}</th>", name)
                                                           : fmt::format("<th>{}</th>", name);
    return row + "</tr>\n";
}

// 1, 2 or 5 times a power of ten, the largest not above `value`.
double Round_Scale(double value) {
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * power <= value) return step * power;
    return power;
}

std::string Map_Svg(const AdjustmentResult& result) {
    if (result.stations.empty()) return "";
    // Local east and north of every station, metres from the first.
    const StationResult& origin = result.stations.front();
    const double phi = origin.geodetic.latitude * pi / 180.0, lambda = origin.geodetic.longitude * pi / 180.0;
    std::vector<std::pair<double, double>> local;
    for (const StationResult& s : result.stations) {
        const double dx = s.position.x - origin.position.x, dy = s.position.y - origin.position.y,
                     dz = s.position.z - origin.position.z;
        local.push_back({-std::sin(lambda) * dx + std::cos(lambda) * dy,
                         -std::sin(phi) * std::cos(lambda) * dx - std::sin(phi) * std::sin(lambda) * dy + std::cos(phi) * dz});
    }
    double minE = local[0].first, maxE = minE, minN = local[0].second, maxN = minN;
    for (const auto& [e, n] : local) {
        minE = std::min(minE, e);
        maxE = std::max(maxE, e);
        minN = std::min(minN, n);
        maxN = std::max(maxN, n);
    }
    const double spanE = std::max(maxE - minE, 1.0), spanN = std::max(maxN - minN, 1.0);
    const double scale = std::min((mapWidth - 2 * mapMargin) / spanE, (mapHeight - 2 * mapMargin) / spanN);
    const double offsetX = (mapWidth - scale * spanE) / 2.0, offsetY = (mapHeight - scale * spanN) / 2.0;
    const auto x = [&](std::size_t s) { return offsetX + (local[s].first - minE) * scale; };
    const auto y = [&](std::size_t s) { return mapHeight - offsetY - (local[s].second - minN) * scale; };
    // Ellipses enlarged so that the largest spans about 4 % of the map.
    double largest = 0.0;
    for (const StationResult& s : result.stations) largest = std::max(largest, s.ellipseMajor);
    const double enlarge = largest > 0.0 ? Round_Scale(0.04 * std::min(spanE, spanN) / largest) : 0.0;
    std::map<std::string, std::size_t> indexOf;
    for (std::size_t s = 0; s < result.stations.size(); ++s) indexOf.emplace(result.stations[s].name, s);
    std::string svg = fmt::format("<svg class=\"map\" id=\"map\" xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" "
                                  "height=\"{1}\" viewBox=\"0 0 {0} {1}\">\n",
                                  mapWidth, mapHeight);
    for (const VectorResult& tested : result.residuals) {
        const ProcessedVector& v = result.vectors[tested.vector];
        const std::size_t a = indexOf[v.from], b = indexOf[v.to];
        const char* style = tested.outlier ? "stroke=\"#c92a2a\" stroke-width=\"3\""
                            : tested.largestW ? "stroke=\"#5c7cfa\" stroke-width=\"1.5\""
                                              : "stroke=\"#adb5bd\" stroke-width=\"1.5\" stroke-dasharray=\"4 3\"";
        svg += fmt::format("<line class=\"vector{}\" x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" y2=\"{:.1f}\" {}><title>{} "
                           "largest |w| {}</title></line>\n",
                           tested.outlier ? " outlier" : "", x(a), y(a), x(b), y(b), style, Escaped(Vector_Text(v)),
                           Optional_Fixed(tested.largestW, 2));
    }
    for (std::size_t s = 0; s < result.stations.size(); ++s) {
        const StationResult& station = result.stations[s];
        if (station.role != StationRole::held && enlarge > 0.0)
            svg += fmt::format("<ellipse class=\"ellipse\" cx=\"{0:.1f}\" cy=\"{1:.1f}\" rx=\"{2:.2f}\" ry=\"{3:.2f}\" "
                               "transform=\"rotate({4:.1f} {0:.1f} {1:.1f})\" fill=\"#ffd43b\" fill-opacity=\"0.35\" "
                               "stroke=\"#e67700\"/>\n",
                               x(s), y(s), station.ellipseMajor * enlarge * scale, station.ellipseMinor * enlarge * scale,
                               station.ellipseAzimuth - 90.0);
        if (station.role == StationRole::held)
            svg += fmt::format("<path class=\"station held\" d=\"M{:.1f} {:.1f} l6 10 h-12 z\" fill=\"#212529\"><title>{} "
                               "(held)</title></path>\n",
                               x(s), y(s) - 7.0, Escaped(station.name));
        else
            svg += fmt::format("<circle class=\"station\" cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"4\" fill=\"{}\"><title>{} ({})"
                               "</title></circle>\n",
                               x(s), y(s), station.role == StationRole::weighted ? "#212529" : "white",
                               Escaped(station.name), Station_Role_Name(station.role));
        if (result.stations.size() <= mapLabelledStations)
            svg += fmt::format("<text x=\"{:.1f}\" y=\"{:.1f}\" font-size=\"12\" fill=\"#212529\">{}</text>\n", x(s) + 7.0,
                               y(s) - 6.0, Escaped(station.name));
    }
    // Scale bar for the ground and the ellipses' enlargement.
    const double bar = Round_Scale(0.25 * spanE);
    svg += fmt::format("<g class=\"legend\" font-size=\"12\" fill=\"#495057\"><line x1=\"20\" y1=\"{0:.1f}\" "
                       "x2=\"{1:.1f}\" y2=\"{0:.1f}\" stroke=\"#495057\" stroke-width=\"2\"/><text x=\"20\" "
                       "y=\"{2:.1f}\">{3} m{4}</text></g>\n",
                       mapHeight - 14.0, 20.0 + bar * scale, mapHeight - 20.0, fmt::format("{:g}", bar),
                       enlarge > 0.0 ? fmt::format("; 95 % error ellipses enlarged {:g} times", enlarge) : "");
    return svg + "</svg>\n";
}

std::string Figure(const std::string& value, const char* what) {
    return fmt::format("<li><b>{}</b><span>{}</span></li>", Escaped(value), what);
}

}  // namespace

std::string Adjustment_Html_Report(const AdjustmentResult& result, const AdjustmentSources& sources) {
    const std::string title = Sources_Text(result, sources);
    std::string html = fmt::format(
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
        "img-src data:\">\n<link rel=\"icon\" href=\"data:,\">\n<title>{0}</title>\n<style>{1}</style>\n</head>\n<body>\n"
        "<header><h1>{0}</h1><p class=\"subtitle\">min_lumo adjustment report; coordinates WGS 84 / ITRF as processed; "
        "{2}; ellipses and precisions at 95 %</p></header>\n<main>\n",
        Escaped(title), reportStyle, Escaped(Precision_Basis(result)));
    const AdjustmentRun& minimal = result.minimal;
    html += "<section id=\"summary\"><ul class=\"figures\">";
    html += Figure(std::to_string(result.vectors.size()), "vectors");
    html += Figure(std::to_string(result.stations.size()), "stations");
    html += Figure(std::to_string(minimal.redundancy), "redundancy");
    html += Figure(minimal.varianceFactor ? Fixed(*minimal.varianceFactor, 3) : "-", "variance factor");
    html += Figure(result.blunder ? "1" : "0", "blunders named");
    html += "</ul>\n";
    html += fmt::format("<p class=\"verdict {}\" id=\"global-test\">Minimally constrained ({}): {}</p><br>\n",
                        minimal.globalTest.passed ? "passed" : "failed", Escaped(minimal.datum),
                        Escaped(Global_Test_Text(minimal)));
    html += fmt::format("<p class=\"verdict {}\" id=\"blunder\">Data snooping: {}</p><br>\n",
                        result.blunder ? "failed" : "passed", Escaped(Blunder_Text(result)));
    html += fmt::format("<p class=\"note\">{}</p>\n", Escaped(Snooping_Text(result)));
    html += fmt::format("<p class=\"note\">Constrained to the controls ({}): {}</p>\n", Escaped(result.constrained.datum),
                        Escaped(Global_Test_Text(result.constrained)));
    if (result.relativeAccuracy)
        html += fmt::format("<p class=\"verdict {}\" id=\"standard\">{}</p>\n", result.relativeMeets ? "passed" : "failed",
                            Escaped(Verdict_Text(result)));
    if (!result.warnings.empty()) {
        html += fmt::format("<details class=\"warnings\"><summary>{} warning{}</summary><ul>", result.warnings.size(),
                            result.warnings.size() == 1 ? "" : "s");
        for (const std::string& warning : result.warnings) html += "<li>" + Escaped(warning) + "</li>";
        html += "</ul></details>\n";
    }
    html += "</section>\n<h2>Map</h2>\n" + Map_Svg(result);

    html += "<h2>Vectors by |w|</h2>\n<p class=\"note\">Minimally constrained; residuals in mm, adjusted minus observed; "
            "std: standardized residual; w: Baarda's w-statistic; r: the vector's redundancy.</p>\n"
            "<div class=\"tables\"><table id=\"residuals\">\n";
    html += Header_Cells({"from", "to", "session", "vX mm", "vY mm", "vZ mm", "std X", "std Y", "std Z", "w X", "w Y", "w Z",
                          "r", "largest |w|", "file"},
                         3);
    for (const std::size_t k : Vectors_By_W(result)) {
        const VectorResult& tested = result.residuals[k];
        const ProcessedVector& v = result.vectors[tested.vector];
        std::string row = tested.outlier ? "<tr class=\"outlier\">" : "<tr>";
        row += Cell(v.from, "name") + Cell(v.to, "name") + Cell(v.session, "name");
        double redundancy = 0.0;
        for (const ComponentTest& c : tested.components) row += Cell(Millimetres(c.residual));
        for (const ComponentTest& c : tested.components) row += Cell(Optional_Fixed(c.standardized, 2));
        for (const ComponentTest& c : tested.components) {
            row += Cell(Optional_Fixed(c.w, 2));
            redundancy += c.redundancy;
        }
        row += Cell(Fixed(redundancy, 2)) + Cell(Optional_Fixed(tested.largestW, 2)) + Cell(Where(v), "name");
        html += row + "</tr>\n";
    }
    html += "</table></div>\n<h2>Stations</h2>\n<div class=\"tables\"><table id=\"stations\">\n";
    html += Header_Cells({"station", "role", "X m", "Y m", "Z m", "latitude", "longitude", "height m", "sigma E mm",
                          "sigma N mm", "sigma U mm", "ellipse a mm", "b mm", "azimuth", "up mm"},
                         2);
    for (const StationResult& s : result.stations) {
        const bool held = s.role == StationRole::held;
        const auto mm = [&](double metres) { return Cell(held ? "" : Millimetres(metres)); };
        html += "<tr>" + Cell(s.name, "name") + Cell(Station_Role_Name(s.role), "name") + Cell(Fixed(s.position.x, 4)) +
                Cell(Fixed(s.position.y, 4)) + Cell(Fixed(s.position.z, 4)) + Cell(Fixed(s.geodetic.latitude, 9)) +
                Cell(Fixed(s.geodetic.longitude, 9)) + Cell(Fixed(s.geodetic.height, 4)) + mm(s.sigmaEast) +
                mm(s.sigmaNorth) + mm(s.sigmaUp) + mm(s.ellipseMajor) + mm(s.ellipseMinor) +
                Cell(held ? "" : Fixed(s.ellipseAzimuth, 0)) + mm(s.up95) + "</tr>\n";
    }
    html += "</table></div>\n<h2>Relative precision</h2>\n";
    if (result.relativeAccuracy)
        html += "<p class=\"note\">Allowed: " + Escaped(Rule_Text(*result.relativeAccuracy) + "; " + result.relativeAccuracy->source) +
                "</p>\n";
    html += "<div class=\"tables\"><table id=\"relative\">\n" +
            Header_Cells({"from", "to", "length m", "horizontal mm", "allowed", "vertical mm", "allowed", "verdict"}, 2);
    for (const RelativePrecision& pair : result.relative) {
        const char* verdict = !result.relativeAccuracy ? "" : pair.meets ? "meets" : "fails";
        html += "<tr>" + Cell(result.stations[pair.from].name, "name") + Cell(result.stations[pair.to].name, "name") +
                Cell(Fixed(pair.lengthMetres, 3)) + Cell(Millimetres(pair.horizontal95)) +
                Cell(pair.horizontalAllowed ? Millimetres(*pair.horizontalAllowed) : "") + Cell(Millimetres(pair.vertical95)) +
                Cell(pair.verticalAllowed ? Millimetres(*pair.verticalAllowed) : "") + Cell(verdict, verdict) + "</tr>\n";
    }
    html += "</table></div>\n</main>\n</body>\n</html>\n";
    return html;
}

}  // namespace min_lumo_tool

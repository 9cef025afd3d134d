#include "tool/process/process_html.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "tool/field/wgs84_conversion.h"
#include "tool/output/map_drawing.h"
#include "tool/output/plan_picture.h"

namespace min_lumo_tool {

namespace {

using min_lumo_vectors::SolutionKind;

constexpr double millimetresPerMetre = 1000.0;
constexpr double metresPerKilometre = 1000.0;

// The map's "sessions" are the qualities, so that its colours and legend
// sort the vectors by quality.
const SolutionKind qualities[] = {SolutionKind::fixed, SolutionKind::floating, SolutionKind::single,
                                  SolutionKind::failed};

int32_t Quality_Index(SolutionKind kind) {
    for (std::size_t i = 0; i < std::size(qualities); ++i)
        if (qualities[i] == kind) return static_cast<int32_t>(i);
    return 0;
}

std::string Escaped(const std::string& text) { return Xml_Escaped(text); }

std::string Millimetres(double metres) { return fmt::format("{:.1f}", metres * millimetresPerMetre); }

// The map of the processed network: stations where the runs placed them
// (else at their header positions), each vector a line coloured by its
// solution.
PlanPicture Processed_Picture(const ProcessingContext& context, const ProcessingOrder& order,
                              const ProcessingResult& result) {
    PlanPicture picture;
    picture.title = context.title;
    picture.timeScale = min_lumo_field::Display_Scale_Name(context.scale);
    picture.directed = true;
    for (std::size_t s = 0; s < order.stations.size(); ++s) {
        const OrderedStation& station = order.stations[s];
        PictureStation drawn;
        drawn.name = station.name;
        drawn.control = station.control;
        std::optional<EarthCentred> position = result.placements.size() > s ? result.placements[s].position
                                                                               : std::nullopt;
        if (!position) position = station.headerPosition;
        if (position) {
            const min_lumo_field::GeodeticPosition place =
                min_lumo_field::Geodetic_From_Earth_Centred(position->x, position->y, position->z);
            drawn.positioned = true;
            drawn.latitude = place.latitude;
            drawn.longitude = place.longitude;
            drawn.height = place.height;
        }
        picture.stations.push_back(drawn);
    }
    double first = 0.0, last = 0.0;
    for (std::size_t i = 0; i < order.observations.size(); ++i) {
        first = i == 0 ? order.observations[i].startGps : std::min(first, order.observations[i].startGps);
        last = i == 0 ? order.observations[i].endGps : std::max(last, order.observations[i].endGps);
    }
    picture.groupWord = "solution";
    std::vector<bool> present(std::size(qualities), false);
    for (const VectorRun& run : result.runs) present[static_cast<std::size_t>(Quality_Index(run.vector.solution))] = true;
    std::vector<int32_t> groupOf(std::size(qualities), -1);
    for (std::size_t q = 0; q < std::size(qualities); ++q) {
        if (!present[q]) continue;
        const SolutionKind kind = qualities[q];
        groupOf[q] = static_cast<int32_t>(picture.sessions.size());
        PictureSession session;
        session.name = Solution_Kind_Name(kind);
        session.startSeconds = first;
        session.endSeconds = last;
        picture.sessions.push_back(session);
    }
    for (const VectorRun& run : result.runs) {
        const OrderedObservation& observation = order.observations[run.order];
        PictureObservation drawn;
        drawn.from = observation.from.station;
        drawn.to = observation.to.station;
        drawn.session = groupOf[static_cast<std::size_t>(Quality_Index(run.vector.solution))];
        drawn.kept = true;
        drawn.order = observation.step;
        drawn.label = run.vector.label;
        drawn.state = Solution_Text(run);
        drawn.reason = run.problem;
        drawn.level = observation.level;
        if (run.vector.solution != SolutionKind::failed) drawn.lengthMetres = run.lengthMetres;
        picture.observations.push_back(drawn);
    }
    return picture;
}

std::string Cell(const std::string& text, const char* cls = nullptr) {
    return cls ? fmt::format("<td class=\"{}\">{}</td>", cls, Escaped(text)) : fmt::format("<td>{}</td>", Escaped(text));
}

std::string Heading_Row(const std::vector<std::string>& headings) {
    std::string row = "<tr>";
    for (const std::string& heading : headings) row += "<th>" + Escaped(heading) + "</th>";
    return row + "</tr>\n";
}

const char* style = R"(body{font:14px/1.4 system-ui,sans-serif;margin:1.5em;color:#222}
h1{font-size:1.4em}h2{font-size:1.15em;margin-top:1.6em}
table{border-collapse:collapse;margin:.5em 0}th,td{border:1px solid #ccc;padding:.2em .5em;text-align:left}
td.number{text-align:right;font-variant-numeric:tabular-nums}
tr.fixed td.solution{background:#dff3df}tr.float td.solution{background:#fff1c9}
tr.single td.solution,tr.failed td.solution{background:#f8d4d4}
td.fails{background:#f8d4d4}td.passes{background:#dff3df}
#map svg{max-width:100%;height:auto;border:1px solid #ddd}
ul.facts{padding-left:1.2em}.verdict{font-weight:bold}
)";

}  // namespace

std::string Process_Html(const ProcessingContext& context, const ProcessingOrder& order, const ProcessingResult& result,
                         const NetworkChecks& checks) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n";
    html += "<title>" + Escaped(context.title) + "</title>\n<style>" + style + "</style></head>\n<body>\n";
    html += "<h1>" + Escaped(context.title) + "</h1>\n";
    std::map<SolutionKind, std::size_t> counts;
    for (const VectorRun& run : result.runs) ++counts[run.vector.solution];
    html += fmt::format("<p class=\"verdict\" id=\"verdict\">Processed {} of {} kept observations: {} fixed, {} float, "
                        "{} single, {} not processed; processing checks of {}: {}</p>\n",
                        result.runs.size() - counts[SolutionKind::failed], result.runs.size(),
                        counts[SolutionKind::fixed], counts[SolutionKind::floating], counts[SolutionKind::single],
                        counts[SolutionKind::failed], Escaped(context.profile), checks.Passed() ? "pass" : "fail");
    html += "<ul class=\"facts\">\n";
    html += "<li>Engine: " + Escaped(context.engine) + (context.engineProgram.empty() ? "" : " (" + Escaped(context.engineProgram) + ")") + "</li>\n";
    html += "<li>Options: " + Escaped(fmt::format("{}", fmt::join(context.options, " "))) + "</li>\n";
    for (const std::string& correction : Correction_Summary(context))
        html += "<li>Corrections: " + Escaped(correction) + "</li>\n";
    for (const NavigationFile& file : context.navigation) html += "<li>Navigation: " + Escaped(file.path) + "</li>\n";
    for (const std::string& warning : context.warnings) html += "<li>Warning: " + Escaped(warning) + "</li>\n";
    html += "</ul>\n";

    MapDrawingOptions drawing;
    drawing.forReport = true;
    html += "<h2>The processed network, vectors by solution</h2>\n<div id=\"map\">"
            + Map_Svg(Processed_Picture(context, order, result), drawing) + "</div>\n";

    html += "<h2>Vectors</h2>\n<table id=\"vectors\">\n";
    html += Heading_Row({"#", "label", "from", "to", "solution", "ratio", "satellites", "epochs", "dX m", "dY m",
                         "dZ m", "length m", "base from", "problem"});
    for (std::size_t i = 0; i < result.runs.size(); ++i) {
        const VectorRun& run = result.runs[i];
        const ProcessedVector& vector = run.vector;
        const bool solved = vector.solution != SolutionKind::failed;
        const auto number = [&](double value) { return solved ? fmt::format("{:.4f}", value) : std::string("-"); };
        html += fmt::format("<tr class=\"{}\">", Solution_Text(run));
        html += Cell(std::to_string(i + 1), "number") + Cell(vector.label) + Cell(vector.from) + Cell(vector.to)
                + Cell(Solution_Text(run), "solution")
                + Cell(solved && vector.ratio ? fmt::format("{:.1f}", *vector.ratio) : "-", "number")
                + Cell(solved ? std::to_string(vector.satellites) : "-", "number")
                + Cell(solved ? std::to_string(vector.epochs) : "-", "number") + Cell(number(vector.dX), "number")
                + Cell(number(vector.dY), "number") + Cell(number(vector.dZ), "number")
                + Cell(number(run.lengthMetres), "number") + Cell(vector.baseFrom) + Cell(run.problem);
        html += "</tr>\n";
    }
    html += "</table>\n";

    html += fmt::format("<h2>Loops: {} independent</h2>\n<table id=\"loops\">\n", checks.loops.size());
    html += Heading_Row({"#", "stations", "sessions", "vectors", "length km", "dX mm", "dY mm", "dZ mm", "3D mm", "ppm",
                         "allowed mm", "result"});
    for (const Loop& loop : checks.loops) {
        const std::string outcome = !loop.allowedMetres ? "not judged" : loop.passed ? "passes" : "fails";
        html += "<tr>" + Cell(std::to_string(loop.number), "number")
                + Cell(fmt::format("{}", fmt::join(loop.stations, "-"))) + Cell(fmt::format("{}", fmt::join(loop.sessions, " ")))
                + Cell(std::to_string(loop.legs.size()), "number")
                + Cell(fmt::format("{:.3f}", loop.lengthMetres / metresPerKilometre), "number")
                + Cell(Millimetres(loop.dX), "number") + Cell(Millimetres(loop.dY), "number")
                + Cell(Millimetres(loop.dZ), "number") + Cell(Millimetres(loop.misclosureMetres), "number")
                + Cell(fmt::format("{:.2f}", loop.partsPerMillion), "number")
                + Cell(loop.allowedMetres ? Millimetres(*loop.allowedMetres) : "-", "number")
                + Cell(outcome + (loop.trivial ? ", trivial" : ""), loop.passed ? "passes" : "fails") + "</tr>\n";
    }
    html += "</table>\n";

    html += fmt::format("<h2>Repeated baselines: {}</h2>\n<table id=\"repeats\">\n", checks.repeats.size());
    html += Heading_Row({"from", "to", "sessions", "length km", "horizontal mm", "vertical mm", "allowed h mm",
                         "allowed v mm", "result"});
    for (const Repeat& repeat : checks.repeats)
        html += "<tr>" + Cell(repeat.from) + Cell(repeat.to)
                + Cell(result.runs[repeat.first].vector.session + " " + result.runs[repeat.second].vector.session)
                + Cell(fmt::format("{:.3f}", repeat.lengthMetres / metresPerKilometre), "number")
                + Cell(Millimetres(repeat.horizontalMetres), "number") + Cell(Millimetres(repeat.verticalMetres), "number")
                + Cell(repeat.allowedHorizontalMetres ? Millimetres(*repeat.allowedHorizontalMetres) : "-", "number")
                + Cell(repeat.allowedVerticalMetres ? Millimetres(*repeat.allowedVerticalMetres) : "-", "number")
                + Cell(!repeat.allowedHorizontalMetres ? "not judged" : repeat.passed ? "passes" : "fails",
                       repeat.passed ? "passes" : "fails")
                + "</tr>\n";
    html += "</table>\n";

    html += "<h2>Processing checks against " + Escaped(context.profile) + "</h2>\n<table id=\"checks\">\n";
    html += Heading_Row({"rule", "result", "requirement", "failing", "source"});
    for (const RuleCheck& rule : checks.rules) {
        std::vector<std::string> failing;
        for (const CheckFailure& failure : rule.failures)
            failing.push_back(failure.item + ": " + failure.measured + "; required " + failure.required);
        html += "<tr>" + Cell(Rule_Key(rule.rule)) + Cell(rule.passed ? "passes" : "fails", rule.passed ? "passes" : "fails")
                + Cell(rule.requirement) + Cell(fmt::format("{}", fmt::join(failing, " | "))) + Cell(rule.source)
                + "</tr>\n";
    }
    html += "</table>\n";

    html += "<h2>Suspects</h2>\n<table id=\"suspects\">\n";
    html += Heading_Row({"vector", "failing loops", "failing repeats", "what to do"});
    for (const Suspect& suspect : checks.suspects)
        html += "<tr>" + Cell(result.runs[suspect.run].vector.label) + Cell(std::to_string(suspect.failingLoops), "number")
                + Cell(std::to_string(suspect.failingRepeats), "number") + Cell(suspect.why) + "</tr>\n";
    if (checks.suspects.empty()) html += "<tr><td colspan=\"4\">none: no loop or repeat fails</td></tr>\n";
    html += "</table>\n</body></html>\n";
    return html;
}

}  // namespace min_lumo_tool

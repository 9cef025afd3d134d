#include "tool/output/html_report.h"

#include <algorithm>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "tool/output/map_drawing.h"
#include "tool/output/report_assets.h"

namespace min_lumo_tool {

namespace {

using Json = nlohmann::ordered_json;

// Short keys: a campaign of a thousand files carries thousands of rows.
Json Report_Data(const PlanPicture& picture) {
    const auto optional = [](const auto& value) { return value ? Json(*value) : Json(nullptr); };
    Json stations = Json::array();
    for (const PictureStation& station : picture.stations)
        stations.push_back({{"n", station.name},
                            {"lat", station.positioned ? Json(station.latitude) : Json(nullptr)},
                            {"lon", station.positioned ? Json(station.longitude) : Json(nullptr)},
                            {"h", station.positioned ? Json(station.height) : Json(nullptr)},
                            {"c", station.control},
                            {"lv", station.level},
                            {"occ", station.occupations}});
    Json sessions = Json::array();
    for (const PictureSession& session : picture.sessions)
        sessions.push_back({{"n", session.name}, {"s", session.startSeconds}, {"e", session.endSeconds}, {"net", session.network}});
    Json observations = Json::array();
    for (const PictureObservation& o : picture.observations)
        observations.push_back({{"f", o.from},       {"t", o.to},        {"s", o.session},   {"k", o.kept},
                                {"o", o.order},      {"lb", o.label},    {"st", o.state},    {"r", o.reason},
                                {"a", o.start},      {"b", o.end},       {"ov", o.overlapSeconds},
                                {"len", optional(o.lengthMetres)},       {"lv", o.level},    {"sc", optional(o.score)},
                                {"ff", o.fromFile},  {"tf", o.toFile}});
    Json occupations = Json::array();
    for (const PictureOccupation& o : picture.occupations) {
        Json spans = Json::array();
        for (const PictureSpan& span : o.spans) spans.push_back({span.startSeconds, span.endSeconds, span.epochs});
        occupations.push_back({{"st", o.station},   {"sn", o.stationName}, {"file", o.file},
                               {"rx", o.receiver},  {"fmt", o.format},     {"spans", spans},
                               {"ep", o.epochs},    {"iv", optional(o.intervalSeconds)},
                               {"cp", optional(o.completeness)},           {"gaps", o.gapCount},
                               {"lg", o.longestGapSeconds}});
    }
    Json checks = Json::array();
    for (const PictureCheck& check : picture.checks)
        checks.push_back({{"name", check.name}, {"outcome", check.outcome}, {"detail", check.detail}});
    Json colours = Json::array();
    for (std::size_t i = 0; i < Session_Colour_Count(); ++i) colours.push_back(Session_Colour(static_cast<int32_t>(i)));
    return {{"title", picture.title}, {"timeScale", picture.timeScale}, {"directed", picture.directed},
            {"colours", colours},     {"stations", stations},            {"sessions", sessions},
            {"observations", observations}, {"occupations", occupations}, {"checks", checks}};
}

std::string Figure(std::size_t value, const char* what) {
    return fmt::format("<li><b>{}</b><span>{}</span></li>", value, what);
}

std::string Summary(const PlanPicture& picture) {
    const std::size_t kept = static_cast<std::size_t>(std::count_if(
        picture.observations.begin(), picture.observations.end(), [](const PictureObservation& o) { return o.kept; }));
    std::string html = "<section id=\"summary\"><ul class=\"figures\">";
    html += Figure(picture.occupations.size(), "occupations");
    html += Figure(picture.stations.size(), "stations");
    html += Figure(picture.sessions.size(), "sessions");
    html += Figure(kept, "to process");
    html += Figure(picture.observations.size() - kept, "redundant");
    if (!picture.sessions.empty()) {
        double first = picture.sessions.front().startSeconds, last = picture.sessions.front().endSeconds;
        for (const PictureSession& session : picture.sessions) {
            first = std::min(first, session.startSeconds);
            last = std::max(last, session.endSeconds);
        }
        html += fmt::format("<li><b>{}</b><span>to {} {}</span></li>", Xml_Escaped(Picture_Time_Text(first)),
                            Xml_Escaped(Picture_Time_Text(last)), Xml_Escaped(picture.timeScale));
    }
    html += "</ul>\n";
    if (!picture.facts.empty()) {
        std::string facts;
        for (const std::string& fact : picture.facts) facts += (facts.empty() ? "" : "; ") + Xml_Escaped(fact);
        html += "<p class=\"facts\">" + facts + "</p>\n";
    }
    if (!picture.verdict.empty()) html += "<p class=\"verdict\" id=\"verdict\">" + Xml_Escaped(picture.verdict) + "</p>\n";
    if (!picture.warnings.empty()) {
        html += fmt::format("<details class=\"warnings\"{}><summary>{} warning{}</summary><ul>",
                            picture.warnings.size() <= 5 ? " open" : "", picture.warnings.size(),
                            picture.warnings.size() == 1 ? "" : "s");
        for (const std::string& warning : picture.warnings) html += "<li>" + Xml_Escaped(warning) + "</li>";
        html += "</ul></details>\n";
    }
    return html + "</section>\n";
}

}  // namespace

std::string Script_Safe_Json(const std::string& json) {
    std::string safe;
    safe.reserve(json.size());
    for (const char c : json) {
        if (c == '<') safe += "\\u003c";
        else if (c == '>') safe += "\\u003e";
        else if (c == '&') safe += "\\u0026";
        else safe += c;
    }
    return safe;
}

std::string Html_Report(const PlanPicture& picture) {
    MapDrawingOptions mapOptions;
    mapOptions.forReport = true;
    const std::string title = Xml_Escaped(picture.title);
    std::string html = fmt::format(
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        // No request of any kind, not even for an icon.
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
        "script-src 'unsafe-inline'; img-src data:\">\n"
        "<link rel=\"icon\" href=\"data:,\">\n<title>{0}</title>\n<style>\n{1}</style>\n</head>\n<body>\n"
        "<header><h1>{0}</h1><p class=\"subtitle\">min_lumo report; times on {2}</p></header>\n",
        title, reportStyle, Xml_Escaped(picture.timeScale));
    html += "<div class=\"top\">\n" + Summary(picture);
    html += "</div>\n<nav class=\"toolbar\"><label>Session <select id=\"session\"></select></label>"
            "<label><input type=\"checkbox\" id=\"show-redundant\"> show redundant observations</label>"
            "<span id=\"selection-note\"></span></nav>\n<main>\n";
    html += "<h2>Map</h2>\n<div class=\"map-area\"><div class=\"map-box\" id=\"map\">\n";
    html += Map_Svg(picture, mapOptions);
    html += "<div class=\"zoom\"><button id=\"zoom-in\" title=\"zoom in\">+</button><button id=\"zoom-out\" "
            "title=\"zoom out\">\u2212</button><button id=\"zoom-reset\" title=\"whole map\">\u2302</button></div></div>\n"
            "<aside id=\"details\"><h3>Details</h3><p>Point at a station or a line for its name; click it for "
            "everything about it. Drag to pan, scroll to zoom.</p></aside></div>\n";
    html += "<h2>Timeline</h2>\n<div class=\"timeline-box\" id=\"timeline\"></div>\n";
    html += "<h2>Plan</h2>\n<div id=\"plan-table\"></div>\n";
    html += "<h2>Occupations</h2>\n<div id=\"occupation-table\"></div>\n";
    if (!picture.checks.empty()) html += "<h2>Checks</h2>\n<div id=\"check-table\"></div>\n";
    html += "</main>\n<div id=\"tooltip\"></div>\n";
    const std::string data =
        Report_Data(picture).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    html += "<script type=\"application/json\" id=\"report-data\">" + Script_Safe_Json(data) + "</script>\n";
    html += fmt::format("<script>\n{}</script>\n</body>\n</html>\n", reportScript);
    return html;
}

}  // namespace min_lumo_tool

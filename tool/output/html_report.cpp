#include "tool/output/html_report.h"

#include <algorithm>
#include <utility>
#include <vector>

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
        occupations.push_back({{"no", o.number},    {"st", o.station},   {"sn", o.stationName},
                               {"file", o.file},    {"files", o.files},  {"rx", o.receiver},  {"rxn", o.receiverNumber},
                               {"ant", o.antennaType}, {"antn", o.antennaNumber}, {"hdr", o.setUpGiven},
                               {"ah", o.antennaHeight}, {"ae", o.antennaEast}, {"an", o.antennaNorth},
                               {"mk", o.markerName}, {"mkn", o.markerNumber}, {"ac", o.antennaCheck},
                               {"fmt", o.format},   {"spans", spans},
                               {"ep", o.epochs},    {"iv", optional(o.intervalSeconds)},
                               {"cp", optional(o.completeness)},           {"gaps", o.gapCount},
                               {"lg", o.longestGapSeconds}});
    }
    Json standard = nullptr;
    if (picture.standard) {
        const PictureStandard& checked = *picture.standard;
        Json failures = Json::array();
        for (const PictureRule& rule : checked.rules)
            for (const PictureFailure& failure : rule.failures)
                failures.push_back({{"rule", rule.rule}, {"result", rule.result}, {"item", failure.item},
                                    {"measured", failure.measured}, {"required", failure.required},
                                    {"stations", failure.stations}});
        Json fieldList = Json::array();
        for (const PictureFieldSession& session : checked.fieldList)
            fieldList.push_back({{"no", session.number}, {"station", session.station}, {"with", session.partner},
                                 {"len", optional(session.lengthMetres)}, {"minutes", session.minutes},
                                 {"mends", session.mends}});
        standard = {{"failures", failures}, {"fieldList", fieldList}};
    }
    Json colours = Json::array();
    for (std::size_t i = 0; i < Session_Colour_Count(); ++i) colours.push_back(Session_Colour(static_cast<int32_t>(i)));
    return {{"title", picture.title}, {"timeScale", picture.timeScale}, {"directed", picture.directed},
            {"colours", colours},     {"stations", stations},            {"sessions", sessions},
            {"observations", observations}, {"occupations", occupations}, {"standard", standard}};
}

std::string Plural(std::size_t count, const char* thing) {
    return fmt::format("{} {}{}", count, thing, count == 1 ? "" : "s");
}

// The verdict at the top: what was checked, the outcome, the rules that
// fail, and the way to the checks and to what to observe again.
std::string Verdict(const PictureStandard& standard) {
    std::string failing;
    for (const PictureRule& rule : standard.rules)
        if (rule.result == "fails") failing += (failing.empty() ? "" : ", ") + Xml_Escaped(rule.rule);
    std::string html = fmt::format("<div class=\"verdict {}\" id=\"verdict\"><b>Checked against {}: {}</b>",
                                   standard.meets ? "meets" : "fails", Xml_Escaped(standard.profile),
                                   Xml_Escaped(standard.verdict));
    if (!failing.empty()) html += "<span>failing: " + failing + "</span>";
    html += "<span><a href=\"#checks\">the checks</a>";
    if (!standard.fieldList.empty() || !standard.fieldNotes.empty())
        html += fmt::format(" \u00b7 <a href=\"#observe-again\">what to observe again: {}</a>",
                            standard.fieldList.empty() ? std::string("no new session")
                                                       : Plural(standard.fieldList.size(), "new session"));
    return html + "</span></div>\n";
}

// The rules, each with its result and requirement, then the sources they
// cite, rules citing one source on one line, as the text report has them;
// the failing items are a table the script fills.
std::string Checks_Section(const PictureStandard& standard) {
    std::string html = fmt::format(
        "<section id=\"checks\"><h2>Checks against {}</h2>\n<p class=\"profile\">{}: {}. The standard judges the "
        "whole campaign, whichever session is chosen above.</p>\n",
        Xml_Escaped(standard.profile), Xml_Escaped(standard.title), Xml_Escaped(standard.verdict));
    html += "<div class=\"table-box\"><table class=\"rules\" id=\"rule-table\"><thead><tr><th>rule</th><th>result</th>"
            "<th>severity</th><th>failing items</th><th>requirement</th></tr></thead><tbody>\n";
    std::vector<std::pair<std::string, std::vector<std::string>>> sources;
    std::size_t failures = 0;
    for (const PictureRule& rule : standard.rules) {
        html += fmt::format("<tr class=\"{0}\"><td>{1}</td><td class=\"result\">{0}</td><td>{2}</td>"
                            "<td class=\"number\">{3}</td><td class=\"wrap\">{4}</td></tr>\n",
                            Xml_Escaped(rule.result), Xml_Escaped(rule.rule), Xml_Escaped(rule.severity),
                            rule.failures.size(), Xml_Escaped(rule.requirement));
        failures += rule.failures.size();
        const auto same = std::find_if(sources.begin(), sources.end(),
                                       [&](const auto& source) { return source.first == rule.source; });
        if (same == sources.end()) sources.push_back({rule.source, {rule.rule}});
        else same->second.push_back(rule.rule);
    }
    html += "</tbody></table></div>\n<p class=\"sources-heading\">Sources:</p><ul class=\"sources\">";
    for (const auto& [source, citing] : sources) {
        std::string rules;
        for (const std::string& rule : citing) rules += (rules.empty() ? "" : ", ") + Xml_Escaped(rule);
        html += "<li><b>" + rules + "</b>: " + Xml_Escaped(source) + "</li>";
    }
    html += "</ul>\n";
    if (failures > 0) html += fmt::format("<h3>Failing items ({})</h3>\n<div id=\"failure-table\"></div>\n", failures);
    return html + "</section>\n";
}

// What to observe again: the suggested sessions (a table the script
// fills) and what new sessions cannot mend.
std::string Field_List_Section(const PictureStandard& standard) {
    std::string html = "<section id=\"observe-again\"><h2>What to observe again</h2>\n";
    if (standard.fieldList.empty() && standard.fieldNotes.empty())
        return html + fmt::format("<p class=\"note\">Nothing: {}.</p></section>\n",
                                  standard.meets ? "the campaign " + Xml_Escaped(standard.verdict)
                                                 : std::string("no new session was found that mends a failure"));
    if (!standard.fieldList.empty())
        html += fmt::format("<p class=\"note\">A suggestion, not a survey design: each line a new session of two "
                            "receivers, apart in time from the others; {} in all.</p>\n<div id=\"field-table\"></div>\n",
                            standard.fieldList.size());
    if (!standard.fieldNotes.empty()) {
        html += "<h3>Not mended by new sessions</h3>\n<ul class=\"field-notes\" id=\"field-notes\">";
        for (const std::string& note : standard.fieldNotes) html += "<li>" + Xml_Escaped(note) + "</li>";
        html += "</ul>\n";
    }
    return html + "</section>\n";
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
    if (picture.standard) html += Verdict(*picture.standard);
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
    std::string jumps = "<a href=\"#map-heading\">map</a><a href=\"#timeline-heading\">timeline</a>";
    if (picture.standard) jumps += "<a href=\"#checks\">checks</a><a href=\"#observe-again\">observe again</a>";
    jumps += "<a href=\"#plan\">plan</a><a href=\"#occupations\">occupations</a>";
    html += "</div>\n<nav class=\"toolbar\"><label>Session <select id=\"session\"></select></label>"
            "<label><input type=\"checkbox\" id=\"show-redundant\"> show redundant observations</label>"
            "<span id=\"selection-note\"></span><span class=\"jumps\">" + jumps + "</span></nav>\n<main>\n";
    html += "<h2 id=\"map-heading\">Map</h2>\n<div class=\"map-area\"><div class=\"map-box\" id=\"map\">\n";
    html += Map_Svg(picture, mapOptions);
    html += "<div class=\"zoom\"><button id=\"zoom-in\" title=\"zoom in\">+</button><button id=\"zoom-out\" "
            "title=\"zoom out\">\u2212</button><button id=\"zoom-reset\" title=\"whole map\">\u2302</button></div></div>\n"
            "<aside id=\"details\"><h3>Details</h3><p>Point at a station or a line for its name; click it for "
            "everything about it. Drag to pan, scroll to zoom.</p></aside></div>\n";
    html += "<h2 id=\"timeline-heading\">Timeline</h2>\n<div class=\"timeline-box\" id=\"timeline\"></div>\n";
    if (picture.standard) html += Checks_Section(*picture.standard) + Field_List_Section(*picture.standard);
    html += "<h2 id=\"plan\">Plan</h2>\n<div id=\"plan-table\"></div>\n";
    html += "<h2 id=\"occupations\">Occupations</h2>\n<div id=\"occupation-table\"></div>\n"
            "<h3 id=\"setups\">Equipment, set-up and files, by the numbers above</h3>\n<div id=\"setup-table\"></div>\n";
    html += "</main>\n<div id=\"tooltip\"></div>\n";
    const std::string data =
        Report_Data(picture).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    html += "<script type=\"application/json\" id=\"report-data\">" + Script_Safe_Json(data) + "</script>\n";
    html += fmt::format("<script>\n{}</script>\n</body>\n</html>\n", reportScript);
    return html;
}

}  // namespace min_lumo_tool

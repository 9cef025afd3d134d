#include "tool/plan/standard_report.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "tool/plan/plan_report.h"
#include "tool/plan/report_fields.h"
#include "tool/output/text_table.h"

namespace min_lumo_tool {

namespace {

using Json = nlohmann::ordered_json;

constexpr double metresPerKilometre = 1000.0;
constexpr double millimetresPerMetre = 1000.0;

std::string Length_Text(const std::optional<double>& metres) {
    return metres ? fmt::format("{:.3f}", *metres / metresPerKilometre) : "-";
}

std::string Joined(const std::vector<std::string>& texts, const char* separator) {
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : separator) + text;
    return joined;
}

// Rule keys by a text they share (a source, a reason), in the order first met.
using Grouped = std::vector<std::pair<std::string, std::vector<std::string>>>;

void Add_To_Group(Grouped& groups, const std::string& text, const std::string& key) {
    const auto same = std::find_if(groups.begin(), groups.end(), [&](const auto& group) { return group.first == text; });
    if (same == groups.end()) groups.push_back({text, {key}});
    else same->second.push_back(key);
}

Json Optional_Number(const std::optional<double>& value) { return value ? Json(*value) : Json(nullptr); }

// A table whose last column is free text: the other columns aligned, and
// each row's text after them under the heading `textHeading`, wrapped to the
// page under its own start (or, where the columns leave too little room,
// on the lines below).
std::string With_Wrapped_Text(const TextTable& table, const std::string& textHeading,
                              const std::vector<std::string>& texts) {
    constexpr std::size_t narrowestTextColumn = 32;
    const std::size_t width = table.Width();
    const bool beside = width + 2 + narrowestTextColumn <= reportColumns;
    const std::string rendered = table.Render();
    std::string text;
    std::size_t row = 0, start = 0;
    for (std::size_t end = rendered.find('\n'); end != std::string::npos;
         start = end + 1, end = rendered.find('\n', start), ++row) {
        std::string line = rendered.substr(start, end - start);
        const std::string& cell = row == 0 ? textHeading : texts.at(row - 1);
        if (beside) {
            line += std::string(width - std::min(width, Text_Width(line)), ' ') + "  ";
            text += Wrap_Text(cell, reportColumns, line, std::string(line.size(), ' '));
        } else {
            text += line + "\n" + Wrap_Text(cell, reportColumns, "      ", "      ");
        }
    }
    return text;
}

}  // namespace

const char* Rule_Result_Text(const RuleCheck& rule) {
    if (rule.passed) return "passes";
    return rule.severity == RuleSeverity::advisory ? "noted" : "fails";
}

std::string Checks_Text(const StandardChecks& checks) {
    std::string text = "\n" + Wrap_Text(fmt::format("Checks against {} ({}): {}", checks.profile, checks.title,
                                                  checks.verdict),
                                      reportColumns, "", "  ");
    TextTable rules({"rule", "result", "severity"});
    std::vector<std::string> requirements;
    TextTable failing({"rule"});
    std::vector<std::string> measures;
    // Rules citing one source share a line, in the order first met.
    Grouped sources;
    for (const RuleCheck& rule : checks.rules) {
        rules.Add_Row({Rule_Key(rule.rule), Rule_Result_Text(rule), Severity_Name(rule.severity)});
        requirements.push_back(rule.requirement);
        for (const CheckFailure& failure : rule.failures) {
            failing.Add_Row({Rule_Key(rule.rule)});
            measures.push_back(failure.item + ": " + failure.measured + "; required " + failure.required);
        }
        Add_To_Group(sources, rule.source, Rule_Key(rule.rule));
    }
    text += With_Wrapped_Text(rules, "requirement", requirements);
    if (!measures.empty()) text += " Failing items:\n" + With_Wrapped_Text(failing, "item: measured; required", measures);
    text += " Sources:\n";
    for (const auto& [source, citing] : sources)
        text += Wrap_Text(fmt::format("{}: {}", Joined(citing, ", "), source), reportColumns, "  ", "    ");
    // What the profile leaves out, rules of one reason on one line.
    Grouped reasons;
    for (const LeftOutRule& left : checks.leftOut) Add_To_Group(reasons, left.reason, Rule_Key(left.rule));
    if (!reasons.empty()) text += " Left out by the profile:\n";
    for (const auto& [reason, leftOut] : reasons)
        text += Wrap_Text(fmt::format("{}: {}", Joined(leftOut, ", "), reason), reportColumns, "  ", "    ");
    if (checks.fieldList.empty() && checks.fieldNotes.empty()) return text;
    text += "\n" + Wrap_Text(fmt::format("What to observe again (a suggestion, not a survey design: each line a new "
                                          "session of two receivers, apart in time from the others{}):",
                                          checks.fieldList.empty()
                                              ? ""
                                              : fmt::format("; {} in all", checks.fieldList.size())),
                              reportColumns, "", "");
    if (!checks.fieldList.empty()) {
        TextTable sessions({">#", "station", "with", ">length km", ">minutes"});
        std::vector<std::string> mends;
        for (const FieldOccupation& occupation : checks.fieldList) {
            sessions.Add_Row({std::to_string(occupation.number), occupation.stationName, occupation.partnerName,
                              Length_Text(occupation.lengthMetres), fmt::format("{:.0f}", occupation.minutes)});
            mends.push_back(Joined(occupation.reasons, "; "));
        }
        text += With_Wrapped_Text(sessions, "mends", mends);
    }
    if (!checks.fieldNotes.empty()) {
        text += " Not mended by new sessions:\n";
        for (const std::string& note : checks.fieldNotes) text += Wrap_Text(note, reportColumns, "  - ", "    ");
    }
    return text;
}

Json Checks_Json(const Campaign& campaign, const StandardChecks& checks) {
    const auto name = [&](int32_t station) { return campaign.project.stations[static_cast<std::size_t>(station)].name; };
    Json rules = Json::array();
    for (const RuleCheck& rule : checks.rules) {
        Json failures = Json::array();
        for (const CheckFailure& failure : rule.failures) {
            Json stations = Json::array();
            for (const int32_t station : failure.stations) stations.push_back(name(station));
            failures.push_back({{"kind", Failure_Kind_Name(failure.kind)},
                                {"item", failure.item},
                                {"measured", failure.measured},
                                {"required", failure.required},
                                {"measuredValue", Optional_Number(failure.measuredValue)},
                                {"requiredValue", Optional_Number(failure.requiredValue)},
                                {"stations", stations}});
        }
        rules.push_back({{"rule", Rule_Key(rule.rule)},
                         {"severity", Severity_Name(rule.severity)},
                         {"passed", rule.passed},
                         {"requirement", rule.requirement},
                         {"source", rule.source},
                         {"failures", failures}});
    }
    Json leftOut = Json::array();
    for (const LeftOutRule& left : checks.leftOut) leftOut.push_back({{"rule", Rule_Key(left.rule)}, {"reason", left.reason}});
    Json sessions = Json::array();
    for (const FieldOccupation& occupation : checks.fieldList)
        sessions.push_back({{"session", occupation.number},
                            {"station", occupation.stationName},
                            {"with", occupation.partnerName},
                            {"lengthMetres", occupation.lengthMetres ? Json(std::round(*occupation.lengthMetres * millimetresPerMetre) / millimetresPerMetre)
                                                                     : Json(nullptr)},
                            {"minutes", occupation.minutes},
                            {"mends", occupation.reasons}});
    return {{"standard",
             {{"profile", checks.profile},
              {"title", checks.title},
              {"file", checks.file},
              {"verdict", checks.verdict},
              {"meets", checks.Meets()},
              {"failedRules", checks.failedRules}}},
            {"checks", rules},
            {"leftOut", leftOut},
            {"fieldList",
             {{"suggestion", true},
              {"about", "new sessions of two receivers, apart in time, that would make the campaign meet the profile"},
              {"sessions", sessions},
              {"notes", checks.fieldNotes}}}};
}

std::string Checks_Csv_Text(const StandardChecks& checks) {
    std::string text = "rule,severity,result,item,measured,required,measured_value,required_value,source\n";
    const auto line = [&](const std::vector<std::string>& fields) {
        std::string joined;
        for (const std::string& field : fields) joined += (joined.empty() ? "" : ",") + Csv_Field(field);
        text += joined + "\n";
    };
    const auto number = [](const std::optional<double>& value) { return value ? fmt::format("{}", *value) : ""; };
    for (const RuleCheck& rule : checks.rules) {
        if (rule.failures.empty())
            line({Rule_Key(rule.rule), Severity_Name(rule.severity), Rule_Result_Text(rule), "", "", "", "", "", rule.source});
        for (const CheckFailure& failure : rule.failures)
            line({Rule_Key(rule.rule), Severity_Name(rule.severity), Rule_Result_Text(rule), failure.item, failure.measured,
                  failure.required, number(failure.measuredValue), number(failure.requiredValue), rule.source});
    }
    for (const LeftOutRule& left : checks.leftOut)
        line({Rule_Key(left.rule), "", "left out", "", "", "", "", "", left.reason});
    return text;
}

}  // namespace min_lumo_tool

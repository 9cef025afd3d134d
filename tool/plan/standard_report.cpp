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

const char* Result_Text(const RuleCheck& rule) {
    if (rule.passed) return "passes";
    return rule.severity == RuleSeverity::advisory ? "noted" : "fails";
}

std::string Length_Text(const std::optional<double>& metres) {
    return metres ? fmt::format("{:.3f}", *metres / metresPerKilometre) : "-";
}

std::string Joined(const std::vector<std::string>& texts, const char* separator) {
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : separator) + text;
    return joined;
}

Json Optional_Number(const std::optional<double>& value) { return value ? Json(*value) : Json(nullptr); }

}  // namespace

std::string Checks_Text(const StandardChecks& checks) {
    std::string text = fmt::format("\nChecks against {} ({}): {}\n", checks.profile, checks.title, checks.verdict);
    TextTable rules({"rule", "result", "severity", "requirement"});
    TextTable failing({"rule", "item", "measured", "required"});
    // Rules citing one source share a line, in the order first met.
    std::vector<std::pair<std::string, std::vector<std::string>>> sources;
    for (const RuleCheck& rule : checks.rules) {
        rules.Add_Row({rule.rule, Result_Text(rule), Severity_Name(rule.severity), rule.requirement});
        for (const CheckFailure& failure : rule.failures)
            failing.Add_Row({rule.rule, failure.item, failure.measured, failure.required});
        const auto same = std::find_if(sources.begin(), sources.end(),
                                       [&](const auto& source) { return source.first == rule.source; });
        if (same == sources.end()) sources.push_back({rule.source, {rule.rule}});
        else same->second.push_back(rule.rule);
    }
    text += rules.Render();
    bool anyFailure = false;
    for (const RuleCheck& rule : checks.rules) anyFailure = anyFailure || !rule.failures.empty();
    if (anyFailure) text += " Failing items:\n" + failing.Render();
    text += " Sources:\n";
    for (const auto& [source, citing] : sources) text += fmt::format("  {}: {}\n", Joined(citing, ", "), source);
    if (checks.fieldList.empty() && checks.fieldNotes.empty()) return text;
    text += fmt::format(
        "\nWhat to observe again (a suggestion, not a survey design: each line a new session of two receivers, "
        "apart in time from the others{}):\n",
        checks.fieldList.empty() ? "" : fmt::format("; {} in all", checks.fieldList.size()));
    if (!checks.fieldList.empty()) {
        TextTable sessions({">#", "station", "with", ">length km", ">minutes", "mends"});
        for (const FieldOccupation& occupation : checks.fieldList)
            sessions.Add_Row({std::to_string(occupation.number), occupation.stationName, occupation.partnerName,
                              Length_Text(occupation.lengthMetres), fmt::format("{:.0f}", occupation.minutes),
                              Joined(occupation.reasons, "; ")});
        text += sessions.Render();
    }
    if (!checks.fieldNotes.empty()) {
        text += " Not mended by new sessions:\n";
        for (const std::string& note : checks.fieldNotes) text += "  - " + note + "\n";
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
            failures.push_back({{"item", failure.item},
                                {"measured", failure.measured},
                                {"required", failure.required},
                                {"measuredValue", Optional_Number(failure.measuredValue)},
                                {"requiredValue", Optional_Number(failure.requiredValue)},
                                {"stations", stations}});
        }
        rules.push_back({{"rule", rule.rule},
                         {"severity", Severity_Name(rule.severity)},
                         {"passed", rule.passed},
                         {"requirement", rule.requirement},
                         {"source", rule.source},
                         {"failures", failures}});
    }
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
            line({rule.rule, Severity_Name(rule.severity), Result_Text(rule), "", "", "", "", "", rule.source});
        for (const CheckFailure& failure : rule.failures)
            line({rule.rule, Severity_Name(rule.severity), Result_Text(rule), failure.item, failure.measured,
                  failure.required, number(failure.measuredValue), number(failure.requiredValue), rule.source});
    }
    return text;
}

}  // namespace min_lumo_tool

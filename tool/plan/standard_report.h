// A standard's checks as the plan's reports show them: a Checks section and
// the field list in the text report, `standard`, `checks` and `fieldList`
// in the JSON document, and one CSV line per rule and failing item.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "tool/plan/standard_checks.h"

namespace min_lumo_tool {

// A rule's result as every report words it: passes, fails, or noted (an
// advisory rule that fails).
const char* Rule_Result_Text(const RuleCheck& rule);

// The Checks section, then the field list when there is one.
std::string Checks_Text(const StandardChecks& checks);

// {"standard": {...}, "checks": [...], "fieldList": {...}} to merge into the
// plan's document.
nlohmann::ordered_json Checks_Json(const Campaign& campaign, const StandardChecks& checks);

// rule,severity,result,item,measured,required,measured_value,required_value,source
// with a heading line: a passed rule is one line without an item.
std::string Checks_Csv_Text(const StandardChecks& checks);

}  // namespace min_lumo_tool

// The processing plan as a surveyor reads it: aligned text, JSON for
// machines, CSV for a spreadsheet.  Every time is a UTC date (ISO 8601),
// never a count of seconds.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"

namespace min_lumo_tool {

struct StandardChecks;

// With `checks`, the header names the verdict and the report ends with the
// Checks section and the field list.
std::string Plan_Report_Text(const Campaign& campaign, const ProcessingPlan& plan,
                             const StandardChecks* checks = nullptr);

// {"stations", "occupations", "networks", "plan", "summary", "warnings", ...}:
// one plan row per observation, the kept rows of each time-network in
// processing order.  With `checks`, also "standard", "checks" and "fieldList".
std::string Plan_Report_Json(const Campaign& campaign, const ProcessingPlan& plan,
                             const StandardChecks* checks = nullptr);

// One line per observation, in the order of the plan, with a heading line.
std::string Plan_Csv_Text(const Campaign& campaign, const ProcessingPlan& plan);

// A CSV field as a spreadsheet reads it back: quoted when it holds a
// separator, a quote or a line end, quotes doubled.
std::string Csv_Field(const std::string& text);

// The files at the row's from and to ends, in the processing direction.
std::pair<std::string, std::string> Plan_Row_Files(const Campaign& campaign, const PlanRow& row);

// "2:05" for 2 hours and 5 minutes (to the nearest minute).
std::string Hours_And_Minutes(double seconds);

// Every warning of the campaign and of the plan, in order.
std::vector<std::string> Plan_Warnings(const Campaign& campaign, const ProcessingPlan& plan);

}  // namespace min_lumo_tool

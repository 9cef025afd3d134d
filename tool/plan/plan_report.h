// The processing plan as a surveyor reads it: aligned text, JSON for
// machines, CSV for a spreadsheet.  Times are shown in one scale, GPS time
// unless UTC is asked for, never as a count of seconds: in text as
// "2024-05-14 08:00:00 GPST" (tables name the scale in their heading), in
// JSON and CSV as ISO 8601 text with the scale named beside it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tool/field/gnss_time.h"
#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"

namespace min_lumo_tool {

struct StandardChecks;

using min_lumo_field::DisplayScale;

// The plan by time-network, the stations, the weak points, then the
// occupation table.  With `checks`, the header names the verdict and the
// report ends with the Checks section and the field list.
std::string Plan_Report_Text(const Campaign& campaign, const ProcessingPlan& plan, DisplayScale scale,
                             const StandardChecks* checks = nullptr);

// {"command", "timeScale", "stations", "occupations", "networks", "plan",
// "summary", "warnings", ...}: one plan row per observation, the kept rows of
// each time-network in processing order.  With `checks`, also "standard",
// "checks" and "fieldList".
std::string Plan_Report_Json(const Campaign& campaign, const ProcessingPlan& plan, DisplayScale scale,
                             const StandardChecks* checks = nullptr);

// When nothing can be planned: why, and every occupation read, so that the
// surveyor sees what the files hold.
std::string Unplanned_Report_Text(const Campaign& campaign, const std::string& why, DisplayScale scale);
std::string Unplanned_Report_Json(const Campaign& campaign, const std::string& why,
                                  const std::vector<std::string>& warnings, DisplayScale scale);

// One line per observation, in the order of the plan, with a heading line.
std::string Plan_Csv_Text(const Campaign& campaign, const ProcessingPlan& plan, DisplayScale scale);

// The files at the row's from and to ends, in the processing direction.
std::pair<std::string, std::string> Plan_Row_Files(const Campaign& campaign, const PlanRow& row);

// Why a campaign without observations has an empty plan, in a sentence.
std::string Nothing_Overlaps_Text(const Campaign& campaign);

// Every warning of the campaign and of the plan, in order.
std::vector<std::string> Plan_Warnings(const Campaign& campaign, const ProcessingPlan& plan);

}  // namespace min_lumo_tool

// The reports of the tool's commands: aligned tables for people, and one
// JSON document for machines (--json), both on standard output.
#pragma once

#include <string>

#include "hostkit/project_model.h"
#include "tool/run/minimise_run.h"
#include "tool/run/orient_run.h"
#include "tool/project/violation.h"

namespace min_lumo_tool {

std::string Minimise_Report_Text(const min_lumo_kit::Project& before, const MinimiseResult& result, bool explain);
std::string Orient_Report_Text(const min_lumo_kit::Project& before, const OrientResult& result);
std::string Check_Report_Text(const min_lumo_kit::Project& project);

std::string Minimise_Report_Json(const min_lumo_kit::Project& before, const MinimiseResult& result, bool explain);
std::string Orient_Report_Json(const min_lumo_kit::Project& before, const OrientResult& result);
// The outcome of a check: {"valid": bool, "violations": [ ... ]}.
std::string Check_Report_Json(const Violations& violations);

}  // namespace min_lumo_tool

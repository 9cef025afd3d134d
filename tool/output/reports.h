// The reports of the tool's commands: aligned tables for people, and one
// JSON document for machines (--json), both on standard output.
#pragma once

#include <string>

#include "tool/kit_names.h"
#include "tool/minimise_run.h"
#include "tool/orient_run.h"
#include "tool/violation.h"

namespace min_lumo_tool {

std::string Minimise_Report_Text(const Project& before, const MinimiseResult& result, bool explain);
std::string Orient_Report_Text(const Project& before, const OrientResult& result);
std::string Check_Report_Text(const Project& project);

std::string Minimise_Report_Json(const Project& before, const MinimiseResult& result, bool explain);
std::string Orient_Report_Json(const Project& before, const OrientResult& result);
// The outcome of a check: {"valid": bool, "violations": [ ... ]}.
std::string Check_Report_Json(const Violations& violations);

}  // namespace min_lumo_tool

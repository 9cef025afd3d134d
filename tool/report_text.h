// The human-readable reports: aligned tables on standard output.
#pragma once

#include <string>

#include "tool/minimise_run.h"
#include "tool/orient_run.h"
#include "tool/kit_names.h"
#include "tool/violation.h"

namespace min_lumo_tool {

std::string Minimise_Report_Text(const Project& before, const MinimiseResult& result, bool explain);
std::string Orient_Report_Text(const Project& before, const OrientResult& result);
std::string Check_Report_Text(const Project& project);

}  // namespace min_lumo_tool

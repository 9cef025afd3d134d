// The report a surveyor opens in a browser: one self-contained HTML file
// (style, script and drawings inline; it asks nothing of any network) with
// a summary (with a standard, its verdict), the map (the same drawing as
// the SVG file) with pan, zoom and details, a timeline of the occupations
// and sessions, with a standard its checks and what to observe again, and
// sortable, filterable tables of the plan, the occupations and their
// set-ups, each filled when the page opens.  Choosing a session shows it
// on the map, the timeline and the plan and occupation tables at once.
#pragma once

#include <string>

#include "tool/output/plan_picture.h"

namespace min_lumo_tool {

std::string Html_Report(const PlanPicture& picture);

// JSON text made safe inside an HTML script element: <, > and & written as
// JSON escapes, so that no "</script>" or "<!--" can end or bend it.
std::string Script_Safe_Json(const std::string& json);

}  // namespace min_lumo_tool

// The plan as the pictures show it: the map (SVG) and the HTML report read a
// PlanPicture, which knows nothing of campaigns; this fills it.
#pragma once

#include "tool/output/plan_picture.h"
#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"

namespace min_lumo_tool {

// Stations with their positions, levels and controls; sessions with their
// times; one observation per plan row, in plan order, in its processing
// direction; the occupations with their data spans; the warnings.
PlanPicture Plan_Picture(const Campaign& campaign, const ProcessingPlan& plan);

}  // namespace min_lumo_tool

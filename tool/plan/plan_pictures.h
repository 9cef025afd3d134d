// The plan as the pictures show it: the map (SVG) and the HTML report read a
// PlanPicture, which knows nothing of campaigns; this fills it.
#pragma once

#include "tool/field/gnss_time.h"
#include "tool/output/plan_picture.h"
#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"
#include "tool/plan/standard_checks.h"

namespace min_lumo_tool {

// Times on `scale`, as the text and JSON reports give them.  Stations with their positions, levels and controls; sessions with their
// times; one observation per plan row, in plan order, in its processing
// direction; the occupations with their data spans; the warnings; the
// standard's checks and verdict when one was asked for (`checks` not null).
// A plan narrowed by --session (Restrict_To_Sessions) is drawn as narrowed:
// its sessions, their observations, occupations and stations only.
PlanPicture Plan_Picture(const Campaign& campaign, const ProcessingPlan& plan, min_lumo_field::DisplayScale scale,
                         const StandardChecks* checks = nullptr);

}  // namespace min_lumo_tool

// What to observe again before leaving the field: from the failures of a
// standard's checks, a short list of new sessions -- a failing station with
// its nearest useful, already observed partner, for as long as the distance
// needs -- that would make the campaign meet the profile.  A suggestion:
// it assumes the new sessions are observed apart in time and that the
// library keeps their observations (a time-network of one baseline keeps
// it).
#pragma once

#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"
#include "tool/plan/standard_checks.h"
#include "tool/plan/standard_profile.h"

namespace min_lumo_tool {

// Fills checks.fieldList and checks.fieldNotes from checks.rules.
void Suggest_Reobservation(const Campaign& campaign, const ProcessingPlan& plan, const StandardProfile& profile,
                           StandardChecks& checks);

// The minutes a new session of two stations this far apart should last:
// enough for the profile's observation time and for --min-overlap, rounded
// up to whole five minutes.
double Suggested_Session_Minutes(const Campaign& campaign, const StandardProfile& profile,
                                 const std::optional<double>& lengthMetres);

}  // namespace min_lumo_tool

// What to observe again before leaving the field: from the failures of a
// standard's checks, a short list of new sessions -- a failing station with
// its nearest useful, already observed partner, for as long as the distance
// needs -- that would make the campaign meet the profile.  A suggestion:
// it assumes the new sessions are observed apart in time and that the
// library keeps their observations (a time-network of one baseline keeps
// it).
//
// Every session on the list mends something the ones before it do not, and
// none can be left out: the list is built need by need, each met by the
// nearest partner that meets it (one that meets a need of its own too when
// it is at most twice as far), then each session whose leaving out still
// meets every need is dropped.  Two names of one point (within
// samePointMetres) are never paired, and a need that only a session longer
// than the profile's maxSessionMinutes could meet is named in the notes
// instead of suggested.
#pragma once

#include <optional>

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
// up to whole five minutes; none when the profile's length table does not
// reach that far (no time would do).  Not limited by maxSessionMinutes.
std::optional<double> Suggested_Session_Minutes(const Campaign& campaign, const StandardProfile& profile,
                                                const std::optional<double>& lengthMetres);

}  // namespace min_lumo_tool

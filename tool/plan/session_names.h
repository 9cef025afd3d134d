// Session names the time-networks keep apart.  A session is named when the
// campaign is formed, from observations that keep overlapping; the library
// may still split such a run into two time-networks (two observations that
// overlap by a sliver, under --min-overlap 0), and then one name would stand
// for two networks in every report.
#pragma once

#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"

namespace min_lumo_tool {

// When a session's observations lie in more than one of the plan's
// time-networks, names the sessions again, one per session and network:
// by the GPS day of each one's first observation, lettered in the order of
// their first starts, as the campaign names them; then labels the
// observations again.  True when it renamed anything: the plan must then be
// made again (the library never reads the labels, so its decisions stay).
bool Split_Sessions_By_Time_Network(Campaign& campaign, const ProcessingPlan& plan);

}  // namespace min_lumo_tool

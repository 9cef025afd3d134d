// --session: the plan of a campaign shown for some of its sessions only.
// The whole campaign is planned (the library decides on all of it, so the
// decisions and the processing order do not depend on what is shown); then
// every report sees only the observations of the sessions named, and the
// stations and occupations they involve.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"

namespace min_lumo_tool {

// A session name the campaign does not have; the message lists its sessions.
class SessionError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Every session token of the campaign, sorted, once each.
std::vector<std::string> Campaign_Sessions(const Campaign& campaign);

// Keeps in `plan` the rows of the sessions named (matched ignoring ASCII
// letter case); their order numbers stay those of the whole plan.  Each
// time-network is narrowed to its rows shown (its sessions, stations and
// times with them) and left out when none is; the weak points keep what
// concerns what is shown.  Sets plan.scope.  No sessions: nothing changes.
void Restrict_To_Sessions(const Campaign& campaign, ProcessingPlan& plan, const std::vector<std::string>& sessions);

// Whether the reports show a project station, an occupation read.
bool Shows_Station(const ProcessingPlan& plan, int32_t station);
bool Shows_Occupation(const ProcessingPlan& plan, OccupationIndex occupation);

}  // namespace min_lumo_tool

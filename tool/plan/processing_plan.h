// The processing plan of a campaign: the project run through the library's
// exported calls as the host runs them -- minimisation, then orientation of
// the minimised records -- and its observations put in the order a
// surveyor processes them: per time-network, the kept baselines outward from
// the controls, then the redundant ones with the library's reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hostkit/module_loader.h"
#include "tool/run/minimise_run.h"
#include "tool/run/orient_run.h"
#include "tool/plan/campaign_project.h"

namespace min_lumo_tool {

struct PlanRow {
    int32_t observation = -1;  // project observation index
    int32_t step = 0;          // place in the processing order from 1; 0 when not to be processed
    int32_t fromStation = -1;  // the processing direction: the baseline's ends after orientation
    int32_t toStation = -1;
    int32_t level = -1;  // the baseline's orienting level; -1 when no control reaches it
    int32_t score = 0;
    std::optional<double> lengthMetres;  // none when a station has no position
    std::string state;                   // selected, forced, undecided, rejected, excluded
    bool selected = false;               // kept by the library, so to be processed
    std::string reason;                  // the library's decision in words, as minimise --explain gives it
};

struct PlanNetwork {
    int32_t index = -1;
    double earliestStart = 0.0, latestEnd = 0.0;  // UTC seconds since 1970
    int32_t stationCount = 0;
    std::vector<std::string> sessions;  // the session tokens of its observations
    // The kept observations in processing order, then the rejected ones by
    // start, then any other as the library's table leaves them.
    std::vector<PlanRow> rows;
};

struct PlanSummary {
    std::vector<int32_t> unreachedStations;          // treeLevel -1 after orientation
    std::vector<int32_t> unobservedStations;         // in no observation at all
    std::vector<int32_t> singleObservationStations;  // in exactly one kept observation of the whole campaign
    // Kept baselines whose loss would split the network, as station pairs
    // in their processing direction.
    std::vector<std::pair<int32_t, int32_t>> bridges;
};

// What the reports show of the plan: all of it, or the sessions asked for
// (Restrict_To_Sessions).  Empty lists show everything.
struct PlanScope {
    std::vector<std::string> sessions;  // the sessions shown
    std::vector<bool> stations;         // by project station: at an end of a shown observation
    std::vector<bool> occupations;      // by occupation (Campaign::occupations): in a shown observation
    std::size_t networksPlanned = 0;    // time-networks of the whole plan
};

struct ProcessingPlan {
    int32_t status = 0;   // DLL_Min_Lumo's result
    std::string message;  // its message after a failure
    MinimiseResult minimised;
    OrientResult oriented;  // run on the records as minimisation left them
    std::vector<PlanNetwork> networks;
    PlanSummary summary;
    std::vector<std::string> warnings;
    PlanScope scope;
};


// `campaign.project` must have passed Validate_Project.  A campaign
// without observations (no two occupations overlap long enough) gives an
// empty plan: no time-network, every station unobserved, the controls at
// level 0.
ProcessingPlan Plan_Processing(const Campaign& campaign, const min_lumo_kit::LoadedModule& library);

// Chord distance between two stations of the campaign, none when either
// has no position.
std::optional<double> Station_Distance_Metres(const Campaign& campaign, int32_t first, int32_t second);

}  // namespace min_lumo_tool

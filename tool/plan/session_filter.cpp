#include "tool/plan/session_filter.h"

#include <algorithm>
#include <limits>
#include <set>
#include <utility>

#include <fmt/format.h>

#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::ProjectObservation;

std::vector<std::string> Campaign_Sessions(const Campaign& campaign) {
    std::set<std::string> sessions;
    for (const CampaignObservation& observation : campaign.observations) sessions.insert(observation.session);
    return {sessions.begin(), sessions.end()};
}

namespace {

// The campaign's spelling of each session asked for.
std::vector<std::string> Known_Sessions(const Campaign& campaign, const std::vector<std::string>& asked) {
    const std::vector<std::string> all = Campaign_Sessions(campaign);
    std::vector<std::string> found;
    for (const std::string& name : asked) {
        const auto match =
            std::find_if(all.begin(), all.end(), [&](const std::string& session) { return Names_Match(name, session); });
        if (match == all.end())
            throw SessionError(fmt::format("--session {}: no session of that name; the sessions are {}", name,
                                           fmt::join(all, ", ")));
        if (std::find(found.begin(), found.end(), *match) == found.end()) found.push_back(*match);
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

void Restrict_To_Sessions(const Campaign& campaign, ProcessingPlan& plan, const std::vector<std::string>& sessions) {
    if (sessions.empty()) return;
    PlanScope scope;
    scope.sessions = Known_Sessions(campaign, sessions);
    scope.stations.assign(campaign.project.stations.size(), false);
    scope.occupations.assign(campaign.occupations.size(), false);
    const auto shown = [&](const PlanRow& row) {
        const std::string& session = campaign.observations[static_cast<std::size_t>(row.observation)].session;
        return std::binary_search(scope.sessions.begin(), scope.sessions.end(), session);
    };
    scope.networksPlanned = plan.networks.size();
    std::vector<PlanNetwork> networks;
    std::set<std::pair<int32_t, int32_t>> keptPairs;
    std::set<int32_t> keptEnds;
    for (PlanNetwork& network : plan.networks) {
        std::vector<PlanRow> rows;
        std::set<int32_t> stations;
        std::set<std::string> networkSessions;
        double earliest = std::numeric_limits<double>::infinity();
        double latest = -std::numeric_limits<double>::infinity();
        for (PlanRow& row : network.rows) {
            if (!shown(row)) continue;
            const CampaignObservation& origin = campaign.observations[static_cast<std::size_t>(row.observation)];
            const ProjectObservation& observation = campaign.project.observations[static_cast<std::size_t>(row.observation)];
            for (const int32_t station : {row.fromStation, row.toStation}) {
                stations.insert(station);
                scope.stations[static_cast<std::size_t>(station)] = true;
                if (row.selected) keptEnds.insert(station);
            }
            for (const OccupationIndex occupation : {origin.fromOccupation, origin.toOccupation})
                scope.occupations[Slot(occupation)] = true;
            if (row.selected) keptPairs.insert(std::minmax(row.fromStation, row.toStation));
            networkSessions.insert(origin.session);
            earliest = std::min(earliest, observation.start.seconds);
            latest = std::max(latest, observation.end.seconds);
            rows.push_back(std::move(row));
        }
        if (rows.empty()) continue;
        network.rows = std::move(rows);
        network.stationCount = static_cast<int32_t>(stations.size());
        network.sessions.assign(networkSessions.begin(), networkSessions.end());
        network.earliestStart = earliest;
        network.latestEnd = latest;
        networks.push_back(std::move(network));
    }
    plan.networks = std::move(networks);
    PlanSummary& summary = plan.summary;
    const auto stationShown = [&](int32_t station) { return scope.stations[static_cast<std::size_t>(station)]; };
    const auto keep = [](std::vector<int32_t>& stations, const auto& wanted) {
        stations.erase(std::remove_if(stations.begin(), stations.end(), [&](int32_t s) { return !wanted(s); }),
                       stations.end());
    };
    keep(summary.unreachedStations, stationShown);
    summary.unobservedStations.clear();  // in no observation, so in no session
    // Its one kept observation must be shown for the report to name it.
    keep(summary.singleObservationStations, [&](int32_t station) { return keptEnds.count(station) != 0; });
    summary.bridges.erase(std::remove_if(summary.bridges.begin(), summary.bridges.end(),
                                         [&](const std::pair<int32_t, int32_t>& bridge) {
                                             return keptPairs.count(std::minmax(bridge.first, bridge.second)) == 0;
                                         }),
                          summary.bridges.end());
    plan.scope = std::move(scope);
}

bool Shows_Station(const ProcessingPlan& plan, int32_t station) {
    return plan.scope.stations.empty() || plan.scope.stations[static_cast<std::size_t>(station)];
}

bool Shows_Occupation(const ProcessingPlan& plan, OccupationIndex occupation) {
    return plan.scope.occupations.empty() || plan.scope.occupations[Slot(occupation)];
}

}  // namespace min_lumo_tool

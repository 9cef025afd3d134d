#include "tool/plan/session_names.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "tool/field/gnss_time.h"
#include "tool/plan/observation_labels.h"

namespace min_lumo_tool {

bool Split_Sessions_By_Time_Network(Campaign& campaign, const ProcessingPlan& plan) {
    std::vector<int32_t> networkOf(campaign.observations.size(), -1);
    for (const PlanNetwork& network : plan.networks)
        for (const PlanRow& row : network.rows) networkOf[static_cast<std::size_t>(row.observation)] = network.index;
    std::map<std::string, std::set<int32_t>> networksOfSession;
    for (std::size_t i = 0; i < campaign.observations.size(); ++i)
        networksOfSession[campaign.observations[i].session].insert(networkOf[i]);
    bool split = false;
    for (const auto& [session, networks] : networksOfSession) split = split || networks.size() > 1;
    if (!split) return false;
    // Each session and network one new session, named in the order of its
    // first start.
    using Part = std::pair<std::string, int32_t>;
    std::map<Part, double> firstStart;
    for (std::size_t i = 0; i < campaign.observations.size(); ++i) {
        const Part part{campaign.observations[i].session, networkOf[i]};
        const double start = campaign.observations[i].startGps;
        const auto found = firstStart.find(part);
        if (found == firstStart.end() || start < found->second) firstStart[part] = start;
    }
    std::vector<std::tuple<double, std::string, int32_t>> order;
    for (const auto& [part, start] : firstStart) order.emplace_back(start, part.first, part.second);
    std::sort(order.begin(), order.end());
    std::map<int64_t, int32_t> sessionsOfDay;
    std::map<Part, std::string> renamed;
    for (const auto& [start, session, network] : order) {
        const auto day = static_cast<int64_t>(std::floor(start / static_cast<double>(min_lumo_field::secondsPerDay)));
        renamed[{session, network}] = Session_Token(start, sessionsOfDay[day]++);
    }
    for (std::size_t i = 0; i < campaign.observations.size(); ++i)
        campaign.observations[i].session = renamed.at({campaign.observations[i].session, networkOf[i]});
    Label_Observations_Uniquely(campaign);
    return true;
}

}  // namespace min_lumo_tool

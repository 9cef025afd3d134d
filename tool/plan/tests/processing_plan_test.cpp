// The plan of small campaigns run through the built library: the order of
// the rows, the processing direction after orientation, the weak points,
// and what the CSV report quotes.  (The JSON report's fields are checked
// end to end, on a generated campaign.)
#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hostkit/module_loader.h"
#include "hostkit/project_model.h"
#include "tool/field/gnss_time.h"
#include "tool/plan/plan_report.h"
#include "tool/plan/tests/planned_campaign.h"
#include "tool/plan/processing_plan.h"
#include "tool/plan/session_names.h"

namespace min_lumo_tool {

using min_lumo_kit::LoadedModule;
using min_lumo_kit::ProjectBaseline;

namespace {

using min_lumo_field::Occupation;

std::string Names(const Campaign& campaign, const std::vector<int32_t>& stations) {
    std::string text;
    for (const int32_t station : stations)
        text += (text.empty() ? "" : " ") + campaign.project.stations[static_cast<std::size_t>(station)].name;
    return text;
}

std::string Direction(const Campaign& campaign, const PlanRow& row) {
    return campaign.project.stations[static_cast<std::size_t>(row.fromStation)].name + ">"
           + campaign.project.stations[static_cast<std::size_t>(row.toStation)].name;
}

// Six stations observed in all pairs in one session, and again in a second
// session without one of them: enough for the library to reject some.
std::vector<Visit> Two_Sessions() {
    std::vector<Visit> visits;
    const char* names[] = {"BASE", "BRUN", "HOLZ", "KAPF", "SEEB", "WALD"};
    for (int i = 0; i < 6; ++i)
        visits.push_back(
            {names[i], "2024-05-14T07:30:00Z", "2024-05-14T09:30:00Z", 47.0 + 0.011 * i, 8.3 + 0.007 * (i % 3)});
    for (int i = 1; i < 6; ++i)
        visits.push_back(
            {names[i], "2024-05-14T10:30:00Z", "2024-05-14T12:30:00Z", 47.0 + 0.011 * i, 8.3 + 0.007 * (i % 3)});
    return visits;
}

TEST(ProcessingPlanTest, KeptRowsOutwardFromTheControlsThenTheRedundantOnes) {
    const Campaign campaign = Formed(Two_Sessions(), {"base"});
    const ProcessingPlan plan = Planned(campaign);
    ASSERT_EQ(plan.status, 0) << plan.message;
    ASSERT_EQ(plan.networks.size(), 2U);
    std::size_t rows = 0, rejected = 0;
    for (const PlanNetwork& network : plan.networks) {
        rows += network.rows.size();
        int32_t lastStep = 0;
        int64_t lastLevel = -1;
        bool redundantSeen = false;
        for (const PlanRow& row : network.rows) {
            if (!row.selected) {
                redundantSeen = true;
                ++rejected;
                EXPECT_EQ(row.state, "rejected");
                EXPECT_EQ(row.step, 0);
                EXPECT_EQ(row.reason.rfind("rejected: ", 0), 0U) << row.reason;
                continue;
            }
            EXPECT_FALSE(redundantSeen) << "a kept row after a redundant one";
            EXPECT_EQ(row.step, ++lastStep);
            const int64_t level = row.level < 0 ? std::numeric_limits<int32_t>::max() : row.level;
            EXPECT_GE(level, lastLevel);
            lastLevel = level;
            EXPECT_EQ(row.reason.rfind("kept: ", 0), 0U) << row.reason;
            // The row runs as the oriented baseline runs.
            const ProjectBaseline& baseline = plan.oriented.after.baselines[static_cast<std::size_t>(
                campaign.project.observations[static_cast<std::size_t>(row.observation)].baseline)];
            EXPECT_EQ(row.fromStation, baseline.fromStation);
            EXPECT_EQ(row.level, baseline.directionLevel);
            ASSERT_TRUE(row.lengthMetres.has_value());
            EXPECT_GT(*row.lengthMetres, 0.0);
        }
    }
    EXPECT_EQ(rows, campaign.project.observations.size());
    EXPECT_EQ(rows, 15U + 10U);
    EXPECT_GT(rejected, 0U);
    // The second session has no control: it is reached through the first.
    EXPECT_TRUE(plan.summary.unreachedStations.empty());
    EXPECT_TRUE(plan.summary.bridges.empty());
}

// A chain C - B - A observed one baseline a session, with the control at C:
// both baselines turn to run away from C, both are bridges, and the two ends
// hang on one observation each.
TEST(ProcessingPlanTest, AChainTurnsAwayFromItsControlAndIsAllWeakPoints) {
    const Campaign campaign = Formed({{"A", "2024-05-14T07:30:00Z", "2024-05-14T09:30:00Z", 47.00, 8.30},
                                      {"B", "2024-05-14T07:30:00Z", "2024-05-14T12:30:00Z", 47.01, 8.30},
                                      {"C", "2024-05-14T10:30:00Z", "2024-05-14T12:30:00Z", 47.02, 8.30},
                                      {"D", "2024-05-15T10:30:00Z", "2024-05-15T12:30:00Z", 47.03, 8.30}},
                                     {"C"});
    const ProcessingPlan plan = Planned(campaign);
    ASSERT_EQ(plan.status, 0) << plan.message;
    ASSERT_EQ(plan.networks.size(), 2U);
    ASSERT_EQ(plan.networks[0].rows.size(), 1U);
    ASSERT_EQ(plan.networks[1].rows.size(), 1U);
    EXPECT_EQ(Direction(campaign, plan.networks[0].rows[0]), "B>A");
    EXPECT_EQ(plan.networks[0].rows[0].level, 1);
    EXPECT_EQ(Direction(campaign, plan.networks[1].rows[0]), "C>B");
    EXPECT_EQ(plan.networks[1].rows[0].level, 0);
    EXPECT_EQ(plan.oriented.reversed, (std::vector<bool>{true, true}));
    EXPECT_EQ(Names(campaign, plan.summary.unreachedStations), "D");
    EXPECT_EQ(Names(campaign, plan.summary.unobservedStations), "D");
    EXPECT_EQ(Names(campaign, plan.summary.singleObservationStations), "A C");
    ASSERT_EQ(plan.summary.bridges.size(), 2U);
    std::vector<std::string> bridges;
    for (const auto& [from, to] : plan.summary.bridges)
        bridges.push_back(campaign.project.stations[static_cast<std::size_t>(from)].name + ">"
                          + campaign.project.stations[static_cast<std::size_t>(to)].name);
    std::sort(bridges.begin(), bridges.end());
    EXPECT_EQ(bridges, (std::vector<std::string>{"B>A", "C>B"}));
}

// No two occupations overlap long enough: an empty plan, not a failure --
// every station unobserved, the control at level 0 and the other station
// unreached, so that the standard's checks still run.
TEST(ProcessingPlanTest, NoOverlapIsAnEmptyPlan) {
    const Campaign campaign = Formed({{"A", "2024-05-14T07:30:00Z", "2024-05-14T09:30:00Z", 47.0, 8.3},
                                      {"B", "2024-05-14T09:20:00Z", "2024-05-14T12:30:00Z", 47.1, 8.3}},
                                     {"A"});
    EXPECT_TRUE(campaign.project.observations.empty());
    const ProcessingPlan plan = Planned(campaign);
    EXPECT_EQ(plan.status, 0) << plan.message;
    EXPECT_TRUE(plan.networks.empty());
    EXPECT_EQ(plan.summary.unobservedStations, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(plan.summary.unreachedStations, (std::vector<int32_t>{1}));
    EXPECT_EQ(plan.oriented.after.stations[0].treeLevel, 0);
    EXPECT_TRUE(plan.summary.bridges.empty());
}

// A-B from 08:00 to 10:00 and C-D from 09:59: one run of overlapping
// observations, session 135A as the campaign is formed, but two
// time-networks (a minute is less than a tenth of either).  Named again,
// each network has its own session, 135A and 135B, in every label.
TEST(ProcessingPlanTest, EachTimeNetworkItsOwnSessions) {
    Campaign campaign = Formed({{"A", "2024-05-14T08:00:00Z", "2024-05-14T10:00:00Z", 47.0, 8.3},
                                {"B", "2024-05-14T08:00:00Z", "2024-05-14T10:00:00Z", 47.01, 8.3},
                                {"C", "2024-05-14T09:59:00Z", "2024-05-14T12:00:00Z", 47.02, 8.3},
                                {"D", "2024-05-14T09:59:00Z", "2024-05-14T12:00:00Z", 47.03, 8.3}},
                               {"A", "C"});
    ASSERT_EQ(campaign.observations.size(), 2U);
    EXPECT_EQ(campaign.observations[0].session, "135A");
    EXPECT_EQ(campaign.observations[1].session, "135A");
    ProcessingPlan plan = Planned(campaign);
    ASSERT_EQ(plan.networks.size(), 2U);
    ASSERT_TRUE(Split_Sessions_By_Time_Network(campaign, plan));
    plan = Planned(campaign);
    EXPECT_EQ(campaign.observations[0].session, "135A");
    EXPECT_EQ(campaign.observations[1].session, "135B");
    EXPECT_EQ(campaign.project.observations[0].label, "A 135A B 1");
    EXPECT_EQ(campaign.project.observations[1].label, "C 135B D 1");
    EXPECT_EQ(plan.networks[0].sessions, std::vector<std::string>{"135A"});
    EXPECT_EQ(plan.networks[1].sessions, std::vector<std::string>{"135B"});
    // Named apart once, nothing more to split.
    EXPECT_FALSE(Split_Sessions_By_Time_Network(campaign, plan));
}

TEST(ProcessingPlanTest, CsvQuotesWhatASpreadsheetWouldSplit) {
    const Campaign campaign = Formed(Two_Sessions(), {"BASE"});
    const ProcessingPlan plan = Planned(campaign);
    ASSERT_EQ(plan.status, 0);
    const std::string csv = Plan_Csv_Text(campaign, plan, DisplayScale::Gps);
    EXPECT_EQ(static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')), 1U + 25U);
    EXPECT_EQ(csv.rfind("network,order,session,label,from,to,start,end,time_scale,overlap,", 0), 0U);
    // Every rejection names two baselines, so its reason holds a comma.
    EXPECT_NE(csv.find(",rejected,no,"), std::string::npos);
    EXPECT_NE(csv.find(",\"rejected: "), std::string::npos);
    EXPECT_NE(csv.find("\n0,1,135A,BASE 135A "), std::string::npos);
}

}  // namespace
}  // namespace min_lumo_tool

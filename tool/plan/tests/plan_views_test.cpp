// What the plan's views show: --session narrowing every report to some
// sessions, the GeoJSON layers of a plan, and text that keeps to 120 columns
// whatever the station names.
#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tool/plan/plan_geojson.h"
#include "tool/plan/plan_report.h"
#include "tool/plan/session_filter.h"
#include "tool/plan/tests/planned_campaign.h"
#include "tool/output/text_table.h"

namespace min_lumo_tool {
namespace {

using Json = nlohmann::json;

// Session 135A: the six stations in all pairs (15 observations); session
// 135B: five of them without BASE (10 observations).  15 baselines, one per
// pair of the six.
std::vector<Visit> Two_Sessions(const std::vector<const char*>& names) {
    std::vector<Visit> visits;
    for (std::size_t i = 0; i < names.size(); ++i)
        visits.push_back({names[i], "2024-05-14T07:30:00Z", "2024-05-14T09:30:00Z", 47.0 + 0.011 * static_cast<double>(i),
                          8.3 + 0.007 * static_cast<double>(i % 3)});
    for (std::size_t i = 1; i < names.size(); ++i)
        visits.push_back({names[i], "2024-05-14T10:30:00Z", "2024-05-14T12:30:00Z", 47.0 + 0.011 * static_cast<double>(i),
                          8.3 + 0.007 * static_cast<double>(i % 3)});
    return visits;
}

const std::vector<const char*> shortNames = {"BASE", "BRUN", "HOLZ", "KAPF", "SEEB", "WALD"};

std::size_t Rows(const ProcessingPlan& plan) {
    std::size_t rows = 0;
    for (const PlanNetwork& network : plan.networks) rows += network.rows.size();
    return rows;
}

struct SessionCase {
    std::vector<std::string> asked;
    std::size_t networks, rows, stations;
};

TEST(SessionFilter, KeepsTheRowsOfTheSessionsAskedFor) {
    const Campaign campaign = Formed(Two_Sessions(shortNames), {"BASE"});
    const ProcessingPlan whole = Planned(campaign);
    ASSERT_EQ(whole.status, 0) << whole.message;
    ASSERT_EQ(Campaign_Sessions(campaign), (std::vector<std::string>{"135A", "135B"}));
    const SessionCase cases[] = {
        {{}, 2, 25, 6}, {{"135A"}, 1, 15, 6}, {{"135b"}, 1, 10, 5}, {{"135B", "135A", "135b"}, 2, 25, 6}};
    for (const SessionCase& c : cases) {
        ProcessingPlan plan = whole;
        Restrict_To_Sessions(campaign, plan, c.asked);
        const std::string what = c.asked.empty() ? "no session named" : c.asked.front();
        EXPECT_EQ(plan.networks.size(), c.networks) << what;
        EXPECT_EQ(Rows(plan), c.rows) << what;
        std::size_t stations = 0;
        for (std::size_t i = 0; i < campaign.project.stations.size(); ++i)
            stations += Shows_Station(plan, static_cast<int32_t>(i)) ? 1U : 0U;
        EXPECT_EQ(stations, c.stations) << what;
    }
}

TEST(SessionFilter, ARestrictedNetworkKeepsItsRowsAndTheirOrderNumbers) {
    const Campaign campaign = Formed(Two_Sessions(shortNames), {"BASE"});
    const ProcessingPlan whole = Planned(campaign);
    ProcessingPlan plan = whole;
    Restrict_To_Sessions(campaign, plan, {"135B"});
    ASSERT_EQ(plan.networks.size(), 1U);
    const PlanNetwork& shown = plan.networks[0];
    const PlanNetwork& original = whole.networks[1];
    ASSERT_EQ(shown.rows.size(), original.rows.size());
    for (std::size_t i = 0; i < shown.rows.size(); ++i) {
        EXPECT_EQ(shown.rows[i].observation, original.rows[i].observation);
        EXPECT_EQ(shown.rows[i].step, original.rows[i].step);
    }
    EXPECT_EQ(shown.sessions, (std::vector<std::string>{"135B"}));
    EXPECT_EQ(shown.stationCount, 5);
    EXPECT_FALSE(Shows_Station(plan, 0));  // BASE sorts first and is not in 135B
    EXPECT_EQ(plan.scope.networksPlanned, 2U);
}

TEST(SessionFilter, AnUnknownSessionIsRefusedWithTheListOfSessions) {
    const Campaign campaign = Formed(Two_Sessions(shortNames), {"BASE"});
    ProcessingPlan plan = Planned(campaign);
    try {
        Restrict_To_Sessions(campaign, plan, {"135A", "136A"});
        FAIL() << "136A accepted";
    } catch (const SessionError& error) {
        EXPECT_STREQ(error.what(), "--session 136A: no session of that name; the sessions are 135A, 135B");
    }
    EXPECT_EQ(Rows(plan), 25U);  // untouched
}

TEST(SessionFilter, EveryReportShowsOnlyTheSessionsAskedFor) {
    const Campaign campaign = Formed(Two_Sessions(shortNames), {"BRUN"});
    ProcessingPlan plan = Planned(campaign);
    Restrict_To_Sessions(campaign, plan, {"135B"});
    const std::string text = Plan_Report_Text(campaign, plan, min_lumo_field::DisplayScale::Gps);
    EXPECT_NE(text.find("Shown: session 135B of 2 sessions\n"), std::string::npos) << text;
    EXPECT_NE(text.find("in 2 time-networks"), std::string::npos) << text;
    EXPECT_EQ(text.find("Time-network 0"), std::string::npos) << text;
    EXPECT_NE(text.find("Stations: 5 "), std::string::npos) << text;
    EXPECT_EQ(text.find("BASE"), std::string::npos) << text;
    const Json json = Json::parse(Plan_Report_Json(campaign, plan, min_lumo_field::DisplayScale::Gps));
    EXPECT_EQ(json["plan"].size(), 10U);
    EXPECT_EQ(json["stations"].size(), 5U);
    EXPECT_EQ(json["occupations"].size(), 5U);
    EXPECT_EQ(json["networks"].size(), 1U);
    EXPECT_EQ(json["sessionsShown"], Json::parse(R"(["135B"])"));
    for (const Json& row : json["plan"]) EXPECT_EQ(row["session"], "135B");
    const std::string csv = Plan_Csv_Text(campaign, plan, min_lumo_field::DisplayScale::Gps);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 10);
    const GeoLayers layers = Plan_Geo_Layers(campaign, plan);
    EXPECT_EQ(layers.stations.size(), 5U);
    EXPECT_EQ(layers.observations.size(), 10U);
    EXPECT_EQ(layers.baselines.size(), 10U);  // all pairs of five
}

TEST(PlanGeoLayers, OneFeaturePerStationBaselineAndObservation) {
    const Campaign campaign = Formed(Two_Sessions(shortNames), {"BASE"});
    const ProcessingPlan plan = Planned(campaign);
    const GeoLayers layers = Plan_Geo_Layers(campaign, plan);
    ASSERT_EQ(layers.stations.size(), 6U);
    EXPECT_EQ(layers.observations.size(), 25U);
    EXPECT_EQ(layers.baselines.size(), 15U);
    int32_t observations = 0, kept = 0, keptRows = 0;
    for (const GeoBaseline& baseline : layers.baselines) {
        observations += baseline.observations;
        kept += baseline.kept;
        ASSERT_TRUE(baseline.lengthMetres.has_value());
    }
    for (const PlanNetwork& network : plan.networks)
        for (const PlanRow& row : network.rows) keptRows += row.selected ? 1 : 0;
    EXPECT_EQ(observations, 25);
    EXPECT_EQ(kept, keptRows);
    EXPECT_TRUE(layers.stations[0].control);
    EXPECT_EQ(layers.stations[0].occupations, 1);
    EXPECT_EQ(layers.stations[1].occupations, 2);
    for (const GeoObservation& observation : layers.observations) {
        // Two hours of common data in either session, to the second.
        EXPECT_DOUBLE_EQ(observation.commonSeconds.value(), 7200.0);
        EXPECT_EQ(observation.order.has_value(), observation.state != "rejected");
        EXPECT_TRUE(observation.session == "135A" || observation.session == "135B") << observation.session;
    }
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

TEST(PlanText, KeepsTo120ColumnsWithLongNamesCutSoNoTwoReadTheSame) {
    const std::vector<const char*> longNames = {"BASE",
                                                "STATION_ON_THE_NORTHERN_RIDGE_1",
                                                "STATION_ON_THE_NORTHERN_RIDGE_2",
                                                "STATION_ON_THE_NORTHERN_RIDGE_3",
                                                "STATION_ON_THE_NORTHERN_RIDGE_4",
                                                "STATION_ON_THE_NORTHERN_RIDGE_5"};
    const Campaign campaign = Formed(Two_Sessions(longNames), {"BASE"});
    const ProcessingPlan plan = Planned(campaign);
    ASSERT_EQ(plan.status, 0) << plan.message;
    const std::string text = Plan_Report_Text(campaign, plan, min_lumo_field::DisplayScale::Gps);
    // The whole report keeps to the page, the occupation table included.
    ASSERT_NE(text.find("\nOccupations: "), std::string::npos);
    for (const std::string& line : Lines(text)) EXPECT_LE(Text_Width(line), reportColumns) << line;
    // The key gives each long name once, in full, after its cut form.
    const std::size_t key = text.find("Names cut to fit the tables:\n");
    ASSERT_NE(key, std::string::npos) << text;
    std::set<std::string> cuts;
    for (std::size_t i = 1; i < longNames.size(); ++i) {
        const std::size_t at = text.find(std::string("  ") + longNames[i] + "\n", key);
        ASSERT_NE(at, std::string::npos) << longNames[i];
        const std::size_t lineStart = text.rfind('\n', at) + 1;
        std::istringstream line(text.substr(lineStart, at - lineStart));
        std::string cut;
        line >> cut;
        EXPECT_TRUE(cuts.insert(cut).second) << cut;
        EXPECT_NE(text.find("  " + cut + "  "), std::string::npos) << cut << " in no table";
    }
    EXPECT_EQ(cuts.size(), 5U);
    // Without a plan the occupation table alone keeps to the page, the
    // names cut in it given whole by number under it.
    const std::string unplanned =
        Unplanned_Report_Text(campaign, "no two occupations overlap long enough", min_lumo_field::DisplayScale::Gps);
    for (const std::string& line : Lines(unplanned)) EXPECT_LE(Text_Width(line), reportColumns) << line;
    for (const std::string name : longNames) EXPECT_NE(unplanned.find(name + ": "), std::string::npos) << name;
}

TEST(PlanText, ReasonsAreNumberedNotesUnderTheirTable) {
    const Campaign campaign = Formed(Two_Sessions(shortNames), {"BASE"});
    const ProcessingPlan plan = Planned(campaign);
    const std::string text = Plan_Report_Text(campaign, plan, min_lumo_field::DisplayScale::Gps);
    std::size_t redundant = 0;
    for (const PlanNetwork& network : plan.networks)
        for (const PlanRow& row : network.rows) redundant += row.selected ? 0U : 1U;
    ASSERT_GT(redundant, 0U);
    std::size_t notes = 0;
    for (const std::string& line : Lines(text)) {
        EXPECT_LE(line.size(), reportColumns) << line;
        std::istringstream words(line);
        std::string number, first;
        if (words >> number >> first && first == "rejected:") ++notes;
    }
    EXPECT_EQ(notes, redundant);
}

}  // namespace
}  // namespace min_lumo_tool

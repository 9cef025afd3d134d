// Antenna sanity: every placeholder type and real types beside them, and
// heights around both ends of a tripod's range, worked out by hand; the
// antenna rule on a campaign, a control's antenna left alone.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool/field/occupation_log.h"
#include "tool/plan/antenna_check.h"
#include "tool/plan/occupation_table.h"
#include "tool/plan/standard_checks.h"
#include "tool/plan/standard_profile.h"
#include "tool/plan/tests/planned_campaign.h"

namespace min_lumo_tool {
namespace {

TEST(AntennaCheck, PlaceholderTypes) {
    struct Case {
        const char* type;
        bool placeholder;
    };
    const std::vector<Case> cases = {
        {"", true},
        {"   ", true},
        {"UNKNOWN", true},
        {"Unknown", true},
        {"unknown         NONE", true},
        {"UNKNOWN EXT     NONE", true},
        {"NONE", true},
        {"null", true},
        {"DEFAULT", true},
        {"N/A", true},
        {"NA", true},
        {"ANTENNA", true},
        {"UNKN", true},
        {"XXXX", true},
        {"?", true},
        {"---", true},
        {"0", true},
        {"....", true},
        // Real types, the radome after them.
        {"TRM59800.80     SCIT", false},
        {"AOAD/M_T        NONE", false},
        {"FLDANT100       NONE", false},
        {"LEIAR20         LEIM", false},
        {"NOV702GG", false},
        {"UNKNOWNX", false},
    };
    for (const Case& test : cases)
        EXPECT_EQ(Is_Placeholder_Antenna_Type(test.type), test.placeholder) << "'" << test.type << "'";
}

TEST(AntennaCheck, HeightsAroundTheRange) {
    struct Case {
        double height;
        std::string type;
        std::string doubts;  // as Antenna_Doubts_Text gives them
    };
    const std::vector<Case> cases = {
        {1.5, "TRM59800.80     SCIT", ""},
        {0.05, "TRM59800.80     SCIT", ""},
        {3.0, "TRM59800.80     SCIT", ""},
        {0.0, "TRM59800.80     SCIT", "antenna height 0.000 m, under 0.05 m"},
        {0.0495, "TRM59800.80     SCIT", "antenna height 0.0495 m, under 0.05 m"},
        {3.0004, "TRM59800.80     SCIT", "antenna height 3.0004 m, over 3 m"},
        {15.0, "TRM59800.80     SCIT", "antenna height 15.000 m, over 3 m"},
        {-1.2, "TRM59800.80     SCIT", "antenna height -1.200 m, under 0.05 m"},
        {1.5, "Unknown", "antenna type 'Unknown' names no antenna"},
        {15.0, "", "antenna height 15.000 m, over 3 m; no antenna type"},
    };
    for (const Case& test : cases) {
        min_lumo_field::Occupation occupation;
        occupation.epochCount = 120;
        occupation.antennaHeight = test.height;
        occupation.antennaType = test.type;
        EXPECT_EQ(Antenna_Doubts_Text(Antenna_Doubts(occupation)), test.doubts) << test.height << " " << test.type;
    }
    // An occupation log's line records no antenna at all.
    min_lumo_field::Occupation logLine;
    logLine.antennaHeight = 15.0;
    EXPECT_TRUE(Antenna_Doubts(logLine).empty());
    // A profile's own range and type requirement.
    min_lumo_field::Occupation pole;
    pole.epochCount = 10;
    pole.antennaHeight = 2.0;
    EXPECT_EQ(Antenna_Doubts_Text(Antenna_Doubts(pole, {0.1, 1.8, false})), "antenna height 2.000 m, over 1.8 m");
}

// Three stations seen twice; A's first file has its antenna 15 m high and
// of no type, as BASE's has, but BASE is the control: the rule names A
// alone, twice, and so does the occupation table.
TEST(AntennaCheck, TheRuleNamesTheOccupationNotTheControl) {
    Campaign campaign = Formed({{"BASE", "2024-05-14T08:00:00Z", "2024-05-14T09:00:00Z", 47.0, 8.3},
                                {"A", "2024-05-14T08:00:00Z", "2024-05-14T09:00:00Z", 47.01, 8.3},
                                {"B", "2024-05-14T08:00:00Z", "2024-05-14T09:00:00Z", 47.0, 8.31},
                                {"BASE", "2024-05-14T12:00:00Z", "2024-05-14T13:00:00Z", 47.0, 8.3},
                                {"A", "2024-05-14T12:00:00Z", "2024-05-14T13:00:00Z", 47.01, 8.3},
                                {"B", "2024-05-14T12:00:00Z", "2024-05-14T13:00:00Z", 47.0, 8.31}},
                               {"BASE"});
    for (CampaignOccupation& occupation : campaign.occupations) {
        occupation.epochCount = 120;
        occupation.antennaHeight = 1.5;
        occupation.antennaType = "TRM59800.80     SCIT";
        const std::string& name = campaign.project.stations[static_cast<std::size_t>(Project_Station(occupation.stationIndex))].name;
        if ((name == "A" || name == "BASE") && occupation.firstGps < campaign.occupations.front().lastGps + 3600.0) {
            occupation.antennaHeight = 15.0;
            occupation.antennaType = "UNKNOWN";
        }
    }
    const ProcessingPlan plan = Planned(campaign);
    ASSERT_EQ(plan.status, 0);
    StandardProfile profile;
    profile.name = "antenna";
    profile.antenna.settings.enabled = true;
    profile.antenna.settings.listed = true;
    profile.antenna.settings.source = "test";
    profile.antenna.minimumHeightMetres = 0.05;
    profile.antenna.maximumHeightMetres = 3.0;
    profile.antenna.knownType = true;
    const StandardChecks checks = Check_Standard(campaign, plan, profile);
    ASSERT_EQ(checks.rules.size(), 1U);
    const RuleCheck& rule = checks.rules.front();
    EXPECT_EQ(rule.rule, RuleId::antenna);
    ASSERT_EQ(rule.failures.size(), 2U);
    EXPECT_EQ(rule.failures[0].item, "occupation of A in A_1.rnx");
    EXPECT_EQ(rule.failures[0].measured, "antenna height 15.000 m, over 3 m");
    EXPECT_EQ(rule.failures[0].required, "antenna height 0.05 to 3 m");
    EXPECT_EQ(rule.failures[0].measuredValue, 15.0);
    EXPECT_EQ(rule.failures[0].requiredValue, 3.0);
    EXPECT_EQ(rule.failures[1].measured, "antenna type 'UNKNOWN' names no antenna");
    EXPECT_EQ(checks.verdict, "fails antenna: 1 rule");
    // What mends it is no new session but a look at the set-up.
    EXPECT_TRUE(checks.fieldList.empty());
    ASSERT_EQ(checks.fieldNotes.size(), 2U);
    EXPECT_NE(checks.fieldNotes[0].find("ANTENNA: DELTA H/E/N"), std::string::npos) << checks.fieldNotes[0];
    // The table flags A's first occupation, and no other.
    const std::string table = Occupation_Table_Text(campaign, min_lumo_field::DisplayScale::Gps);
    EXPECT_NE(table.find("1  A: CHECK antenna height 15.000 m, over 3 m; antenna type 'UNKNOWN' names no antenna; "
                         "antenna UNKNOWN,"),
              std::string::npos)
        << table;
    EXPECT_EQ(table.find("CHECK"), table.rfind("CHECK")) << table;
}

}  // namespace
}  // namespace min_lumo_tool

// The field list put to the test the surveyor would put it to: a generated
// campaign that fails the basic profile, the suggested sessions observed
// (written as an occupation log, each session on its own after the
// campaign), and the campaign planned again: it must then meet the profile.
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "hostkit/module_loader.h"

#include "tool/field/gnss_time.h"
#include "tool/field/occupation_log.h"
#include "tool/field/rinex_campaign.h"
#include "tool/plan/processing_plan.h"
#include "tool/plan/reobservation.h"
#include "tool/plan/standard_checks.h"
#include "tool/plan/standard_profile.h"

namespace min_lumo_tool {
namespace {

namespace fs = std::filesystem;
using LoadedLibrary = min_lumo_kit::LoadedModule;
using min_lumo_kit::Format_Iso_Time;
using min_lumo_kit::ProjectStation;
using min_lumo_kit::secondsPerMinute;

constexpr double secondsBetweenSessions = 3600.0;

struct Planned {
    Campaign campaign;
    ProcessingPlan plan;
    StandardChecks checks;
};

Planned Plan_And_Check(CampaignFiles files, const std::string& control, const StandardProfile& profile) {
    Planned planned;
    CampaignOptions options;
    options.controls = {control};
    planned.campaign = Form_Campaign(std::move(files), options);
    const LoadedLibrary library("");
    planned.plan = Plan_Processing(planned.campaign, library);
    EXPECT_EQ(planned.plan.status, 0) << planned.plan.message;
    planned.checks = Check_Standard(planned.campaign, planned.plan, profile);
    return planned;
}

// The suggested sessions as the surveyor would log them: each with both
// stations for its minutes, an hour apart, starting the day after `after`.
std::string Suggested_Sessions_Log(const Planned& planned, double afterGps) {
    const double dayAfter = (std::floor(min_lumo_field::Utc_Seconds_From_Gps(afterGps) / 86400.0) + 1.0) * 86400.0;
    std::string log = "station,start,end,latitude,longitude,height\n";
    double start = dayAfter;
    for (const FieldOccupation& session : planned.checks.fieldList) {
        const double end = start + session.minutes * secondsPerMinute;
        for (const int32_t station : {session.station, session.partner}) {
            const ProjectStation& record = planned.campaign.project.stations[static_cast<std::size_t>(station)];
            log += fmt::format("{},{},{}", record.name, Format_Iso_Time(start), Format_Iso_Time(end));
            if (planned.campaign.stations[Campaign_Station(station)].positionKnown)
                log += fmt::format(",{:.9f},{:.9f},{:.3f}", record.latitude, record.longitude,
                                   static_cast<double>(record.height));
            log += "\n";
        }
        start = end + secondsBetweenSessions;
    }
    return log;
}

TEST(Reobservation, SuggestedSessionsMakeTheGeneratedCampaignMeetBasic) {
    const fs::path folder = fs::temp_directory_path() / "min_lumo_reobservation_test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    min_lumo_field::RinexCampaignOptions options;
    options.stations = 10;
    options.days = 1;
    options.sessions = 3;
    options.receivers = 5;
    options.seed = 7;
    const std::vector<min_lumo_field::Occupation> written = min_lumo_field::Write_Rinex_Campaign(options, folder.string());
    std::vector<std::string> paths;
    double lastGps = 0.0;
    for (const auto& occupation : written) {
        paths.push_back(occupation.file);
        lastGps = std::max(lastGps, occupation.lastGps);
    }
    const std::string control = written.front().station;
    const StandardProfile basic = Load_Standard_Profile("basic", {MIN_LUMO_STANDARDS_FOLDER});

    const Planned before = Plan_And_Check(Read_Campaign_Files(paths, false), control, basic);
    ASSERT_FALSE(before.checks.Meets()) << "the generated campaign should need more sessions";
    ASSERT_FALSE(before.checks.fieldList.empty());
    // Fewer sessions than failing stations and baselines: partners are shared.
    std::size_t failingItems = 0;
    for (const RuleCheck& rule : before.checks.rules)
        if (rule.severity == RuleSeverity::required) failingItems += rule.failures.size();
    EXPECT_LE(before.checks.fieldList.size(), failingItems);
    for (const FieldOccupation& session : before.checks.fieldList) {
        EXPECT_NE(session.station, session.partner);
        EXPECT_GE(session.minutes, defaultMinimumOverlapMinutes);
        EXPECT_EQ(std::fmod(session.minutes, 5.0), 0.0);
        EXPECT_FALSE(session.reasons.empty());
    }

    CampaignFiles files = Read_Campaign_Files(paths, false);
    const std::string log = Suggested_Sessions_Log(before, lastGps);
    auto added = min_lumo_field::Read_Occupation_Log_From_Memory("suggested.csv", log);
    files.Add_File("suggested.csv", std::move(added));
    const Planned after = Plan_And_Check(std::move(files), control, basic);
    for (const RuleCheck& rule : after.checks.rules) {
        if (rule.severity != RuleSeverity::required) continue;
        EXPECT_TRUE(rule.passed) << Rule_Key(rule.rule) << ": "
                                 << (rule.failures.empty() ? "" : rule.failures[0].item + " " + rule.failures[0].measured);
    }
    EXPECT_TRUE(after.checks.Meets()) << after.checks.verdict << "\n" << log;
    EXPECT_TRUE(after.checks.fieldList.empty());
    fs::remove_all(folder);
}

// The small campaign of the golden reports fails the basic profile on
// every count a new session can mend: a station no control reaches (LONE),
// one without a position hanging on a bridge (TURM), stations seen once.
TEST(Reobservation, SuggestedSessionsMendTheSmallCampaign) {
    const std::string path = std::string(MIN_LUMO_PLAN_TEST_DATA) + "/small_campaign.csv";
    const StandardProfile basic = Load_Standard_Profile("basic", {MIN_LUMO_STANDARDS_FOLDER});
    const Planned before = Plan_And_Check(Read_Campaign_Files({path}, false), "BASE", basic);
    ASSERT_EQ(before.checks.verdict, "fails basic: 4 rules");
    double lastGps = 0.0;
    for (const auto& occupation : before.campaign.occupations) lastGps = std::max(lastGps, occupation.lastGps);
    CampaignFiles files = Read_Campaign_Files({path}, false);
    auto added = min_lumo_field::Read_Occupation_Log_From_Memory("suggested.csv", Suggested_Sessions_Log(before, lastGps));
    files.Add_File("suggested.csv", std::move(added));
    const Planned after = Plan_And_Check(std::move(files), "BASE", basic);
    EXPECT_EQ(after.checks.verdict, "meets basic");
}

// A session lasts what the profile asks for its length, and never less
// than --min-overlap, in whole five minutes.
TEST(Reobservation, SessionMinutesFromTheProfile) {
    Campaign campaign;
    campaign.options.minimumOverlapMinutes = 15.0;
    StandardProfile profile;
    profile.observationTime.settings.enabled = true;
    profile.observationTime.baseMinutes = 5.0;
    profile.observationTime.minutesPerKilometre = 0.5;
    struct Case {
        std::optional<double> metres;
        double minutes;
    };
    // 5 + 0.5 x 2 = 6 -> 15 (the overlap); 5 + 0.5 x 31 = 20.5 -> 25; 5 + 0.5 x 50 = 30 -> 30.
    for (const Case& test : std::vector<Case>{{2000.0, 15.0}, {31000.0, 25.0}, {50000.0, 30.0}, {std::nullopt, 15.0}})
        EXPECT_EQ(Suggested_Session_Minutes(campaign, profile, test.metres), test.minutes);
    profile.observationTime.settings.enabled = false;
    campaign.options.minimumOverlapMinutes = 0.0;
    EXPECT_EQ(Suggested_Session_Minutes(campaign, profile, 90000.0), 5.0);
}

}  // namespace
}  // namespace min_lumo_tool

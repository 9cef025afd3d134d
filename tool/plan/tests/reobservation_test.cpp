// The field list put to the test the surveyor would put it to: a generated
// campaign that fails the basic profile, the suggested sessions observed
// (written as an occupation log, each session on its own after the
// campaign), and the campaign planned again: it must then meet the profile.
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
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
// stations for its minutes, an hour apart, starting the day after `after`;
// all but `leftOut` when one is named.
std::string Suggested_Sessions_Log(const Planned& planned, double afterGps,
                                   std::optional<std::size_t> leftOut = std::nullopt) {
    const double dayAfter = (std::floor(min_lumo_field::Utc_Seconds_From_Gps(afterGps) / 86400.0) + 1.0) * 86400.0;
    std::string log = "station,start,end,latitude,longitude,height\n";
    double start = dayAfter;
    for (std::size_t i = 0; i < planned.checks.fieldList.size(); ++i) {
        if (leftOut == i) continue;
        const FieldOccupation& session = planned.checks.fieldList[i];
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

double Last_Epoch_Gps(const Campaign& campaign) {
    double last = 0.0;
    for (const auto& occupation : campaign.occupations) last = std::max(last, occupation.lastGps);
    return last;
}

// The files again with the suggested sessions observed (all but `leftOut`).
CampaignFiles With_Suggested_Sessions(CampaignFiles files, const Planned& planned,
                                      std::optional<std::size_t> leftOut = std::nullopt) {
    const std::string log = Suggested_Sessions_Log(planned, Last_Epoch_Gps(planned.campaign), leftOut);
    if (std::count(log.begin(), log.end(), '\n') == 1) return files;  // the heading alone
    files.Add_File("suggested.csv", min_lumo_field::Read_Occupation_Log_From_Memory("suggested.csv", log));
    return files;
}

// The field list as the surveyor would test it: observed whole, the
// campaign meets the profile; with any one session left out, it does not;
// no session pairs two names of one point, and none is longer than the
// profile allows.
void Expect_Every_Session_Needed(const std::function<CampaignFiles()>& read, const std::string& control,
                                 const StandardProfile& profile) {
    const Planned before = Plan_And_Check(read(), control, profile);
    ASSERT_FALSE(before.checks.Meets()) << "the campaign should need more sessions";
    for (const FieldOccupation& session : before.checks.fieldList) {
        EXPECT_NE(session.station, session.partner);
        EXPECT_FALSE(session.lengthMetres && *session.lengthMetres <= samePointMetres)
            << session.stationName << "-" << session.partnerName;
        EXPECT_LE(session.minutes, profile.maximumSessionMinutes);
        EXPECT_FALSE(session.reasons.empty()) << session.stationName << "-" << session.partnerName;
    }
    const Planned after = Plan_And_Check(With_Suggested_Sessions(read(), before), control, profile);
    for (const RuleCheck& rule : after.checks.rules) {
        if (rule.severity != RuleSeverity::required) continue;
        EXPECT_TRUE(rule.passed) << Rule_Key(rule.rule) << ": "
                                 << (rule.failures.empty() ? "" : rule.failures[0].item + " " + rule.failures[0].measured);
    }
    EXPECT_TRUE(after.checks.Meets()) << after.checks.verdict;
    EXPECT_TRUE(after.checks.fieldList.empty());
    for (std::size_t i = 0; i < before.checks.fieldList.size(); ++i) {
        const FieldOccupation& session = before.checks.fieldList[i];
        const Planned without = Plan_And_Check(With_Suggested_Sessions(read(), before, i), control, profile);
        EXPECT_FALSE(without.checks.Meets()) << "session " << session.number << " " << session.stationName << "-"
                                             << session.partnerName << " mends nothing the others do not";
    }
}

TEST(Reobservation, EverySuggestedSessionIsNeededInTheGeneratedCampaign) {
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
    for (const auto& occupation : written) paths.push_back(occupation.file);
    const StandardProfile basic = Load_Standard_Profile("basic", {MIN_LUMO_STANDARDS_FOLDER});
    Expect_Every_Session_Needed([&] { return Read_Campaign_Files(paths, false); }, written.front().station, basic);
    fs::remove_all(folder);
}

// The small campaign of the golden reports fails the basic profile on
// every count a new session can mend: a station no control reaches (LONE),
// one without a position hanging on a bridge (TURM), stations seen once.
// Three sessions mend it, each pair once, worked out by hand: LONE with
// HOLZ (its nearest reached station, which lacks a session too), BRUN with
// LONE (LONE's second, closing the loop around HOLZ-LONE), TURM with WALD
// (closing the loop around BASE-TURM).
TEST(Reobservation, SuggestedSessionsMendTheSmallCampaign) {
    const std::string path = std::string(MIN_LUMO_PLAN_TEST_DATA) + "/small_campaign.csv";
    const StandardProfile basic = Load_Standard_Profile("basic", {MIN_LUMO_STANDARDS_FOLDER});
    const Planned before = Plan_And_Check(Read_Campaign_Files({path}, false), "BASE", basic);
    ASSERT_EQ(before.checks.verdict, "fails basic: 4 rules");
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const FieldOccupation& session : before.checks.fieldList)
        pairs.emplace_back(session.stationName, session.partnerName);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"LONE", "HOLZ"}, {"BRUN", "LONE"}, {"TURM", "WALD"}};
    EXPECT_EQ(pairs, expected);
    Expect_Every_Session_Needed([&] { return Read_Campaign_Files({path}, false); }, "BASE", basic);
}

// The day of field faults holds ROV1 and ROV1_01 on one mark: no session
// pairs them, and the notes say to name them alike instead.
TEST(Reobservation, NeverPairsTwoNamesOfOnePoint) {
    const fs::path folder = fs::temp_directory_path() / "min_lumo_reobservation_faults";
    fs::remove_all(folder);
    min_lumo_field::RinexCampaignOptions options;
    options.stations = 10;
    options.days = 1;
    options.sessions = 3;
    options.receivers = 5;
    options.seed = 7;
    options.fieldFaults = true;
    min_lumo_field::Write_Rinex_Campaign(options, folder.string());
    const StandardProfile basic = Load_Standard_Profile("basic", {MIN_LUMO_STANDARDS_FOLDER});
    Planned planned;
    CampaignOptions campaignOptions;
    campaignOptions.controls = {"A000", "REF1"};
    planned.campaign = Form_Campaign(Read_Campaign_Files({folder.string()}, false), campaignOptions);
    const LoadedLibrary library("");
    planned.plan = Plan_Processing(planned.campaign, library);
    planned.checks = Check_Standard(planned.campaign, planned.plan, basic);
    ASSERT_FALSE(planned.checks.fieldList.empty());
    for (const FieldOccupation& session : planned.checks.fieldList) {
        EXPECT_FALSE(session.stationName.rfind("ROV1", 0) == 0 && session.partnerName.rfind("ROV1", 0) == 0)
            << session.stationName << "-" << session.partnerName;
        EXPECT_NE(session.stationName, "ROV1_01");
        EXPECT_GT(session.lengthMetres.value_or(0.0), samePointMetres);
    }
    const auto note = std::find_if(planned.checks.fieldNotes.begin(), planned.checks.fieldNotes.end(),
                                   [](const std::string& text) { return text.find("ROV1 and ROV1_01") != std::string::npos; });
    ASSERT_NE(note, planned.checks.fieldNotes.end());
    EXPECT_NE(note->find("--station FILE=NAME"), std::string::npos) << *note;
    fs::remove_all(folder);
}

// Two islands about 140 km apart, each seen once, for four hours with the
// mainland (1,500 km away, three stations observing all of one day and from 06:00 the next)
// but only 80 minutes with each other, where the profile's table asks 90
// up to 200 km (and 240 beyond).  One session of 90 minutes on the island
// baseline mends it and gives both islands their second session too: it
// is the whole list, with no session on the long lines.
TEST(Reobservation, OneSessionMendsWhatItMendsOnce) {
    const std::vector<std::string> lines = {
        "MAIN,2024-05-14T00:00:00Z,2024-05-14T23:59:00Z,38.70,-9.20,100",
        "NORT,2024-05-14T00:00:00Z,2024-05-14T23:59:00Z,38.80,-9.10,100",
        "SUDE,2024-05-14T00:00:00Z,2024-05-14T23:59:00Z,38.60,-9.10,100",
        "MAIN,2024-05-15T06:00:00Z,2024-05-15T23:59:00Z,38.70,-9.20,100",
        "NORT,2024-05-15T06:00:00Z,2024-05-15T23:59:00Z,38.80,-9.10,100",
        "SUDE,2024-05-15T06:00:00Z,2024-05-15T23:59:00Z,38.60,-9.10,100",
        "FLRS,2024-05-14T04:00:00Z,2024-05-14T08:00:00Z,38.40,-26.30,50",
        "PDEL,2024-05-14T06:40:00Z,2024-05-14T10:40:00Z,37.75,-24.95,50",
    };
    std::string text = "station,start,end,latitude,longitude,height\n";
    for (const std::string& line : lines) text += line + "\n";
    const auto read = [&] {
        CampaignFiles files;
        files.Add_File("islands.csv", min_lumo_field::Read_Occupation_Log_From_Memory("islands.csv", text));
        return files;
    };
    StandardProfile profile = Load_Standard_Profile("basic", {MIN_LUMO_STANDARDS_FOLDER});
    profile.observationTime.lengthTable = {{200.0, 90.0}, {5000.0, 240.0}};
    const Planned before = Plan_And_Check(read(), "MAIN", profile);
    ASSERT_EQ(before.checks.fieldList.size(), 1U) << before.checks.fieldList.back().stationName << "-"
                                                  << before.checks.fieldList.back().partnerName;
    const FieldOccupation& session = before.checks.fieldList.front();
    EXPECT_EQ(std::minmax(session.stationName, session.partnerName), std::minmax(std::string("FLRS"), std::string("PDEL")));
    EXPECT_EQ(session.minutes, 90.0);
    Expect_Every_Session_Needed(read, "MAIN", profile);
}

// Stations P1, P2 and P3 observed together on a second day, apart from
// the network of control BASE: no control reaches them, and P2 was there
// once.  P1 comes first and would be joined to BASE; but P2's own second
// session, with NORD (2 km, its nearest), joins all three as well, so the
// session for P1 is needless and left out: one session in all.  (The
// profile leaves the loops out, which would want both.)
TEST(Reobservation, DropsASessionALaterOneMakesNeedless) {
    const std::vector<std::string> lines = {
        "BASE,2024-05-14T08:00:00Z,2024-05-14T09:00:00Z,47.000,8.000,450",
        "NORD,2024-05-14T08:00:00Z,2024-05-14T09:00:00Z,47.000,8.030,450",
        "SUED,2024-05-14T08:00:00Z,2024-05-14T09:00:00Z,46.980,8.015,450",
        "BASE,2024-05-14T12:00:00Z,2024-05-14T13:00:00Z,47.000,8.000,450",
        "NORD,2024-05-14T12:00:00Z,2024-05-14T13:00:00Z,47.000,8.030,450",
        "SUED,2024-05-14T12:00:00Z,2024-05-14T13:00:00Z,46.980,8.015,450",
        "P1,2024-05-15T08:00:00Z,2024-05-15T09:00:00Z,47.050,8.000,450",
        "P2,2024-05-15T08:00:00Z,2024-05-15T09:00:00Z,47.015,8.015,450",
        "P3,2024-05-15T08:00:00Z,2024-05-15T09:00:00Z,47.060,8.020,450",
        "P1,2024-05-15T12:00:00Z,2024-05-15T13:00:00Z,47.050,8.000,450",
        "P3,2024-05-15T12:00:00Z,2024-05-15T13:00:00Z,47.060,8.020,450",
    };
    std::string text = "station,start,end,latitude,longitude,height\n";
    for (const std::string& line : lines) text += line + "\n";
    const auto read = [&] {
        CampaignFiles files;
        files.Add_File("piece.csv", min_lumo_field::Read_Occupation_Log_From_Memory("piece.csv", text));
        return files;
    };
    StandardProfile profile = Load_Standard_Profile("basic", {MIN_LUMO_STANDARDS_FOLDER});
    profile.loops.settings.enabled = false;
    const Planned before = Plan_And_Check(read(), "BASE", profile);
    ASSERT_EQ(before.checks.fieldList.size(), 1U);
    EXPECT_EQ(before.checks.fieldList[0].stationName, "P2");
    EXPECT_EQ(before.checks.fieldList[0].partnerName, "NORD");
    EXPECT_EQ(before.checks.fieldList[0].reasons.size(), 4U);  // P1, P2, P3 reached; P2's second session
    Expect_Every_Session_Needed(read, "BASE", profile);
}

// The ring BASE-A-B-C of single-baseline sessions (each station tied to
// two others) against three ties and a direct tie to a control within
// 5 km: B across the ring from control BASE is joined to it first, which
// gives B its third tie, and A and C, each other's only station not yet
// tied, are joined next.  Two sessions, worked out by hand.
TEST(Reobservation, TiesAndDirectTiesToNearbyControls) {
    const std::vector<std::string> lines = {
        "BASE,2024-05-14T08:00:00Z,2024-05-14T08:40:00Z,47.0000,8.0000,450",
        "A,2024-05-14T08:00:00Z,2024-05-14T08:40:00Z,47.0100,8.0000,450",
        "A,2024-05-14T10:00:00Z,2024-05-14T10:40:00Z,47.0100,8.0000,450",
        "B,2024-05-14T10:00:00Z,2024-05-14T10:40:00Z,47.0100,8.0150,450",
        "B,2024-05-14T12:00:00Z,2024-05-14T12:40:00Z,47.0100,8.0150,450",
        "C,2024-05-14T12:00:00Z,2024-05-14T12:40:00Z,47.0000,8.0150,450",
        "C,2024-05-14T14:00:00Z,2024-05-14T14:40:00Z,47.0000,8.0150,450",
        "BASE,2024-05-14T14:00:00Z,2024-05-14T14:40:00Z,47.0000,8.0000,450",
    };
    std::string text = "station,start,end,latitude,longitude,height\n";
    for (const std::string& line : lines) text += line + "\n";
    const auto read = [&] {
        CampaignFiles files;
        files.Add_File("ring.csv", min_lumo_field::Read_Occupation_Log_From_Memory("ring.csv", text));
        return files;
    };
    const StandardProfile profile = Parse_Standard_Profile("ties.json", R"({"name": "ties", "title": "t", "rules": {
        "ties": {"enabled": true, "minimumStations": 3, "source": "t"},
        "nearbyControls": {"enabled": true, "withinKilometres": 5, "source": "t"}}})");
    const Planned before = Plan_And_Check(read(), "BASE", profile);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const FieldOccupation& session : before.checks.fieldList)
        pairs.emplace_back(session.stationName, session.partnerName);
    const std::vector<std::pair<std::string, std::string>> expected = {{"B", "BASE"}, {"A", "C"}};
    EXPECT_EQ(pairs, expected);
    Expect_Every_Session_Needed(read, "BASE", profile);
}

// Three stations, each tied to both others: a fourth station to tie to
// does not exist, so no session is suggested (another baseline to a
// station already tied adds no tie) and the notes say so.
TEST(Reobservation, NoTieWhereNoStationIsLeft) {
    const std::vector<std::string> lines = {
        "BASE,2024-05-14T08:00:00Z,2024-05-14T08:40:00Z,47.0000,8.0000,450",
        "A,2024-05-14T08:00:00Z,2024-05-14T08:40:00Z,47.0100,8.0000,450",
        "A,2024-05-14T10:00:00Z,2024-05-14T10:40:00Z,47.0100,8.0000,450",
        "B,2024-05-14T10:00:00Z,2024-05-14T10:40:00Z,47.0100,8.0150,450",
        "B,2024-05-14T12:00:00Z,2024-05-14T12:40:00Z,47.0100,8.0150,450",
        "BASE,2024-05-14T12:00:00Z,2024-05-14T12:40:00Z,47.0000,8.0000,450",
    };
    std::string text = "station,start,end,latitude,longitude,height\n";
    for (const std::string& line : lines) text += line + "\n";
    CampaignFiles files;
    files.Add_File("triangle.csv", min_lumo_field::Read_Occupation_Log_From_Memory("triangle.csv", text));
    const StandardProfile profile = Parse_Standard_Profile("ties.json", R"({"name": "ties", "title": "t", "rules": {
        "ties": {"enabled": true, "minimumStations": 3, "source": "t"}}})");
    const Planned planned = Plan_And_Check(std::move(files), "BASE", profile);
    EXPECT_TRUE(planned.checks.fieldList.empty());
    const std::vector<std::string> expected = {"A: ties 2 of 3: no other station to observe it with",
                                               "B: ties 2 of 3: no other station to observe it with"};
    EXPECT_EQ(planned.checks.fieldNotes, expected);
}

// A need that only a session longer than the profile's limit meets is
// named in the notes, with the session's length, and not suggested.
TEST(Reobservation, TooLongASessionIsNamedNotSuggested) {
    const std::vector<std::string> lines = {
        "MAIN,2024-05-14T00:00:00Z,2024-05-14T23:59:00Z,38.70,-9.20,100",
        "NORT,2024-05-14T00:00:00Z,2024-05-14T23:59:00Z,38.80,-9.10,100",
        "MAIN,2024-05-15T06:00:00Z,2024-05-15T23:59:00Z,38.70,-9.20,100",
        "NORT,2024-05-15T06:00:00Z,2024-05-15T23:59:00Z,38.80,-9.10,100",
        "FLRS,2024-05-14T04:00:00Z,2024-05-14T08:00:00Z,38.40,-26.30,50",
    };
    std::string text = "station,start,end,latitude,longitude,height\n";
    for (const std::string& line : lines) text += line + "\n";
    CampaignFiles files;
    files.Add_File("island.csv", min_lumo_field::Read_Occupation_Log_From_Memory("island.csv", text));
    // 15 min + 0.5 min per km: about 760 min for the island's 1,490 km
    // lines, more than its 4 hours and than the 8 hours a session may last.
    const StandardProfile basic = Load_Standard_Profile("basic", {MIN_LUMO_STANDARDS_FOLDER});
    const Planned planned = Plan_And_Check(std::move(files), "MAIN", basic);
    for (const FieldOccupation& session : planned.checks.fieldList)
        EXPECT_LE(session.minutes, basic.maximumSessionMinutes) << session.stationName << "-" << session.partnerName;
    std::size_t tooLong = 0;
    for (const std::string& note : planned.checks.fieldNotes)
        if (note.find("longer than the profile's limit of 8 h") != std::string::npos) ++tooLong;
    EXPECT_GE(tooLong, 1U);
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
    // Past the end of a length table no session is long enough.
    profile.observationTime.lengthTable = {{20.0, 8.0}, {30.0, 12.0}};
    EXPECT_EQ(Suggested_Session_Minutes(campaign, profile, 25000.0), 15.0);
    EXPECT_EQ(Suggested_Session_Minutes(campaign, profile, 31000.0), std::nullopt);
    profile.observationTime.settings.enabled = false;
    campaign.options.minimumOverlapMinutes = 0.0;
    EXPECT_EQ(Suggested_Session_Minutes(campaign, profile, 90000.0), 5.0);
}

}  // namespace
}  // namespace min_lumo_tool

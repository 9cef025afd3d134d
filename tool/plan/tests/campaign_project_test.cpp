// Forming a project from occupations: which pairs overlap enough, what the
// observations span, how occupations become stations, sessions, labels,
// sources and controls.  Times are written as UTC text and worked out by
// hand; the occupations are made in memory, as the field reader returns them.
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hostkit/host_memory.h"
#include "hostkit/project_model.h"
#include "tool/field/gnss_time.h"
#include "tool/plan/campaign_project.h"
#include "tool/project/project_reader.h"
#include "tool/project/project_writer.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::HostMemory;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectControl;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::labelTokenCount;

namespace {

using min_lumo_field::Occupation;

double Gps(const std::string& utc) {
    const std::optional<double> seconds = min_lumo_field::Parse_Iso_Utc(utc);
    EXPECT_TRUE(seconds.has_value()) << utc;
    return min_lumo_field::Gps_Seconds_From_Utc(seconds.value_or(0.0));
}

struct Position {
    double latitude, longitude, height;
};

Occupation Occupied(const std::string& station, const std::string& first, const std::string& last,
                    std::optional<Position> position = Position{47.05, 8.30, 450.0}) {
    Occupation occupation;
    occupation.station = station;
    occupation.hasEpochs = true;
    occupation.firstGps = Gps(first);
    occupation.lastGps = Gps(last);
    if (position)
        min_lumo_field::Set_Geodetic_Position(occupation, position->latitude, position->longitude, position->height);
    return occupation;
}

// Each occupation in a file of its own, named after its station and place.
CampaignFiles Files(std::vector<Occupation> occupations) {
    CampaignFiles files;
    for (Occupation& occupation : occupations) {
        const std::string name = occupation.station + "_" + std::to_string(files.files.size()) + ".rnx";
        occupation.file = "field/" + name;
        files.Add_File(std::string(occupation.file), {occupation});
    }
    return files;
}

Campaign Formed(std::vector<Occupation> occupations, double minimumOverlapMinutes = defaultMinimumOverlapMinutes,
                std::vector<std::string> controls = {}) {
    CampaignOptions options;
    options.minimumOverlapMinutes = minimumOverlapMinutes;
    options.controls = std::move(controls);
    return Form_Campaign(Files(std::move(occupations)), options);
}

std::vector<std::string> Labels(const Campaign& campaign) {
    std::vector<std::string> labels;
    for (const ProjectObservation& observation : campaign.project.observations) labels.push_back(observation.label);
    return labels;
}

struct OverlapCase {
    const char* name;
    double minimumMinutes;
    const char* secondStart;  // the first occupation runs 08:00 to 10:00
    const char* secondEnd;
    bool observed;
};

class OverlapTest : public ::testing::TestWithParam<OverlapCase> {};

TEST_P(OverlapTest, GivesAnObservationExactlyWhenLongEnough) {
    const OverlapCase& c = GetParam();
    const Campaign campaign = Formed({Occupied("BASE", "2024-05-14T08:00:00Z", "2024-05-14T10:00:00Z"),
                                      Occupied("KAPF", c.secondStart, c.secondEnd)},
                                     c.minimumMinutes);
    EXPECT_EQ(campaign.project.observations.size(), c.observed ? 1U : 0U);
    EXPECT_TRUE(Validate_Project(campaign.project).empty());
}

const OverlapCase overlapCases[] = {
    {"default_one_second_short", 15.0, "2024-05-14T09:45:01Z", "2024-05-14T11:00:00Z", false},
    {"default_exactly_fifteen_minutes", 15.0, "2024-05-14T09:45:00Z", "2024-05-14T11:00:00Z", true},
    {"default_inside_the_other", 15.0, "2024-05-14T08:30:00Z", "2024-05-14T09:00:00Z", true},
    {"default_ten_minutes_inside", 15.0, "2024-05-14T08:30:00Z", "2024-05-14T08:40:00Z", false},
    {"zero_touching_is_no_overlap", 0.0, "2024-05-14T10:00:00Z", "2024-05-14T11:00:00Z", false},
    {"zero_one_second", 0.0, "2024-05-14T09:59:59Z", "2024-05-14T11:00:00Z", true},
    {"zero_before_and_apart", 0.0, "2024-05-14T06:00:00Z", "2024-05-14T07:59:59Z", false},
    {"fraction_of_a_minute_short", 2.5, "2024-05-14T09:57:31Z", "2024-05-14T11:00:00Z", false},
    {"fraction_of_a_minute", 2.5, "2024-05-14T09:57:30Z", "2024-05-14T11:00:00Z", true},
};
INSTANTIATE_TEST_SUITE_P(Campaign, OverlapTest, ::testing::ValuesIn(overlapCases),
                         [](const ::testing::TestParamInfo<OverlapCase>& testCase) {
                             return std::string(testCase.param.name);
                         });

TEST(CampaignProjectTest, ObservationRunsFromTheLaterStartToTheEarlierEnd) {
    const Campaign campaign = Formed({Occupied("KAPF", "2024-05-14T07:35:00Z", "2024-05-14T09:40:00Z"),
                                      Occupied("BASE", "2024-05-14T07:30:00Z", "2024-05-14T10:30:00Z")});
    ASSERT_EQ(campaign.project.observations.size(), 1U);
    const ProjectObservation& observation = campaign.project.observations[0];
    EXPECT_EQ(observation.start.text, "2024-05-14T07:35:00Z");
    EXPECT_EQ(observation.end.text, "2024-05-14T09:40:00Z");
    EXPECT_EQ(observation.start.seconds, 1715672100.0);
    EXPECT_EQ(observation.timeSpan, 7500.0);
    EXPECT_EQ(observation.label, "BASE 135A KAPF 1");
}

// GPS seconds have no leap second in them, UTC seconds since 1970 do not
// count the one at the end of 2016: the span is the true 1201 s.
TEST(CampaignProjectTest, SpanIsExactAcrossALeapSecond) {
    const Campaign campaign = Formed({Occupied("BASE", "2016-12-31T23:50:00Z", "2017-01-01T00:10:00Z"),
                                      Occupied("KAPF", "2016-12-31T23:50:00Z", "2017-01-01T00:10:00Z")});
    ASSERT_EQ(campaign.project.observations.size(), 1U);
    const ProjectObservation& observation = campaign.project.observations[0];
    EXPECT_EQ(observation.start.text, "2016-12-31T23:50:00Z");
    EXPECT_EQ(observation.end.text, "2017-01-01T00:10:00Z");
    EXPECT_EQ(observation.end.seconds - observation.start.seconds, 1200.0);
    EXPECT_EQ(observation.timeSpan, 1201.0);
}

TEST(CampaignProjectTest, OccupationsOfOneMarkerAreOneStation) {
    const Campaign campaign =
        Formed({Occupied("KAPF", "2024-05-14T07:35:00Z", "2024-05-14T09:40:00Z", Position{47.0, 8.0, 400.0}),
                Occupied("BASE", "2024-05-14T07:30:00Z", "2024-05-14T12:30:00Z"),
                Occupied("kapf", "2024-05-14T10:20:00Z", "2024-05-14T12:25:00Z", Position{47.0, 8.0, 410.0}),
                Occupied("Holz", "2024-05-14T10:20:00Z", "2024-05-14T12:25:00Z", std::nullopt)});
    const auto& stations = campaign.project.stations;
    ASSERT_EQ(stations.size(), 3U);
    // Ordered by name in byte order; the first spelling of a marker kept.
    EXPECT_EQ(stations[0].name, "BASE");
    EXPECT_EQ(stations[1].name, "Holz");
    EXPECT_EQ(stations[2].name, "KAPF");
    EXPECT_EQ(campaign.stations[StationIndex{2}].occupations, (std::vector{OccupationIndex{0}, OccupationIndex{2}}));
    // The mean of the two Earth-centred positions lies between them.
    EXPECT_NEAR(stations[2].latitude, 47.0, 1e-9);
    EXPECT_NEAR(stations[2].longitude, 8.0, 1e-9);
    EXPECT_NEAR(stations[2].height, 405.0, 1e-3);
    EXPECT_EQ(stations[2].positionFlagA, 1);
    EXPECT_EQ(stations[1].positionFlagA, 0);
    EXPECT_FALSE(campaign.stations[StationIndex{1}].positionKnown);
    ASSERT_FALSE(campaign.warnings.empty());
    EXPECT_NE(campaign.warnings.back().find("station Holz: no file gives its position"), std::string::npos);
    // BASE measured KAPF twice, and Holz once; Holz sorts before KAPF.
    EXPECT_EQ(Labels(campaign), (std::vector<std::string>{"BASE 135A KAPF 1", "BASE 135B Holz 1", "BASE 135B KAPF 2",
                                                          "Holz 135B KAPF 1"}));
    EXPECT_EQ(campaign.project.baselines.size(), 3U);
    EXPECT_EQ(campaign.project.baselines[0].observations, (std::vector<int32_t>{0, 2}));
}

TEST(CampaignProjectTest, MarkersFarApartUnderOneNameAreReported) {
    // 0.1 degrees of latitude apart: 11.12 km, half of it from the mean.
    const Campaign campaign =
        Formed({Occupied("BASE", "2024-05-14T07:30:00Z", "2024-05-14T09:30:00Z", Position{47.0, 8.0, 400.0}),
                Occupied("BASE", "2024-05-15T07:30:00Z", "2024-05-15T09:30:00Z", Position{47.1, 8.0, 400.0})});
    ASSERT_EQ(campaign.warnings.size(), 1U);
    EXPECT_NE(campaign.warnings[0].find("station BASE: its files' positions lie up to 5559 m from their mean"),
              std::string::npos)
        << campaign.warnings[0];
}

TEST(CampaignProjectTest, BaselinesRunFromTheNameThatSortsFirst) {
    // Upper-case letters sort before lower-case ones in byte order.
    const Campaign campaign = Formed({Occupied("alpha", "2024-05-14T07:30:00Z", "2024-05-14T09:30:00Z"),
                                      Occupied("Zeta", "2024-05-14T07:40:00Z", "2024-05-14T09:30:00Z")});
    ASSERT_EQ(campaign.project.baselines.size(), 1U);
    const ProjectBaseline& baseline = campaign.project.baselines[0];
    EXPECT_EQ(campaign.project.stations[static_cast<std::size_t>(baseline.fromStation)].name, "Zeta");
    EXPECT_EQ(campaign.project.stations[static_cast<std::size_t>(baseline.toStation)].name, "alpha");
    // Each end's source is the file of that end's occupation.
    const ProjectObservation& observation = campaign.project.observations[0];
    EXPECT_EQ(observation.fromSourceName, "Zeta_1.rnx");
    EXPECT_EQ(observation.toSourceName, "alpha_0.rnx");
    EXPECT_EQ(observation.fromSource, 1);
    EXPECT_EQ(campaign.observations[0].fromOccupation, OccupationIndex{1});
    EXPECT_EQ(campaign.observations[0].fromFile, FileIndex{1});
    EXPECT_EQ(campaign.project.sources[0].ratioNumerator, 1);
    EXPECT_EQ(campaign.project.sources[0].ratioDenominator, 1);
}

// Within a UTC day a session runs as long as observations keep overlapping
// one another; the next day starts again at A.
TEST(CampaignProjectTest, SessionsAreRunsOfOverlapWithinADay) {
    const Campaign campaign = Formed({
        Occupied("A", "2024-05-14T07:00:00Z", "2024-05-14T09:00:00Z"),
        Occupied("B", "2024-05-14T07:00:00Z", "2024-05-14T09:00:00Z"),
        Occupied("C", "2024-05-14T08:30:00Z", "2024-05-14T10:00:00Z"),
        Occupied("D", "2024-05-14T08:30:00Z", "2024-05-14T10:00:00Z"),
        Occupied("E", "2024-05-14T10:00:00Z", "2024-05-14T11:00:00Z"),
        Occupied("F", "2024-05-14T10:00:00Z", "2024-05-14T11:00:00Z"),
        Occupied("E", "2024-05-14T23:30:00Z", "2024-05-15T01:00:00Z"),
        Occupied("F", "2024-05-14T23:30:00Z", "2024-05-15T01:00:00Z"),
        Occupied("A", "2024-05-15T07:00:00Z", "2024-05-15T08:00:00Z"),
        Occupied("F", "2024-05-15T07:00:00Z", "2024-05-15T08:00:00Z"),
    });
    // A-C and B-C overlap A-B by half an hour: one session with C-D.
    EXPECT_EQ(Labels(campaign),
              (std::vector<std::string>{"A 135A B 1", "A 135A C 1", "A 135A D 1", "B 135A C 1", "B 135A D 1",
                                        "C 135A D 1", "E 135B F 1", "E 135C F 2", "A 136A F 1"}));
}

TEST(CampaignProjectTest, SessionTokens) {
    const auto utc = [](const char* text) { return min_lumo_field::Parse_Iso_Utc(text).value(); };
    EXPECT_EQ(Session_Token(utc("2024-01-01T00:00:00Z"), 0), "001A");
    EXPECT_EQ(Session_Token(utc("2024-05-14T23:59:59Z"), 25), "135Z");
    EXPECT_EQ(Session_Token(utc("2024-12-31T12:00:00Z"), 26), "366AA");
    EXPECT_EQ(Session_Token(utc("2023-12-31T12:00:00Z"), 27), "365AB");
    EXPECT_EQ(Session_Token(utc("2023-02-01T12:00:00Z"), 701), "032ZZ");
    EXPECT_EQ(Session_Token(utc("2023-02-01T12:00:00Z"), 702), "032AAA");
}

struct LabelCase {
    const char* from;
    const char* session;
    const char* to;
    int32_t occurrence;
    const char* label;
};

TEST(CampaignProjectTest, LabelsFitTheirField) {
    const LabelCase cases[] = {
        {"BASE", "135A", "KAPF", 1, "BASE 135A KAPF 1"},
        {"MOUNTAINPEAK1", "135A", "RIVERBANK", 12, "MOUNTAINPEA 135A RIVERBANK 12"},
        {"MOUNTAINPEAK1", "135AA", "RIVERBANKS22", 259, "MOUNTAINPE 135AA RIVERBANKS 259"},
        {"MY STATION", "135B", "X", 3, "MY_STATION 135B X 3"},
    };
    for (const LabelCase& c : cases) {
        const std::string label = Observation_Label(c.from, c.session, c.to, c.occurrence);
        EXPECT_EQ(label, c.label);
        EXPECT_LE(label.size(), longestLabel);
        EXPECT_EQ(Label_Tokens(label).size(), labelTokenCount);
    }
}

// The host lists at most 259 observations on a baseline; the 260th of the
// same two stations opens another baseline between them.
TEST(CampaignProjectTest, AFullBaselineIsContinuedByAnother) {
    std::vector<Occupation> occupations;
    for (int day = 0; day < 260; ++day) {
        const std::string date = min_lumo_field::Format_Utc_Iso(1715644800.0 + day * 86400.0).substr(0, 10);
        occupations.push_back(Occupied("BASE", date + "T08:00:00Z", date + "T09:00:00Z"));
        occupations.push_back(Occupied("KAPF", date + "T08:00:00Z", date + "T09:00:00Z"));
    }
    const Campaign campaign = Formed(std::move(occupations));
    ASSERT_EQ(campaign.project.baselines.size(), 2U);
    EXPECT_EQ(campaign.project.baselines[0].observations.size(), mostBaselineObservations);
    EXPECT_EQ(campaign.project.baselines[1].observations, (std::vector<int32_t>{259}));
    EXPECT_EQ(campaign.project.observations[258].label, "BASE 027A KAPF 259");
    EXPECT_EQ(campaign.project.observations[259].label, "BASE 028A KAPF 1");
    EXPECT_TRUE(Validate_Project(campaign.project).empty());
}

struct ControlCase {
    const char* name;
    std::vector<std::string> controls;
    std::vector<std::string> expected;  // control records made
    const char* error;                  // part of the message; nullptr when none
};

TEST(CampaignProjectTest, Controls) {
    const ControlCase cases[] = {
        {"by_name", {"BASE"}, {"BASE"}, nullptr},
        {"ignoring_case", {"base", "kApF"}, {"BASE", "KAPF"}, nullptr},
        {"named_twice", {"BASE", "Base"}, {"BASE"}, nullptr},
        {"unknown", {"BASE", "NOPE"}, {}, "--control NOPE: no station of that name; the stations are BASE, KAPF"},
        {"too_long", {"ABCDEFGHIJKLMNOP"}, {}, "--control ABCDEFGHIJKLMNOP: longer than 15 characters"},
    };
    for (const ControlCase& c : cases) {
        std::vector<Occupation> occupations = {Occupied("BASE", "2024-05-14T07:30:00Z", "2024-05-14T09:30:00Z"),
                                               Occupied("KAPF", "2024-05-14T07:30:00Z", "2024-05-14T09:30:00Z")};
        if (c.error != nullptr) {
            try {
                Formed(std::move(occupations), defaultMinimumOverlapMinutes, c.controls);
                ADD_FAILURE() << c.name << ": no error";
            } catch (const CampaignError& error) {
                EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << c.name << ": " << error.what();
            }
            continue;
        }
        const Campaign campaign = Formed(std::move(occupations), defaultMinimumOverlapMinutes, c.controls);
        std::vector<std::string> made;
        for (const ProjectControl& control : campaign.project.controls) {
            made.push_back(control.name);
            EXPECT_EQ(control.inactive, 0);
        }
        EXPECT_EQ(made, c.expected) << c.name;
    }
}

TEST(CampaignProjectTest, AnOccupationWithoutEpochsIsNoStation) {
    std::vector<Occupation> occupations = {Occupied("BASE", "2024-05-14T07:30:00Z", "2024-05-14T09:30:00Z"),
                                           Occupied("EMPTY", "2024-05-14T07:30:00Z", "2024-05-14T09:30:00Z")};
    occupations[1].hasEpochs = false;
    const Campaign campaign = Formed(std::move(occupations));
    ASSERT_EQ(campaign.project.stations.size(), 1U);
    EXPECT_EQ(campaign.readOccupation.Items(), (std::vector<std::optional<OccupationIndex>>{OccupationIndex{0}, std::nullopt}));
    ASSERT_EQ(campaign.occupations.size(), 1U);
    EXPECT_EQ(campaign.occupations[OccupationIndex{0}].stationIndex, StationIndex{0});
    EXPECT_TRUE(campaign.project.observations.empty());
}

// The formed project is what the JSON reader would build from its file, so
// writing it and reading it back gives the same host records.
TEST(CampaignProjectTest, WrittenProjectReadsBackToTheSameRecords) {
    const Campaign campaign = Formed({Occupied("BASE", "2024-05-14T07:30:00.5Z", "2024-05-14T12:30:00Z"),
                                      Occupied("KAPF", "2024-05-14T07:35:00Z", "2024-05-14T09:40:00.25Z"),
                                      Occupied("HOLZ", "2024-05-14T07:32:00Z", "2024-05-14T09:45:00Z", std::nullopt)},
                                     defaultMinimumOverlapMinutes, {"base"});
    ASSERT_TRUE(Validate_Project(campaign.project).empty());
    const ReadResult read = Read_Project_Text(Project_Text(campaign.project));
    ASSERT_TRUE(read.violations.empty()) << Format_Violation(read.violations.front());
    EXPECT_EQ(HostMemory(campaign.project).Snapshot(), HostMemory(read.project).Snapshot());
    EXPECT_EQ(read.project.observations[1].end.text, "2024-05-14T09:40:00.250Z");
}

class CampaignFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // In the test's working folder (the build's scratch folder).
        folder_ = std::string("plan_files_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = (folder_ / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::filesystem::path folder_;
};

TEST_F(CampaignFilesTest, LogsByTheirExtensionAndEachFileOnce) {
    const std::string log = Write("LOG.CSV",
                                  "BASE,2024-05-14T07:30:00Z,2024-05-14T09:30:00Z\n"
                                  "KAPF,2024-05-14T07:30:00Z,2024-05-14T09:30:00Z\n");
    const CampaignFiles files = Read_Campaign_Files({log, log}, false);
    EXPECT_EQ(files.files.Items(), (std::vector<std::string>{log}));
    ASSERT_EQ(files.reads.size(), 2U);
    EXPECT_EQ(files.reads[ReadIndex{0}].file, FileIndex{0});
    EXPECT_EQ(files.reads[ReadIndex{1}].file, FileIndex{0});
    ASSERT_EQ(files.warnings.size(), 1U);
    EXPECT_EQ(files.warnings[0], log + ": given more than once; read once");
}

TEST_F(CampaignFilesTest, ABadFileStopsTheRunOrIsLeftOut) {
    const std::string log = Write("log.csv", "BASE,2024-05-14T07:30:00Z,2024-05-14T09:30:00Z\n");
    const std::string bad = Write("notes.rnx", "field notes, not RINEX\n");
    try {
        Read_Campaign_Files({log, bad}, false);
        ADD_FAILURE() << "no error";
    } catch (const min_lumo_field::FieldFileError& error) {
        EXPECT_EQ(error.file, bad);
        EXPECT_EQ(error.line, 1);
    }
    const CampaignFiles files = Read_Campaign_Files({log, bad}, true);
    EXPECT_EQ(files.files.Items(), (std::vector<std::string>{log}));
    ASSERT_EQ(files.warnings.size(), 1U);
    EXPECT_EQ(files.warnings[0], bad + ":1: not a RINEX file: the first line is not RINEX VERSION / TYPE (left out)");
}

}  // namespace
}  // namespace min_lumo_tool

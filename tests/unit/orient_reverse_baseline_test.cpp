// Reverse_Baseline called directly, for baselines the orientation never
// hands it: one without observations, and ends that name no station.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "orient/reverse_baseline.h"
#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

TEST(ReverseBaseline, WithoutObservationsTouchesOnlyStationsBlocksAndSolution) {
    HostProject project;
    project.Add_Station(StationFields{.name = "F", .positionFlagA = 1, .positionFlagB = 1, .positionFlagC = 1});
    project.Add_Station(StationFields{.name = "T", .positionFlagA = 1, .positionFlagB = 1, .positionFlagC = 1});
    project.Add_Baseline(0, 1);
    project.Add_Observation({.baseline = -1});  // on no baseline: must stay as it is
    std::fill_n(project.Baseline(0).bytes, 16, std::byte{0x22});
    const auto before = project.Snapshot();

    Reverse_Baseline(project.Header(), 0);

    // Station flags B and C (1 to 0), the station indices, and the blocks
    // at 0 and 32 and the solution (fill to other values); nothing else.
    std::vector<std::string> expected = {"station 0 +5192", "station 0 +5280", "station 1 +5192",
                                         "station 1 +5280"};
    for (int32_t b = 0; b < 16; ++b) expected.push_back("baseline 0 +" + std::to_string(b));
    for (int32_t b = 32; b < 48; ++b) expected.push_back("baseline 0 +" + std::to_string(b));
    expected.push_back("baseline 0 +64");
    expected.push_back("baseline 0 +68");
    for (int32_t b = 1116; b < 1584; ++b) expected.push_back("baseline 0 +" + std::to_string(b));
    std::vector<std::string> changed;
    for (const ByteChange& c : Changed_Bytes(project, before, project.Snapshot()))
        changed.push_back(c.array + " " + std::to_string(c.record) + " +" + std::to_string(c.offset));
    EXPECT_EQ(changed, expected);
    EXPECT_EQ(Read_Field(project.Baseline(0), baseline::fromStation), 1);
    EXPECT_EQ(Read_Field(project.Baseline(0), baseline::toStation), 0);
    EXPECT_EQ(static_cast<int>(project.Baseline(0).bytes[32]), 0x22);
    EXPECT_EQ(static_cast<int>(project.Baseline(0).bytes[0]), 0xA5);
}

class NegativeEnd : public ::testing::TestWithParam<std::pair<int32_t, int32_t>> {};

TEST_P(NegativeEnd, SoundsTheAlarmAndLeavesEverythingAsItIs) {
    const auto [from, to] = GetParam();
    HostProject project;
    for (int32_t i = 0; i < 8; ++i)
        project.Add_Station(StationFields{.name = "S" + std::to_string(i), .positionFlagB = 1, .positionFlagC = 1});
    project.Add_Baseline(from, to);
    project.Add_Observation({.baseline = 0, .fromSource = 4, .toSource = 9, .solutionStatus = 3});
    const auto before = project.Snapshot();
    const int alarms = Alarm_Count();

    Reverse_Baseline(project.Header(), 0);

    EXPECT_TRUE(Changed_Bytes(project, before, project.Snapshot()).empty());
#ifndef _WIN32
    // Under wine the unit tests reach the real MessageBeep, which nothing counts.
    EXPECT_EQ(Alarm_Count(), alarms + 1);
#else
    (void)alarms;
#endif
}

INSTANTIATE_TEST_SUITE_P(Ends, NegativeEnd,
                         ::testing::Values(std::pair{-1, 7}, std::pair{3, -1}, std::pair{-1, -1},
                                           std::pair{INT32_MIN, 2}));

TEST(ReverseBaseline, StationsThreeAndSevenSoundNoAlarm) {
    HostProject project;
    for (int32_t i = 0; i < 8; ++i) project.Add_Station("S" + std::to_string(i));
    project.Add_Baseline(3, 7);
    const int alarms = Alarm_Count();
    Reverse_Baseline(project.Header(), 0);
    EXPECT_EQ(Alarm_Count(), alarms);
    EXPECT_EQ(Read_Field(project.Baseline(0), baseline::fromStation), 7);
}

}  // namespace
}  // namespace min_lumo_test

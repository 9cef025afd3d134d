// Levelling stations from the control stations and orienting baselines,
// through the export: levels, control indices, which baselines turn round,
// and that no other host byte changes.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/host_changes.h"
#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

// Values the call must overwrite (levels) or leave alone (treeControl of an
// unreached station).
constexpr int32_t StaleLevel = 9;
constexpr int32_t StaleTreeControl = 99;
constexpr int32_t Unreached = -1;
constexpr int32_t Excluded = -1;

struct ControlEntry {
    std::string name;
    int32_t inactive = 0;
};
struct BaselineEntry {
    int32_t from, to;
    std::vector<int32_t> statuses;  // solutionStatus of each observation, in list order
};
struct Scenario {
    const char* name;
    std::vector<std::string> stations;
    std::vector<ControlEntry> controls;
    std::vector<BaselineEntry> baselines;
    // Expected afterwards, per station and per baseline.
    std::vector<int32_t> treeLevel;
    std::vector<int32_t> treeControl;
    std::vector<int32_t> directionLevel;
    std::vector<std::pair<int32_t, int32_t>> ends;
};

constexpr int32_t Usable = 0;
const std::vector<int32_t> UsableObservation = {Usable};

std::vector<Scenario> Scenarios() {
    const int32_t S = StaleTreeControl;
    return {
        {"NoControls", {"A", "B"}, {}, {{0, 1, UsableObservation}},
         {Unreached, Unreached}, {S, S}, {Unreached}, {{0, 1}}},
        {"NoControlMatches", {"A", "B"}, {{"Z"}, {"AB"}}, {{1, 0, UsableObservation}},
         {Unreached, Unreached}, {S, S}, {Unreached}, {{1, 0}}},
        {"OnlyInactiveControls", {"A", "B"}, {{"A", 1}, {"b", -7}}, {{1, 0, UsableObservation}},
         {Unreached, Unreached}, {S, S}, {Unreached}, {{1, 0}}},
        {"CaseIsIgnoredButLengthsMustAgree", {"BASE1 ", "BASE1", "base"}, {{"base1"}}, {},
         {Unreached, 0, Unreached}, {S, 0, S}, {}, {}},
        {"NonAsciiBytesAreNotFolded", {"\xE4" "BC", "\xC4" "BC", "ABC"}, {{"\xC4" "bc"}, {"abc"}}, {},
         {Unreached, 0, 0}, {S, 0, 1}, {}, {}},
        {"StationNamesLongerThanFifteenNeverMatch", {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNO"},
         {{"abcdefghijklmno"}}, {}, {Unreached, 0}, {S, 0}, {}, {}},
        {"HighestMatchingControlWins", {"X", "K"},
         {{"A"}, {"B"}, {"K"}, {"C"}, {"D"}, {"k"}}, {}, {Unreached, 0}, {S, 5}, {}, {}},
        {"InactiveLaterControlDoesNotOverride", {"K"}, {{"K"}, {"K", 1}}, {}, {0}, {0}, {}, {}},
        {"OneControlNamesSeveralStations", {"ab", "AB", "aB"}, {{"Ab"}}, {}, {0, 0, 0}, {0, 0, 0}, {}, {}},
        // K, A, B: 0 runs A to K, 1 runs B to A.  Both turn round, one per sweep.
        {"ChainReversedOneSweepAtATime", {"K", "A", "B"}, {{"K"}},
         {{1, 0, UsableObservation}, {2, 1, UsableObservation}},
         {0, 1, 2}, {0, 0, 0}, {0, 1}, {{0, 1}, {1, 2}}},
        // The chain met in the other order: both in reach only one sweep apart.
        {"ChainListedOutwards", {"K", "A", "B"}, {{"K"}},
         {{2, 1, UsableObservation}, {1, 0, UsableObservation}},
         {0, 1, 2}, {0, 0, 0}, {1, 0}, {{1, 2}, {0, 1}}},
        {"TwoBaselinesKToYThenYToK", {"K", "Y"}, {{"K"}},
         {{0, 1, UsableObservation}, {1, 0, UsableObservation}},
         {0, 1}, {0, 0}, {0, 0}, {{0, 1}, {1, 0}}},
        {"TwoBaselinesYToKThenKToY", {"K", "Y"}, {{"K"}},
         {{1, 0, UsableObservation}, {0, 1, UsableObservation}},
         {0, 1}, {0, 0}, {0, 0}, {{0, 1}, {0, 1}}},
        {"BaselineBetweenTwoControlStations", {"K1", "K2"}, {{"K1"}, {"K2"}},
         {{1, 0, UsableObservation}}, {0, 0}, {0, 1}, {0}, {{1, 0}}},
        {"BaselineFromAStationToItself", {"K"}, {{"K"}}, {{0, 0, UsableObservation}},
         {0}, {0}, {0}, {{0, 0}}},
        {"UnusableBaselinesCarryNothing", {"K", "Y", "Z"}, {{"K"}},
         {{1, 0, {Excluded, Excluded}}, {0, 2, {}}},
         {0, Unreached, Unreached}, {0, S, S}, {Unreached, Unreached}, {{1, 0}, {0, 2}}},
        {"OneCountingObservationMakesItUsable", {"K", "Y"}, {{"K"}},
         {{1, 0, {Excluded, 0, Excluded}}}, {0, 1}, {0, 0}, {0}, {{0, 1}}},
        {"AnyStatusButMinusOneCounts", {"K", "Y", "Z"}, {{"K"}},
         {{0, 1, {Excluded, -2}}, {2, 1, {7}}}, {0, 1, 2}, {0, 0, 0}, {0, 1}, {{0, 1}, {1, 2}}},
        {"ControlsWithoutBaselines", {"K", "Y"}, {{"K"}}, {}, {0, Unreached}, {0, S}, {}, {}},
        // X is reachable from P (control 0) and Q (control 1) in sweep 0; the
        // lower-indexed baseline, from Q, decides.
        {"TwoTreesReachOneStationInOneSweep", {"P", "Q", "X"}, {{"P"}, {"Q"}},
         {{2, 1, UsableObservation}, {0, 2, UsableObservation}},
         {0, 0, 1}, {0, 1, 1}, {0, 0}, {{1, 2}, {0, 2}}},
        // Y and Z both reach level 1 in sweep 0; baseline 1 between them is
        // oriented in sweep 1 as it stands and reaches nothing.
        {"StationReachedEarlierInTheSameSweep", {"K", "Y", "Z"}, {{"K"}},
         {{0, 1, UsableObservation}, {1, 2, UsableObservation}, {2, 0, UsableObservation}},
         {0, 1, 1}, {0, 0, 0}, {0, 1, 0}, {{0, 1}, {1, 2}, {0, 2}}},
    };
}

class Orientation : public ::testing::TestWithParam<Scenario> {};

TEST_P(Orientation, LevelsStationsAndOrientsBaselines) {
    const Scenario& scenario = GetParam();
    HostProject project;
    for (const std::string& name : scenario.stations) {
        StationFields fields;
        fields.name = name;
        fields.positionFlagB = 1;
        fields.positionFlagC = 1;
        fields.treeControl = StaleTreeControl;
        fields.treeLevel = StaleLevel;
        project.Add_Station(fields);
    }
    for (const ControlEntry& control : scenario.controls) project.Add_Control(control.name, control.inactive);
    for (const BaselineEntry& entry : scenario.baselines) {
        const int32_t j = project.Add_Baseline(entry.from, entry.to);
        Write_Field(project.Baseline(j), baseline::directionLevel, StaleLevel);
        for (const int32_t status : entry.statuses)
            project.Add_Observation({.baseline = j, .solutionStatus = status});
    }
    const auto before = project.Snapshot();
    const int alarms = Alarm_Count();

    ASSERT_EQ(Library_Under_Test().fixBaselineDirection(project.Header()), 0);

    // Host bytes the orientation may change: every level and treeControl, and
    // for a reversed baseline everything a reversal touches.
    std::vector<Region> allowed;
    for (int32_t i = 0; i < static_cast<int32_t>(scenario.stations.size()); ++i) {
        SCOPED_TRACE("station " + std::to_string(i));
        EXPECT_EQ(Read_Field(project.Station(i), station::treeLevel), scenario.treeLevel[static_cast<size_t>(i)]);
        EXPECT_EQ(Read_Field(project.Station(i), station::treeControl), scenario.treeControl[static_cast<size_t>(i)]);
        allowed.push_back(
            {"station", i, station::treeControl.offset, station::treeLevel.offset + 4 - station::treeControl.offset});
    }
    for (int32_t j = 0; j < static_cast<int32_t>(scenario.baselines.size()); ++j) {
        SCOPED_TRACE("baseline " + std::to_string(j));
        const BaselineEntry& entry = scenario.baselines[static_cast<size_t>(j)];
        const std::pair<int32_t, int32_t> ends{Read_Field(project.Baseline(j), baseline::fromStation),
                                               Read_Field(project.Baseline(j), baseline::toStation)};
        EXPECT_EQ(Read_Field(project.Baseline(j), baseline::directionLevel),
                  scenario.directionLevel[static_cast<size_t>(j)]);
        EXPECT_EQ(ends, scenario.ends[static_cast<size_t>(j)]);
        allowed.push_back({"baseline", j, baseline::directionLevel.offset, 4});
        if (ends != std::pair{entry.from, entry.to}) {
            Add_Reversal_Regions(project, j, allowed);
            for (const int32_t s : {ends.first, ends.second}) {
                EXPECT_EQ(Read_Field(project.Station(s), station::positionFlagB), 0);
                EXPECT_EQ(Read_Field(project.Station(s), station::positionFlagC), 0);
            }
        }
    }
    for (const ByteChange& change : Changed_Bytes(project, before, project.Snapshot()))
        EXPECT_TRUE(Inside(change, allowed)) << change.array << " " << change.record << " +" << change.offset;
    EXPECT_EQ(Alarm_Count(), alarms);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Orientation, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& scenario) { return std::string(scenario.param.name); });

// A second call starts afresh from the current control records: nothing of
// the first call's levels survives, and oriented baselines stay as they are.
TEST(Orientation, ASecondCallStartsFromTheCurrentControls) {
    HostProject project;
    project.Add_Station("K");
    project.Add_Station("A");
    project.Add_Station("B");
    project.Add_Control("K");
    project.Add_Baseline(1, 0);
    project.Add_Observation({.baseline = 0});
    project.Add_Baseline(2, 1);
    project.Add_Observation({.baseline = 1});
    const LoadedLibrary& library = Library_Under_Test();
    ASSERT_EQ(library.fixBaselineDirection(project.Header()), 0);
    ASSERT_EQ(Read_Field(project.Station(2), station::treeLevel), 2);

    Write_Field(project.Control(0), control::inactive, 1);
    project.Add_Control("b");
    ASSERT_EQ(library.fixBaselineDirection(project.Header()), 0);
    EXPECT_EQ(Read_Field(project.Station(2), station::treeLevel), 0);
    EXPECT_EQ(Read_Field(project.Station(2), station::treeControl), 1);
    EXPECT_EQ(Read_Field(project.Station(1), station::treeLevel), 1);
    EXPECT_EQ(Read_Field(project.Station(0), station::treeLevel), 2);
    // Both baselines now run towards B and turn round again.
    EXPECT_EQ(Read_Field(project.Baseline(1), baseline::fromStation), 2);
    EXPECT_EQ(Read_Field(project.Baseline(0), baseline::fromStation), 1);
}

}  // namespace
}  // namespace min_lumo_test

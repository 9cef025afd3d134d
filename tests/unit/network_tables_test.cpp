// The network tables: station order, lists, counters, initial states and the
// references from observations to their stations.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/counting_heap.h"
#include "tests/support/host_project.h"
#include "tests/unit/inspected_run.h"

namespace min_lumo_test {
namespace {

using min_lumo::Excluded;
using min_lumo::Forced;
using min_lumo::Undecided;

class NetworkTables : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Heap();
        project.Add_Source();
    }
    void TearDown() override { EXPECT_EQ(Heap_Counters().liveBlocks, 0); }
    // The one network the project's observations form.
    NetworkView Build_One() {
        built = Inspect_Built(project.Header());
        EXPECT_EQ(built.result, 1);
        return built.networks.empty() ? NetworkView{} : built.networks[0];
    }
    HostProject project;
    InspectedRun built;
};

// P->Q, Q->R, P->Q again, all in one network.
TEST_F(NetworkTables, StationsInOrderOfFirstAppearanceWithTheirLists) {
    for (const char* name : {"P", "Q", "R"}) project.Add_Station(name);
    project.Add_Baseline(0, 1);
    project.Add_Baseline(1, 2);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    project.Add_Observation({.baseline = 1, .startTime = 10, .endTime = 100});
    project.Add_Observation({.baseline = 0, .startTime = 20, .endTime = 100});
    const NetworkView network = Build_One();
    ASSERT_EQ(network.Station_Order(), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(network.stations[0].listed, (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(network.stations[1].listed, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(network.stations[2].listed, (std::vector<int32_t>{1}));
    for (const StationView& station : network.stations) {
        EXPECT_EQ(station.openCount, static_cast<int32_t>(station.listed.size()));
        EXPECT_EQ(station.selectedCount, 0);
    }
    EXPECT_EQ(network.Observation(1).fromStation, 1);
    EXPECT_EQ(network.Observation(1).toStation, 2);
}

// Y->Z appears first, then X->Y: the second observation's from-station is X
// although Y entered the set earlier.
TEST_F(NetworkTables, ReferencesFollowBaselineDirectionNotAppearance) {
    for (const char* name : {"X", "Y", "Z"}) project.Add_Station(name);
    project.Add_Baseline(1, 2);
    project.Add_Baseline(0, 1);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    project.Add_Observation({.baseline = 1, .startTime = 10, .endTime = 90});
    const NetworkView network = Build_One();
    ASSERT_EQ(network.Station_Order(), (std::vector<int32_t>{1, 2, 0}));
    EXPECT_EQ(network.Observation(1).fromStation, 0);
    EXPECT_EQ(network.Observation(1).toStation, 1);
}

struct StateCase {
    const char* name;
    int32_t forced;
    int32_t solutionStatus;
    int32_t state;
    int32_t openCount;
    int32_t selectedCount;
};

class InitialStates : public NetworkTables, public ::testing::WithParamInterface<StateCase> {};

// One observation alone: two station entries, from-station first, each
// listing it once and counting it by its state.
TEST_P(InitialStates, OneObservationNetworkCountsByState) {
    const StateCase& c = GetParam();
    project.Add_Station("A");
    project.Add_Station("B");
    project.Add_Baseline(1, 0);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100, .forced = c.forced,
                             .solutionStatus = c.solutionStatus});
    const NetworkView network = Build_One();
    EXPECT_EQ(network.observations.at(0).state, c.state);
    ASSERT_EQ(network.Station_Order(), (std::vector<int32_t>{1, 0}));
    for (const StationView& station : network.stations) {
        EXPECT_EQ(station.listed, (std::vector<int32_t>{0}));
        EXPECT_EQ(station.openCount, c.openCount);
        EXPECT_EQ(station.selectedCount, c.selectedCount);
    }
    EXPECT_EQ(network.observations.at(0).fromStation, 1);
    EXPECT_EQ(network.observations.at(0).toStation, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InitialStates,
    ::testing::Values(StateCase{"Undecided", 0, 0, Undecided, 1, 0},
                      StateCase{"Forced", 1, 0, Forced, 0, 1},
                      StateCase{"ForcedByAnyNonZero", -7, 3, Forced, 0, 1},
                      StateCase{"Excluded", 0, -1, Excluded, 0, 0},
                      StateCase{"ExcludedWinsOverForced", 1, -1, Excluded, 0, 0},
                      StateCase{"OtherStatusIsNotExcluded", 0, -2, Undecided, 1, 0}),
    [](const ::testing::TestParamInfo<StateCase>& param) { return std::string(param.param.name); });

TEST_F(NetworkTables, CountersMixStatesAtSharedStation) {
    for (const char* name : {"P", "Q", "R"}) project.Add_Station(name);
    project.Add_Baseline(0, 1);
    project.Add_Baseline(1, 2);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100, .forced = 1});
    project.Add_Observation({.baseline = 1, .startTime = 1, .endTime = 100, .solutionStatus = -1});
    project.Add_Observation({.baseline = 1, .startTime = 2, .endTime = 100});
    project.Add_Observation({.baseline = 0, .startTime = 3, .endTime = 100, .forced = 1, .solutionStatus = -1});
    const NetworkView network = Build_One();
    ASSERT_EQ(network.Station_Order(), (std::vector<int32_t>{0, 1, 2}));
    const StationView& q = network.stations[1];
    EXPECT_EQ(q.listed, (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(q.openCount, 1);
    EXPECT_EQ(q.selectedCount, 1);
    EXPECT_EQ(network.stations[0].openCount, 0);
    EXPECT_EQ(network.stations[0].selectedCount, 1);
    EXPECT_EQ(network.stations[2].openCount, 1);
    EXPECT_EQ(network.stations[2].selectedCount, 0);
}

// The same station in two networks has its own entry, list and counters in
// each.
TEST_F(NetworkTables, StationSharedByTwoNetworksHasAnEntryInEach) {
    for (const char* name : {"P", "Q", "R"}) project.Add_Station(name);
    project.Add_Baseline(0, 1);
    project.Add_Baseline(2, 1);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    project.Add_Observation({.baseline = 1, .startTime = 500, .endTime = 600, .forced = 1});
    built = Inspect_Built(project.Header());
    ASSERT_EQ(built.result, 2);
    EXPECT_EQ(built.networks[0].Station_Order(), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(built.networks[1].Station_Order(), (std::vector<int32_t>{2, 1}));
    const StationView& q0 = built.networks[0].stations[1];
    const StationView& q1 = built.networks[1].stations[1];
    EXPECT_EQ(q0.listed, (std::vector<int32_t>{0}));
    EXPECT_EQ(q1.listed, (std::vector<int32_t>{1}));
    EXPECT_EQ(q0.openCount, 1);
    EXPECT_EQ(q1.selectedCount, 1);
}

// A baseline whose ends coincide: the station enters once, the observation is
// listed once, both references point at that entry, and as Excluded it is
// counted nowhere, forced or not.
TEST_F(NetworkTables, SameStationBaselineEntersItsStationOnce) {
    project.Add_Station("P");
    project.Add_Station("Q");
    project.Add_Baseline(0, 0);
    project.Add_Baseline(0, 1);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    project.Add_Observation({.baseline = 1, .startTime = 10, .endTime = 90});
    project.Add_Observation({.baseline = 0, .startTime = 20, .endTime = 80, .forced = 1});
    const NetworkView network = Build_One();
    ASSERT_EQ(network.Station_Order(), (std::vector<int32_t>{0, 1}));
    const StationView& p = network.stations[0];
    EXPECT_EQ(p.listed, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(p.openCount, 1);
    EXPECT_EQ(p.selectedCount, 0);
    for (int32_t host : {0, 2}) {
        EXPECT_EQ(network.Observation(host).state, Excluded);
        EXPECT_EQ(network.Observation(host).fromStation, 0);
        EXPECT_EQ(network.Observation(host).toStation, 0);
    }
}

// With a single host station the scratch array has one entry: the set must
// not grow past it.
TEST_F(NetworkTables, SameStationBaselineFitsAOneStationProject) {
    project.Add_Station("P");
    project.Add_Baseline(0, 0);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    const NetworkView network = Build_One();
    EXPECT_EQ(network.summary.stationCount, 1);
    EXPECT_EQ(network.stations.at(0).listed, (std::vector<int32_t>{0}));
}

// Building and deciding read the host's records and write none of them.
TEST_F(NetworkTables, BuildingLeavesHostBytesUntouched) {
    for (const char* name : {"P", "Q", "R"}) project.Add_Station(name);
    project.Add_Baseline(0, 1);
    project.Add_Baseline(2, 2);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100, .forced = 1});
    project.Add_Observation({.baseline = 1, .startTime = 50, .endTime = 60, .solutionStatus = -1});
    const std::vector<std::byte> before = project.Snapshot();
    Build_One();
    Inspect_Decided(project.Header());
    EXPECT_TRUE(Changed_Bytes(project, before, project.Snapshot()).empty());
}

}  // namespace
}  // namespace min_lumo_test

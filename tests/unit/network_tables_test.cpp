// The network tables: station order, lists, counters, initial states and the
// references from observations to their stations.
#include <gtest/gtest.h>

#include <vector>

#include "network/time_network.h"
#include "tests/support/counting_heap.h"
#include "tests/support/host_project.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

std::vector<int32_t> Station_Order(const TimeNetwork& network) {
    std::vector<int32_t> stations;
    for (int32_t s = 0; s < network.stationCount; ++s) {
        EXPECT_EQ(network.stations[s].inUse, 1);
        stations.push_back(network.stations[s].station);
    }
    return stations;
}

std::vector<int32_t> List_Of(const NetStation& station) {
    return {station.observationIndex, station.observationIndex + station.observationCount};
}

const NetObservation& Entry_For(const TimeNetwork& network, int32_t hostIndex) {
    for (int32_t slot = 0; slot < network.observationCount; ++slot) {
        if (network.observations[slot].observation == hostIndex) return network.observations[slot];
    }
    ADD_FAILURE() << "observation " << hostIndex << " not in network " << network.index;
    return network.observations[0];
}

class NetworkTables : public ::testing::Test {
protected:
    void SetUp() override { Reset_Heap(); }
    void TearDown() override {
        Release_Time_Networks();
        EXPECT_EQ(Heap_Counters().liveBlocks, 0);
    }
    HostProject project;
};

// P->Q, Q->R, P->Q again, all in one network.
TEST_F(NetworkTables, StationsInOrderOfFirstAppearanceWithTheirLists) {
    for (const char* name : {"P", "Q", "R"}) project.Add_Station(name);
    project.Add_Baseline(0, 1);
    project.Add_Baseline(1, 2);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    project.Add_Observation({.baseline = 1, .startTime = 10, .endTime = 100});
    project.Add_Observation({.baseline = 0, .startTime = 20, .endTime = 100});
    ASSERT_EQ(Build_Time_Networks(project.Header()), 1);
    const TimeNetwork& network = NetworkTable[0];
    ASSERT_EQ(Station_Order(network), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(List_Of(network.stations[0]), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(List_Of(network.stations[1]), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(List_Of(network.stations[2]), (std::vector<int32_t>{1}));
    for (int32_t s = 0; s < 3; ++s) {
        EXPECT_EQ(network.stations[s].openCount, network.stations[s].observationCount);
        EXPECT_EQ(network.stations[s].selectedCount, 0);
    }
    EXPECT_EQ(Entry_For(network, 1).fromNetStation, &network.stations[1]);
    EXPECT_EQ(Entry_For(network, 1).toNetStation, &network.stations[2]);
}

// Y->Z appears first, then X->Y: the second observation's from-station is X
// although Y entered the set earlier.
TEST_F(NetworkTables, ReferencesFollowBaselineDirectionNotAppearance) {
    for (const char* name : {"X", "Y", "Z"}) project.Add_Station(name);
    project.Add_Baseline(1, 2);
    project.Add_Baseline(0, 1);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    project.Add_Observation({.baseline = 1, .startTime = 10, .endTime = 90});
    ASSERT_EQ(Build_Time_Networks(project.Header()), 1);
    const TimeNetwork& network = NetworkTable[0];
    ASSERT_EQ(Station_Order(network), (std::vector<int32_t>{1, 2, 0}));
    EXPECT_EQ(Entry_For(network, 1).fromNetStation, &network.stations[2]);
    EXPECT_EQ(Entry_For(network, 1).toNetStation, &network.stations[0]);
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
    ASSERT_EQ(Build_Time_Networks(project.Header()), 1);
    const TimeNetwork& network = NetworkTable[0];
    EXPECT_EQ(network.observations[0].state, c.state);
    ASSERT_EQ(Station_Order(network), (std::vector<int32_t>{1, 0}));
    for (int32_t s = 0; s < 2; ++s) {
        EXPECT_EQ(List_Of(network.stations[s]), (std::vector<int32_t>{0}));
        EXPECT_EQ(network.stations[s].openCount, c.openCount);
        EXPECT_EQ(network.stations[s].selectedCount, c.selectedCount);
    }
    EXPECT_EQ(network.observations[0].fromNetStation, &network.stations[0]);
    EXPECT_EQ(network.observations[0].toNetStation, &network.stations[1]);
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
    ASSERT_EQ(Build_Time_Networks(project.Header()), 1);
    const TimeNetwork& network = NetworkTable[0];
    ASSERT_EQ(Station_Order(network), (std::vector<int32_t>{0, 1, 2}));
    const NetStation& q = network.stations[1];
    EXPECT_EQ(List_Of(q), (std::vector<int32_t>{0, 1, 2, 3}));
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
    ASSERT_EQ(Build_Time_Networks(project.Header()), 2);
    EXPECT_EQ(Station_Order(NetworkTable[0]), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(Station_Order(NetworkTable[1]), (std::vector<int32_t>{2, 1}));
    const NetStation& q0 = NetworkTable[0].stations[1];
    const NetStation& q1 = NetworkTable[1].stations[1];
    EXPECT_NE(q0.observationIndex, q1.observationIndex);
    EXPECT_EQ(List_Of(q0), (std::vector<int32_t>{0}));
    EXPECT_EQ(List_Of(q1), (std::vector<int32_t>{1}));
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
    ASSERT_EQ(Build_Time_Networks(project.Header()), 1);
    const TimeNetwork& network = NetworkTable[0];
    ASSERT_EQ(Station_Order(network), (std::vector<int32_t>{0, 1}));
    const NetStation& p = network.stations[0];
    EXPECT_EQ(List_Of(p), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(p.openCount, 1);
    EXPECT_EQ(p.selectedCount, 0);
    for (int32_t host : {0, 2}) {
        const NetObservation& entry = Entry_For(network, host);
        EXPECT_EQ(entry.state, Excluded);
        EXPECT_EQ(entry.fromNetStation, &p);
        EXPECT_EQ(entry.toNetStation, &p);
    }
}

// With a single host station the scratch array has one entry: the set must
// not grow past it.
TEST_F(NetworkTables, SameStationBaselineFitsAOneStationProject) {
    project.Add_Station("P");
    project.Add_Baseline(0, 0);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    ASSERT_EQ(Build_Time_Networks(project.Header()), 1);
    EXPECT_EQ(NetworkTable[0].stationCount, 1);
    EXPECT_EQ(List_Of(NetworkTable[0].stations[0]), (std::vector<int32_t>{0}));
}

// Building reads the host's records and writes none of them.
TEST_F(NetworkTables, BuildingLeavesHostBytesUntouched) {
    for (const char* name : {"P", "Q", "R"}) project.Add_Station(name);
    project.Add_Baseline(0, 1);
    project.Add_Baseline(2, 2);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100, .forced = 1});
    project.Add_Observation({.baseline = 1, .startTime = 50, .endTime = 60, .solutionStatus = -1});
    const std::vector<std::byte> before = project.Snapshot();
    ASSERT_EQ(Build_Time_Networks(project.Header()), 1);
    EXPECT_TRUE(Changed_Bytes(project, before, project.Snapshot()).empty());
    EXPECT_EQ(CurrentProject, project.Header());
}

}  // namespace
}  // namespace min_lumo_test

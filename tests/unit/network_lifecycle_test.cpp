// Holding and releasing the tables, and every allocation failure of a build
// leaving nothing behind.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "interface/message_buffer.h"
#include "network/time_network.h"
#include "tests/support/counting_heap.h"
#include "tests/support/host_project.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

class NetworkLifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        Release_Time_Networks();
        Reset_Heap();
        Set_Message("");
    }
    void TearDown() override { Release_Time_Networks(); }
};

void Add_Observations(HostProject& project, int32_t count) {
    project.Add_Station("P");
    project.Add_Station("Q");
    project.Add_Baseline(0, 1);
    for (int32_t j = 0; j < count; ++j) {
        project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    }
}

TEST_F(NetworkLifecycle, EmptyProjectHoldsAnEmptyTableUntilTheNextBuild) {
    HostProject empty;
    Add_Observations(empty, 0);
    ASSERT_EQ(Build_Time_Networks(empty.Header()), 0);
    EXPECT_NE(NetworkTable, nullptr);
    EXPECT_EQ(NetworkCount, 0);
    EXPECT_EQ(Heap_Counters().liveBlocks, 1);  // the empty table alone

    HostProject next;
    Add_Observations(next, 2);
    ASSERT_EQ(Build_Time_Networks(next.Header()), 1);
    Release_Time_Networks();
    EXPECT_EQ(Heap_Counters().liveBlocks, 0);
}

TEST_F(NetworkLifecycle, ReleaseWithoutTableAndTwiceInARowDoesNothing) {
    Release_Time_Networks();
    EXPECT_EQ(NetworkTable, nullptr);
    HostProject project;
    Add_Observations(project, 3);
    ASSERT_EQ(Build_Time_Networks(project.Header()), 1);
    Release_Time_Networks();
    EXPECT_EQ(NetworkTable, nullptr);
    EXPECT_EQ(NetworkCount, 0);
    Release_Time_Networks();
    EXPECT_EQ(NetworkTable, nullptr);
    EXPECT_EQ(Heap_Counters().liveBlocks, 0);
    EXPECT_EQ(Heap_Counters().frees, Heap_Counters().allocations);
}

TEST_F(NetworkLifecycle, BuildReleasesTheTableOfTheBuildBefore) {
    HostProject project;
    Add_Observations(project, 3);
    ASSERT_EQ(Build_Time_Networks(project.Header()), 1);
    const int64_t onePass = Heap_Counters().liveBlocks;
    ASSERT_EQ(Build_Time_Networks(project.Header()), 1);
    EXPECT_EQ(Heap_Counters().liveBlocks, onePass);
}

// Three networks (the third of one observation), several stations, a list per
// station: every kind of allocation occurs, F2 for the third network included.
void Add_Three_Networks(HostProject& project) {
    for (const char* name : {"P", "Q", "R", "S"}) project.Add_Station(name);
    project.Add_Baseline(0, 1);
    project.Add_Baseline(1, 2);
    project.Add_Baseline(3, 0);
    project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    project.Add_Observation({.baseline = 1, .startTime = 10, .endTime = 90, .forced = 1});
    project.Add_Observation({.baseline = 2, .startTime = 1000, .endTime = 1100});
    project.Add_Observation({.baseline = 0, .startTime = 1050, .endTime = 1100, .solutionStatus = -1});
    project.Add_Observation({.baseline = 2, .startTime = 5000, .endTime = 5100});
}

struct FailureProject {
    const char* name;
    void (*populate)(HostProject&);
    int32_t networks;
};

class AllocationFailures : public NetworkLifecycle,
                           public ::testing::WithParamInterface<FailureProject> {};

// Counts the allocations of a successful build, then makes each one fail in
// turn: the build reports the failure and leaves nothing allocated.
TEST_P(AllocationFailures, EveryFailurePointLeavesNothingBehind) {
    HostProject project;
    GetParam().populate(project);
    const std::vector<std::byte> before = project.Snapshot();

    Reset_Heap();
    ASSERT_EQ(Build_Time_Networks(project.Header()), GetParam().networks);
    const int64_t allocations = Heap_Requests();
    Release_Time_Networks();
    ASSERT_EQ(Heap_Counters().liveBlocks, 0);

    for (int64_t failAt = 1; failAt <= allocations; ++failAt) {
        SCOPED_TRACE(failAt);
        Set_Message("");
        Reset_Heap(failAt);
        EXPECT_EQ(Build_Time_Networks(project.Header()), -1);
        EXPECT_EQ(Heap_Requests(), failAt);  // nothing asked for after the failure
        EXPECT_EQ(Heap_Counters().liveBlocks, 0);
        EXPECT_EQ(NetworkTable, nullptr);
        EXPECT_EQ(NetworkCount, 0);
        EXPECT_STREQ(MessageBuffer, OutOfMemoryMessage);
        EXPECT_TRUE(Changed_Bytes(project, before, project.Snapshot()).empty());
    }

    // And a build after all those failures works as before.
    Reset_Heap();
    EXPECT_EQ(Build_Time_Networks(project.Header()), GetParam().networks);
}

void Add_No_Observations(HostProject& project) { Add_Observations(project, 0); }

INSTANTIATE_TEST_SUITE_P(
    Cases, AllocationFailures,
    ::testing::Values(FailureProject{"ThreeNetworks", Add_Three_Networks, 3},
                      FailureProject{"NoObservations", Add_No_Observations, 0}),
    [](const ::testing::TestParamInfo<FailureProject>& param) { return std::string(param.param.name); });

// A failed build also releases the table that an earlier build left held.
TEST_F(NetworkLifecycle, FailedBuildReleasesTheEarlierTable) {
    HostProject empty;
    Add_Observations(empty, 0);
    ASSERT_EQ(Build_Time_Networks(empty.Header()), 0);
    HostProject project;
    Add_Observations(project, 2);
    Reset_Heap(1);  // the held empty table is not counted by this reset
    EXPECT_EQ(Build_Time_Networks(project.Header()), -1);
    EXPECT_EQ(Heap_Counters().frees, 1);
    EXPECT_EQ(NetworkTable, nullptr);
    EXPECT_EQ(NetworkCount, 0);
}

}  // namespace
}  // namespace min_lumo_test

// Every allocation of a minimisation happens while the time-networks are
// built; each one failing in turn leaves nothing allocated, the host's memory
// untouched and the out-of-memory message; nothing outlives a call.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/message_buffer.h"
#include "min_lumo.h"
#include "tests/support/counting_heap.h"
#include "tests/support/host_project.h"
#include "tests/unit/inspected_run.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

void Add_Observations(HostProject& project, int32_t count) {
    project.Add_Source();
    project.Add_Station("P");
    project.Add_Station("Q");
    project.Add_Baseline(0, 1);
    for (int32_t j = 0; j < count; ++j) project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
}

// One source and four stations W, X, Y, Z; for each start, one observation
// of `length` seconds on a baseline of its own for each of the six pairs.
void Add_All_Pairs(HostProject& project, std::initializer_list<double> starts, double length) {
    project.Add_Source();
    for (const char* name : {"W", "X", "Y", "Z"}) project.Add_Station(name);
    for (const double start : starts)
        for (int32_t from = 0; from < 4; ++from)
            for (int32_t to = from + 1; to < 4; ++to)
                project.Add_Observation(
                    {.baseline = project.Add_Baseline(from, to), .startTime = start, .endTime = start + length});
}

std::string Message() { return MessageBuffer; }

class NetworkLifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Heap();
        Set_Message("");
    }
};

// The empty table of a project without observations is not kept: the call
// holds nothing once it has returned, whatever its outcome.
TEST_F(NetworkLifecycle, NothingOutlivesACall) {
    HostProject empty;
    Add_Observations(empty, 0);
    EXPECT_EQ(DLL_Min_Lumo(AcceptedSizes, empty.Header()), 1);
    EXPECT_EQ(Message(), "No time-networks found");
    EXPECT_EQ(Heap_Counters().liveBlocks, 0);
    HostProject project;
    Add_Observations(project, 3);
    EXPECT_EQ(DLL_Min_Lumo(AcceptedSizes, project.Header()), 0);
    EXPECT_EQ(Heap_Counters().liveBlocks, 0);
    EXPECT_EQ(Heap_Counters().frees, Heap_Counters().allocations);
}

// The selection and the write-back allocate nothing: a decided run asks the
// heap exactly what a merely built one does, and the exported call, which
// builds no more than the selection needs, no more than that.
TEST_F(NetworkLifecycle, DecidingAllocatesNothing) {
    HostProject project;
    Add_All_Pairs(project, {0.0}, 100.0);
    Reset_Heap();
    ASSERT_EQ(Inspect_Built(project.Header()).result, 1);
    const int64_t built = Heap_Requests();
    Reset_Heap();
    ASSERT_EQ(Inspect_Decided(project.Header()).result, 1);
    EXPECT_EQ(Heap_Requests(), built);
    Reset_Heap();
    ASSERT_EQ(DLL_Min_Lumo(AcceptedSizes, project.Header()), 0);
    EXPECT_LE(Heap_Requests(), built);
}

// Three networks (the third of one observation), several stations, a list per
// station: the observation array of the third network is asked for too.
void Add_Three_Networks(HostProject& project) {
    project.Add_Source();
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
};

// Two sessions of four stations in all pairs: networks the selection decides,
// so the selection's workspace is allocated too.
void Add_Decided_Networks(HostProject& project) { Add_All_Pairs(project, {0.0, 5000.0}, 3600.0); }

class AllocationFailures : public NetworkLifecycle,
                           public ::testing::WithParamInterface<FailureProject> {};

// Counts the allocations of a successful call, then makes each one fail in
// turn: the call reports the failure and leaves nothing allocated.
TEST_P(AllocationFailures, EveryFailurePointLeavesNothingBehind) {
    HostProject project;
    GetParam().populate(project);
    const std::vector<std::byte> before = project.Snapshot();

    HostProject decided = project;
    Reset_Heap();
    const int32_t result = DLL_Min_Lumo(AcceptedSizes, decided.Header());
    const int64_t allocations = Heap_Requests();
    ASSERT_EQ(Heap_Counters().liveBlocks, 0);

    for (int64_t failAt = 1; failAt <= allocations; ++failAt) {
        SCOPED_TRACE(failAt);
        Set_Message("");
        Reset_Heap(failAt);
        EXPECT_EQ(DLL_Min_Lumo(AcceptedSizes, project.Header()), 1);
        EXPECT_EQ(Heap_Requests(), failAt);  // nothing asked for after the failure
        EXPECT_EQ(Heap_Counters().liveBlocks, 0);
        EXPECT_EQ(Message(), "Error: Out of memory");
        EXPECT_TRUE(Changed_Bytes(project, before, project.Snapshot()).empty());
    }

    // And a call after all those failures works as before.
    Reset_Heap();
    EXPECT_EQ(DLL_Min_Lumo(AcceptedSizes, project.Header()), result);
    EXPECT_EQ(project.Snapshot(), decided.Snapshot());
}

void Add_No_Observations(HostProject& project) { Add_Observations(project, 0); }

INSTANTIATE_TEST_SUITE_P(
    Cases, AllocationFailures,
    ::testing::Values(FailureProject{"ThreeNetworks", Add_Three_Networks},
                      FailureProject{"DecidedNetworks", Add_Decided_Networks},
                      FailureProject{"NoObservations", Add_No_Observations}),
    [](const ::testing::TestParamInfo<FailureProject>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace min_lumo_test

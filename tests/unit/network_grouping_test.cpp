// Grouping observations into time-networks: coverage by seeds, joins by mean
// window, single networks for the rest, and the start-time order.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/support/counting_heap.h"
#include "tests/support/host_project.h"
#include "tests/unit/inspected_run.h"

namespace min_lumo_test {
namespace {


struct Span {
    double start;
    double end;
};

// Two stations, one baseline, one observation per span in host order.
void Add_Spans(HostProject& project, const std::vector<Span>& spans) {
    project.Add_Source();
    project.Add_Station("P");
    project.Add_Station("Q");
    project.Add_Baseline(0, 1);
    for (const Span& span : spans) {
        project.Add_Observation({.baseline = 0, .startTime = span.start, .endTime = span.end});
    }
}

class NetworkGrouping : public ::testing::Test {
protected:
    void SetUp() override { Reset_Heap(); }
    void TearDown() override { EXPECT_EQ(Heap_Counters().liveBlocks, 0); }
    // Builds the networks of the spans; returns their count.
    int32_t Build(const std::vector<Span>& spans) {
        Add_Spans(project, spans);
        built = Inspect_Built(project.Header());
        return built.result;
    }
    HostProject project;
    InspectedRun built;
};

struct GroupingCase {
    const char* name;
    std::vector<Span> spans;          // host order
    std::vector<int32_t> networkOf;   // expected network per host observation
};

class GroupingCases : public NetworkGrouping,
                      public ::testing::WithParamInterface<GroupingCase> {};

TEST_P(GroupingCases, EveryObservationLandsInItsNetwork) {
    const GroupingCase& c = GetParam();
    int32_t expectedCount = 0;
    for (int32_t n : c.networkOf) expectedCount = std::max(expectedCount, n + 1);
    ASSERT_EQ(Build(c.spans), expectedCount);
    EXPECT_EQ(built.Network_Of(static_cast<int32_t>(c.spans.size())), c.networkOf);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GroupingCases,
    ::testing::Values(
        GroupingCase{"OneObservation", {{5, 9}}, {0}},
        // Ratio 1, then inside the seed's window.
        GroupingCase{"IdenticalTimes", {{0, 100}, {0, 100}}, {0, 0}},
        // Ratio 5/905 is below a tenth.
        GroupingCase{"SmallCoverageOpensNetwork", {{0, 100}, {95, 1000}}, {0, 1}},
        // Ratio 0: touching the end is no coverage.
        GroupingCase{"StartAtLatestEndNotCovered", {{0, 100}, {100, 200}}, {0, 1}},
        // 50..50 is covered (ratio +inf) and strictly inside 0..100; 0..0 is
        // covered but ends at meanStart, so no candidate: own network last;
        // 100..100 gives 0/0, NaN, and seeds.
        GroupingCase{"ZeroDurations", {{0, 100}, {50, 50}, {0, 0}, {100, 100}}, {0, 0, 2, 1}},
        // 60..300 is covered by network 0 but lies past its shrunken mean
        // window (0.5 .. 51) and spans network 1's (110 .. 200): it gets a
        // network of its own, after both seeds.
        GroupingCase{"SpanningEntryGetsOwnNetworkAfterSeeds",
                     {{0, 100}, {1, 2}, {60, 300}, {110, 200}}, {0, 0, 2, 1}},
        // 80..220 overhangs network 0 (0..100) by 20 on the right and
        // network 1 (200..300) by 20 on the left: the lower number wins.
        GroupingCase{"EqualOverhangsGoToLowerNetwork", {{0, 100}, {80, 220}, {200, 300}}, {0, 0, 1}},
        GroupingCase{"LargerOverhangWins", {{0, 100}, {80, 220}, {199, 300}}, {0, 1, 1}},
        // 96..150 overhangs network 0 on the right, then lies inside network
        // 1 (95..10000): the inside match wins.
        GroupingCase{"InsideOnLaterNetworkBeatsEarlierOverhang",
                     {{0, 100}, {95, 10000}, {96, 150}}, {0, 1, 1}},
        // Equal starts in host order: 0..1 seeds, then 0..100 is covered by
        // only 1/100 and seeds too.  Reversed, both would share network 0.
        GroupingCase{"EqualStartsSeedInHostOrder", {{0, 1}, {0, 100}}, {0, 1}},
        GroupingCase{"EqualStartsSeedInHostOrderReversed", {{0, 100}, {0, 1}}, {0, 0}},
        // Sorted by start the later seed comes first.
        GroupingCase{"SeedsNumberedInStartOrder", {{500, 600}, {0, 100}}, {1, 0}}),
    [](const ::testing::TestParamInfo<GroupingCase>& param) { return std::string(param.param.name); });

TEST_F(NetworkGrouping, RightOverhangWidensExtentAndMovesMeans) {
    ASSERT_EQ(Build({{0, 100}, {50, 150}}), 1);
    const min_lumo::InspectedNetwork& network = built.networks[0].summary;
    EXPECT_EQ(network.index, 0);
    EXPECT_EQ(network.observationCount, 2);
    EXPECT_EQ(network.earliestStart, 0.0);
    EXPECT_EQ(network.latestEnd, 150.0);
    EXPECT_EQ(network.meanStart, 25.0);
    EXPECT_EQ(network.meanEnd, 125.0);
}

// The running mean is evaluated as (w * mean + s) / (w + 1) at each join in
// start order; for these starts that gives 0.44999999999999996, where a plain
// sum divided by four, or mean + (s - mean) / (w + 1), gives 0.45.
TEST_F(NetworkGrouping, RunningMeansInStatedOrder) {
    ASSERT_EQ(Build({{0.9, 10}, {0.0, 10}, {0.5, 10}, {0.4, 10}}), 1);
    EXPECT_EQ(built.networks[0].summary.meanStart, 0.44999999999999996);
    EXPECT_NE(built.networks[0].summary.meanStart, 0.45);
    EXPECT_EQ(built.networks[0].summary.meanEnd, 10.0);
}

TEST_F(NetworkGrouping, ObservationsInStartOrderEqualStartsInHostOrder) {
    ASSERT_EQ(Build({{5, 100}, {3, 100}, {5, 100}, {3, 100}, {1, 100}}), 1);
    EXPECT_EQ(built.networks[0].Host_Order(), (std::vector<int32_t>{4, 1, 3, 0, 2}));
    for (const auto& entry : built.networks[0].observations) EXPECT_EQ(entry.network, 0);
}

// Whatever the NaNs do to the grouping, every observation ends up in exactly
// one network and the counts add up.
TEST_F(NetworkGrouping, NanTimesStillGiveEveryObservationOneNetwork) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Span> spans = {{0, 100},  {nan, 50}, {20, nan}, {nan, nan}, {50, 150},
                                     {nan, 10}, {10, 60},  {30, nan}, {200, 300}, {nan, nan}};
    const int32_t k = Build(spans);
    ASSERT_GE(k, 1);
    ASSERT_LE(k, static_cast<int32_t>(spans.size()));
    std::vector<int> seen(spans.size(), 0);
    int32_t total = 0;
    for (int32_t i = 0; i < k; ++i) {
        const NetworkView& network = built.networks[static_cast<std::size_t>(i)];
        EXPECT_EQ(network.summary.index, i);
        EXPECT_GE(network.summary.observationCount, 1);
        total += network.summary.observationCount;
        for (const auto& entry : network.observations) {
            EXPECT_EQ(entry.network, i);
            ASSERT_GE(entry.observation, 0);
            ASSERT_LT(entry.observation, static_cast<int32_t>(spans.size()));
            ++seen[static_cast<std::size_t>(entry.observation)];
            EXPECT_EQ(entry.fromStation, 0);
            EXPECT_EQ(entry.toStation, 1);
        }
    }
    EXPECT_EQ(total, static_cast<int32_t>(spans.size()));
    for (int count : seen) EXPECT_EQ(count, 1);
}

// A NaN observation as the very first one: it opens network 0 and covers
// nothing, so the rest group among themselves.
TEST_F(NetworkGrouping, NanFirstObservationStandsAlone) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ASSERT_EQ(Build({{nan, nan}, {0, 100}, {0, 100}}), 2);
    EXPECT_EQ(built.Network_Of(3), (std::vector<int32_t>{0, 1, 1}));
}

}  // namespace
}  // namespace min_lumo_test

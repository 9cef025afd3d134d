// The three transitions on one observation and its two end stations.
#include <gtest/gtest.h>

#include "minimise/network_selection.h"
#include "tests/unit/minimise_hand_built_network.h"

namespace min_lumo_test {
namespace {

using min_lumo::NetStation;

struct Counters {
    int32_t open;
    int32_t selected;
};

struct RejectCase {
    Counters from, to;
    bool refused;
};

// A refusal happens when either end has openCount + selectedCount <= 2.
class RejectGuard : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectGuard, RefusesExactlyWhenAnEndCannotSpareIt) {
    const RejectCase& c = GetParam();
    HandBuiltNetwork built({{"W-X", 1}});
    NetStation& from = built.Station('W');
    NetStation& to = built.Station('X');
    from.openCount = c.from.open;
    from.selectedCount = c.from.selected;
    to.openCount = c.to.open;
    to.selectedCount = c.to.selected;
    min_lumo::Reject_Observation(built.network, 0);
    if (c.refused) {
        EXPECT_EQ(built.State(0), min_lumo::Undecided);
        EXPECT_EQ(from.openCount, c.from.open);
        EXPECT_EQ(to.openCount, c.to.open);
    } else {
        EXPECT_EQ(built.State(0), min_lumo::Rejected);
        EXPECT_EQ(from.openCount, c.from.open - 1);
        EXPECT_EQ(to.openCount, c.to.open - 1);
    }
    EXPECT_EQ(from.selectedCount, c.from.selected);
    EXPECT_EQ(to.selectedCount, c.to.selected);
}

INSTANTIATE_TEST_SUITE_P(Ends, RejectGuard,
                         ::testing::Values(RejectCase{{2, 0}, {3, 0}, true}, RejectCase{{3, 0}, {2, 0}, true},
                                           RejectCase{{1, 0}, {3, 0}, true}, RejectCase{{3, 0}, {1, 1}, true},
                                           RejectCase{{1, 1}, {3, 0}, true}, RejectCase{{2, 1}, {3, 0}, false},
                                           RejectCase{{1, 2}, {1, 2}, false}, RejectCase{{3, 0}, {3, 0}, false},
                                           RejectCase{{1, 3}, {2, 2}, false}, RejectCase{{2, 1}, {2, 1}, false}));

TEST(Transitions, SelectCountsAtBothEnds) {
    HandBuiltNetwork built({{"W-X", 1}, {"W-Y", 1, min_lumo::Forced}});
    min_lumo::Select_Observation(built.network, 0);
    EXPECT_EQ(built.State(0), min_lumo::Selected);
    EXPECT_EQ(built.Station('W').openCount, 0);
    EXPECT_EQ(built.Station('W').selectedCount, 2);
    EXPECT_EQ(built.Station('X').openCount, 0);
    EXPECT_EQ(built.Station('X').selectedCount, 1);
}

struct SaturateCase {
    Counters before, after;
};

// Only an end whose last open observation is taken with nothing selected
// jumps to 2; every other end keeps its selectedCount.
class SelectAndSaturate : public ::testing::TestWithParam<SaturateCase> {};

TEST_P(SelectAndSaturate, SaturatesOnlyAnEndWithNothingElse) {
    const SaturateCase& c = GetParam();
    HandBuiltNetwork built({{"W-X", 1}});
    NetStation& from = built.Station('W');
    from.openCount = c.before.open;
    from.selectedCount = c.before.selected;
    built.Station('X').openCount = 1;
    built.Station('X').selectedCount = 0;
    min_lumo::Select_And_Saturate(built.network, 0);
    EXPECT_EQ(built.State(0), min_lumo::Selected);
    EXPECT_EQ(from.openCount, c.after.open);
    EXPECT_EQ(from.selectedCount, c.after.selected);
    EXPECT_EQ(built.Station('X').openCount, 0);
    EXPECT_EQ(built.Station('X').selectedCount, 2);
}

INSTANTIATE_TEST_SUITE_P(Ends, SelectAndSaturate,
                         ::testing::Values(SaturateCase{{1, 0}, {0, 2}}, SaturateCase{{1, 1}, {0, 1}},
                                           SaturateCase{{2, 0}, {1, 0}}, SaturateCase{{3, 1}, {2, 1}}));

}  // namespace
}  // namespace min_lumo_test

// The per-network selection on hand-built tables: which observations end
// Selected, Rejected or still Undecided, and in which order the table is left.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "minimise/network_selection.h"
#include "tests/support/counting_heap.h"
#include "tests/unit/minimise_hand_built_network.h"

namespace min_lumo_test {
namespace {

using min_lumo::Excluded;
using min_lumo::Forced;
using min_lumo::ObservationState;
using min_lumo::Rejected;
using min_lumo::Selected;
using min_lumo::Undecided;
using States = std::vector<ObservationState>;

States Decide(HandBuiltNetwork& built) {
    EXPECT_EQ(min_lumo::Select_Network_Observations(built.network), 0);
    return built.States();
}

TEST(SmallNetwork, OneObservationIsSelected) {
    HandBuiltNetwork built({{"W-X", -50}});
    EXPECT_EQ(Decide(built), (States{Selected}));
}

// Every state is selected, nothing is scored or moved.
TEST(SmallNetwork, TwoObservationsAreBothSelectedWhateverTheirState) {
    const ObservationState starts[] = {Undecided, Forced, Excluded};
    for (ObservationState first : starts) {
        for (ObservationState second : starts) {
            HandBuiltNetwork built({{"W-X", 1, first}, {"X-Y", 9, second}});
            EXPECT_EQ(Decide(built), (States{Selected, Selected})) << first << " " << second;
            EXPECT_EQ(built.Table_Order(), (std::vector<int32_t>{0, 1}));
            EXPECT_EQ(built.observations[0].score, 0);
            EXPECT_EQ(built.observations[1].score, 0);
        }
    }
}

// A baseline with one station at both ends is Excluded and refers to a single
// station entry; a small network selects it without harm.
TEST(SmallNetwork, SameStationAtBothEndsIsSelectedWithoutHarm) {
    HandBuiltNetwork built({{"W-W", 0, Excluded}, {"W-X", 0}});
    ASSERT_EQ(built.network.stationCount, 2);
    EXPECT_EQ(Decide(built), (States{Selected, Selected}));
}

struct NetworkCase {
    const char* name;
    std::vector<PairEntry> pairs;
    States expected;
};

void PrintTo(const NetworkCase& c, std::ostream* os) { *os << c.name; }

std::string Case_Name(const ::testing::TestParamInfo<NetworkCase>& param) {
    std::string name;
    for (const char* c = param.param.name; *c != '\0'; ++c)
        name += (std::isalnum(static_cast<unsigned char>(*c)) != 0) ? *c : '_';
    return name;
}

class Selection : public ::testing::TestWithParam<NetworkCase> {};

TEST_P(Selection, DecidesAsExpected) {
    const NetworkCase& c = GetParam();
    HandBuiltNetwork built(c.pairs);
    EXPECT_EQ(Decide(built), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Networks, Selection,
    ::testing::Values(
        NetworkCase{"triangle", {{"W-X", 9}, {"X-Y", 5}, {"W-Y", 1}}, {Selected, Selected, Selected}},
        NetworkCase{"triangle, reversed scores", {{"W-X", 1}, {"X-Y", 5}, {"W-Y", 9}}, {Selected, Selected, Selected}},
        NetworkCase{"star", {{"W-X", 3}, {"W-Y", 2}, {"W-Z", 1}}, {Selected, Selected, Selected}},
        // Step 6 picks W (W-X), then Y (W-Y); rule 4 at W rejects W-Z, rule 2 at
        // Z selects X-Z, rule 4 at X rejects X-Y, rule 3 at Y selects Y-Z.
        NetworkCase{"four stations, six pairs",
                    {{"W-X", 60}, {"W-Y", 50}, {"W-Z", 40}, {"X-Y", 30}, {"X-Z", 20}, {"Y-Z", 10}},
                    {Selected, Selected, Rejected, Rejected, Selected, Selected}},
        // W starts with two selections: rule 4 rejects W-Z at once.
        NetworkCase{"two forced at one station",
                    {{"W-X", 0, Forced}, {"W-Y", 0, Forced}, {"W-Z", 5}, {"X-Z", 4}, {"Y-Z", 3}},
                    {Forced, Forced, Rejected, Selected, Selected}},
        // Z cannot spare its only observation: the rejection is refused, and
        // rule 1 at Z selects it.
        NetworkCase{"refused, other end has nothing else",
                    {{"W-X", 0, Forced}, {"W-Y", 0, Forced}, {"W-Z", 5}},
                    {Forced, Forced, Selected}},
        // Z has one selection and W-Z open: refused, then rule 3 at Z selects.
        NetworkCase{"refused, other end open 1 and selected 1",
                    {{"W-X", 0, Forced}, {"W-Y", 0, Forced}, {"W-Z", 5}, {"Z-V", 0, Forced}},
                    {Forced, Forced, Selected, Forced}},
        // W and X each hold three forced observations: no rule or step looks
        // at them, so W-X stays open.
        NetworkCase{"both ends at three selections",
                    {{"W-A", 0, Forced}, {"W-B", 0, Forced}, {"W-C", 0, Forced}, {"X-D", 0, Forced},
                     {"X-E", 0, Forced}, {"X-F", 0, Forced}, {"W-X", 7}},
                    {Forced, Forced, Forced, Forced, Forced, Forced, Undecided}},
        // Excluded observations count nowhere: W is saturated by step 4 and
        // nothing is decided through it; the rest is the triangle X-Y-Z.
        NetworkCase{"station with only excluded observations",
                    {{"W-X", 0, Excluded}, {"W-Y", 0, Excluded}, {"X-Y", 3}, {"Y-Z", 2}, {"X-Z", 1}},
                    {Excluded, Excluded, Selected, Selected, Selected}},
        // Equal scores keep start-time order, so this is the six-pair example.
        NetworkCase{"equal scores",
                    {{"W-X", 7}, {"W-Y", 7}, {"W-Z", 7}, {"X-Y", 7}, {"X-Z", 7}, {"Y-Z", 7}},
                    {Selected, Selected, Rejected, Rejected, Selected, Selected}},
        // The same pairs with the scores reversed: step 6 picks W (W-Z), then X
        // (X-Z); rule 4 at Z rejects even the best observation, Y-Z.
        NetworkCase{"six pairs, reversed scores",
                    {{"W-X", 10}, {"W-Y", 20}, {"W-Z", 30}, {"X-Y", 40}, {"X-Z", 50}, {"Y-Z", 60}},
                    {Rejected, Selected, Selected, Selected, Selected, Rejected}},
        // Two excluded observations fix the station order W, X, Y, Z; then of
        // W's three equally scored observations the earliest is taken first.
        NetworkCase{"equal scores at the chosen station, W-X first",
                    {{"W-X", 0, Excluded}, {"Y-Z", 0, Excluded}, {"W-X", 5}, {"W-Y", 5}, {"W-Z", 5},
                     {"X-Y", 1}, {"X-Z", 1}, {"Y-Z", 1}},
                    {Excluded, Excluded, Selected, Selected, Rejected, Rejected, Selected, Selected}},
        NetworkCase{"equal scores at the chosen station, W-Z first",
                    {{"W-X", 0, Excluded}, {"Y-Z", 0, Excluded}, {"W-Z", 5}, {"W-Y", 5}, {"W-X", 5},
                     {"X-Y", 1}, {"X-Z", 1}, {"Y-Z", 1}},
                    {Excluded, Excluded, Selected, Rejected, Selected, Selected, Rejected, Selected}},
        // Rule 1 at Z saturates Z but adds no selection at R, so R later takes
        // R-B by rule 3 instead of rejecting it by rule 4.
        NetworkCase{"rule 1 saturates only the emptied end",
                    {{"Z-R", 1}, {"R-A", 0, Forced}, {"R-B", 1}, {"B-C", 0, Forced}, {"B-D", 0, Forced}},
                    {Selected, Forced, Selected, Forced, Forced}},
        // Rule 4 at S rejects P-S but must leave S-R (R cannot spare it); the
        // pass then goes on to V, whose rule 1 takes P-V before P is visited
        // again.  Beginning again at P after the partial rejection would select
        // P-Y at both ends and let Y reject Y-Q.
        NetworkCase{"rule 4 goes on after a partial rejection",
                    {{"P-S", 50}, {"P-V", 40}, {"S-R", 30}, {"P-Y", 20}, {"Y-Q", 10}, {"S-E", 0, Forced},
                     {"S-F", 0, Forced}, {"Y-G", 0, Forced}, {"Q-H", 0, Forced}, {"Q-I", 0, Forced},
                     {"Q-J", 0, Forced}},
                    {Rejected, Selected, Selected, Selected, Selected, Forced, Forced, Forced, Forced, Forced,
                     Forced}},
        NetworkCase{"self-loop in a larger network stays excluded",
                    {{"W-W", 9, Excluded}, {"W-X", 3}, {"X-Y", 2}, {"W-Y", 1}},
                    {Excluded, Selected, Selected, Selected}}),
    Case_Name);

// Highest score first; equal scores keep their start-time order.
TEST(SelectionOrder, TableIsLeftInStableDescendingScoreOrder) {
    HandBuiltNetwork built({{"W-X", 1}, {"X-Y", 3}, {"Y-Z", 3}, {"Z-W", 2}, {"W-Y", 3}, {"X-Z", -4}});
    Decide(built);
    EXPECT_EQ(built.Table_Order(), (std::vector<int32_t>{1, 2, 4, 3, 0, 5}));
    EXPECT_EQ(built.observations[0].score, 3);
    EXPECT_EQ(built.observations[5].score, -4);
}

// A station whose observations are all forced and none open drops to 2.
TEST(SelectionCounters, StationWithThreeForcedAndNothingOpenIsMarkedTwo) {
    HandBuiltNetwork built({{"W-X", 0, Forced}, {"W-Y", 0, Forced}, {"W-Z", 0, Forced}});
    ASSERT_EQ(built.Station('W').selectedCount, 3);
    Decide(built);
    EXPECT_EQ(built.Station('W').selectedCount, 2);
}

// Counters of inconsistent hand-made tables: a station that claims an open
// observation it does not have must not make the rules or steps loop.
TEST(SelectionRobustness, StationClaimingAnOpenObservationItLacksEndsTheSteps) {
    const int32_t claims[][2] = {{1, 0}, {2, 0}, {1, 1}, {5, 0}, {5, 1}};
    for (const auto& claim : claims) {
        HandBuiltNetwork built({{"W-X", 0, Forced}, {"X-Y", 0, Forced}, {"Y-Z", 0, Forced}, {"Z-V", 3}});
        built.Station('W').openCount = claim[0];
        built.Station('W').selectedCount = claim[1];
        Decide(built);
        EXPECT_EQ(built.State(3), Selected) << claim[0] << "/" << claim[1];
    }
}

// Missing end references (never produced by the building) are skipped.
TEST(SelectionRobustness, NullEndReferencesAreNeverFollowed) {
    HandBuiltNetwork built({{"W-X", 3}, {"X-Y", 2}, {"W-Y", 1}, {"Y-Z", 0}});
    built.observations[3].toNetStation = nullptr;
    built.observations[2].fromNetStation = nullptr;
    Decide(built);
    HandBuiltNetwork small({{"W-X", 3}, {"X-Y", 2}});
    small.observations[0].fromNetStation = nullptr;
    small.observations[1].toNetStation = nullptr;
    EXPECT_EQ(Decide(small), (States{Selected, Selected}));
}

TEST(SelectionResources, AllocatesNothing) {
    HandBuiltNetwork built({{"W-X", 60}, {"W-Y", 50}, {"W-Z", 40}, {"X-Y", 30}, {"X-Z", 20}, {"Y-Z", 10}});
    Reset_Heap();
    Decide(built);
    EXPECT_EQ(Heap_Requests(), 0);
}

}  // namespace
}  // namespace min_lumo_test

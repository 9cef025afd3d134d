// The per-network selection on hand-written networks, run the way the host's
// calls run it: a host project whose observations form one time-network,
// built and decided by the library, read back through its run inspection;
// and the same project through DLL_Min_Lumo, whose marks must be exactly the
// rejections.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "host/host_records.h"
#include "min_lumo.h"
#include "tests/support/host_changes.h"
#include "tests/support/host_project.h"
#include "tests/support/test_name.h"
#include "tests/unit/inspected_run.h"

namespace min_lumo_test {
namespace {

using min_lumo::Excluded;
using min_lumo::Forced;
using min_lumo::ObservationState;
using min_lumo::RecordKind;
using min_lumo::Rejected;
using min_lumo::Selected;
using min_lumo::Undecided;
using States = std::vector<ObservationState>;

struct PairEntry {
    const char* pair;  // "W-X": from station W to station X; names are one letter
    int32_t score = 0;
    ObservationState state = Undecided;  // Forced and Excluded set the host's flags
};

// One time-network from a list such as {{"W-X", 60}, {"W-Y", 50, Forced}}:
// observation i starts at i and runs long enough for every later one to join
// it, so list order is start-time order.  Every station sits at one place
// and the one source fails the ratio test, so an observation scores exactly
// its listed points (plus 22000 when forced).
class Scenario {
public:
    explicit Scenario(const std::vector<PairEntry>& pairs) {
        project.Add_Source(0, 1);
        for (std::size_t i = 0; i < pairs.size(); ++i) Add_Pair(pairs[i], static_cast<double>(i));
    }

    // The decided states by list position; also checks that the exported
    // call marks exactly the rejected observations and nothing else.
    States Decide() {
        decided = Inspect_Decided(project.Header());
        EXPECT_EQ(decided.result, 1);
        States states;
        for (int32_t i = 0; i < Count(); ++i)
            states.push_back(static_cast<ObservationState>(decided.networks.at(0).Observation(i).state));
        HostProject marked = project;
        const auto before = marked.Snapshot();
        EXPECT_EQ(DLL_Min_Lumo(AcceptedSizes, marked.Header()), 0);
        // Observations are built with removed 0, so one left unchanged is not marked.
        std::set<int32_t> rejected;
        for (int32_t i = 0; i < Count(); ++i)
            if (states[static_cast<std::size_t>(i)] == Rejected) rejected.insert(i);
        Expect_Only_Rejections(marked, before, rejected);
        return states;
    }

    const StationView& Station(char name) const { return decided.networks.at(0).Station(name - 'A'); }
    int32_t Count() const { return project.Count<RecordKind::Observation>(); }

    HostProject project;
    InspectedRun decided;

private:
    // Stations are named by letter and live at index letter - 'A'.
    int32_t Station_Index(char name) {
        while (project.Count<RecordKind::Station>() <= name - 'A')
            project.Add_Station(std::string(1, static_cast<char>('A' + project.Count<RecordKind::Station>())));
        return name - 'A';
    }

    void Add_Pair(const PairEntry& entry, double start) {
        const int32_t from = Station_Index(entry.pair[0]);
        const int32_t to = Station_Index(entry.pair[2]);
        ObservationFields fields;
        fields.baseline = project.Add_Baseline(from, to);
        fields.startTime = start;
        fields.endTime = start + 1.0e6;
        fields.timeSpan = 0.0;
        fields.forced = entry.state == Forced ? 1 : 0;
        fields.solutionStatus = entry.state == Excluded ? -1 : 0;
        const int32_t index = project.Add_Observation(fields);
        // Exactly `score` time points, negative ones too.
        min_lumo::Write_Field(project.Observation(index), min_lumo::observation::timeSpan, 900.0 * entry.score);
    }
};

TEST(SmallNetwork, OneObservationIsSelected) {
    Scenario scenario({{"W-X", -50}});
    EXPECT_EQ(scenario.Decide(), (States{Selected}));
}

// Every state is selected, and nothing is reordered.
TEST(SmallNetwork, TwoObservationsAreBothSelectedWhateverTheirState) {
    const ObservationState starts[] = {Undecided, Forced, Excluded};
    for (ObservationState first : starts) {
        for (ObservationState second : starts) {
            Scenario scenario({{"W-X", 1, first}, {"X-Y", 9, second}});
            EXPECT_EQ(scenario.Decide(), (States{Selected, Selected})) << first << " " << second;
            EXPECT_EQ(scenario.decided.networks.at(0).Host_Order(), (std::vector<int32_t>{0, 1}));
        }
    }
}

// A baseline with one station at both ends is Excluded; a small network
// selects it without harm, and nothing is written for it.
TEST(SmallNetwork, SameStationAtBothEndsIsSelectedWithoutHarm) {
    Scenario scenario({{"W-W", 0}, {"W-X", 0}});
    EXPECT_EQ(scenario.Decide(), (States{Selected, Selected}));
    EXPECT_EQ(scenario.decided.networks.at(0).summary.stationCount, 2);
}

struct NetworkCase {
    const char* name;
    std::vector<PairEntry> pairs;
    States expected;
};

void PrintTo(const NetworkCase& c, std::ostream* os) { *os << c.name; }

class Selection : public ::testing::TestWithParam<NetworkCase> {};

TEST_P(Selection, DecidesAsExpected) {
    const NetworkCase& c = GetParam();
    Scenario scenario(c.pairs);
    EXPECT_EQ(scenario.Decide(), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Networks, Selection,
    ::testing::Values(
        NetworkCase{"triangle", {{"W-X", 9}, {"X-Y", 5}, {"W-Y", 1}}, {Selected, Selected, Selected}},
        NetworkCase{"triangle, reversed scores", {{"W-X", 1}, {"X-Y", 5}, {"W-Y", 9}}, {Selected, Selected, Selected}},
        NetworkCase{"star", {{"W-X", 3}, {"W-Y", 2}, {"W-Z", 1}}, {Selected, Selected, Selected}},
        // W, the first station with fewest open, takes W-X, then Y takes W-Y;
        // saturated W rejects W-Z, Z takes X-Z as one of its last two,
        // saturated X rejects X-Y, and Y takes Y-Z, its last.
        NetworkCase{"four stations, six pairs",
                    {{"W-X", 60}, {"W-Y", 50}, {"W-Z", 40}, {"X-Y", 30}, {"X-Z", 20}, {"Y-Z", 10}},
                    {Selected, Selected, Rejected, Rejected, Selected, Selected}},
        // W starts with two selections and rejects W-Z at once.
        NetworkCase{"two forced at one station",
                    {{"W-X", 0, Forced}, {"W-Y", 0, Forced}, {"W-Z", 5}, {"X-Z", 4}, {"Y-Z", 3}},
                    {Forced, Forced, Rejected, Selected, Selected}},
        // Z cannot spare its only observation: the rejection is refused, and
        // Z takes it as its last.
        NetworkCase{"refused, other end has nothing else",
                    {{"W-X", 0, Forced}, {"W-Y", 0, Forced}, {"W-Z", 5}},
                    {Forced, Forced, Selected}},
        // Z has one selection and W-Z open: refused, then Z takes it.
        NetworkCase{"refused, other end open 1 and selected 1",
                    {{"W-X", 0, Forced}, {"W-Y", 0, Forced}, {"W-Z", 5}, {"Z-V", 0, Forced}},
                    {Forced, Forced, Selected, Forced}},
        // W and X each hold three forced observations: nothing looks at them,
        // so W-X stays open.
        NetworkCase{"both ends at three selections",
                    {{"W-A", 0, Forced}, {"W-B", 0, Forced}, {"W-C", 0, Forced}, {"X-D", 0, Forced},
                     {"X-E", 0, Forced}, {"X-F", 0, Forced}, {"W-X", 7}},
                    {Forced, Forced, Forced, Forced, Forced, Forced, Undecided}},
        // Excluded observations count nowhere: W is saturated from the start
        // and nothing is decided through it; the rest is the triangle X-Y-Z.
        NetworkCase{"station with only excluded observations",
                    {{"W-X", 0, Excluded}, {"W-Y", 0, Excluded}, {"X-Y", 3}, {"Y-Z", 2}, {"X-Z", 1}},
                    {Excluded, Excluded, Selected, Selected, Selected}},
        // Equal scores keep start-time order, so this is the six-pair example.
        NetworkCase{"equal scores",
                    {{"W-X", 7}, {"W-Y", 7}, {"W-Z", 7}, {"X-Y", 7}, {"X-Z", 7}, {"Y-Z", 7}},
                    {Selected, Selected, Rejected, Rejected, Selected, Selected}},
        // The same pairs with the scores reversed: W takes W-Z, X takes X-Z,
        // and saturated Z rejects even the best observation, Y-Z.
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
        // Z, taking its last, saturates itself but adds no selection at R, so
        // R later takes R-B instead of rejecting it.
        NetworkCase{"taking the last saturates only the emptied end",
                    {{"Z-R", 1}, {"R-A", 0, Forced}, {"R-B", 1}, {"B-C", 0, Forced}, {"B-D", 0, Forced}},
                    {Selected, Forced, Selected, Forced, Forced}},
        // Saturated S rejects P-S but must leave S-R (R cannot spare it); the
        // pass then goes on to V, which takes P-V as its last before P is
        // visited again.  Beginning again at P after the partial rejection
        // would select P-Y at both ends and let Y reject Y-Q.
        NetworkCase{"the surplus walk goes on after a partial rejection",
                    {{"P-S", 50}, {"P-V", 40}, {"S-R", 30}, {"P-Y", 20}, {"Y-Q", 10}, {"S-E", 0, Forced},
                     {"S-F", 0, Forced}, {"Y-G", 0, Forced}, {"Q-H", 0, Forced}, {"Q-I", 0, Forced},
                     {"Q-J", 0, Forced}},
                    {Rejected, Selected, Selected, Selected, Selected, Forced, Forced, Forced, Forced, Forced,
                     Forced}},
        NetworkCase{"same station at both ends in a larger network stays excluded",
                    {{"W-W", 9}, {"W-X", 3}, {"X-Y", 2}, {"W-Y", 1}},
                    {Excluded, Selected, Selected, Selected}}),
    [](const ::testing::TestParamInfo<NetworkCase>& param) { return Test_Name(param.param.name); });

// Highest score first; equal scores keep their start-time order.
TEST(SelectionOrder, TableIsLeftInStableDescendingScoreOrder) {
    Scenario scenario({{"W-X", 1}, {"X-Y", 3}, {"Y-Z", 3}, {"Z-W", 2}, {"W-Y", 3}, {"X-Z", -4}});
    scenario.Decide();
    const NetworkView& network = scenario.decided.networks.at(0);
    EXPECT_EQ(network.Host_Order(), (std::vector<int32_t>{1, 2, 4, 3, 0, 5}));
    EXPECT_EQ(network.observations.front().score, 3);
    EXPECT_EQ(network.observations.back().score, -4);
}

// A station whose observations are all forced and none open drops to 2.
TEST(SelectionCounters, StationWithThreeForcedAndNothingOpenIsMarkedTwo) {
    Scenario scenario({{"W-X", 0, Forced}, {"W-Y", 0, Forced}, {"W-Z", 0, Forced}});
    ASSERT_EQ(Inspect_Built(scenario.project.Header()).networks.at(0).Station('W' - 'A').selectedCount, 3);
    scenario.Decide();
    EXPECT_EQ(scenario.Station('W').selectedCount, 2);
}

}  // namespace
}  // namespace min_lumo_test

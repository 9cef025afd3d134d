// Network minimisation as the host sees it: DLL_Min_Lumo builds the
// time-networks, decides them and marks exactly the rejected observations
// (removed = 1, solutionStatus = -1), touching no other byte.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/support/host_changes.h"
#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

constexpr char NoNetworksText[] = "No time-networks found";

const LoadedLibrary& Lib() {
    const LoadedLibrary& library = Library_Under_Test();
    EXPECT_EQ(library.error, "");
    return library;
}

struct Pair {
    const char* ends;  // "W-X"; station names are one letter
    int32_t score = 0;  // time points; stations coincide and sources fail, so this is the score
    int32_t forced = 0;
    int32_t solutionStatus = 0;
    int32_t removed = 0;
    double start = 0.0;  // the observation runs from start to start + 3600
};

// Stations at one place with usable positions; the one source fails the
// ratio test.  Baselines are made per observation.
class MinimisationProject {
public:
    explicit MinimisationProject(const std::vector<Pair>& pairs) {
        project.Add_Source(0, 1);
        for (const Pair& pair : pairs) {
            const int32_t line = project.Add_Baseline(Station(pair.ends[0]), Station(pair.ends[2]));
            project.Add_Observation({.baseline = line,
                                     .startTime = pair.start,
                                     .endTime = pair.start + 3600.0,
                                     .timeSpan = 900.0 * pair.score,
                                     .forced = pair.forced,
                                     .solutionStatus = pair.solutionStatus,
                                     .removed = pair.removed});
        }
    }
    int32_t Minimise() { return Lib().minLumo(AcceptedSizes, project.Header()); }

    HostProject project;

private:
    // Stations are found by their one-letter names in the host records.
    int32_t Station(char name) {
        const int32_t count = project.Count<RecordKind::Station>();
        for (int32_t i = 0; i < count; ++i)
            if (Text_Field(project.Station(i), station::name)[0] == name) return i;
        return project.Add_Station(std::string(1, name));
    }
};

const std::vector<Pair> SixPairs = {{"W-X", 60}, {"W-Y", 50}, {"W-Z", 40}, {"X-Y", 30}, {"X-Z", 20}, {"Y-Z", 10}};

struct Scenario {
    const char* name;
    std::vector<Pair> pairs;
    std::set<int32_t> rejected;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

class Minimisation : public ::testing::TestWithParam<Scenario> {};

TEST_P(Minimisation, MarksExactlyTheRejectedObservations) {
    MinimisationProject p(GetParam().pairs);
    const std::string messageBefore = Lib().Error_Message();
    const auto before = p.project.Snapshot();
    EXPECT_EQ(p.Minimise(), 0);
    Expect_Only_Rejections(p.project, before, GetParam().rejected);
    EXPECT_EQ(Lib().Error_Message(), messageBefore) << "a success sets no message";
}

std::string Scenario_Name(const ::testing::TestParamInfo<Scenario>& param) { return param.param.name; }

INSTANTIATE_TEST_SUITE_P(
    Projects, Minimisation,
    ::testing::Values(
        Scenario{"FourStationsSixPairs", SixPairs, {2, 3}},
        // Scores only rank: with every score equal, start-time order decides.
        Scenario{"FourStationsSixPairsEqualScores",
                 {{"W-X", 1}, {"W-Y", 1}, {"W-Z", 1}, {"X-Y", 1}, {"X-Z", 1}, {"Y-Z", 1}},
                 {2, 3}},
        Scenario{"TwoForcedAtOneStation",
                 {{"W-X", 0, 1}, {"W-Y", 0, 1}, {"W-Z", 5}, {"X-Z", 4}, {"Y-Z", 3}},
                 {2}},
        // Two separate time-networks over the same stations, decided apart.
        Scenario{"TwoTimeNetworks",
                 {{"W-X", 60}, {"W-Y", 50}, {"W-Z", 40}, {"X-Y", 30}, {"X-Z", 20}, {"Y-Z", 10},
                  {"W-X", 60, 0, 0, 0, 1e6}, {"W-Y", 50, 0, 0, 0, 1e6}, {"W-Z", 40, 0, 0, 0, 1e6},
                  {"X-Y", 30, 0, 0, 0, 1e6}, {"X-Z", 20, 0, 0, 0, 1e6}, {"Y-Z", 10, 0, 0, 0, 1e6}},
                 {2, 3, 8, 9}},
        // Already removed but not excluded: stays 1, and gets solutionStatus -1.
        Scenario{"RejectedObservationAlreadyRemoved",
                 {{"W-X", 60}, {"W-Y", 50}, {"W-Z", 40, 0, 0, 1}, {"X-Y", 30}, {"X-Z", 20}, {"Y-Z", 10}},
                 {2, 3}},
        // A selected observation left removed by an earlier call keeps its 1.
        Scenario{"SelectedObservationAlreadyRemoved",
                 {{"W-X", 60, 0, 0, 1}, {"W-Y", 50}, {"W-Z", 40}, {"X-Y", 30}, {"X-Z", 20}, {"Y-Z", 10}},
                 {2, 3}},
        // Networks of one or two observations keep everything, whatever the state.
        Scenario{"OnlySmallNetworks",
                 {{"W-X", 5}, {"X-Y", 5, 0, -1}, {"W-Y", 5, 0, 0, 0, 1e5}, {"W-Z", 5, 1, 0, 0, 2e5},
                  {"Y-Z", 5, 1, -1, 0, 2e5}},
                 {}},
        // A baseline from a station to itself is left alone.
        Scenario{"SameStationAtBothEnds",
                 {{"W-W", 99}, {"W-X", 3}, {"X-Y", 2}, {"W-Y", 1}},
                 {}}),
    Scenario_Name);

// The first call's rejections are Excluded in the second, which then finds
// nothing more to reject and writes nothing.
TEST(Minimisation, SecondCallWritesNothingNew) {
    MinimisationProject p(SixPairs);
    ASSERT_EQ(p.Minimise(), 0);
    const auto afterFirst = p.project.Snapshot();
    EXPECT_EQ(p.Minimise(), 0);
    EXPECT_TRUE(Changed_Bytes(p.project, afterFirst, p.project.Snapshot()).empty());
}

TEST(Minimisation, NoObservationsFailsWithoutTouchingTheProject) {
    MinimisationProject p({});
    p.project.Add_Station("W");
    p.project.Add_Station("X");
    p.project.Add_Baseline(0, 1);
    const auto before = p.project.Snapshot();
    EXPECT_EQ(p.Minimise(), 1);
    EXPECT_EQ(Lib().Error_Message(), NoNetworksText);
    EXPECT_TRUE(Changed_Bytes(p.project, before, p.project.Snapshot()).empty());
    // The empty table left behind is released by the next call, which works.
    MinimisationProject next(SixPairs);
    const auto nextBefore = next.project.Snapshot();
    EXPECT_EQ(next.Minimise(), 0);
    Expect_Only_Rejections(next.project, nextBefore, {2, 3});
}

TEST(Minimisation, SuccessKeepsTheEarlierFailureMessage) {
    MinimisationProject empty({});
    ASSERT_EQ(empty.Minimise(), 1);
    MinimisationProject p(SixPairs);
    ASSERT_EQ(p.Minimise(), 0);
    char buffer[512];
    EXPECT_EQ(Lib().getErrorMessage(buffer), static_cast<int32_t>(sizeof NoNetworksText));
    EXPECT_STREQ(buffer, NoNetworksText);
}

}  // namespace
}  // namespace min_lumo_test

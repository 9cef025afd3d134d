// Reversing a baseline, seen through the export: station 0 is the control
// station K and the baseline under test runs from the unreached station 1 to
// K, so the first sweep turns it round.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

constexpr int32_t K = 0;
constexpr int32_t A = 1;

// K and A, control K, and baseline 0 from A to K with one observation per
// entry of `observations`.
HostProject Project_With_Baseline_Towards_K(const std::vector<ObservationFields>& observations) {
    HostProject project;
    project.Add_Station("K");
    project.Add_Station("A");
    project.Add_Control("K");
    project.Add_Baseline(A, K);
    for (ObservationFields fields : observations) {
        fields.baseline = 0;
        project.Add_Observation(fields);
    }
    return project;
}

void Orient(HostProject& project) {
    ASSERT_EQ(Library_Under_Test().fixBaselineDirection(project.Header()), 0);
}

std::string Field_Bytes(const char* text, int32_t capacity) {
    return std::string(text, static_cast<std::size_t>(capacity));
}

// The field as a host expects it after a NUL-terminated copy of `text`:
// the text and its terminator, then whatever the field held before.
std::string After_Copy(std::string field, const std::string& text) {
    field.replace(0, text.size() + 1, text + '\0');
    return field;
}

struct LabelCase {
    const char* name;
    std::string label;
    std::string reversed;  // empty: the label stays as it was
};

class ReversedLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(ReversedLabel, SwapsTheFirstAndThirdTokens) {
    const LabelCase& c = GetParam();
    HostProject project = Project_With_Baseline_Towards_K({{.label = c.label}});
    const std::string before = Field_Bytes(Text_Field(project.Observation(0), observation::label), 32);
    Orient(project);
    ASSERT_EQ(Read_Field(project.Baseline(0), baseline::fromStation), K);
    const std::string after = Field_Bytes(Text_Field(project.Observation(0), observation::label), 32);
    EXPECT_EQ(after, c.reversed.empty() ? before : After_Copy(before, c.reversed));
}

INSTANTIATE_TEST_SUITE_P(
    Labels, ReversedLabel,
    ::testing::Values(
        LabelCase{"FourTokens", "P Q R S", "R Q P S"},
        LabelCase{"LongerTokens", "P1 A1 P2 B1", "P2 A1 P1 B1"},
        LabelCase{"WhiteSpaceIsCollapsedAndAFifthTokenDropped", " P  Q\tR S T", "R Q P S"},
        LabelCase{"EveryKindOfWhiteSpace", "\fP\vQ\rR\nS \t", "R Q P S"},
        LabelCase{"ElevenCharacterTokens", "ABCDEFGHIJK Q abcdefghijk S", "abcdefghijk Q ABCDEFGHIJK S"},
        LabelCase{"LongFifthTokenIsDropped", "P Q R S TTTTTTTTTTTTTTTTTTTT", "R Q P S"},
        LabelCase{"NonAsciiBytesBelongToTokens", "P\xA0 Q R\xFF S", "R\xFF Q P\xA0 S"},
        LabelCase{"ThreeTokensStayUnchanged", "P Q R", ""},
        LabelCase{"ThreeTokensAndSpaceStayUnchanged", " P Q R  ", ""},
        LabelCase{"EmptyLabelStaysUnchanged", "", ""},
        LabelCase{"TwelveCharacterFirstTokenStaysUnchanged", "ABCDEFGHIJKL Q R S", ""},
        LabelCase{"TwelveCharacterFourthTokenStaysUnchanged", "P Q R ABCDEFGHIJKL", ""}),
    [](const ::testing::TestParamInfo<LabelCase>& label) { return std::string(label.param.name); });

TEST(Reversal, ExchangesSourceNamesAsTerminatedTexts) {
    struct Case {
        std::string from, to;
    };
    for (const Case& c : {Case{"alpha", "beta"}, Case{"b", "a-much-longer-source-name"}, Case{"", "x"},
                          Case{std::string(255, 'f'), "t"}}) {
        SCOPED_TRACE(c.from + " / " + c.to);
        HostProject project =
            Project_With_Baseline_Towards_K({{.fromSourceName = c.from, .toSourceName = c.to}});
        const std::string fromBefore = Field_Bytes(Text_Field(project.Observation(0), observation::fromSourceName), 256);
        const std::string toBefore = Field_Bytes(Text_Field(project.Observation(0), observation::toSourceName), 256);
        Orient(project);
        EXPECT_EQ(Field_Bytes(Text_Field(project.Observation(0), observation::fromSourceName), 256),
                  After_Copy(fromBefore, c.to));
        EXPECT_EQ(Field_Bytes(Text_Field(project.Observation(0), observation::toSourceName), 256),
                  After_Copy(toBefore, c.from));
    }
}

TEST(Reversal, ExchangesSourceIndices) {
    HostProject project = Project_With_Baseline_Towards_K({{.fromSource = 4, .toSource = 9}});
    Orient(project);
    EXPECT_EQ(Read_Field(project.Observation(0), observation::fromSource), 9);
    EXPECT_EQ(Read_Field(project.Observation(0), observation::toSource), 4);
}

bool All_Zero(const std::byte* block, int32_t width) {
    return std::all_of(block, block + width, [](std::byte b) { return b == std::byte{0}; });
}

TEST(Reversal, ClearsEverySolutionBlockOfTheBaseline) {
    // The excluded observation is reversed with the rest: its status becomes 0.
    HostProject project = Project_With_Baseline_Towards_K({{.solutionStatus = -1}, {.solutionStatus = 3}});
    Orient(project);
    for (int32_t o = 0; o < 2; ++o) {
        EXPECT_EQ(Read_Field(project.Observation(o), observation::solutionStatus), 0);
        EXPECT_TRUE(All_Zero(Block_Field(project.Observation(o), observation::solution), 468)) << o;
    }
    EXPECT_TRUE(All_Zero(Block_Field(project.Baseline(0), baseline::solution), 468));
}

TEST(Reversal, NumbersObservationsInListOrder) {
    HostProject project = Project_With_Baseline_Towards_K({{}, {}, {}});
    // The list names the observations as 2, 0, 1; their old slots are stale.
    const int32_t list[] = {2, 0, 1};
    for (int32_t m = 0; m < 3; ++m) Write_Baseline_Observation(project.Baseline(0), m, list[m]);
    for (int32_t o = 0; o < 3; ++o) Write_Field(project.Observation(o), observation::baselineSlot, 40 + o);
    Orient(project);
    EXPECT_EQ(Read_Field(project.Observation(2), observation::baselineSlot), 0);
    EXPECT_EQ(Read_Field(project.Observation(0), observation::baselineSlot), 1);
    EXPECT_EQ(Read_Field(project.Observation(1), observation::baselineSlot), 2);
}

TEST(Reversal, ClearsFlagsBAndCOfBothStationsAndKeepsFlagA) {
    HostProject project;
    project.Add_Station(StationFields{.name = "K", .positionFlagA = 0, .positionFlagB = 0, .positionFlagC = 0});
    project.Add_Station(StationFields{.name = "A", .positionFlagA = 1, .positionFlagB = 2, .positionFlagC = 3});
    project.Add_Station(StationFields{.name = "C", .positionFlagA = 4, .positionFlagB = 5, .positionFlagC = 6});
    project.Add_Control("K");
    project.Add_Baseline(A, K);
    project.Add_Observation({.baseline = 0});
    Orient(project);
    const int32_t expected[3][3] = {{0, 0, 0}, {1, 0, 0}, {4, 5, 6}};
    for (int32_t s = 0; s < 3; ++s) {
        EXPECT_EQ(Read_Field(project.Station(s), station::positionFlagA), expected[s][0]) << s;
        EXPECT_EQ(Read_Field(project.Station(s), station::positionFlagB), expected[s][1]) << s;
        EXPECT_EQ(Read_Field(project.Station(s), station::positionFlagC), expected[s][2]) << s;
    }
}

// The blocks at 0 and 32 trade places; the 16 bytes after each stay put.
TEST(Reversal, ExchangesOnlyTheTwoEndBlocks) {
    HostProject project = Project_With_Baseline_Towards_K({{}});
    std::byte* record = project.Baseline(0).bytes;
    for (int32_t i = 0; i < 64; ++i) record[i] = static_cast<std::byte>(i + 1);
    Orient(project);
    for (int32_t i = 0; i < 64; ++i) {
        const int32_t block = i / 16;  // 0: fromBlock, 2: toBlock
        const int32_t expected = block == 0 ? i + 32 : block == 2 ? i - 32 : i;
        EXPECT_EQ(static_cast<int32_t>(record[i]), expected + 1) << "byte " << i;
    }
}

std::string Describe(const ByteChange& change) {
    return change.array + " " + std::to_string(change.record) + " +" + std::to_string(change.offset);
}

// Everything a reversal changes, and nothing else: a second baseline, its
// observation and a third station stand by untouched.  Old values are chosen
// so that every byte the reversal writes really changes.
TEST(Reversal, ChangesNoOtherHostByte) {
    constexpr int32_t AllBytesSet = 0x01010101;
    HostProject project;
    project.Add_Source();
    project.Add_Station(StationFields{.name = "K", .positionFlagB = 1, .positionFlagC = 1, .treeControl = 0, .treeLevel = 0});
    project.Add_Station(StationFields{.name = "A", .positionFlagB = 1, .positionFlagC = 1, .treeControl = 0, .treeLevel = 1});
    project.Add_Station(StationFields{.name = "Z", .positionFlagB = 1, .positionFlagC = 1, .treeControl = 7, .treeLevel = -1});
    project.Add_Control("K");
    project.Add_Baseline(A, K);
    project.Add_Baseline(2, 2);
    project.Add_Observation({.baseline = 1, .solutionStatus = 5});
    project.Add_Observation({.baseline = 0, .fromSource = 4, .toSource = 9, .solutionStatus = -1,
                             .label = "P Q R S", .fromSourceName = "alpha", .toSourceName = "beta"});
    project.Add_Observation({.baseline = 0, .fromSource = 1, .toSource = 1, .solutionStatus = AllBytesSet,
                             .label = "X Y Z W", .fromSourceName = "same", .toSourceName = "same"});
    for (const int32_t o : {1, 2}) Write_Field(project.Observation(o), observation::baselineSlot, -1);
    for (const int32_t j : {0, 1}) Write_Field(project.Baseline(j), baseline::directionLevel, -1);
    std::memset(project.Baseline(0).bytes, 0x11, 16);
    const auto before = project.Snapshot();

    Orient(project);

    struct Span {
        const char* array;
        int32_t record, begin, end;
    };
    const Span written[] = {
        {"station", K, 5192, 5193}, {"station", K, 5280, 5281},  // flags B and C, 1 to 0
        {"station", A, 5192, 5193}, {"station", A, 5280, 5281},
        {"baseline", 0, 0, 16}, {"baseline", 0, 32, 48},          // the end blocks
        {"baseline", 0, 64, 65}, {"baseline", 0, 68, 69},        // stations 1, 0 to 0, 1
        {"baseline", 0, 1112, 1584},                             // directionLevel -1 to 0, solution
        {"observation", 1, 0, 1}, {"observation", 1, 4, 5},      // P Q R S to R Q P S
        {"observation", 1, 32, 37},                              // "alpha" to "beta" and its terminator
        {"observation", 1, 288, 294},                            // "beta" to "alpha" and its terminator
        {"observation", 1, 552, 553}, {"observation", 1, 556, 557},  // sources 4, 9 to 9, 4
        {"observation", 1, 564, 568},                            // slot -1 to 0
        {"observation", 1, 2188, 2656},                          // solution
        {"observation", 2, 0, 1}, {"observation", 2, 4, 5},      // X Y Z W to Z Y X W
        {"observation", 2, 564, 568},                            // slot -1 to 1
        {"observation", 2, 2188, 2656},
    };
    std::vector<std::string> expected, actual;
    for (const Span& span : written)
        for (int32_t b = span.begin; b < span.end; ++b) expected.push_back(Describe({span.array, span.record, b}));
    for (const ByteChange& change : Changed_Bytes(project, before, project.Snapshot()))
        actual.push_back(Describe(change));
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(Read_Field(project.Observation(2), observation::baselineSlot), 1);
    EXPECT_EQ(Read_Field(project.Station(2), station::treeControl), 7);
}

// The baseline would have to turn round through an end that names no
// station: the alarm sounds and the baseline stays as it is, only oriented.
TEST(Reversal, NegativeFromStationSoundsTheAlarmAndChangesNothing) {
    HostProject project;
    project.Add_Station(StationFields{.name = "K", .positionFlagB = 1, .positionFlagC = 1});
    project.Add_Control("K");
    project.Add_Baseline(-1, K);
    project.Add_Observation({.baseline = 0, .solutionStatus = 3});
    Write_Field(project.Baseline(0), baseline::directionLevel, 8);
    const auto before = project.Snapshot();
    const int alarms = Alarm_Count();
    Orient(project);
    EXPECT_EQ(Alarm_Count(), alarms + 1);
    const auto changes = Changed_Bytes(project, before, project.Snapshot());
    ASSERT_EQ(changes.size(), 1U);
    EXPECT_EQ(Describe(changes[0]), "baseline 0 +1112");  // directionLevel 8 to 0
}

TEST(Reversal, NegativeToStationIsNeitherReversedNorReached) {
    HostProject project;
    project.Add_Station(StationFields{.name = "K", .treeControl = 3, .treeLevel = 0});
    project.Add_Control("K");
    project.Add_Baseline(K, -1);
    project.Add_Observation({.baseline = 0});
    Write_Field(project.Baseline(0), baseline::directionLevel, 8);
    const auto before = project.Snapshot();
    const int alarms = Alarm_Count();
    Orient(project);
    EXPECT_EQ(Alarm_Count(), alarms);
    EXPECT_EQ(Read_Field(project.Baseline(0), baseline::directionLevel), 0);
    EXPECT_EQ(Read_Field(project.Station(K), station::treeControl), 0);
    for (const ByteChange& c : Changed_Bytes(project, before, project.Snapshot()))
        EXPECT_TRUE((c.array == "baseline" && c.offset >= 1112 && c.offset < 1116)
                    || (c.array == "station" && c.offset >= 5436 && c.offset < 5440))
            << c.array << " +" << c.offset;
}

TEST(Reversal, StationIndicesThreeAndSevenSoundNoAlarm) {
    HostProject project;
    for (int32_t i = 0; i < 8; ++i) project.Add_Station("S" + std::to_string(i));
    project.Add_Control("S7");
    project.Add_Baseline(3, 7);
    project.Add_Observation({.baseline = 0});
    const int alarms = Alarm_Count();
    Orient(project);
    EXPECT_EQ(Alarm_Count(), alarms);
    EXPECT_EQ(Read_Field(project.Baseline(0), baseline::fromStation), 7);
    EXPECT_EQ(Read_Field(project.Baseline(0), baseline::toStation), 3);
}

}  // namespace
}  // namespace min_lumo_test

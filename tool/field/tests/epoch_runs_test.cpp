// Epochs kept as runs, the spans they give at a maximum gap, and the common
// data time of two span lists.  Every expectation is worked out by hand from
// the epochs of the case (seconds from an arbitrary origin).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool/field/epoch_runs.h"
#include "tool/field/rinex_reader.h"

namespace min_lumo_field {
namespace {

std::vector<EpochRun> Runs(const std::vector<double>& epochs) {
    EpochRunBuilder builder;
    for (const double epoch : epochs) builder.Add(epoch);
    return builder.Finish();
}

struct SpanCase {
    const char* name;
    std::vector<double> epochs;
    double maximumGapSeconds;
    std::vector<DataSpan> spans;
    double intervalSeconds;  // as the file's most common spacing gives it
    // Judged on the epochs whatever the maximum gap: the breaks longer than
    // 1.5 intervals, the longest, and the share of the interval's steps
    // from the first epoch to the last that hold an epoch.
    int32_t gaps;
    double longestGapSeconds;
    double completeness;
};

// Times as h:mm:ss from the day's start.
constexpr double H(int hours, int minutes, int seconds = 0) { return hours * 3600.0 + minutes * 60.0 + seconds; }

// Epochs every `step` seconds from `first` to `last`, both included.
std::vector<double> Every(double step, double first, double last) {
    std::vector<double> epochs;
    for (double t = first; t <= last + 1e-9; t += step) epochs.push_back(t);
    return epochs;
}

std::vector<double> Joined(std::vector<double> a, const std::vector<double>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(EpochRuns, SpansGapsIntervalAndCompleteness) {
    const SpanCase cases[] = {
        // The real-file shape: six epochs over 2 h 26 min are three spans,
        // and 6 of the 293 steps of 30 s from the first to the last.
        {"six_epochs_three_spans",
         {H(0, 0), H(0, 0, 30), H(1, 10), H(2, 25), H(2, 25, 30), H(2, 26)},
         300.0,
         {{H(0, 0), H(0, 0, 30), 2}, {H(1, 10), H(1, 10), 1}, {H(2, 25), H(2, 26), 3}},
         30.0, 2, H(1, 15), 6.0 / 293.0},
        // Five minutes of data and a stray epoch three hours later: 12 of
        // the 371 steps.
        {"stray_epoch",
         {H(8, 0), H(8, 0, 30), H(8, 1), H(8, 1, 30), H(8, 2), H(8, 2, 30), H(8, 3), H(8, 3, 30), H(8, 4),
          H(8, 4, 30), H(8, 5), H(11, 5)},
         300.0,
         {{H(8, 0), H(8, 5), 11}, {H(11, 5), H(11, 5), 1}},
         30.0, 1, H(3, 0), 12.0 / 371.0},
        // A gap of 2.5 minutes stays inside the span at 5 minutes' maximum;
        // the 4 missing epochs show in the completeness: 10 of 14.
        {"short_gap_inside",
         {H(9, 0), H(9, 0, 30), H(9, 1), H(9, 1, 30), H(9, 4), H(9, 4, 30), H(9, 5), H(9, 5, 30), H(9, 6), H(9, 6, 30)},
         300.0,
         {{H(9, 0), H(9, 6, 30), 10}},
         30.0, 1, 150.0, 10.0 / 14.0},
        // The same at a 2-minute maximum: two spans, and the same gap and
        // completeness, which the maximum gap does not change.
        {"short_gap_splits",
         {H(9, 0), H(9, 0, 30), H(9, 1), H(9, 1, 30), H(9, 4), H(9, 4, 30), H(9, 5), H(9, 5, 30), H(9, 6), H(9, 6, 30)},
         120.0,
         {{H(9, 0), H(9, 1, 30), 4}, {H(9, 4), H(9, 6, 30), 6}},
         30.0, 1, 150.0, 10.0 / 14.0},
        // A 20-minute hole in two hours: one span at a 30-minute maximum,
        // still a gap of 20:30 and 40 of the 241 steps missing.
        {"long_hole_inside_a_wide_maximum",
         Joined(Every(30.0, H(10, 0), H(10, 50)), Every(30.0, H(11, 10, 30), H(12, 0))),
         1800.0,
         {{H(10, 0), H(12, 0), 201}},
         30.0, 1, H(0, 20, 30), 201.0 / 241.0},
        // Out of order, and one epoch twice: sorted, counted once.
        {"unordered_and_repeated",
         {H(7, 1), H(7, 0), H(7, 0, 30), H(7, 0, 30), H(7, 1, 30)},
         300.0,
         {{H(7, 0), H(7, 1, 30), 4}},
         30.0, 0, 0.0, 1.0},
        // Evenly spaced but farther apart than the maximum gap: each alone;
        // on their own 10-minute interval nothing is missing.
        {"sparse_even_epochs",
         {H(6, 0), H(6, 10), H(6, 20)},
         120.0,
         {{H(6, 0), H(6, 0), 1}, {H(6, 10), H(6, 10), 1}, {H(6, 20), H(6, 20), 1}},
         600.0, 0, 0.0, 1.0},
        // Mixed rates.  An hour at 30 s with a burst of 1-s epochs in its
        // first ten seconds: the interval is the 30 s of most epochs, and
        // every step holds one (a 1-s interval would make it 131 of 3601).
        {"thirty_seconds_with_a_one_second_burst",
         Joined(Every(1.0, H(12, 0), H(12, 0, 10)), Every(30.0, H(12, 0, 30), H(13, 0))),
         300.0,
         {{H(12, 0), H(13, 0), 131}},
         30.0, 0, 0.0, 1.0},
        // Ten minutes at 1 s, then ten at 30 s: the interval is 1 s, the 20
        // breaks of 30 s are gaps, and 621 of the 1201 steps hold an epoch.
        {"one_second_then_thirty",
         Joined(Every(1.0, H(14, 0), H(14, 10)), Every(30.0, H(14, 10, 30), H(14, 20))),
         300.0,
         {{H(14, 0), H(14, 20), 621}},
         1.0, 20, 30.0, 621.0 / 1201.0},
        {"one_epoch", {H(5, 0)}, 120.0, {{H(5, 0), H(5, 0), 1}}, 0.0, 0, 0.0, 0.0},
    };
    for (const SpanCase& c : cases) {
        SCOPED_TRACE(c.name);
        Occupation occupation;
        occupation.epochRuns = Runs(c.epochs);
        occupation.intervalSeconds = Most_Common_Spacing(occupation.epochRuns);
        EXPECT_DOUBLE_EQ(occupation.intervalSeconds, c.intervalSeconds);
        Set_Spans(occupation, c.maximumGapSeconds);
        ASSERT_EQ(occupation.spans.size(), c.spans.size());
        for (std::size_t i = 0; i < c.spans.size(); ++i) {
            EXPECT_DOUBLE_EQ(occupation.spans[i].startGps, c.spans[i].startGps) << i;
            EXPECT_DOUBLE_EQ(occupation.spans[i].endGps, c.spans[i].endGps) << i;
            EXPECT_EQ(occupation.spans[i].epochCount, c.spans[i].epochCount) << i;
        }
        Set_Epoch_Quality(occupation);
        EXPECT_EQ(occupation.gapCount, c.gaps);
        EXPECT_DOUBLE_EQ(occupation.longestGapSeconds, c.longestGapSeconds);
        EXPECT_NEAR(occupation.completeness, c.completeness, 1e-12);
    }
}

// A file's INTERVAL is taken as written: at 30 s, a burst of 1-s epochs
// holds no more than its steps, and a step left empty counts against it.
TEST(EpochRuns, CompletenessAtTheStatedInterval) {
    Occupation occupation;
    occupation.epochRuns = Runs(Joined(Every(1.0, H(12, 0), H(12, 0, 10)), Every(30.0, H(12, 1), H(12, 10))));
    occupation.intervalSeconds = 30.0;
    Set_Epoch_Quality(occupation);
    // The 30 s grid from 12:00 to 12:10 has 21 instants: all but 12:00:30 hold an epoch.
    EXPECT_NEAR(occupation.completeness, 20.0 / 21.0, 1e-12);
    EXPECT_EQ(occupation.gapCount, 1);  // 12:00:10 to 12:01
    EXPECT_DOUBLE_EQ(occupation.longestGapSeconds, 50.0);
    // An occupation log's line has no epochs to judge.
    occupation.epochRuns = {{H(12, 0), H(13, 0), 0}};
    Set_Epoch_Quality(occupation);
    EXPECT_EQ(occupation.completeness, 0.0);
    EXPECT_EQ(occupation.gapCount, 0);
}

TEST(EpochRuns, EvenEpochsAreOneRunAndExpandBackExactly) {
    std::vector<double> epochs;
    const double start = 1.4e9;  // GPS seconds of a recent day: the precision a reader works at
    for (int k = 0; k < 86400; ++k) epochs.push_back(start + k);
    const std::vector<EpochRun> runs = Runs(epochs);
    ASSERT_EQ(runs.size(), 1U);
    EXPECT_EQ(runs[0].count, 86400);
    const std::vector<double> back = Expand_Epochs(runs);
    ASSERT_EQ(back.size(), epochs.size());
    for (std::size_t k = 0; k < back.size(); k += 997) EXPECT_NEAR(back[k], epochs[k], 1e-6) << k;
}

TEST(EpochRuns, DefaultMaximumGap) {
    const struct {
        double interval, gap;
    } cases[] = {{0.0, 120.0}, {1.0, 120.0}, {12.0, 120.0}, {15.0, 150.0}, {30.0, 300.0}, {60.0, 600.0}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(Default_Maximum_Gap_Seconds(c.interval), c.gap) << c.interval;
}

TEST(EpochRuns, WhetherOneFilesEpochsLieInAnothers) {
    const std::vector<double> whole = {H(8, 0), H(8, 0, 30), H(8, 1), H(8, 1, 30), H(8, 2)};
    const struct {
        const char* name;
        std::vector<double> part;
        bool within;
    } cases[] = {
        {"identical", whole, true},
        {"cut_short", {H(8, 0, 30), H(8, 1)}, true},
        {"every_other", {H(8, 0), H(8, 1), H(8, 2)}, true},
        {"offset_by_15_s", {H(8, 0, 15), H(8, 0, 45)}, false},
        {"one_beyond", {H(8, 1, 30), H(8, 2), H(8, 2, 30)}, false},
        {"before", {H(7, 59, 30)}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Epochs_Within(Runs(c.part), Runs(whole)), c.within) << c.name;
    // A log's continuous line holds every instant between its ends.
    const std::vector<EpochRun> logged = {{H(7, 0), H(9, 0), 0}};
    EXPECT_TRUE(Epochs_Within(Runs(whole), logged));
    EXPECT_FALSE(Epochs_Within(logged, Runs(whole)));
}

TEST(EpochRuns, UnionOfTouchingAndOverlappingFiles) {
    // Two hourly files back to back stay two runs; overlapping ones count
    // their shared epochs once.
    const std::vector<EpochRun> first = Runs({H(8, 0), H(8, 0, 30), H(8, 1)});
    const std::vector<EpochRun> second = Runs({H(8, 1, 30), H(8, 2)});
    const std::vector<EpochRun> touching = Union_Of_Runs({&first, &second});
    int64_t epochs = 0;
    for (const EpochRun& run : touching) epochs += run.count;
    EXPECT_EQ(epochs, 5);
    const std::vector<EpochRun> overlapping = Runs({H(8, 0, 30), H(8, 1), H(8, 1, 30)});
    const std::vector<EpochRun> joined = Union_Of_Runs({&first, &overlapping});
    epochs = 0;
    for (const EpochRun& run : joined) epochs += run.count;
    EXPECT_EQ(epochs, 4);
    EXPECT_DOUBLE_EQ(joined.front().firstGps, H(8, 0));
    EXPECT_DOUBLE_EQ(joined.back().lastGps, H(8, 1, 30));
}

TEST(EpochRuns, CommonTimeIsTheIntersectionOfSpans) {
    const struct {
        const char* name;
        std::vector<DataSpan> first, second;
        double seconds, start, end;
    } cases[] = {
        // The rover's six epochs against a base from 1:53 to 3:00: one minute.
        {"one_minute_shared",
         {{H(0, 0), H(0, 0, 30), 2}, {H(1, 10), H(1, 10), 1}, {H(2, 25), H(2, 26), 3}},
         {{H(1, 53), H(3, 0), 135}},
         60.0, H(2, 25), H(2, 26)},
        // Pieces of no length (a lone epoch) do not count.
        {"lone_epoch_inside",
         {{H(8, 0), H(8, 5), 11}, {H(11, 5), H(11, 5), 1}},
         {{H(7, 0), H(12, 0), 601}},
         300.0, H(8, 0), H(8, 5)},
        {"two_pieces",
         {{H(8, 0), H(9, 0), 121}, {H(10, 0), H(11, 0), 121}},
         {{H(8, 30), H(10, 30), 241}},
         3600.0, H(8, 30), H(10, 30)},
        {"disjoint", {{H(8, 0), H(9, 0), 121}}, {{H(9, 30), H(10, 0), 61}}, 0.0, 0.0, 0.0},
        {"touching_only", {{H(8, 0), H(9, 0), 121}}, {{H(9, 0), H(10, 0), 121}}, 0.0, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool swapped : {false, true}) {
            const CommonTime common = swapped ? Common_Time(c.second, c.first) : Common_Time(c.first, c.second);
            EXPECT_DOUBLE_EQ(common.seconds, c.seconds);
            EXPECT_DOUBLE_EQ(common.startGps, c.start);
            EXPECT_DOUBLE_EQ(common.endGps, c.end);
        }
    }
}

// The real CEDA file (15 s, 2018-07-29): its epochs, read with awk apart
// from this code, leave three gaps longer than the default 150 s, after
// 00:18:30 (1,740 s), 13:57:45 (195 s) and 21:23:45 (165 s).  Expected
// epochs per span at 15 s: 74 + 3,162 + 1,772 + 614 = 5,622, of which the
// file holds 4,675.
TEST(EpochRuns, RealFileWithGaps) {
    Occupation occupation = Read_Occupation(std::string(MIN_LUMO_FIELD_TEST_DATA) + "/CEDA00USA_R_20182100000_23H_15S_MO.rnx.gz");
    EXPECT_EQ(occupation.fileStationId, "CEDA00USA");
    EXPECT_EQ(occupation.markerName, "ceda");
    EXPECT_EQ(occupation.receiverNumber, "3012364");
    EXPECT_EQ(occupation.antennaType, "TRM59800.80     SCIS");
    EXPECT_DOUBLE_EQ(occupation.antennaHeight, 0.0083);
    EXPECT_DOUBLE_EQ(occupation.intervalSeconds, 15.0);
    Set_Spans(occupation, Default_Maximum_Gap_Seconds(occupation.intervalSeconds));
    const double day = occupation.firstGps - H(0, 0, 15);
    const std::vector<std::pair<double, double>> spans = {{H(0, 0, 15), H(0, 18, 30)},
                                                          {H(0, 47, 30), H(13, 57, 45)},
                                                          {H(14, 1), H(21, 23, 45)},
                                                          {H(21, 26, 30), H(23, 59, 45)}};
    ASSERT_EQ(occupation.spans.size(), spans.size());
    int64_t epochs = 0;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        EXPECT_DOUBLE_EQ(occupation.spans[i].startGps - day, spans[i].first) << i;
        EXPECT_DOUBLE_EQ(occupation.spans[i].endGps - day, spans[i].second) << i;
        epochs += occupation.spans[i].epochCount;
    }
    EXPECT_EQ(epochs, 4675);
    // On the epochs themselves, whatever the maximum gap (counted apart from
    // this code from the file's epoch lines): 814 breaks of more than one
    // 15-s step, the longest 29 min, and 4,675 of the 5,759 steps from
    // 00:00:15 to 23:59:45 held.
    Set_Epoch_Quality(occupation);
    EXPECT_EQ(occupation.gapCount, 814);
    EXPECT_DOUBLE_EQ(occupation.longestGapSeconds, 1740.0);
    EXPECT_NEAR(occupation.completeness, 4675.0 / 5759.0, 1e-12);
}

TEST(StationNames, PlaceholdersAndFileNameIds) {
    // Every default a receiver or its software writes, in the case written
    // and others, with blanks, underscores or a slash between words; the
    // fields left as they came; and real names that look near them.
    const struct {
        const char* marker;
        bool placeholder;
    } markers[] = {{"", true},           {"   ", true},         {"SITE", true},        {"site", true},
                   {"Site", true},       {"UNKNOWN", true},     {"Unknown", true},     {"UNKN", true},
                   {"UNK", true},        {"MARKER", true},      {"MARKERNAME", true},  {"MARKER NAME", true},
                   {"Marker_Name", true}, {"marker/name", true}, {"DEFAULT", true},     {"Default", true},
                   {"default", true},    {" Default ", true},   {"NONE", true},        {"NAME", true},
                   {"STATION", true},    {"NA", true},          {"NOTSET", true},      {"NONAME", true},
                   {"????", true},       {"----", true},        {"0000", true},        {"....", true},
                   {"BASE", false},      {"ROV1_01", false},    {"MRKR", false},       {"SITE7", false},
                   {"p433", false},      {"DEFAULT2", false},   {"NAMES", false},      {"0001", false},
                   {"STATION 12", false}};
    for (const auto& c : markers) EXPECT_EQ(Is_Placeholder_Marker(c.marker), c.placeholder) << "'" << c.marker << "'";
    const struct {
        const char* path;
        const char* id;
    } files[] = {
        {"field/rov11350.24o", "ROV1"},
        {"ROV21350.24O.gz", "ROV2"},
        {"a/b/base135a.24d", "BASE"},
        {"CEDA00USA_R_20182100000_23H_15S_MO.rnx.gz", "CEDA00USA"},
        {"P43300USA_R_20190012056_17M_15S_MO.crx", "P43300USA"},
        {"LOG_0001.24o", ""},
        {"wxyz_no_marker.rnx", ""},
        {"site.rnx", ""},
    };
    for (const auto& c : files) EXPECT_EQ(File_Station_Id(c.path), c.id) << c.path;
}

}  // namespace
}  // namespace min_lumo_field

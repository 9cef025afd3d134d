// An occupation's epochs kept small: runs of evenly spaced epochs, so that a
// day of 1-second data without a break is one run, not 86,400 times.  From
// them come the spans (the data split at gaps longer than the maximum
// gap), the interval, the completeness and whether one file's epochs are a
// subset of another's.
#pragma once

#include <cstdint>
#include <vector>

#include "tool/field/occupation.h"

namespace min_lumo_field {

// Two epoch times closer than this are the same epoch: RINEX gives epochs
// to 0.1 microsecond, and receivers log on whole steps of at least a
// millisecond.
inline constexpr double sameEpochSeconds = 1e-3;
// The default maximum gap: 10 times the interval, and at least 2 minutes.
inline constexpr double defaultGapIntervals = 10.0;
inline constexpr double shortestDefaultGapSeconds = 120.0;

// Adds epochs in the order read.  Times are GPS seconds.
class EpochRunBuilder {
public:
    // One comparison per epoch in the usual case: the run goes on.
    void Add(double gps) {
        if (!runs_.empty() && runs_.back().count >= 2) {
            const double step = gps - runs_.back().lastGps;
            if (step - runStep_ <= sameEpochSeconds && runStep_ - step <= sameEpochSeconds) {
                runs_.back().lastGps = gps;
                ++runs_.back().count;
                return;
            }
        }
        Add_Otherwise(gps);
    }
    // The runs in time order, without repeated epochs.
    std::vector<EpochRun> Finish();

private:
    void Add_Otherwise(double gps);

    std::vector<EpochRun> runs_;
    double runStep_ = 0.0;   // spacing of the last run, once it has two epochs
    bool unordered_ = false;  // an epoch came at or before the one before it
};

// Every epoch of the runs, in order.
std::vector<double> Expand_Epochs(const std::vector<EpochRun>& runs);
// Runs of epochs sorted and without repeats.
std::vector<EpochRun> Runs_Of_Epochs(std::vector<double> epochs);

// The union of several occupations' runs (joined files); an occupation
// log's continuous runs stay as they are.
std::vector<EpochRun> Union_Of_Runs(const std::vector<const std::vector<EpochRun>*>& parts);

// True when every epoch of `part` is an epoch of `whole` (continuous runs
// hold every instant between their ends).
bool Epochs_Within(const std::vector<EpochRun>& part, const std::vector<EpochRun>& whole);

// The most common spacing of the epochs, weighted by how often it occurs;
// 0 with fewer than two epochs.
double Most_Common_Spacing(const std::vector<EpochRun>& runs);

// 10 x the interval and at least 2 minutes; 2 minutes when the interval is
// unknown.
double Default_Maximum_Gap_Seconds(double intervalSeconds);

// Fills the spans of the occupation from its runs: the data split where the
// epochs are more than the maximum gap apart.
void Set_Spans(Occupation& occupation, double maximumGapSeconds);

// A break between two epochs longer than this many intervals leaves at
// least one of the interval's steps without an epoch: a gap.
inline constexpr double gapIntervals = 1.5;

// Fills completeness, gapCount and longestGapSeconds from the runs and the
// interval (intervalSeconds must be set), whatever the maximum gap:
// completeness counts the interval's steps from the first epoch to the last
// (each epoch on its nearest step) that hold an epoch, every missing epoch
// in between counting against it, long gaps included; a gap is a break
// between consecutive epochs longer than gapIntervals intervals.  An
// occupation log's continuous data, or an unknown interval, leave all three
// at 0.
void Set_Epoch_Quality(Occupation& occupation);

// The total length of the intersection of two span lists, and its first and
// last instant (pieces of no length do not count).
struct CommonTime {
    double seconds = 0.0;
    double startGps = 0.0, endGps = 0.0;
};
CommonTime Common_Time(const std::vector<DataSpan>& first, const std::vector<DataSpan>& second);

}  // namespace min_lumo_field

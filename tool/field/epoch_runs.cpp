#include "tool/field/epoch_runs.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>

namespace min_lumo_field {

namespace {

constexpr double millisecondsPerSecond = 1000.0;

double Step_Of(const EpochRun& run) {
    return run.count >= 2 ? (run.lastGps - run.firstGps) / static_cast<double>(run.count - 1) : 0.0;
}

bool By_First(const EpochRun& a, const EpochRun& b) {
    return a.firstGps < b.firstGps || (a.firstGps == b.firstGps && a.lastGps < b.lastGps);
}

}  // namespace

void EpochRunBuilder::Add_Otherwise(double gps) {
    if (runs_.empty()) {
        runs_.push_back({gps, gps, 1});
        return;
    }
    EpochRun& run = runs_.back();
    const double step = gps - run.lastGps;
    if (std::fabs(step) <= sameEpochSeconds) return;  // the same epoch again
    if (step < 0.0) {
        unordered_ = true;
    } else if (run.count == 1) {
        runStep_ = step;
        run.lastGps = gps;
        run.count = 2;
        return;
    }
    runs_.push_back({gps, gps, 1});
}

std::vector<EpochRun> EpochRunBuilder::Finish() {
    if (unordered_) return Runs_Of_Epochs(Expand_Epochs(runs_));
    return std::move(runs_);
}

std::vector<double> Expand_Epochs(const std::vector<EpochRun>& runs) {
    std::vector<double> epochs;
    for (const EpochRun& run : runs) {
        if (run.count <= 0) continue;
        const double step = Step_Of(run);
        for (int64_t k = 0; k + 1 < run.count; ++k) epochs.push_back(run.firstGps + static_cast<double>(k) * step);
        epochs.push_back(run.lastGps);
    }
    return epochs;
}

std::vector<EpochRun> Runs_Of_Epochs(std::vector<double> epochs) {
    std::sort(epochs.begin(), epochs.end());
    EpochRunBuilder builder;
    for (const double epoch : epochs) builder.Add(epoch);
    return builder.Finish();
}

std::vector<EpochRun> Union_Of_Runs(const std::vector<const std::vector<EpochRun>*>& parts) {
    std::vector<EpochRun> epochRuns, continuous;
    for (const std::vector<EpochRun>* part : parts)
        for (const EpochRun& run : *part) (run.count > 0 ? epochRuns : continuous).push_back(run);
    std::sort(epochRuns.begin(), epochRuns.end(), By_First);
    bool overlapping = false;
    for (std::size_t i = 1; i < epochRuns.size() && !overlapping; ++i)
        overlapping = epochRuns[i].firstGps <= epochRuns[i - 1].lastGps + sameEpochSeconds;
    // Overlapping files share epochs: each is to count once.
    if (overlapping) epochRuns = Runs_Of_Epochs(Expand_Epochs(epochRuns));
    epochRuns.insert(epochRuns.end(), continuous.begin(), continuous.end());
    std::sort(epochRuns.begin(), epochRuns.end(), By_First);
    return epochRuns;
}

namespace {

// True when `epoch` is an epoch of `run` (or inside a continuous one).
bool Run_Holds(const EpochRun& run, double epoch) {
    if (epoch < run.firstGps - sameEpochSeconds || epoch > run.lastGps + sameEpochSeconds) return false;
    if (run.count == 0 || run.count == 1) return true;
    const double step = Step_Of(run);
    const double k = std::round((epoch - run.firstGps) / step);
    return std::fabs(run.firstGps + k * step - epoch) <= sameEpochSeconds;
}

}  // namespace

bool Epochs_Within(const std::vector<EpochRun>& part, const std::vector<EpochRun>& whole) {
    const auto held = [&](double epoch) {
        // The run starting last at or before it holds it, unless a
        // continuous run (an occupation log's) reaches over it.
        const auto after = std::upper_bound(whole.begin(), whole.end(), epoch + sameEpochSeconds,
                                            [](double t, const EpochRun& run) { return t < run.firstGps; });
        if (after != whole.begin() && Run_Holds(*std::prev(after), epoch)) return true;
        return std::any_of(whole.begin(), after,
                           [&](const EpochRun& run) { return run.count == 0 && Run_Holds(run, epoch); });
    };
    for (const EpochRun& run : part) {
        if (run.count == 0) {
            // A continuous run lies within continuous data only.
            const bool inside = std::any_of(whole.begin(), whole.end(), [&](const EpochRun& other) {
                return other.count == 0 && other.firstGps <= run.firstGps + sameEpochSeconds
                       && other.lastGps + sameEpochSeconds >= run.lastGps;
            });
            if (!inside) return false;
            continue;
        }
        const double step = Step_Of(run);
        for (int64_t k = 0; k < run.count; ++k) {
            const double epoch = k + 1 == run.count ? run.lastGps : run.firstGps + static_cast<double>(k) * step;
            if (!held(epoch)) return false;
        }
    }
    return true;
}

double Most_Common_Spacing(const std::vector<EpochRun>& runs) {
    std::map<int64_t, int64_t> weightOfMilliseconds;
    const EpochRun* previous = nullptr;
    for (const EpochRun& run : runs) {
        if (run.count == 0) continue;
        if (run.count >= 2)
            weightOfMilliseconds[std::llround(Step_Of(run) * millisecondsPerSecond)] += run.count - 1;
        if (previous != nullptr)
            ++weightOfMilliseconds[std::llround((run.firstGps - previous->lastGps) * millisecondsPerSecond)];
        previous = &run;
    }
    int64_t best = 0, bestWeight = 0;
    for (const auto& [milliseconds, weight] : weightOfMilliseconds)
        if (milliseconds > 0 && weight > bestWeight) {
            best = milliseconds;
            bestWeight = weight;
        }
    return static_cast<double>(best) / millisecondsPerSecond;
}

double Default_Maximum_Gap_Seconds(double intervalSeconds) {
    return std::max(defaultGapIntervals * intervalSeconds, shortestDefaultGapSeconds);
}

void Set_Spans(Occupation& occupation, double maximumGapSeconds) {
    occupation.spans.clear();
    const auto take = [&](double first, double last, int64_t count) {
        if (!occupation.spans.empty() && first - occupation.spans.back().endGps <= maximumGapSeconds) {
            DataSpan& span = occupation.spans.back();
            span.endGps = std::max(span.endGps, last);
            span.epochCount += count;
            return;
        }
        occupation.spans.push_back({first, last, count});
    };
    for (const EpochRun& run : occupation.epochRuns) {
        // Evenly spaced epochs farther apart than the maximum gap are each
        // a span of their own.
        if (run.count >= 2 && Step_Of(run) > maximumGapSeconds) {
            const double step = Step_Of(run);
            for (int64_t k = 0; k < run.count; ++k) {
                const double epoch = k + 1 == run.count ? run.lastGps : run.firstGps + static_cast<double>(k) * step;
                take(epoch, epoch, 1);
            }
            continue;
        }
        take(run.firstGps, run.lastGps, run.count);
    }
}

void Set_Epoch_Quality(Occupation& occupation) {
    occupation.completeness = 0.0;
    occupation.gapCount = 0;
    occupation.longestGapSeconds = 0.0;
    const std::vector<EpochRun>& runs = occupation.epochRuns;
    const double interval = occupation.intervalSeconds;
    if (runs.empty() || interval <= 0.0
        || std::any_of(runs.begin(), runs.end(), [](const EpochRun& run) { return run.count == 0; }))
        return;
    // The runs are in time order and apart (EpochRunBuilder, Union_Of_Runs).
    const double first = runs.front().firstGps;
    const auto step = [&](double epoch) { return static_cast<int64_t>(std::llround((epoch - first) / interval)); };
    const double longestBreak = gapIntervals * interval;
    const auto note_break = [&](double seconds, int64_t count) {
        if (seconds <= longestBreak) return;
        occupation.gapCount += static_cast<int32_t>(count);
        occupation.longestGapSeconds = std::max(occupation.longestGapSeconds, seconds);
    };
    int64_t held = 0, lastHeld = -1;
    double last = first;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const EpochRun& run = runs[i];
        if (i > 0) note_break(run.firstGps - runs[i - 1].lastGps, 1);
        last = std::max(last, run.lastGps);
        const double spacing = Step_Of(run);
        if (run.count >= 2) note_break(spacing, run.count - 1);
        if (run.count < 2 || spacing <= interval + sameEpochSeconds) {
            // At most one interval apart: every step between its ends holds one.
            const int64_t from = std::max(step(run.firstGps), lastHeld + 1), to = step(run.lastGps);
            if (to >= from) held += to - from + 1;
            lastHeld = std::max(lastHeld, to);
            continue;
        }
        for (int64_t k = 0; k < run.count; ++k) {
            const int64_t at = step(k + 1 == run.count ? run.lastGps : run.firstGps + static_cast<double>(k) * spacing);
            if (at > lastHeld) {
                ++held;
                lastHeld = at;
            }
        }
    }
    const int64_t steps = step(last) + 1;
    occupation.completeness = std::min(1.0, static_cast<double>(held) / static_cast<double>(steps));
}

CommonTime Common_Time(const std::vector<DataSpan>& first, const std::vector<DataSpan>& second) {
    CommonTime common;
    bool any = false;
    std::size_t i = 0, j = 0;
    while (i < first.size() && j < second.size()) {
        const double start = std::max(first[i].startGps, second[j].startGps);
        const double end = std::min(first[i].endGps, second[j].endGps);
        if (end > start) {
            if (!any) common.startGps = start;
            any = true;
            common.endGps = end;
            common.seconds += end - start;
        }
        if (first[i].endGps < second[j].endGps) ++i;
        else ++j;
    }
    return common;
}

}  // namespace min_lumo_field

// The three passes that give every working entry its network: seeds, joins by
// mean time window, and networks of their own for the rest.  Every comparison
// involving a NaN time is false, so such an entry is covered by no network and
// is no candidate for one; the final pass still gives it a network, and no
// index or loop bound ever comes from a time.
#include <limits>

#include "tests/reference/network/network_grouping.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

static_assert(std::numeric_limits<double>::is_iec559,
              "ratios of zero durations rely on IEEE infinities and NaN");

namespace {

// An entry is covered when a network's end reaches past the entry's start by
// at least this share of the entry's own duration.
constexpr double CoverageRatioThreshold = 0.1;
// Below any real overlap: every candidate's overlap is positive.
constexpr double NoOverlapYet = -100000.0;

// Opens network k (the next free slot) with `entry` alone.
void Open_Network(GroupingWork& work, NetObservation& entry) {
    const int32_t k = work.networkCount;
    TimeNetwork& network = work.networks[k];
    network.index = k;
    network.earliestStart = entry.startTime;
    network.meanStart = entry.startTime;
    network.latestEnd = entry.endTime;
    network.meanEnd = entry.endTime;
    network.observationCount = 1;
    entry.network = k;
    work.networkCount = k + 1;
}

// (latestEnd - s) / duration >= 0.1.  A zero duration gives an infinity (or
// NaN for 0 / 0, which does not cover), exactly as the formula says.
bool Network_Covers(const TimeNetwork& network, const NetObservation& entry) {
    const double ratio = (network.latestEnd - entry.startTime) / entry.duration;
    return ratio >= CoverageRatioThreshold;
}

bool Covered_By_Open_Network(const GroupingWork& work, const NetObservation& entry) {
    for (int32_t m = 0; m < work.networkCount; ++m) {
        if (Network_Covers(work.networks[m], entry)) return true;
    }
    return false;
}

// Adds the entry to the network, keeping the means over all its observations.
// The operations run in this order so every build rounds alike.
void Add_To_Network(TimeNetwork& network, NetObservation& entry) {
    const int32_t w = network.observationCount;
    const double weight = static_cast<double>(w);
    network.meanStart = (weight * network.meanStart + entry.startTime) / (weight + 1.0);
    network.meanEnd = (weight * network.meanEnd + entry.endTime) / (weight + 1.0);
    network.observationCount = w + 1;
    entry.network = network.index;
}

enum class WindowFit { NoCandidate, Inside, Overhang };

// How an entry [s, e] lies against a mean window [ms, me]; for an overhang,
// `overlap` receives the overlapping length.
WindowFit Fit_In_Mean_Window(const TimeNetwork& network, const NetObservation& entry,
                             double& overlap) {
    const double s = entry.startTime;
    const double e = entry.endTime;
    const double ms = network.meanStart;
    const double me = network.meanEnd;
    // Touching is no overlap; a NaN anywhere makes this false as well.
    if (!(e > ms && s < me)) return WindowFit::NoCandidate;
    if (s >= ms && e <= me) return WindowFit::Inside;
    if (s < ms && e <= me) {
        overlap = e - ms;  // left overhang
        return WindowFit::Overhang;
    }
    if (s >= ms && e > me) {
        overlap = me - s;  // right overhang
        return WindowFit::Overhang;
    }
    return WindowFit::NoCandidate;  // spans the whole window: never joins it
}

// An overhang join first widens the network's extent to the entry.
void Widen_And_Add(TimeNetwork& network, NetObservation& entry) {
    if (network.latestEnd < entry.endTime) network.latestEnd = entry.endTime;
    if (network.earliestStart > entry.startTime) network.earliestStart = entry.startTime;
    Add_To_Network(network, entry);
}

// Joins the entry to the first network it lies inside, else to the network it
// overhangs most (ties to the lower number); leaves it alone otherwise.  The
// windows are read as they stand now, earlier joins of this pass included.
void Assign_Entry(GroupingWork& work, NetObservation& entry) {
    double best = NoOverlapYet;
    TimeNetwork* bestNetwork = nullptr;
    for (int32_t m = 0; m < work.networkCount; ++m) {
        TimeNetwork& network = work.networks[m];
        double overlap = 0.0;
        const WindowFit fit = Fit_In_Mean_Window(network, entry, overlap);
        if (fit == WindowFit::Inside) {
            Add_To_Network(network, entry);
            return;
        }
        if (fit == WindowFit::Overhang && overlap > best) {
            best = overlap;
            bestNetwork = &network;
        }
    }
    if (bestNetwork != nullptr) Widen_And_Add(*bestNetwork, entry);
}

}  // namespace

// Nothing widens a network here, so each network's latestEnd is still the end
// of the entry that opened it.
int32_t Seed_Networks(GroupingWork& work) {
    for (int32_t i = 0; i < work.entryCount; ++i) {
        NetObservation& entry = work.entries[i];
        if (!Covered_By_Open_Network(work, entry)) Open_Network(work, entry);
    }
    return 0;
}

// Opens no network; an entry left without one is not looked at again here.
int32_t Assign_To_Networks(GroupingWork& work) {
    for (int32_t i = 0; i < work.entryCount; ++i) {
        NetObservation& entry = work.entries[i];
        if (entry.network == -1) Assign_Entry(work, entry);
    }
    return 0;
}

// Whatever is still without a network gets one of its own, numbered after
// all seed networks in start-time order.  Afterwards every entry has one.
int32_t Open_Remaining_Networks(GroupingWork& work) {
    for (int32_t i = 0; i < work.entryCount; ++i) {
        NetObservation& entry = work.entries[i];
        if (entry.network == -1) Open_Network(work, entry);
    }
    return 0;
}

}  // namespace min_lumo_reference

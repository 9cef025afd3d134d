// Seeds and the final pass: the passes that open networks.  The assignment
// pass between them is in join_mean_windows.cpp.
#include <cmath>
#include <limits>

#include "tests/reference/network/network_grouping.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

static_assert(std::numeric_limits<double>::is_iec559,
              "ratios of zero durations rely on IEEE infinities, signed zeros and NaN");

namespace {

// An entry is covered when a network's end reaches past the entry's start by
// at least this share of the entry's own duration.
constexpr double CoverageRatioThreshold = 0.1;

// The extremes of latestEnd over the networks opened so far, NaN ends left
// out (a NaN end gives a NaN ratio, which covers nothing).
struct OpenedEnds {
    bool any;
    double latest;
    double earliest;
};

void Note_Opened_End(OpenedEnds& ends, double latestEnd) {
    if (latestEnd != latestEnd) return;
    if (!ends.any) {
        ends = {true, latestEnd, latestEnd};
        return;
    }
    if (latestEnd > ends.latest) ends.latest = latestEnd;
    if (latestEnd < ends.earliest) ends.earliest = latestEnd;
}

// Some opened network covers the entry exactly when the one with the extreme
// end does.  For a duration d that is positive or +0 the ratio
// (latestEnd - s) / d never falls as latestEnd grows (rounding is monotone,
// and for +0 it is -inf, NaN, +inf as latestEnd passes s), so the latest end
// decides; for a negative d or -0 it never rises, so the earliest end
// decides.  A NaN d covers nowhere, and the formula says so by itself.
bool Covered_By_Opened_Network(const OpenedEnds& ends, const NetObservation& entry) {
    if (!ends.any) return false;
    const double end = std::signbit(entry.duration) ? ends.earliest : ends.latest;
    const double ratio = (end - entry.startTime) / entry.duration;
    return ratio >= CoverageRatioThreshold;
}

}  // namespace

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

// Keeps the means over all the network's observations, in the host's order
// of operations.
void Add_To_Network(TimeNetwork& network, NetObservation& entry) {
    const int32_t w = network.observationCount;
    const double weight = static_cast<double>(w);
    network.meanStart = (weight * network.meanStart + entry.startTime) / (weight + 1.0);
    network.meanEnd = (weight * network.meanEnd + entry.endTime) / (weight + 1.0);
    network.observationCount = w + 1;
    entry.network = network.index;
}

void Widen_And_Add(TimeNetwork& network, NetObservation& entry) {
    if (network.latestEnd < entry.endTime) network.latestEnd = entry.endTime;
    if (network.earliestStart > entry.startTime) network.earliestStart = entry.startTime;
    Add_To_Network(network, entry);
}

// Nothing widens a network during this pass, so each network's latestEnd is
// the end of the entry that opened it and the extremes stay valid.
int32_t Seed_Networks(GroupingWork& work) {
    OpenedEnds ends{false, 0.0, 0.0};
    for (int32_t i = 0; i < work.entryCount; ++i) {
        NetObservation& entry = work.entries[i];
        if (Covered_By_Opened_Network(ends, entry)) continue;
        Open_Network(work, entry);
        Note_Opened_End(ends, entry.endTime);
    }
    return 0;
}

// Whatever is still without a network gets one of its own, numbered after
// all seed networks in start-time order.
int32_t Open_Remaining_Networks(GroupingWork& work) {
    for (int32_t i = 0; i < work.entryCount; ++i) {
        NetObservation& entry = work.entries[i];
        if (entry.network == -1) Open_Network(work, entry);
    }
    return 0;
}

}  // namespace min_lumo_reference

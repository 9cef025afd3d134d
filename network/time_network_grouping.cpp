// Grouping the observations into time-networks: every host observation is
// copied into a working entry, the entries are ordered by start time, seeds
// open a network for each entry no earlier network covers by a tenth of its
// duration, the assignment pass joins the rest by mean time window, and the
// final pass gives whatever is left a network of its own.
//
// In the assignment pass each entry still without a network joins the first
// network whose mean window holds it, else the one it overhangs most (ties
// to the lower number), else none.  The entries come in ascending start time s, and a network is a candidate
// only while s < meanEnd.  A network's means move only when it is joined,
// which needs it to be a candidate, so once meanEnd <= s it never is one
// again and is dropped for good.  Seeds nobody has joined yet keep their
// opening times, and their starts rise with their numbers: the first one that
// starts at or after the entry's end ends the search among them.  Seeds that
// have been joined live in a short list of their own.  Inside matches and
// overhangs are collected from both lists and decided by network number, as a
// scan in number order decides them.
//
// A NaN start breaks the order the pruning relies on; such a project takes
// the scan over every network instead, which gives the same joins.
#include <cmath>
#include <limits>

#include "core/library_heap.h"
#include "core/stable_merge_sort.h"
#include "core/stable_radix_sort.h"
#include "network/network_grouping.h"

namespace min_lumo {

static_assert(std::numeric_limits<double>::is_iec559,
              "ratios of zero durations rely on IEEE infinities, signed zeros and NaN");

namespace {

// ---- Working entries in start-time order ----

// A lambda rather than a function, so that the sort inlines the comparison.
constexpr auto Starts_Earlier = [](const GroupingEntry& a, const GroupingEntry& b) { return a.startTime < b.startTime; };

bool Start_Is_NaN(const GroupingEntry& entry) { return entry.startTime != entry.startTime; }

// Hosts mostly hand their observations in about the order of time: session
// after session, a little out of order within each.  Insertion then costs a
// few moves per entry and needs no buffer.  It gives up, leaving the entries
// partly ordered, as soon as it has moved more than this many per entry so
// far (past a short start), so that entries in no particular order cost it
// little.  Insertion moves an entry only past strictly later starts, so
// whatever sorts the rest stably still keeps equal starts in host order.
// True when the entries are in order.
constexpr int32_t InsertionMovesPerEntry = 4;
constexpr int64_t InsertionMovesAtStart = 256;

bool Insert_Into_Start_Order(GroupingEntry* entries, int32_t count) {
    int64_t moves = 0;
    for (int32_t i = 1; i < count; ++i) {
        if (!(entries[i].startTime < entries[i - 1].startTime)) continue;
        const GroupingEntry taken = entries[i];
        int32_t gap = i;
        const int64_t allowed = InsertionMovesAtStart + int64_t{InsertionMovesPerEntry} * i;
        while (gap > 0 && taken.startTime < entries[gap - 1].startTime) {
            if (++moves > allowed) {
                entries[gap] = taken;
                return false;
            }
            entries[gap] = entries[gap - 1];
            --gap;
        }
        entries[gap] = taken;
    }
    return true;
}

// Ascending start time, equal starts in host order.  A NaN start compares
// false both ways, so it never moves and no entry moves past it: the NaN
// entries stay where the host put them and each run between them is ordered
// on its own, which is what an insertion sort over whole entries yields.
void Sort_By_Start_Time(GroupingEntry* entries, int32_t count, GroupingEntry* buffer) {
    int32_t runStart = 0;
    for (int32_t i = 0; i <= count; ++i) {
        if (i < count && !Start_Is_NaN(entries[i])) continue;
        Stable_Merge_Sort(entries + runStart, i - runStart, buffer, Starts_Earlier);
        runStart = i + 1;
    }
}

// ---- Opening and joining networks ----

// The whole slot is written: the network array is not zero-filled.
void Open_Network(GroupingWork& work, GroupingEntry& entry) {
    const int32_t k = work.networkCount;
    TimeNetwork& network = work.networks[k];
    network = TimeNetwork{};
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
void Add_To_Network(TimeNetwork& network, GroupingEntry& entry) {
    const int32_t w = network.observationCount;
    const double weight = static_cast<double>(w);
    network.meanStart = (weight * network.meanStart + entry.startTime) / (weight + 1.0);
    network.meanEnd = (weight * network.meanEnd + entry.endTime) / (weight + 1.0);
    network.observationCount = w + 1;
    entry.network = network.index;
}

void Widen_And_Add(TimeNetwork& network, GroupingEntry& entry) {
    if (network.latestEnd < entry.endTime) network.latestEnd = entry.endTime;
    if (network.earliestStart > entry.startTime) network.earliestStart = entry.startTime;
    Add_To_Network(network, entry);
}

// ---- The seed pass and the final pass ----

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
bool Covered_By_Opened_Network(const OpenedEnds& ends, const GroupingEntry& entry) {
    if (!ends.any) return false;
    const double duration = entry.endTime - entry.startTime;
    const double end = std::signbit(duration) ? ends.earliest : ends.latest;
    const double ratio = (end - entry.startTime) / duration;
    return ratio >= CoverageRatioThreshold;
}

// Nothing widens a network during this pass, so each network's latestEnd is
// the end of the entry that opened it and the extremes stay valid.
void Seed_Networks(GroupingWork& work) {
    OpenedEnds ends{false, 0.0, 0.0};
    for (int32_t i = 0; i < work.entryCount; ++i) {
        GroupingEntry& entry = work.entries[i];
        if (Covered_By_Opened_Network(ends, entry)) continue;
        Open_Network(work, entry);
        Note_Opened_End(ends, entry.endTime);
    }
}

// Whatever is still without a network gets one of its own, numbered after
// all seed networks in start-time order.
void Open_Remaining_Networks(GroupingWork& work) {
    for (int32_t i = 0; i < work.entryCount; ++i) {
        GroupingEntry& entry = work.entries[i];
        if (entry.network == NoNetwork) Open_Network(work, entry);
    }
}

// ---- The assignment pass ----

// Below any real overlap: every candidate's overlap is positive.
constexpr double NoOverlapYet = -100000.0;

// The best join found so far for one entry.
struct JoinChoice {
    int32_t inside = NoNetwork;      // lowest-numbered network holding the entry
    int32_t overhang = NoNetwork;    // network with the largest overlap
    double overlap = NoOverlapYet;
};

// Weighs network m for the entry [s, e]; candidates need e > ms and s < me.
void Weigh_Network(JoinChoice& choice, const TimeNetwork& network, double s, double e) {
    const double ms = network.meanStart;
    const double me = network.meanEnd;
    if (!(e > ms && s < me)) return;
    const int32_t m = network.index;
    if (s >= ms && e <= me) {
        if (choice.inside == NoNetwork || m < choice.inside) choice.inside = m;
        return;
    }
    double overlap = 0.0;
    if (s < ms && e <= me)
        overlap = e - ms;  // left overhang
    else if (s >= ms && e > me)
        overlap = me - s;  // right overhang
    else
        return;  // spans the whole window: never joins it
    if (overlap > choice.overlap || (overlap == choice.overlap && m < choice.overhang)) {
        choice.overlap = overlap;
        choice.overhang = m;
    }
}

// Joins the chosen network; returns its number, or NoNetwork.
int32_t Join(GroupingWork& work, const JoinChoice& choice, GroupingEntry& entry) {
    if (choice.inside != NoNetwork) {
        Add_To_Network(work.networks[choice.inside], entry);  // extent unchanged
        return choice.inside;
    }
    if (choice.overhang != NoNetwork) {
        Widen_And_Add(work.networks[choice.overhang], entry);
        return choice.overhang;
    }
    return NoNetwork;
}

void Assign_By_Scanning_Every_Network(GroupingWork& work) {
    for (int32_t i = 0; i < work.entryCount; ++i) {
        GroupingEntry& entry = work.entries[i];
        if (entry.network != NoNetwork) continue;
        JoinChoice choice;
        for (int32_t m = 0; m < work.networkCount; ++m)
            Weigh_Network(choice, work.networks[m], entry.startTime, entry.endTime);
        Join(work, choice, entry);
    }
}

// The two lists of networks that may still take an entry.
struct LiveNetworks {
    int32_t* nextUntouched;  // chain of unjoined seeds in number order; NoNetwork ends it
    int32_t* joined;         // seeds joined at least once, in no particular order
    uint8_t* wasJoined;      // per seed: 1 once it has been joined
    int32_t firstUntouched;
    int32_t joinedCount;
};

void Weigh_Joined(LiveNetworks& live, const GroupingWork& work, JoinChoice& choice, double s, double e) {
    int32_t i = 0;
    while (i < live.joinedCount) {
        const TimeNetwork& network = work.networks[live.joined[i]];
        if (!(s < network.meanEnd)) {
            live.joined[i] = live.joined[--live.joinedCount];  // never a candidate again
            continue;
        }
        Weigh_Network(choice, network, s, e);
        ++i;
    }
}

void Weigh_Untouched(LiveNetworks& live, const GroupingWork& work, JoinChoice& choice, double s, double e) {
    int32_t previous = NoNetwork;
    int32_t m = live.firstUntouched;
    while (m != NoNetwork) {
        const int32_t next = live.nextUntouched[m];
        const TimeNetwork& network = work.networks[m];
        const bool drop = live.wasJoined[m] != 0 || !(s < network.meanEnd);
        if (!drop && !(network.meanStart < e)) return;  // this and every later seed start too late
        if (drop) {
            if (previous == NoNetwork)
                live.firstUntouched = next;
            else
                live.nextUntouched[previous] = next;
        } else {
            Weigh_Network(choice, network, s, e);
            previous = m;
        }
        m = next;
    }
}

void Assign_With_Live_Lists(GroupingWork& work, LiveNetworks& live) {
    const int32_t seedCount = work.networkCount;
    for (int32_t m = 0; m < seedCount; ++m) live.nextUntouched[m] = m + 1 < seedCount ? m + 1 : NoNetwork;
    live.firstUntouched = seedCount > 0 ? 0 : NoNetwork;
    live.joinedCount = 0;
    for (int32_t i = 0; i < work.entryCount; ++i) {
        GroupingEntry& entry = work.entries[i];
        if (entry.network != NoNetwork) continue;
        const double s = entry.startTime;
        const double e = entry.endTime;
        if (e != e) continue;  // a NaN end is no candidate anywhere
        JoinChoice choice;
        Weigh_Joined(live, work, choice, s, e);
        Weigh_Untouched(live, work, choice, s, e);
        const int32_t joined = Join(work, choice, entry);
        if (joined != NoNetwork && live.wasJoined[joined] == 0) {
            live.wasJoined[joined] = 1;
            live.joined[live.joinedCount++] = joined;
        }
    }
}

int32_t Assign_To_Networks(GroupingWork& work) {
    if (work.anyStartIsNaN) {
        Assign_By_Scanning_Every_Network(work);
        return 0;
    }
    // Each scratch array is asked for only once the one before it was had.
    const int32_t seedCount = work.networkCount;
    LiveNetworks live{};
    int32_t status = -1;
    live.nextUntouched = Allocate_Unfilled_Array<int32_t>(seedCount);
    if (live.nextUntouched != nullptr) live.joined = Allocate_Unfilled_Array<int32_t>(seedCount);
    if (live.joined != nullptr) live.wasJoined = Allocate_Array<uint8_t>(seedCount);
    if (live.wasJoined != nullptr) {
        Assign_With_Live_Lists(work, live);
        status = 0;
    }
    Free_Block(live.nextUntouched);
    Free_Block(live.joined);
    Free_Block(live.wasJoined);
    return status;
}

}  // namespace

void Free_Grouping_Work(GroupingWork& work) {
    Free_Block(work.entries);
    Free_Block(work.networks);
    work = GroupingWork{};
}

// Slots from networkCount on hold no network and are never read; the array
// is not zero-filled, so its untouched pages cost nothing.
int32_t Allocate_Grouping_Work(GroupingWork& work, int32_t count) {
    work = GroupingWork{};
    work.entries = Allocate_Unfilled_Array<GroupingEntry>(count);
    if (work.entries != nullptr) work.networks = Allocate_Unfilled_Array<TimeNetwork>(count);
    if (work.networks == nullptr) {
        Free_Grouping_Work(work);
        return -1;
    }
    work.entryCount = count;
    return 0;
}

// Entries about in order are put in order by insertion; what that leaves
// goes, with a buffer that lives only while they are ordered, by radix on
// their start times when there are many and no start is NaN, else by
// merging.
int32_t Group_Observations(GroupingWork& work) {
    const int32_t count = work.entryCount;
    const bool anyNaN = work.anyStartIsNaN;
    if (!work.startsInOrder && (anyNaN || !Insert_Into_Start_Order(work.entries, count))) {
        const bool byRadix = !anyNaN && count >= SmallestRadixSort;
        GroupingEntry* buffer = Allocate_Unfilled_Array<GroupingEntry>(byRadix ? count : count / 2);
        if (buffer == nullptr) return -1;
        if (byRadix)
            Stable_Radix_Sort(work.entries, count, buffer,
                              [](const GroupingEntry& entry) { return Ordered_Key_Of(entry.startTime); });
        else
            Sort_By_Start_Time(work.entries, count, buffer);
        Free_Block(buffer);
    }
    Seed_Networks(work);
    if (Assign_To_Networks(work) < 0) return -1;
    Open_Remaining_Networks(work);
    return 0;
}

}  // namespace min_lumo

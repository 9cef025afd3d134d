// The assignment pass: each entry still without a network joins the first
// network whose mean window holds it, else the one it overhangs most (ties to
// the lower number), else none.
//
// The entries come in ascending start time s, and a network is a candidate
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
#include "tests/reference/network/network_arrays.h"
#include "tests/reference/network/network_grouping.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

constexpr int32_t NoNetwork = -1;
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
int32_t Join(GroupingWork& work, const JoinChoice& choice, NetObservation& entry) {
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

bool Any_Start_Is_NaN(const GroupingWork& work) {
    for (int32_t i = 0; i < work.entryCount; ++i)
        if (work.entries[i].startTime != work.entries[i].startTime) return true;
    return false;
}

void Assign_By_Scanning_Every_Network(GroupingWork& work) {
    for (int32_t i = 0; i < work.entryCount; ++i) {
        NetObservation& entry = work.entries[i];
        if (entry.network != -1) continue;
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
        NetObservation& entry = work.entries[i];
        if (entry.network != -1) continue;
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

}  // namespace

int32_t Assign_To_Networks(GroupingWork& work) {
    if (Any_Start_Is_NaN(work)) {
        Assign_By_Scanning_Every_Network(work);
        return 0;
    }
    // Each scratch array is asked for only once the one before it was had.
    const int32_t seedCount = work.networkCount;
    LiveNetworks live{};
    int32_t status = -1;
    live.nextUntouched = Allocate_Array<int32_t>(seedCount);
    if (live.nextUntouched != nullptr) live.joined = Allocate_Array<int32_t>(seedCount);
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

}  // namespace min_lumo_reference

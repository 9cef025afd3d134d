// The selection of one network with the build's workspace.  It makes exactly
// the decisions of the step-by-step rules, in the same order:
//
// - Each station keeps the table positions of its open observations in table
//   order; decided ones are dropped lazily as a walk meets them, so "the
//   first Undecided observation at S" and the rule-4 walk over S's open
//   observations cost only what they meet.
// - A bit per station tells whether one of the four rules applies there.
//   Beginning again at the first station is a search for the first set bit;
//   going on after a rule-4 walk that did not empty S searches from S + 1.
// - Steps 6 and 8 take the station with the fewest open observations (first
//   station on a tie) from a heap keyed by (openCount, position).  Open
//   counts only fall and selected counts only rise, so a station's key only
//   falls while it qualifies and it never qualifies again once it has
//   stopped: each change is a sift towards the top, an insertion or a
//   removal.
#include "tests/reference/minimise/network_selection.h"
#include "tests/reference/minimise/selection_paths.h"
#include "tests/reference/network/selection_workspace.h"
#include "tests/reference/network/stable_merge_sort.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

constexpr int32_t NoStation = -1;
constexpr int32_t NoPosition = -1;
constexpr int32_t NotInHeap = -1;

// Which stations the heap holds: none, those of step 6, those of step 8.
enum class Choosing { Nothing, WithoutSelection, WithOneSelection };

struct Selection {
    TimeNetwork& network;
    SelectionWorkspace& work;
    int32_t heapSize;
    Choosing choosing;
};

int32_t Position_Of(const Selection& run, const NetStation* station) {
    return static_cast<int32_t>(station - run.network.stations);
}

bool Rule_Applies(const NetStation& station) {
    const int32_t open = station.openCount;
    const int32_t selected = station.selectedCount;
    if (selected == 0) return open == 1 || open == 2;
    if (selected == 1) return open == 1;
    return selected == SaturatedSelectedCount && open > 0;
}

void Mark_Rule(Selection& run, int32_t s) {
    uint32_t& word = run.work.ruleStations[s / RuleStationsPerWord];
    const uint32_t bit = 1U << (s % RuleStationsPerWord);
    if (Rule_Applies(run.network.stations[s]))
        word |= bit;
    else
        word &= ~bit;
}

// The first station at or after `from` where a rule applies.
int32_t Next_Rule_Station(const Selection& run, int32_t from) {
    const int32_t count = run.network.stationCount;
    if (from >= count) return NoStation;
    int32_t w = from / RuleStationsPerWord;
    uint32_t word = run.work.ruleStations[w] & (~0U << (from % RuleStationsPerWord));
    const int32_t lastWord = (count - 1) / RuleStationsPerWord;
    while (word == 0) {
        if (++w > lastWord) return NoStation;
        word = run.work.ruleStations[w];
    }
    const int32_t s = w * RuleStationsPerWord + __builtin_ctz(word);
    return s < count ? s : NoStation;
}

// ---- The heap of steps 6 and 8 ----

bool Chosen_Before(const Selection& run, int32_t a, int32_t b) {
    const int32_t openA = run.network.stations[a].openCount;
    const int32_t openB = run.network.stations[b].openCount;
    return openA < openB || (openA == openB && a < b);
}

bool Qualifies(const Selection& run, int32_t s) {
    const NetStation& station = run.network.stations[s];
    if (station.openCount >= OpenCountBound) return false;
    if (run.choosing == Choosing::WithoutSelection) return station.selectedCount == 0;
    if (run.choosing == Choosing::WithOneSelection) return station.selectedCount == 1 && station.openCount > 0;
    return false;
}

void Heap_Put(Selection& run, int32_t place, int32_t s) {
    run.work.heap[place] = s;
    run.work.heapPlace[s] = place;
}

void Sift_Up(Selection& run, int32_t place) {
    const int32_t s = run.work.heap[place];
    while (place > 0) {
        const int32_t parent = (place - 1) / 2;
        if (!Chosen_Before(run, s, run.work.heap[parent])) break;
        Heap_Put(run, place, run.work.heap[parent]);
        place = parent;
    }
    Heap_Put(run, place, s);
}

void Sift_Down(Selection& run, int32_t place) {
    const int32_t s = run.work.heap[place];
    for (;;) {
        int32_t child = 2 * place + 1;
        if (child >= run.heapSize) break;
        if (child + 1 < run.heapSize && Chosen_Before(run, run.work.heap[child + 1], run.work.heap[child])) ++child;
        if (!Chosen_Before(run, run.work.heap[child], s)) break;
        Heap_Put(run, place, run.work.heap[child]);
        place = child;
    }
    Heap_Put(run, place, s);
}

void Heap_Remove(Selection& run, int32_t s) {
    const int32_t place = run.work.heapPlace[s];
    run.work.heapPlace[s] = NotInHeap;
    const int32_t last = run.work.heap[--run.heapSize];
    if (last == s) return;
    Heap_Put(run, place, last);
    Sift_Up(run, place);
    Sift_Down(run, run.work.heapPlace[last]);
}

void Heap_Update(Selection& run, int32_t s) {
    const bool inHeap = run.work.heapPlace[s] != NotInHeap;
    const bool qualifies = Qualifies(run, s);
    if (inHeap && !qualifies) {
        Heap_Remove(run, s);
    } else if (inHeap) {
        Sift_Up(run, run.work.heapPlace[s]);  // its key can only have fallen
    } else if (qualifies) {
        Heap_Put(run, run.heapSize, s);
        Sift_Up(run, run.heapSize++);
    }
}

void Start_Choosing(Selection& run, Choosing choosing) {
    run.choosing = choosing;
    run.heapSize = 0;
    for (int32_t s = 0; s < run.network.stationCount; ++s) {
        run.work.heapPlace[s] = NotInHeap;
        if (Qualifies(run, s)) Heap_Put(run, run.heapSize++, s);
    }
    for (int32_t place = run.heapSize / 2 - 1; place >= 0; --place) Sift_Down(run, place);
}

// ---- Counters changed: keep the bit and the heap in step ----

void Station_Changed(Selection& run, NetStation* station) {
    if (station == nullptr) return;
    const int32_t s = Position_Of(run, station);
    Mark_Rule(run, s);
    if (run.choosing != Choosing::Nothing) Heap_Update(run, s);
}

void Ends_Changed(Selection& run, int32_t position) {
    NetObservation& entry = run.network.observations[position];
    Station_Changed(run, entry.fromNetStation);
    if (entry.toNetStation != entry.fromNetStation) Station_Changed(run, entry.toNetStation);
}

// ---- Per-station open observations ----

// Table positions of each station's open observations, in table order.
void List_Open_Observations(Selection& run) {
    TimeNetwork& network = run.network;
    int32_t* end = run.work.endOpenSlot;
    int32_t* first = run.work.firstOpenSlot;
    for (int32_t s = 0; s < network.stationCount; ++s) end[s] = 0;
    for (int32_t p = 0; p < network.observationCount; ++p) {
        const NetObservation& entry = network.observations[p];
        if (entry.state != Undecided) continue;
        ++end[Position_Of(run, entry.fromNetStation)];
        if (entry.toNetStation != entry.fromNetStation) ++end[Position_Of(run, entry.toNetStation)];
    }
    int32_t next = 0;
    for (int32_t s = 0; s < network.stationCount; ++s) {
        first[s] = next;
        next += end[s];
        end[s] = first[s];
    }
    for (int32_t p = 0; p < network.observationCount; ++p) {
        const NetObservation& entry = network.observations[p];
        if (entry.state != Undecided) continue;
        run.work.openSlots[end[Position_Of(run, entry.fromNetStation)]++] = p;
        if (entry.toNetStation != entry.fromNetStation)
            run.work.openSlots[end[Position_Of(run, entry.toNetStation)]++] = p;
    }
}

int32_t First_Open_At(Selection& run, int32_t s) {
    int32_t& first = run.work.firstOpenSlot[s];
    const int32_t end = run.work.endOpenSlot[s];
    while (first < end && run.network.observations[run.work.openSlots[first]].state != Undecided) ++first;
    return first < end ? run.work.openSlots[first] : NoPosition;
}

// ---- The station rules ----

// Rule 4 at S: each open observation at S, in table order, is offered for
// rejection.  True when S's open count reached 0 (begin again).  Decided
// entries are dropped from S's list on the way.
bool Reject_Surplus_At(Selection& run, int32_t s) {
    const NetStation& station = run.network.stations[s];
    int32_t* slots = run.work.openSlots;
    const int32_t end = run.work.endOpenSlot[s];
    int32_t kept = run.work.firstOpenSlot[s];
    bool emptied = false;
    for (int32_t read = run.work.firstOpenSlot[s]; read < end; ++read) {
        const int32_t p = slots[read];
        if (emptied) {
            slots[kept++] = p;
            continue;
        }
        if (run.network.observations[p].state != Undecided) continue;
        Reject_Observation(run.network, p);
        if (run.network.observations[p].state == Undecided)
            slots[kept++] = p;  // refused
        else
            Ends_Changed(run, p);
        emptied = station.openCount == 0;
    }
    run.work.endOpenSlot[s] = kept;
    return emptied;
}

// Rules 1 to 3 at S.  True when a decision was made (begin again).
bool Take_Open_At(Selection& run, int32_t s) {
    const NetStation& station = run.network.stations[s];
    const bool saturate = station.selectedCount == 0 && station.openCount == 1;
    const int32_t p = First_Open_At(run, s);
    if (p == NoPosition) return false;
    if (saturate)
        Select_And_Saturate(run.network, p);
    else
        Select_Observation(run.network, p);
    Ends_Changed(run, p);
    return true;
}

void Propagate(Selection& run) {
    int32_t s = Next_Rule_Station(run, 0);
    while (s != NoStation) {
        const NetStation& station = run.network.stations[s];
        const bool beginAgain = station.selectedCount == SaturatedSelectedCount ? Reject_Surplus_At(run, s)
                                                                               : Take_Open_At(run, s);
        s = Next_Rule_Station(run, beginAgain ? 0 : s + 1);
    }
}

void Select_At(Selection& run, int32_t position) {
    Select_Observation(run.network, position);
    Ends_Changed(run, position);
    Propagate(run);
}

// Steps 6 and 8.  A chosen station without an open observation ends the step.
void Select_At_Fewest_Open(Selection& run, Choosing choosing) {
    Start_Choosing(run, choosing);
    while (run.heapSize > 0) {
        const int32_t position = First_Open_At(run, run.work.heap[0]);
        if (position == NoPosition) break;
        Select_At(run, position);
    }
    run.choosing = Choosing::Nothing;
}

// Step 7: one pass for stations that are still without a selection.
void Select_At_Unserved_Stations(Selection& run) {
    for (int32_t s = 0; s < run.network.stationCount; ++s) {
        if (run.network.stations[s].selectedCount != 0) continue;
        const int32_t position = First_Open_At(run, s);
        if (position != NoPosition) Select_At(run, position);
    }
}

bool Scores_Higher(const NetObservation& a, const NetObservation& b) { return a.score > b.score; }

}  // namespace

void Select_With_Workspace(TimeNetwork& network) {
    Selection run{network, Workspace, 0, Choosing::Nothing};
    Score_Every_Observation(network);
    Stable_Merge_Sort(network.observations, network.observationCount, Workspace.sortBuffer, Scores_Higher);
    for (int32_t s = 0; s < network.stationCount; ++s) {
        NetStation& station = network.stations[s];
        if (station.openCount == 0) station.selectedCount = SaturatedSelectedCount;
        Mark_Rule(run, s);
    }
    List_Open_Observations(run);
    Propagate(run);
    Select_At_Fewest_Open(run, Choosing::WithoutSelection);
    Select_At_Unserved_Stations(run);
    Select_At_Fewest_Open(run, Choosing::WithOneSelection);
}

}  // namespace min_lumo_reference

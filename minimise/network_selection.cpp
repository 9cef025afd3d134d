// Deciding, within one time-network, which observations stay (Selected) and
// which are redundant (Rejected).  Small networks keep everything; larger
// ones are scored, ordered best first (equal scores in start-time order),
// and decided by the station rules, applied from the first station with a
// fresh start after each decision:
//
// - a station with nothing selected and one open observation takes it and
//   counts as satisfied (saturated);
// - a station with nothing selected and two open, or one selected and one
//   open, takes its first open observation;
// - a saturated station (two selected) offers each open observation for
//   rejection, which the far end refuses when it cannot spare it.
//
// When the rules rest, stations without a selection take their first open
// observation, fewest open first; then any station still without one; then
// stations with one selection, fewest open first.
//
// The workspace makes this cost what it decides rather than stations times
// observations, with exactly the decisions of the scans, in the same order:
//
// - Each station keeps the table positions of its open observations in table
//   order; decided ones are dropped lazily as a walk meets them, so "the
//   first open observation at S" and the surplus walk over S's open
//   observations cost only what they meet.
// - A bit per station tells whether a station rule applies there.  A fresh
//   start is a search for the first set bit; going on after a surplus walk
//   that did not empty S searches from S + 1.
// - "Fewest open first" takes the station from a heap keyed by (openCount,
//   position).  Open counts only fall and selected counts only rise, so a
//   station's key only falls while it qualifies and it never qualifies again
//   once it has stopped: each change is a sift towards the top, an insertion
//   or a removal.
#include "minimise/network_selection.h"

#include <bit>

#include "core/stable_merge_sort.h"
#include "core/stable_radix_sort.h"
#include "minimise/observation_score.h"

namespace min_lumo {

namespace {

// One network's tables as the selection sees them: its observations and its
// stations, to which the observations refer by position.
struct NetworkSlice {
    NetObservation* observations;
    int32_t observationCount;
    NetStation* stations;
    int32_t stationCount;
};

// ---- The three transitions and the counters of the two end stations ----

void Close_At(NetStation& end) { end.openCount -= 1; }

void Count_Selection_At(NetStation& end) { end.selectedCount += 1; }

// A station whose last open observation is taken while nothing is selected
// there counts as satisfied at once.
void Saturate_If_Last_Open(NetStation& end) {
    if (end.openCount == 1 && end.selectedCount == 0) end.selectedCount = SaturatedSelectedCount;
}

// The station cannot spare the observation: with it gone, fewer than two
// could ever be selected there.  For an Undecided observation's end this is
// openCount + selectedCount <= 2.
bool Cannot_Spare(const NetStation& end) {
    if (end.openCount == 2 && end.selectedCount == 0) return true;
    return end.openCount == 1 && (end.selectedCount == 0 || end.selectedCount == 1);
}

// An observation and its two end stations, the one station twice when a
// baseline joins a station to itself.
struct Ends {
    NetObservation& entry;
    NetStation& from;
    NetStation& to;
};

Ends Ends_Of(NetworkSlice& network, int32_t position) {
    NetObservation& entry = network.observations[position];
    return {entry, network.stations[entry.fromStation], network.stations[entry.toStation]};
}

// How a selection counts at the two ends: the usual way adds one selected
// observation at each; taking a station's last open one instead marks an end
// with nothing else selected as satisfied.
enum class Counting { AddSelection, SaturateLast };

// O's state becomes Selected, and both ends lose an open observation.
void Select_Observation(NetworkSlice& network, int32_t position, Counting counting = Counting::AddSelection) {
    const Ends o = Ends_Of(network, position);
    o.entry.state = Selected;
    if (counting == Counting::SaturateLast) {
        Saturate_If_Last_Open(o.from);
        Saturate_If_Last_Open(o.to);
    }
    Close_At(o.from);
    Close_At(o.to);
    if (counting == Counting::AddSelection) {
        Count_Selection_At(o.from);
        Count_Selection_At(o.to);
    }
}

// Refused, changing nothing, when either end cannot spare the observation.
void Reject_Observation(NetworkSlice& network, int32_t position) {
    const Ends o = Ends_Of(network, position);
    if (Cannot_Spare(o.from) || Cannot_Spare(o.to)) return;
    o.entry.state = Rejected;
    Close_At(o.from);
    Close_At(o.to);
}

// ---- Deciding a network with the workspace ----

constexpr int32_t NoStation = -1;
constexpr int32_t NoPosition = -1;
constexpr int32_t NotInHeap = -1;

// Which stations the heap holds: none, those without a selection, those
// with one.
enum class Choosing { Nothing, WithoutSelection, WithOneSelection };

struct Selection {
    NetworkSlice network;
    SelectionWorkspace& work;
    int32_t heapSize;
    Choosing choosing;
    int32_t ruleWordCount;     // words of ruleStations in use: one bit per station
    int32_t summaryWordCount;  // words of ruleWords in use: one bit per word of those
};

// Stations are chosen only with an open count below this bound.
constexpr int32_t OpenCountBound = 30000;

bool Rule_Applies(const NetStation& station) {
    const int32_t open = station.openCount;
    const int32_t selected = station.selectedCount;
    if (selected == 0) return open == 1 || open == 2;
    if (selected == 1) return open == 1;
    return selected == SaturatedSelectedCount && open > 0;
}

// A station's bit, and its word's bit in the summary, which has one bit per
// word: set while the word has any bit set.
void Mark_Rule(Selection& selection, int32_t s) {
    const int32_t w = s / RuleStationsPerWord;
    uint32_t& word = selection.work.ruleStations[w];
    const uint32_t bit = 1U << (s % RuleStationsPerWord);
    if (Rule_Applies(selection.network.stations[s]))
        word |= bit;
    else
        word &= ~bit;
    uint32_t& summary = selection.work.ruleWords[w / RuleStationsPerWord];
    const uint32_t wordBit = 1U << (w % RuleStationsPerWord);
    if (word != 0)
        summary |= wordBit;
    else
        summary &= ~wordBit;
}

// The first set bit at or after `from` in `bits` of `wordCount` words; -1 when
// there is none.
int32_t First_Set_Bit(const uint32_t* bits, int32_t wordCount, int32_t from) {
    int32_t w = from / RuleStationsPerWord;
    if (w >= wordCount) return -1;
    uint32_t word = bits[w] & (~0U << (from % RuleStationsPerWord));
    while (word == 0) {
        if (++w >= wordCount) return -1;
        word = bits[w];
    }
    return w * RuleStationsPerWord + std::countr_zero(word);
}

// The first station at or after `from` where a rule applies: the rest of
// its own word, then the summary finds the next word with a bit set.
int32_t Next_Rule_Station(const Selection& selection, int32_t from) {
    const int32_t count = selection.network.stationCount;
    if (from >= count) return NoStation;
    const int32_t w = from / RuleStationsPerWord;
    const uint32_t word = selection.work.ruleStations[w] & (~0U << (from % RuleStationsPerWord));
    int32_t s = NoStation;
    if (word != 0) {
        s = w * RuleStationsPerWord + std::countr_zero(word);
    } else {
        const int32_t next = First_Set_Bit(selection.work.ruleWords, selection.summaryWordCount, w + 1);
        if (next >= 0 && next < selection.ruleWordCount)
            s = next * RuleStationsPerWord + std::countr_zero(selection.work.ruleStations[next]);
    }
    return s < count ? s : NoStation;
}

// ---- The heap of "fewest open first" ----

// A heap entry is its station's key, (openCount, position) in one number,
// so that sifting compares entries without looking the stations up.
uint64_t Heap_Key(const Selection& selection, int32_t s) {
    return static_cast<uint64_t>(static_cast<uint32_t>(selection.network.stations[s].openCount)) << 32
           | static_cast<uint32_t>(s);
}

int32_t Station_Of(uint64_t key) { return static_cast<int32_t>(key & 0xFFFFFFFFU); }

bool Qualifies(const Selection& selection, int32_t s) {
    const NetStation& station = selection.network.stations[s];
    if (station.openCount >= OpenCountBound) return false;
    if (selection.choosing == Choosing::WithoutSelection) return station.selectedCount == 0;
    if (selection.choosing == Choosing::WithOneSelection) return station.selectedCount == 1 && station.openCount > 0;
    return false;
}

void Heap_Put(Selection& selection, int32_t place, uint64_t key) {
    selection.work.heap[place] = key;
    selection.work.heapPlace[Station_Of(key)] = place;
}

void Sift_Up(Selection& selection, int32_t place) {
    const uint64_t key = selection.work.heap[place];
    while (place > 0) {
        const int32_t parent = (place - 1) / 2;
        if (!(key < selection.work.heap[parent])) break;
        Heap_Put(selection, place, selection.work.heap[parent]);
        place = parent;
    }
    Heap_Put(selection, place, key);
}

void Sift_Down(Selection& selection, int32_t place) {
    const uint64_t* heap = selection.work.heap;
    const uint64_t key = heap[place];
    for (;;) {
        int32_t child = 2 * place + 1;
        if (child >= selection.heapSize) break;
        if (child + 1 < selection.heapSize && heap[child + 1] < heap[child]) ++child;
        if (!(heap[child] < key)) break;
        Heap_Put(selection, place, heap[child]);
        place = child;
    }
    Heap_Put(selection, place, key);
}

void Heap_Remove(Selection& selection, int32_t s) {
    const int32_t place = selection.work.heapPlace[s];
    selection.work.heapPlace[s] = NotInHeap;
    const uint64_t last = selection.work.heap[--selection.heapSize];
    if (Station_Of(last) == s) return;
    Heap_Put(selection, place, last);
    Sift_Up(selection, place);
    Sift_Down(selection, selection.work.heapPlace[Station_Of(last)]);
}

// A station's key can only have fallen while it is in the heap.
void Heap_Update(Selection& selection, int32_t s) {
    const bool inHeap = selection.work.heapPlace[s] != NotInHeap;
    const bool qualifies = Qualifies(selection, s);
    if (inHeap && !qualifies) {
        Heap_Remove(selection, s);
    } else if (inHeap) {
        const int32_t place = selection.work.heapPlace[s];
        selection.work.heap[place] = Heap_Key(selection, s);
        Sift_Up(selection, place);
    } else if (qualifies) {
        Heap_Put(selection, selection.heapSize, Heap_Key(selection, s));
        Sift_Up(selection, selection.heapSize++);
    }
}

void Start_Choosing(Selection& selection, Choosing choosing) {
    selection.choosing = choosing;
    selection.heapSize = 0;
    for (int32_t s = 0; s < selection.network.stationCount; ++s) {
        selection.work.heapPlace[s] = NotInHeap;
        if (Qualifies(selection, s)) Heap_Put(selection, selection.heapSize++, Heap_Key(selection, s));
    }
    for (int32_t place = selection.heapSize / 2 - 1; place >= 0; --place) Sift_Down(selection, place);
}

// ---- Counters changed: keep the bit and the heap in step ----

void Station_Changed(Selection& selection, int32_t s) {
    Mark_Rule(selection, s);
    if (selection.choosing != Choosing::Nothing) Heap_Update(selection, s);
}

void Ends_Changed(Selection& selection, int32_t position) {
    const NetObservation& entry = selection.network.observations[position];
    Station_Changed(selection, entry.fromStation);
    if (entry.toStation != entry.fromStation) Station_Changed(selection, entry.toStation);
}

// ---- Per-station open observations ----

// Table positions of each station's open observations, in table order.
void List_Open_Observations(Selection& selection) {
    const NetworkSlice& network = selection.network;
    int32_t* end = selection.work.endOpenSlot;
    int32_t* first = selection.work.firstOpenSlot;
    for (int32_t s = 0; s < network.stationCount; ++s) end[s] = 0;
    for (int32_t p = 0; p < network.observationCount; ++p) {
        const NetObservation& entry = network.observations[p];
        if (entry.state != Undecided) continue;
        ++end[entry.fromStation];
        if (entry.toStation != entry.fromStation) ++end[entry.toStation];
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
        selection.work.openSlots[end[entry.fromStation]++] = p;
        if (entry.toStation != entry.fromStation) selection.work.openSlots[end[entry.toStation]++] = p;
    }
}

int32_t First_Open_At(Selection& selection, int32_t s) {
    int32_t& first = selection.work.firstOpenSlot[s];
    const int32_t end = selection.work.endOpenSlot[s];
    while (first < end && selection.network.observations[selection.work.openSlots[first]].state != Undecided) ++first;
    return first < end ? selection.work.openSlots[first] : NoPosition;
}

// ---- The station rules ----

// The surplus walk at a saturated S: each open observation at S, in table order, is offered for
// rejection.  True when S's open count reached 0 (begin again).  Decided
// entries are dropped from S's list on the way.
bool Reject_Surplus_At(Selection& selection, int32_t s) {
    const NetStation& station = selection.network.stations[s];
    int32_t* slots = selection.work.openSlots;
    const int32_t end = selection.work.endOpenSlot[s];
    int32_t kept = selection.work.firstOpenSlot[s];
    bool emptied = false;
    for (int32_t read = selection.work.firstOpenSlot[s]; read < end; ++read) {
        const int32_t p = slots[read];
        if (emptied) {
            slots[kept++] = p;
            continue;
        }
        if (selection.network.observations[p].state != Undecided) continue;
        Reject_Observation(selection.network, p);
        if (selection.network.observations[p].state == Undecided)
            slots[kept++] = p;  // refused
        else
            Ends_Changed(selection, p);
        emptied = station.openCount == 0;
    }
    selection.work.endOpenSlot[s] = kept;
    return emptied;
}

// Taking the first open observation at S.  True when a decision was made (begin again).
bool Take_Open_At(Selection& selection, int32_t s) {
    const NetStation& station = selection.network.stations[s];
    const bool saturate = station.selectedCount == 0 && station.openCount == 1;
    const int32_t p = First_Open_At(selection, s);
    if (p == NoPosition) return false;
    if (saturate)
        Select_Observation(selection.network, p, Counting::SaturateLast);
    else
        Select_Observation(selection.network, p);
    Ends_Changed(selection, p);
    return true;
}

void Propagate(Selection& selection) {
    int32_t s = Next_Rule_Station(selection, 0);
    while (s != NoStation) {
        const NetStation& station = selection.network.stations[s];
        const bool beginAgain = station.selectedCount == SaturatedSelectedCount ? Reject_Surplus_At(selection, s)
                                                                               : Take_Open_At(selection, s);
        s = Next_Rule_Station(selection, beginAgain ? 0 : s + 1);
    }
}

void Select_At(Selection& selection, int32_t position) {
    Select_Observation(selection.network, position);
    Ends_Changed(selection, position);
    Propagate(selection);
}

// Stations that still need a selection, fewest open first.  A chosen
// station without an open observation ends the round.
void Select_At_Fewest_Open(Selection& selection, Choosing choosing) {
    Start_Choosing(selection, choosing);
    while (selection.heapSize > 0) {
        const int32_t position = First_Open_At(selection, Station_Of(selection.work.heap[0]));
        if (position == NoPosition) break;
        Select_At(selection, position);
    }
    selection.choosing = Choosing::Nothing;
}

// One pass for stations that are still without a selection.
void Select_At_Unserved_Stations(Selection& selection) {
    for (int32_t s = 0; s < selection.network.stationCount; ++s) {
        if (selection.network.stations[s].selectedCount != 0) continue;
        const int32_t position = First_Open_At(selection, s);
        if (position != NoPosition) Select_At(selection, position);
    }
}

// A lambda rather than a function, so that the sort inlines the comparison.
constexpr auto Scores_Higher = [](const NetObservation& a, const NetObservation& b) { return a.score > b.score; };

void Select_Everything(NetworkSlice& network) {
    for (int32_t position = 0; position < network.observationCount; ++position)
        Select_Observation(network, position);
}

}  // namespace

// Observations still Undecided at the end stay so; the write-back treats them
// like selected ones.
void Select_Network_Observations(MinimisationRun& run, const TimeNetwork& table) {
    NetworkSlice network{run.observations + table.firstObservation, table.observationCount,
                         run.stations + table.firstStation, table.stationCount};
    if (!Is_Decided_By_Score(table)) {
        Select_Everything(network);
        return;
    }
    const int32_t ruleWordCount = (network.stationCount - 1) / RuleStationsPerWord + 1;
    Selection selection{network, run.workspace, 0, Choosing::Nothing, ruleWordCount,
                        (ruleWordCount - 1) / RuleStationsPerWord + 1};
    // The workspace is not zero-filled: the words in use start clear.
    for (int32_t w = 0; w < selection.ruleWordCount; ++w) run.workspace.ruleStations[w] = 0;
    for (int32_t w = 0; w < selection.summaryWordCount; ++w) run.workspace.ruleWords[w] = 0;
    int32_t highest = INT32_MIN;
    for (int32_t position = 0; position < network.observationCount; ++position) {
        NetObservation& entry = network.observations[position];
        entry.score = Score_Observation(run, table, position);
        if (entry.score > highest) highest = entry.score;
    }
    // Keyed by the distance below the highest score: the scores of a network
    // lie close together, so only the lowest digit or two of the keys differ.
    if (network.observationCount >= SmallestRadixSort)
        Stable_Radix_Sort(network.observations, network.observationCount, run.workspace.sortBuffer,
                          [highest](const NetObservation& entry) { return Points_Below(highest, entry.score); });
    else
        Stable_Merge_Sort(network.observations, network.observationCount, run.workspace.sortBuffer, Scores_Higher);
    for (int32_t s = 0; s < network.stationCount; ++s) {
        NetStation& station = network.stations[s];
        if (station.openCount == 0) station.selectedCount = SaturatedSelectedCount;
        Mark_Rule(selection, s);
    }
    List_Open_Observations(selection);
    Propagate(selection);
    Select_At_Fewest_Open(selection, Choosing::WithoutSelection);
    Select_At_Unserved_Stations(selection);
    Select_At_Fewest_Open(selection, Choosing::WithOneSelection);
}

}  // namespace min_lumo

// The per-network selection: small networks keep everything; larger ones are
// scored, ordered best first, and decided station by station.
#include "tests/reference/minimise/network_selection.h"

#include "tests/reference/minimise/score_observation.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

constexpr int32_t NotFound = -1;
// Networks of at most this many observations keep all of them.
constexpr int32_t LargestKeptWholeNetwork = 2;
// Stations are chosen only with an open count below this bound.
constexpr int32_t OpenCountBound = 30000;

void Select_Everything(TimeNetwork& network) {
    for (int32_t position = 0; position < network.observationCount; ++position)
        Select_Observation(network, position);
}

void Score_Every_Observation(TimeNetwork& network) {
    for (int32_t position = 0; position < network.observationCount; ++position) {
        NetObservation& entry = network.observations[position];
        entry.score = Score_Observation(entry.observation);
    }
}

// Stable insertion sort, highest score first, in place: an entry passes an
// earlier one only when that one's score is strictly lower, so equal scores
// keep their start-time order.
void Order_By_Descending_Score(TimeNetwork& network) {
    NetObservation* table = network.observations;
    for (int32_t i = 1; i < network.observationCount; ++i) {
        const NetObservation taken = table[i];
        int32_t gap = i;
        while (gap > 0 && table[gap - 1].score < taken.score) {
            table[gap] = table[gap - 1];
            --gap;
        }
        table[gap] = taken;
    }
}

// A station with nothing open needs nothing more, whatever it held.
void Mark_Stations_Without_Open(TimeNetwork& network) {
    for (int32_t i = 0; i < network.stationCount; ++i)
        if (network.stations[i].openCount == 0)
            network.stations[i].selectedCount = SaturatedSelectedCount;
}

bool Touches(const NetObservation& entry, const NetStation& station) {
    return (entry.fromNetStation != nullptr && entry.fromNetStation->station == station.station)
           || (entry.toNetStation != nullptr && entry.toNetStation->station == station.station);
}

int32_t First_Open_Touching(const TimeNetwork& network, const NetStation& station) {
    for (int32_t position = 0; position < network.observationCount; ++position) {
        const NetObservation& entry = network.observations[position];
        if (entry.state == Undecided && Touches(entry, station)) return position;
    }
    return NotFound;
}

// The first station with the fewest open observations among those with
// `selectedCount` selections (and, when `needsOpen`, at least one open);
// NotFound when none has fewer than the bound.
int32_t Fewest_Open_Station(const TimeNetwork& network, int32_t selectedCount, bool needsOpen) {
    int32_t bound = OpenCountBound;
    int32_t choice = NotFound;
    for (int32_t i = 0; i < network.stationCount; ++i) {
        const NetStation& station = network.stations[i];
        if (station.selectedCount != selectedCount || station.openCount >= bound) continue;
        if (needsOpen && station.openCount <= 0) continue;
        choice = i;
        bound = station.openCount;
    }
    return choice;
}

// Steps 6 and 8: repeatedly select the best open observation at the station
// with the fewest open ones.  A chosen station without an open observation
// (impossible with built tables) ends the step rather than choosing it forever.
void Select_At_Fewest_Open(TimeNetwork& network, int32_t selectedCount, bool needsOpen) {
    for (;;) {
        const int32_t choice = Fewest_Open_Station(network, selectedCount, needsOpen);
        if (choice == NotFound) return;
        const int32_t position = First_Open_Touching(network, network.stations[choice]);
        if (position == NotFound) return;
        Select_Observation(network, position);
        Propagate_Decisions(network);
    }
}

// Step 7: one pass for stations that are still without a selection; only
// stations at or above the open-count bound can remain so after step 6.
void Select_At_Unserved_Stations(TimeNetwork& network) {
    for (int32_t i = 0; i < network.stationCount; ++i) {
        if (network.stations[i].selectedCount != 0) continue;
        const int32_t position = First_Open_Touching(network, network.stations[i]);
        if (position == NotFound) continue;
        Select_Observation(network, position);
        Propagate_Decisions(network);
    }
}

}  // namespace

// Observations still Undecided at the end stay so; the write-back treats them
// like selected ones.
int32_t Select_Network_Observations(TimeNetwork& network) {
    if (network.observationCount <= LargestKeptWholeNetwork) {
        Select_Everything(network);
        return 0;
    }
    Score_Every_Observation(network);
    Order_By_Descending_Score(network);
    Mark_Stations_Without_Open(network);
    Propagate_Decisions(network);
    Select_At_Fewest_Open(network, 0, false);
    Select_At_Unserved_Stations(network);
    Select_At_Fewest_Open(network, 1, true);
    return 0;
}

}  // namespace min_lumo_reference

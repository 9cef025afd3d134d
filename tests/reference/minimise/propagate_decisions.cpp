// The four station rules, applied station by station from the first, with a
// fresh start after each decision that calls for one.
#include "tests/reference/minimise/network_selection.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

constexpr int32_t NotFound = -1;

// The observation occurs in the station's list of host observation indices.
bool Is_Listed_At(const NetStation& station, int32_t hostObservation) {
    for (int32_t i = 0; i < station.observationCount; ++i)
        if (station.observationIndex[i] == hostObservation) return true;
    return false;
}

// Position of the first Undecided observation listed at the station, in the
// current (score) order of the table.
int32_t First_Open_Listed_At(const TimeNetwork& network, const NetStation& station) {
    for (int32_t position = 0; position < network.observationCount; ++position) {
        const NetObservation& entry = network.observations[position];
        if (entry.state == Undecided && Is_Listed_At(station, entry.observation)) return position;
    }
    return NotFound;
}

// Rule 4: a station with two selections offers each of its open observations,
// in table order, for rejection.  True when its open count reached 0, which
// calls for a fresh start; running off the end of the table does not, even
// after some rejections.
bool Reject_Surplus_At(TimeNetwork& network, const NetStation& station) {
    for (int32_t position = 0; position < network.observationCount; ++position) {
        const NetObservation& entry = network.observations[position];
        if (entry.state != Undecided || !Is_Listed_At(station, entry.observation)) continue;
        Reject_Observation(network, position);
        if (station.openCount == 0) return true;
    }
    return false;
}

// Applies the one rule whose condition holds at the station (they exclude
// each other).  True when the rules must begin again at the first station.
// Rules 1 to 3 always find their observation in a built table; should one not
// (a hand-made, inconsistent table), nothing was decided, and beginning again
// would only repeat the same visit, so the pass goes on instead.
bool Apply_Station_Rule(TimeNetwork& network, const NetStation& station) {
    const int32_t open = station.openCount;
    const int32_t selected = station.selectedCount;
    if (selected == 2 && open > 0) return Reject_Surplus_At(network, station);
    const bool takeLastAndSaturate = selected == 0 && open == 1;
    const bool takeOne = (selected == 0 && open == 2) || (selected == 1 && open == 1);
    if (!takeLastAndSaturate && !takeOne) return false;
    const int32_t position = First_Open_Listed_At(network, station);
    if (position == NotFound) return false;
    if (takeLastAndSaturate)
        Select_And_Saturate(network, position);
    else
        Select_Observation(network, position);
    return true;
}

}  // namespace

void Propagate_Decisions(TimeNetwork& network) {
    int32_t stationPosition = 0;
    while (stationPosition < network.stationCount) {
        if (Apply_Station_Rule(network, network.stations[stationPosition]))
            stationPosition = 0;
        else
            ++stationPosition;
    }
}

}  // namespace min_lumo_reference

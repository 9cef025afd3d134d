// A narrow, read-only view of one minimisation for tools and tests: the
// time-networks, every observation's score and state, and every station's
// list and counters, none of which the exported call reports.
//
// Inspect_Minimisation runs the same build and selection as DLL_Min_Lumo on
// the project, hands each piece to the inspector's callbacks, releases
// everything and returns.  It writes nothing to the host and keeps nothing;
// the pointers inside a callback's argument are valid only during that call.
// Unlike the exported call it does not check the host's data first: hand it
// only projects that DLL_Min_Lumo would accept.
#pragma once

#include <cstdint>

#include "min_lumo.h"
#include "network/time_network.h"

namespace min_lumo {

struct InspectedNetwork {
    int32_t index;         // network number, 0, 1, 2 ...
    double earliestStart;  // host time units
    double latestEnd;
    double meanStart;      // mean start and end of the network's observations
    double meanEnd;
    int32_t observationCount;
    int32_t stationCount;
};

struct InspectedObservation {
    int32_t network;
    int32_t position;     // in the network's table: start-time order when built, best first when decided
    int32_t observation;  // host observation index
    int32_t score;        // the observation's score, whether or not the selection needed it
    int32_t state;        // an ObservationState
    int32_t fromStation;  // host station indices of its two ends
    int32_t toStation;
};

struct InspectedStation {
    int32_t network;
    int32_t position;      // order of first appearance in the network
    int32_t station;       // host station index
    int32_t listedCount;
    const int32_t* listed;  // host observation indices at the station, in start-time order
    int32_t openCount;      // observations still Undecided
    int32_t selectedCount;  // Forced and Selected ones; 2 also marks a satisfied station
};

// Called for each network in order, then for its observations in table
// order, then for its stations in order.  A null callback is skipped.
struct RunInspector {
    void* context;
    void (*network)(void* context, const InspectedNetwork& network);
    void (*observation)(void* context, const InspectedObservation& observation);
    void (*station)(void* context, const InspectedStation& station);
};

enum class InspectionStage {
    Built,    // the tables as the build leaves them, before any decision
    Decided,  // after the selection of every network
};

// Returns the number of networks, or -1 when the build ran out of memory
// (with "Error: Out of memory" in the message buffer, like the exported call).
int32_t Inspect_Minimisation(const ProjectHeader* project, InspectionStage stage, const RunInspector& inspector);

}  // namespace min_lumo

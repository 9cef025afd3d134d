// The time-network tables that one DLL_Min_Lumo call builds, decides and
// releases, and the library-global state that holds them.
#pragma once

#include <cstdint>

#include "min_lumo.h"

namespace min_lumo {

enum ObservationState : int32_t {
    Undecided = 0,
    Rejected = 1,
    Selected = 2,
    Excluded = 5,  // solutionStatus was -1 when the tables were built
    Forced = 6,    // forced was non-zero (and the observation not excluded)
};

struct NetStation {
    int32_t inUse;              // 1 in every entry of a built table
    int32_t station;            // host station index
    int32_t observationCount;   // entries in observationIndex
    int32_t* observationIndex;  // host observation indices, in start-time order
    int32_t openCount;          // listed observations still Undecided
    int32_t selectedCount;      // Forced at build time, then Selected ones added
};

struct NetObservation {
    int32_t network;      // network number; -1 while unassigned during grouping
    int32_t observation;  // host observation index; -1 marks a free slot while filling
    double startTime;     // host time units
    double endTime;
    double duration;      // endTime - startTime, computed once
    int32_t score;
    int32_t state;  // an ObservationState
    NetStation* fromNetStation;
    NetStation* toNetStation;
};

struct TimeNetwork {
    int32_t index;         // network number; -1 in an unused working slot
    double earliestStart;  // host time units
    double latestEnd;
    double meanStart;      // running means over the network's observations
    double meanEnd;
    int32_t observationCount;
    NetObservation* observations;
    int32_t stationCount;
    NetStation* stations;
};

// Library-global state of a minimisation call.  The host calls us from one
// thread, one call at a time.
extern ProjectHeader* CurrentProject;
extern TimeNetwork* NetworkTable;  // null when no table is held
extern int32_t NetworkCount;       // 0 when no table is held

// Builds the tables for `project`.  Returns the number of networks (0 when the
// project has no observations), or -1 with "Error: Out of memory" set and no
// table held.
int32_t Build_Time_Networks(ProjectHeader* project);

// Frees every table; safe when none is held.
void Release_Time_Networks();

}  // namespace min_lumo

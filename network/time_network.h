// The time-network tables of one minimisation, and the run that holds them.
// DLL_Min_Lumo makes one MinimisationRun on its own stack; building,
// scoring, selection and write-back take it as a parameter, and nothing of
// it outlives the call.
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

// Networks of at most this many observations keep all of them, unscored.
inline constexpr int32_t LargestKeptWholeNetwork = 2;

// Two selected observations satisfy a station; the selection also writes this
// value into a station's selectedCount when it needs nothing more.
inline constexpr int32_t SaturatedSelectedCount = 2;

struct NetStation {
    int32_t station;            // host station index
    int32_t observationCount;   // entries in observationIndex
    int32_t* observationIndex;  // host observation indices, in start-time order
    int32_t openCount;          // listed observations still Undecided
    int32_t selectedCount;      // Forced at build time, then Selected ones added
};

struct NetObservation {
    int32_t network;      // network number; -1 while unassigned during grouping
    int32_t observation;  // host observation index
    double startTime;     // host time units
    double endTime;
    double duration;      // endTime - startTime, computed once
    int32_t score;
    int32_t state;  // an ObservationState
    NetStation* fromNetStation;
    NetStation* toNetStation;  // the same entry as fromNetStation when both ends are one station
};

struct TimeNetwork {
    int32_t index;         // network number, its position in the table
    double earliestStart;  // host time units
    double latestEnd;
    double meanStart;      // running means over the network's observations
    double meanEnd;
    int32_t observationCount;
    NetObservation* observations;
    int32_t stationCount;
    NetStation* stations;
};

// The memory the selection works in.  Nothing may be allocated once the
// selection runs, so the build sizes it for the largest network it made.
struct SelectionWorkspace {
    NetObservation* sortBuffer;  // half the observations: the stable score sort
    int32_t* openSlots;          // per station, table positions of its open observations
    int32_t* firstOpenSlot;      // per station: where its positions start in openSlots
    int32_t* endOpenSlot;        // per station: one past its last live position
    uint32_t* ruleStations;      // one bit per station: a station rule applies there
    int32_t* heap;               // stations ordered by (openCount, position)
    int32_t* heapPlace;          // per station: its place in heap, -1 when absent
    int32_t observationCapacity;
    int32_t stationCapacity;
};

inline constexpr int32_t RuleStationsPerWord = 32;

// Everything one minimisation works on.  Zero-initialised it holds nothing;
// the project pointer is only followed while the call runs.
struct MinimisationRun {
    const ProjectHeader* project;
    TimeNetwork* networks;  // the network table, null when none is held
    int32_t networkCount;
    SelectionWorkspace workspace;
};

// Builds the tables of `project` into `run`.  Returns the number of
// networks (0 when the project has no observations), or -1 with
// "Error: Out of memory" set and nothing held.
int32_t Build_Time_Networks(MinimisationRun& run, const ProjectHeader* project);

// Frees every table of the run; safe when none is held, and twice in a row.
void Release_Time_Networks(MinimisationRun& run);

}  // namespace min_lumo

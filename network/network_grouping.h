// The first half of a build: every host observation copied into a working
// entry, the entries ordered by start time and each one given exactly one
// time-network.
#pragma once

#include <cstdint>

#include "min_lumo.h"
#include "network/time_network.h"

namespace min_lumo {

// The two working arrays of one build.  Both hold `entryCount` elements:
// every observation may end up in a network of its own.
struct GroupingWork {
    NetObservation* entries;  // one per host observation, start-time order once sorted
    TimeNetwork* networks;    // networks opened so far in slots 0 .. networkCount-1
    int32_t entryCount;       // the host's observationCount
    int32_t networkCount;     // networks opened so far
};

// Allocates both working arrays for the project's observations.  Returns 0,
// or -1 with nothing left allocated.
int32_t Allocate_Grouping_Work(GroupingWork& work, const ProjectHeader* project);
// Frees both working arrays; safe on work that holds none.
void Free_Grouping_Work(GroupingWork& work);

// Runs the whole grouping on allocated work.  Returns 0, or -1 when the
// scratch of the sort or of the assignment pass cannot be had (the working
// arrays stay with the caller).
int32_t Group_Observations(GroupingWork& work, const ProjectHeader* project);

// The steps of the grouping, in the order Group_Observations runs them.
int32_t Fill_Working_Entries(GroupingWork& work, const ProjectHeader* project);
// Stable by start time; `buffer` holds at least count / 2 entries.
int32_t Sort_By_Start_Time(NetObservation* entries, int32_t count, NetObservation* buffer);
int32_t Seed_Networks(GroupingWork& work);
// Returns 0, or -1 when its scratch cannot be had.
int32_t Assign_To_Networks(GroupingWork& work);
int32_t Open_Remaining_Networks(GroupingWork& work);

// Shared by the passes.
void Open_Network(GroupingWork& work, NetObservation& entry);
void Add_To_Network(TimeNetwork& network, NetObservation& entry);
void Widen_And_Add(TimeNetwork& network, NetObservation& entry);

}  // namespace min_lumo

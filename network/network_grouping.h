// The first half of a build: every host observation copied into a working
// entry, the entries ordered by start time and each one given exactly one
// time-network.  Internal to network/.
#pragma once

#include <cstdint>

#include "min_lumo.h"
#include "network/time_network.h"

namespace min_lumo {

// One host observation while it is grouped.
// A grouping entry's network while it has none, and the end of a chain.
inline constexpr int32_t NoNetwork = -1;

struct GroupingEntry {
    double startTime;  // host time units
    double endTime;
    int32_t observation;  // host observation index
    int32_t network;      // NoNetwork while it has none
};

// The two working arrays of one build.  Both hold `entryCount` elements:
// every observation may end up in a network of its own.
struct GroupingWork {
    GroupingEntry* entries;   // one per host observation, start-time order once sorted
    TimeNetwork* networks;    // networks opened so far in slots 0 .. networkCount-1
    int32_t entryCount;       // the host's observationCount
    int32_t networkCount;     // networks opened so far
    bool startsInOrder;       // the entries as filled are in start-time order
    bool anyStartIsNaN;
};

// Allocates both working arrays for `count` observations; returns 0, or -1
// with nothing left allocated.
int32_t Allocate_Grouping_Work(GroupingWork& work, int32_t count);

// Groups the working entries, filled in host order with NoNetwork and the
// two flags about their starts set.
// Returns 0; or -1 when memory cannot be had (the working arrays stay with
// the caller).
int32_t Group_Observations(GroupingWork& work);

// Frees both working arrays; safe on work that holds none.
void Free_Grouping_Work(GroupingWork& work);

}  // namespace min_lumo

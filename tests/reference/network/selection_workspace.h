// The memory that the per-network selection works in.  Nothing may be
// allocated once the selection runs, so the build allocates it, sized for the
// largest network, and the release frees it with the tables.
#pragma once

#include <cstdint>

#include "tests/reference/network/time_network.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

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

// All null and 0 while no workspace is held.
extern SelectionWorkspace Workspace;

inline constexpr int32_t RuleStationsPerWord = 32;

// Sizes the workspace for the networks of NetworkTable.  Returns 0, or -1
// with nothing held.
int32_t Allocate_Selection_Workspace();

// Frees the workspace; safe when none is held.
void Free_Selection_Workspace();

// The workspace can serve this network.
bool Workspace_Serves(const TimeNetwork& network);

}  // namespace min_lumo_reference

#include "tests/reference/network/selection_workspace.h"

#include "tests/reference/network/network_arrays.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

SelectionWorkspace Workspace{};

namespace {

// Networks this small keep every observation and need no workspace.
constexpr int32_t LargestKeptWholeNetwork = 2;

int32_t Two_Per_Observation(int32_t observations) {
    // An observation sits in the lists of its two ends.
    return observations <= INT32_MAX / 2 ? 2 * observations : INT32_MAX;
}

}  // namespace

// Each array is asked for only once the one before it was had.
int32_t Allocate_Selection_Workspace() {
    int32_t observations = 0;
    int32_t stations = 0;
    for (int32_t i = 0; i < NetworkCount; ++i) {
        const TimeNetwork& network = NetworkTable[i];
        if (network.observationCount <= LargestKeptWholeNetwork) continue;
        if (network.observationCount > observations) observations = network.observationCount;
        if (network.stationCount > stations) stations = network.stationCount;
    }
    Workspace = SelectionWorkspace{};
    if (observations == 0) return 0;
    SelectionWorkspace& w = Workspace;
    const int32_t words = stations / RuleStationsPerWord + 1;
    bool had = (w.sortBuffer = Allocate_Array<NetObservation>(observations / 2)) != nullptr;
    had = had && (w.openSlots = Allocate_Array<int32_t>(Two_Per_Observation(observations))) != nullptr;
    had = had && (w.firstOpenSlot = Allocate_Array<int32_t>(stations)) != nullptr;
    had = had && (w.endOpenSlot = Allocate_Array<int32_t>(stations)) != nullptr;
    had = had && (w.ruleStations = Allocate_Array<uint32_t>(words)) != nullptr;
    had = had && (w.heap = Allocate_Array<int32_t>(stations)) != nullptr;
    had = had && (w.heapPlace = Allocate_Array<int32_t>(stations)) != nullptr;
    if (!had) {
        Free_Selection_Workspace();
        return -1;
    }
    w.observationCapacity = observations;
    w.stationCapacity = stations;
    return 0;
}

void Free_Selection_Workspace() {
    Free_Block(Workspace.sortBuffer);
    Free_Block(Workspace.openSlots);
    Free_Block(Workspace.firstOpenSlot);
    Free_Block(Workspace.endOpenSlot);
    Free_Block(Workspace.ruleStations);
    Free_Block(Workspace.heap);
    Free_Block(Workspace.heapPlace);
    Workspace = SelectionWorkspace{};
}

bool Workspace_Serves(const TimeNetwork& network) {
    return Workspace.heapPlace != nullptr && network.observationCount <= Workspace.observationCapacity
           && network.stationCount <= Workspace.stationCapacity;
}

}  // namespace min_lumo_reference

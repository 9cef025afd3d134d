// Every network's stations, in order of first appearance, each with the list
// of the network's observations at it and its two counters.
#include "tests/reference/network/network_arrays.h"
#include "tests/reference/network/network_tables.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

bool Station_Present(const NetStation* scratch, int32_t found, int32_t station) {
    for (int32_t s = 0; s < found; ++s) {
        if (scratch[s].inUse == 1 && scratch[s].station == station) return true;
    }
    return false;
}

void Append_Station(NetStation* scratch, int32_t& found, int32_t station) {
    scratch[found].inUse = 1;
    scratch[found].station = station;
    ++found;
}

// Fills scratch entries 0 .. found-1 and returns found.  Both ends are looked
// up before either is appended, and the from-station is appended first.  A
// baseline whose ends coincide enters its station once, so the set never
// holds a station twice and never outgrows the scratch array (one entry per
// host station).
int32_t Collect_Stations(const ProjectHeader* project, const TimeNetwork& network,
                         NetStation* scratch) {
    for (int32_t s = 0; s < project->stationCount; ++s) scratch[s] = NetStation{};
    int32_t found = 0;
    for (int32_t slot = 0; slot < network.observationCount; ++slot) {
        const BaselineEnds ends = Read_Baseline_Ends(project, network.observations[slot].observation);
        const bool fromPresent = Station_Present(scratch, found, ends.fromStation);
        const bool toPresent = Station_Present(scratch, found, ends.toStation);
        if (!fromPresent) Append_Station(scratch, found, ends.fromStation);
        if (!toPresent && ends.toStation != ends.fromStation) {
            Append_Station(scratch, found, ends.toStation);
        }
    }
    return found;
}

// Excluded observations are listed but counted nowhere.
void Count_Listed_Observation(NetStation& station, int32_t state) {
    if (state == Excluded) return;
    if (state == Forced) {
        ++station.selectedCount;
    } else {
        ++station.openCount;
    }
}

// Lists, in slot order, every observation of the network whose baseline ends
// at this station, and points the observation's matching end at this entry
// (both ends, for a baseline whose ends coincide).  The list's capacity is
// the network's observationCount, an upper bound.  Returns 0, or -1 when the
// list cannot be had.
int32_t Fill_Station_List(const ProjectHeader* project, TimeNetwork& network, NetStation& station) {
    station.observationIndex = Allocate_Array<int32_t>(network.observationCount);
    if (station.observationIndex == nullptr) return -1;
    for (int32_t slot = 0; slot < network.observationCount; ++slot) {
        NetObservation& entry = network.observations[slot];
        const BaselineEnds ends = Read_Baseline_Ends(project, entry.observation);
        const bool atFrom = station.station == ends.fromStation;
        const bool atTo = station.station == ends.toStation;
        if (!atFrom && !atTo) continue;
        station.observationIndex[station.observationCount] = entry.observation;
        Count_Listed_Observation(station, entry.state);
        if (atFrom) entry.fromNetStation = &station;
        if (atTo) entry.toNetStation = &station;
        ++station.observationCount;
    }
    return 0;
}

// The network's stations array at its exact size, then each entry's list.
// stationCount is set as soon as the array exists, so a failure part-way
// leaves only entries whose lists are null or allocated, all releasable.
int32_t Build_Stations_Of_Network(const ProjectHeader* project, TimeNetwork& network,
                                  NetStation* scratch) {
    const int32_t found = Collect_Stations(project, network, scratch);
    network.stations = Allocate_Array<NetStation>(found);
    if (network.stations == nullptr) return -1;
    for (int32_t s = 0; s < found; ++s) network.stations[s] = scratch[s];
    network.stationCount = found;
    for (int32_t s = 0; s < found; ++s) {
        if (Fill_Station_List(project, network, network.stations[s]) < 0) return -1;
    }
    return 0;
}

}  // namespace

// One scratch array, sized for the largest possible station set, serves
// every network in turn.
int32_t Build_Network_Stations(const ProjectHeader* project) {
    NetStation* scratch = Allocate_Array<NetStation>(project->stationCount);
    if (scratch == nullptr) return -1;
    for (int32_t i = 0; i < NetworkCount; ++i) {
        if (Build_Stations_Of_Network(project, NetworkTable[i], scratch) < 0) {
            Free_Block(scratch);
            return -1;
        }
    }
    Free_Block(scratch);
    return 0;
}

}  // namespace min_lumo_reference

// Every network's stations, in order of first appearance, each with the list
// of the network's observations at it and its two counters.
//
// Stations are found through an index by station number that serves every
// network in turn and is cleared only where the network wrote to it, so a
// network costs time in its own observations, not in the project's stations.
#include "host/host_records.h"
#include "tests/reference/network/network_arrays.h"
#include "tests/reference/network/network_tables.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

// The scratch of one build: per host station, its position + 1 in the
// current network's stations array (0: not in it); the stations of the
// current network in order of first appearance; and the baseline ends of the
// current network's observations, by slot, so that each host record is read
// once.
struct StationScratch {
    int32_t* entryOf;
    int32_t* order;
    BaselineEnds* ends;
};

// Excluded wins over Forced: the host has taken the observation out.  A
// baseline whose two ends are the same station joins no two stations; its
// observation is made Excluded, so the selection never decides it and the
// write-back never touches it.
int32_t Initial_State(ObservationRef record, BaselineEnds ends) {
    int32_t state = Undecided;
    if (Read_Field(record, observation::forced) != 0) state = Forced;
    if (Read_Field(record, observation::solutionStatus) == -1) state = Excluded;
    if (ends.fromStation == ends.toStation) state = Excluded;
    return state;
}

// One visit to each observation's host record: its initial state and its
// baseline's ends.
void Read_Observations(const ProjectHeader* project, TimeNetwork& network, StationScratch& scratch) {
    for (int32_t slot = 0; slot < network.observationCount; ++slot) {
        NetObservation& entry = network.observations[slot];
        const ObservationRef record = Locate_Observation(project, entry.observation);
        const BaselineRef line = Locate_Baseline(project, Read_Field(record, observation::baseline));
        const BaselineEnds ends{Read_Field(line, baseline::fromStation), Read_Field(line, baseline::toStation)};
        scratch.ends[slot] = ends;
        entry.state = Initial_State(record, ends);
    }
}

// Both ends are looked up before either is appended, and the from-station is
// appended first.  A baseline whose ends coincide enters its station once,
// so the set never outgrows the number of host stations.
int32_t Collect_Stations(const TimeNetwork& network, StationScratch& scratch) {
    int32_t found = 0;
    for (int32_t slot = 0; slot < network.observationCount; ++slot) {
        const BaselineEnds ends = scratch.ends[slot];
        const bool fromPresent = scratch.entryOf[ends.fromStation] != 0;
        const bool toPresent = scratch.entryOf[ends.toStation] != 0;
        if (!fromPresent) {
            scratch.order[found] = ends.fromStation;
            scratch.entryOf[ends.fromStation] = ++found;
        }
        if (!toPresent && ends.toStation != ends.fromStation) {
            scratch.order[found] = ends.toStation;
            scratch.entryOf[ends.toStation] = ++found;
        }
    }
    return found;
}

void Forget_Stations(StationScratch& scratch, int32_t found) {
    for (int32_t s = 0; s < found; ++s) scratch.entryOf[scratch.order[s]] = 0;
}

NetStation& Entry_Of(TimeNetwork& network, const StationScratch& scratch, int32_t station) {
    return network.stations[scratch.entryOf[station] - 1];
}

// Excluded observations are listed but counted nowhere.
void List_At(NetStation& station, const NetObservation& entry) {
    station.observationIndex[station.observationCount++] = entry.observation;
    if (entry.state == Excluded) return;
    if (entry.state == Forced)
        ++station.selectedCount;
    else
        ++station.openCount;
}

// Each list is allocated at its exact length: counted first, then filled in
// slot order.  A baseline whose ends coincide lists its observation once and
// points both ends at the one entry.  Returns 0, or -1 when a list cannot be
// had (entries without a list hold null, which the release skips).
int32_t Fill_Station_Lists(TimeNetwork& network, const StationScratch& scratch) {
    for (int32_t slot = 0; slot < network.observationCount; ++slot) {
        const BaselineEnds ends = scratch.ends[slot];
        ++Entry_Of(network, scratch, ends.fromStation).observationCount;
        if (ends.toStation != ends.fromStation) ++Entry_Of(network, scratch, ends.toStation).observationCount;
    }
    for (int32_t s = 0; s < network.stationCount; ++s) {
        NetStation& station = network.stations[s];
        station.observationIndex = Allocate_Array<int32_t>(station.observationCount);
        if (station.observationIndex == nullptr) return -1;
        station.observationCount = 0;
    }
    for (int32_t slot = 0; slot < network.observationCount; ++slot) {
        NetObservation& entry = network.observations[slot];
        const BaselineEnds ends = scratch.ends[slot];
        NetStation& from = Entry_Of(network, scratch, ends.fromStation);
        List_At(from, entry);
        entry.fromNetStation = &from;
        entry.toNetStation = &from;
        if (ends.toStation == ends.fromStation) continue;
        NetStation& to = Entry_Of(network, scratch, ends.toStation);
        List_At(to, entry);
        entry.toNetStation = &to;
    }
    return 0;
}

// stationCount is set as soon as the array exists, so a failure part-way
// leaves only entries whose lists are null or allocated, all releasable.
int32_t Build_Stations_Of_Network(const ProjectHeader* project, TimeNetwork& network, StationScratch& scratch) {
    Read_Observations(project, network, scratch);
    const int32_t found = Collect_Stations(network, scratch);
    network.stations = Allocate_Array<NetStation>(found);
    int32_t status = -1;
    if (network.stations != nullptr) {
        network.stationCount = found;
        for (int32_t s = 0; s < found; ++s) {
            network.stations[s].inUse = 1;
            network.stations[s].station = scratch.order[s];
        }
        status = Fill_Station_Lists(network, scratch);
    }
    Forget_Stations(scratch, found);
    return status;
}

}  // namespace

int32_t Build_Network_Stations(const ProjectHeader* project) {
    StationScratch scratch{};
    scratch.entryOf = Allocate_Array<int32_t>(project->stationCount);
    if (scratch.entryOf == nullptr) return -1;
    int32_t largestNetwork = 0;
    for (int32_t i = 0; i < NetworkCount; ++i)
        if (NetworkTable[i].observationCount > largestNetwork) largestNetwork = NetworkTable[i].observationCount;
    scratch.order = Allocate_Array<int32_t>(project->stationCount);
    if (scratch.order != nullptr) scratch.ends = Allocate_Array<BaselineEnds>(largestNetwork);
    int32_t status = scratch.ends != nullptr ? 0 : -1;
    for (int32_t i = 0; i < NetworkCount && status == 0; ++i)
        status = Build_Stations_Of_Network(project, NetworkTable[i], scratch);
    Free_Block(scratch.entryOf);
    Free_Block(scratch.order);
    Free_Block(scratch.ends);
    return status;
}

}  // namespace min_lumo_reference

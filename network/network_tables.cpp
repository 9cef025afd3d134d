// The second half of a build: the network table with every network's
// observations in start-time order, its stations in order of first
// appearance with their lists and counters, and the selection's workspace.
//
// Stations are found through an index by station number that serves every
// network in turn and is cleared only where the network wrote to it, so a
// network costs time in its own observations, not in the project's stations.
#include "core/library_heap.h"
#include "core/message_buffer.h"
#include "host/host_records.h"
#include "network/network_grouping.h"
#include "network/time_network.h"

namespace min_lumo {

namespace {

constexpr char OutOfMemoryMessage[] = "Error: Out of memory";

// ---- Every network's stations with their lists and counters ----

// The two ends of the baseline an observation measures.
struct BaselineEnds {
    int32_t fromStation;
    int32_t toStation;
};

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
            network.stations[s].station = scratch.order[s];
        }
        status = Fill_Station_Lists(network, scratch);
    }
    Forget_Stations(scratch, found);
    return status;
}

int32_t Build_Network_Stations(MinimisationRun& run) {
    const ProjectHeader* project = run.project;
    StationScratch scratch{};
    scratch.entryOf = Allocate_Array<int32_t>(project->stationCount);
    if (scratch.entryOf == nullptr) return -1;
    int32_t largestNetwork = 0;
    for (int32_t i = 0; i < run.networkCount; ++i)
        if (run.networks[i].observationCount > largestNetwork) largestNetwork = run.networks[i].observationCount;
    scratch.order = Allocate_Array<int32_t>(project->stationCount);
    if (scratch.order != nullptr) scratch.ends = Allocate_Array<BaselineEnds>(largestNetwork);
    int32_t status = scratch.ends != nullptr ? 0 : -1;
    for (int32_t i = 0; i < run.networkCount && status == 0; ++i)
        status = Build_Stations_Of_Network(project, run.networks[i], scratch);
    Free_Block(scratch.entryOf);
    Free_Block(scratch.order);
    Free_Block(scratch.ends);
    return status;
}

// ---- The network table and every network's observations ----

// The grouping's network array is freed as soon as the table holds its
// values, before the observation arrays are asked for: the two would
// otherwise be held together with the entries.  Entries arrive in start-time
// order and each goes to the next free slot of its network; stationCount,
// still 0, counts the filled slots meanwhile.  On failure the table is left
// in the run for the release, networks without an array holding null.
int32_t Fill_Network_Table(MinimisationRun& run, GroupingWork& work) {
    const int32_t networkCount = work.networkCount;
    run.networks = Allocate_Array<TimeNetwork>(networkCount);
    if (run.networks == nullptr) return -1;
    run.networkCount = networkCount;
    for (int32_t i = 0; i < networkCount; ++i) run.networks[i] = work.networks[i];
    Free_Block(work.networks);
    work.networks = nullptr;
    for (int32_t i = 0; i < networkCount; ++i) {
        TimeNetwork& network = run.networks[i];
        network.observations = Allocate_Array<NetObservation>(network.observationCount);
        if (network.observations == nullptr) return -1;
    }
    for (int32_t j = 0; j < work.entryCount; ++j) {
        const NetObservation& entry = work.entries[j];
        TimeNetwork& network = run.networks[entry.network];
        network.observations[network.stationCount++] = entry;
    }
    for (int32_t i = 0; i < networkCount; ++i) run.networks[i].stationCount = 0;
    return 0;
}

// ---- The selection's workspace ----

int32_t Two_Per_Observation(int32_t observations) {
    // An observation sits in the lists of its two ends.
    return observations <= INT32_MAX / 2 ? 2 * observations : INT32_MAX;
}

// Sized for the largest network that the selection will decide; each array
// is asked for only once the one before it was had.
int32_t Allocate_Selection_Workspace(MinimisationRun& run) {
    int32_t observations = 0;
    int32_t stations = 0;
    for (int32_t i = 0; i < run.networkCount; ++i) {
        const TimeNetwork& network = run.networks[i];
        if (network.observationCount <= LargestKeptWholeNetwork) continue;
        if (network.observationCount > observations) observations = network.observationCount;
        if (network.stationCount > stations) stations = network.stationCount;
    }
    if (observations == 0) return 0;
    SelectionWorkspace& w = run.workspace;
    const int32_t words = stations / RuleStationsPerWord + 1;
    bool had = (w.sortBuffer = Allocate_Array<NetObservation>(observations / 2)) != nullptr;
    had = had && (w.openSlots = Allocate_Array<int32_t>(Two_Per_Observation(observations))) != nullptr;
    had = had && (w.firstOpenSlot = Allocate_Array<int32_t>(stations)) != nullptr;
    had = had && (w.endOpenSlot = Allocate_Array<int32_t>(stations)) != nullptr;
    had = had && (w.ruleStations = Allocate_Array<uint32_t>(words)) != nullptr;
    had = had && (w.heap = Allocate_Array<int32_t>(stations)) != nullptr;
    had = had && (w.heapPlace = Allocate_Array<int32_t>(stations)) != nullptr;
    if (!had) return -1;
    w.observationCapacity = observations;
    w.stationCapacity = stations;
    return 0;
}

void Free_Selection_Workspace(SelectionWorkspace& w) {
    Free_Block(w.sortBuffer);
    Free_Block(w.openSlots);
    Free_Block(w.firstOpenSlot);
    Free_Block(w.endOpenSlot);
    Free_Block(w.ruleStations);
    Free_Block(w.heap);
    Free_Block(w.heapPlace);
    w = SelectionWorkspace{};
}

// A network from a build that failed part-way may lack its arrays or some
// station lists; those are null and Free_Block ignores them.
void Release_Network(TimeNetwork& network) {
    Free_Block(network.observations);
    network.observations = nullptr;
    if (network.stations == nullptr) return;
    for (int32_t s = 0; s < network.stationCount; ++s) Free_Block(network.stations[s].observationIndex);
    Free_Block(network.stations);
    network.stations = nullptr;
    network.stationCount = 0;
}

int32_t Report_Out_Of_Memory(MinimisationRun& run) {
    Release_Time_Networks(run);
    Set_Message(OutOfMemoryMessage);
    return -1;
}

}  // namespace

void Release_Time_Networks(MinimisationRun& run) {
    Free_Selection_Workspace(run.workspace);
    if (run.networks != nullptr) {
        for (int32_t i = 0; i < run.networkCount; ++i) Release_Network(run.networks[i]);
        Free_Block(run.networks);
    }
    run.networks = nullptr;
    run.networkCount = 0;
}

// Any allocation failure leaves nothing of this build behind.  A project
// without observations gives an empty table, which the caller releases.
int32_t Build_Time_Networks(MinimisationRun& run, const ProjectHeader* project) {
    Release_Time_Networks(run);
    run.project = project;
    GroupingWork work{};
    if (Group_Observations(work, project) < 0) return Report_Out_Of_Memory(run);
    const int32_t filled = Fill_Network_Table(run, work);
    Free_Grouping_Work(work);
    if (filled < 0 || Build_Network_Stations(run) < 0 || Allocate_Selection_Workspace(run) < 0)
        return Report_Out_Of_Memory(run);
    return run.networkCount;
}

}  // namespace min_lumo

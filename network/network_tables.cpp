// The second half of a build: from the grouping, the network table, every
// network's observations in start-time order with their initial states, its
// stations in order of first appearance with their counters, the station
// positions the score needs, and the selection's workspace.
//
// Each kind of table is one array for all networks, sized exactly: a project
// of ten thousand small sessions costs a handful of allocations, not tens of
// thousands.  Stations are found through two arrays indexed by host station
// that are never cleared between networks: each network stamps the stations
// it has met with its own number.
#include <initializer_list>

#include "core/geodetic_conversion.h"
#include "core/library_heap.h"
#include "core/message_buffer.h"
#include "host/host_records.h"
#include "network/network_grouping.h"
#include "network/time_network.h"

namespace min_lumo {

namespace {

constexpr char OutOfMemoryMessage[] = "Error: Out of memory";

// Per host station, which network met it last and where it stands there.
// A count pass stamps network + 1, the pass that places the stations
// -(network + 1), so neither needs the array cleared.
struct StationIndex {
    int32_t* stamp;
    int32_t* position;
};

bool Is_Decided(const TimeNetwork& network) { return network.observationCount > LargestKeptWholeNetwork; }

// ---- Every network's observations, in start-time order ----

// Excluded wins over Forced: the host has taken the observation out.  A
// baseline whose two ends are the same station joins no two stations; its
// observation is made Excluded, so the selection never decides it and the
// write-back never touches it.  The ends are kept as host indices until the
// stations are placed.
void Read_Observation(const ProjectHeader* project, NetObservation& entry) {
    const ObservationRef record = Locate_Observation(project, entry.observation);
    const BaselineRef line = Locate_Baseline(project, Read_Field(record, observation::baseline));
    entry.fromStation = Read_Field(line, baseline::fromStation);
    entry.toStation = Read_Field(line, baseline::toStation);
    entry.state = Undecided;
    if (Read_Field(record, observation::forced) != 0) entry.state = Forced;
    if (Read_Field(record, observation::solutionStatus) == -1) entry.state = Excluded;
    if (entry.fromStation == entry.toStation) entry.state = Excluded;
}

// The grouping's network array is freed as soon as the table holds its
// values.  Entries arrive in start-time order, so each network's slice fills
// in that order; its stationCount counts the filled slots meanwhile.
int32_t Place_Observations(MinimisationRun& run, GroupingWork& work) {
    const int32_t networkCount = work.networkCount;
    run.networks = Allocate_Array<TimeNetwork>(networkCount);
    if (run.networks == nullptr) return -1;
    run.networkCount = networkCount;
    int32_t first = 0;
    for (int32_t i = 0; i < networkCount; ++i) {
        run.networks[i] = work.networks[i];
        run.networks[i].firstObservation = first;
        first += run.networks[i].observationCount;
    }
    Free_Block(work.networks);
    work.networks = nullptr;
    run.observations = Allocate_Array<NetObservation>(work.entryCount);
    if (run.observations == nullptr) return -1;
    for (int32_t j = 0; j < work.entryCount; ++j) {
        TimeNetwork& network = run.networks[work.entries[j].network];
        NetObservation& entry = run.observations[network.firstObservation + network.stationCount++];
        entry.observation = work.entries[j].observation;
        Read_Observation(run.project, entry);
    }
    for (int32_t i = 0; i < networkCount; ++i) run.networks[i].stationCount = 0;
    return 0;
}

// ---- Every network's stations ----

// Counts the distinct stations of each network; returns their sum.
int64_t Count_Stations(MinimisationRun& run, StationIndex& index) {
    int64_t total = 0;
    for (int32_t i = 0; i < run.networkCount; ++i) {
        TimeNetwork& network = run.networks[i];
        const int32_t stamp = i + 1;
        for (int32_t p = 0; p < network.observationCount; ++p) {
            const NetObservation& entry = run.observations[network.firstObservation + p];
            for (const int32_t station : {entry.fromStation, entry.toStation}) {
                if (index.stamp[station] == stamp) continue;
                index.stamp[station] = stamp;
                ++network.stationCount;
            }
        }
        total += network.stationCount;
    }
    return total;
}

// Excluded observations are counted nowhere.
void Count_At(NetStation& station, const NetObservation& entry) {
    ++station.listedCount;
    if (entry.state == Forced)
        ++station.selectedCount;
    else if (entry.state == Undecided)
        ++station.openCount;
}

void Append_Station(MinimisationRun& run, StationIndex& index, int32_t station, int32_t stamp, int32_t firstStation,
                    int32_t& found) {
    index.stamp[station] = stamp;
    index.position[station] = found;
    run.stations[firstStation + found].station = station;
    ++found;
}

// Both ends are looked up before either is appended, and the from-station is
// appended first, so stations stand in order of first appearance.  A
// baseline whose ends coincide enters its station once and is counted there
// once.  The observation's ends become positions within the network.
void Place_Stations_Of(MinimisationRun& run, int32_t i, StationIndex& index, int32_t& nextStation) {
    TimeNetwork& network = run.networks[i];
    network.firstStation = nextStation;
    const int32_t stamp = -(i + 1);
    int32_t found = 0;
    for (int32_t p = 0; p < network.observationCount; ++p) {
        NetObservation& entry = run.observations[network.firstObservation + p];
        const bool sameStation = entry.fromStation == entry.toStation;
        const bool fromPresent = index.stamp[entry.fromStation] == stamp;
        const bool toPresent = index.stamp[entry.toStation] == stamp;
        if (!fromPresent) Append_Station(run, index, entry.fromStation, stamp, nextStation, found);
        if (!toPresent && !sameStation) Append_Station(run, index, entry.toStation, stamp, nextStation, found);
        entry.fromStation = index.position[entry.fromStation];
        entry.toStation = index.position[entry.toStation];
        Count_At(run.stations[nextStation + entry.fromStation], entry);
        if (!sameStation) Count_At(run.stations[nextStation + entry.toStation], entry);
    }
    nextStation += found;
}

// Each station's list of its network's observations, host indices in
// start-time order, laid out station after station.
void List_Observations_Of(MinimisationRun& run, const TimeNetwork& network, int32_t& nextListed) {
    NetStation* stations = run.stations + network.firstStation;
    for (int32_t s = 0; s < network.stationCount; ++s) {
        stations[s].firstListed = nextListed;
        nextListed += stations[s].listedCount;
        stations[s].listedCount = 0;
    }
    for (int32_t p = 0; p < network.observationCount; ++p) {
        const NetObservation& entry = run.observations[network.firstObservation + p];
        NetStation& from = stations[entry.fromStation];
        run.listed[from.firstListed + from.listedCount++] = entry.observation;
        if (entry.toStation == entry.fromStation) continue;
        NetStation& to = stations[entry.toStation];
        run.listed[to.firstListed + to.listedCount++] = entry.observation;
    }
}

// ---- Station positions for the distance term ----

// Any non-zero flag counts; an unusable position is never converted.
StationPosition Convert_Position(StationRef record) {
    StationPosition position{};
    position.usable = Read_Field(record, station::positionFlagC) != 0 || Read_Field(record, station::positionFlagB) != 0
                      || Read_Field(record, station::positionFlagA) != 0;
    if (position.usable == 0) return position;
    const CartesianPosition cartesian =
        Geodetic_To_Cartesian(Read_Field(record, station::latitude), Read_Field(record, station::longitude),
                              static_cast<double>(Read_Field(record, station::height)));
    position.x = cartesian.x;
    position.y = cartesian.y;
    position.z = cartesian.z;
    return position;
}

// Each station of a scored network is converted once, however many networks
// and observations it has; the stamp array, free again, marks the done ones.
void Convert_Positions(MinimisationRun& run, BuildScope scope, StationIndex& index) {
    const int32_t done = 0;
    for (int32_t i = 0; i < run.networkCount; ++i) {
        const TimeNetwork& network = run.networks[i];
        if (scope == BuildScope::ForSelection && !Is_Decided(network)) continue;
        for (int32_t s = 0; s < network.stationCount; ++s) {
            const int32_t station = run.stations[network.firstStation + s].station;
            if (index.stamp[station] == done) continue;
            index.stamp[station] = done;
            run.positions[station] = Convert_Position(Locate_Station(run.project, station));
        }
    }
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
        if (!Is_Decided(network)) continue;
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
    return had ? 0 : -1;
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

// ---- The whole second half ----

bool Any_Decided(const MinimisationRun& run) {
    for (int32_t i = 0; i < run.networkCount; ++i)
        if (Is_Decided(run.networks[i])) return true;
    return false;
}

// Everything after the grouping.  On failure whatever was had stays in the
// run for the release.
int32_t Build_Tables(MinimisationRun& run, GroupingWork& work, BuildScope scope) {
    if (Place_Observations(run, work) < 0) return -1;
    const int32_t stationCount = run.project->stationCount;
    StationIndex index{Allocate_Array<int32_t>(stationCount), nullptr};
    if (index.stamp != nullptr) index.position = Allocate_Array<int32_t>(stationCount);
    int32_t status = index.position != nullptr ? 0 : -1;
    int64_t total = 0;
    if (status == 0) total = Count_Stations(run, index);
    if (status == 0 && total <= INT32_MAX) run.stations = Allocate_Array<NetStation>(static_cast<int32_t>(total));
    if (run.stations == nullptr) status = -1;
    int32_t nextStation = 0;
    for (int32_t i = 0; status == 0 && i < run.networkCount; ++i) Place_Stations_Of(run, i, index, nextStation);
    if (status == 0 && scope == BuildScope::ForInspection) {
        int32_t listedTotal = 0;
        for (int32_t s = 0; s < nextStation; ++s) listedTotal += run.stations[s].listedCount;
        run.listed = Allocate_Array<int32_t>(listedTotal);
        int32_t nextListed = 0;
        if (run.listed == nullptr) status = -1;
        for (int32_t i = 0; status == 0 && i < run.networkCount; ++i)
            List_Observations_Of(run, run.networks[i], nextListed);
    }
    if (status == 0 && (scope == BuildScope::ForInspection || Any_Decided(run))) {
        run.positions = Allocate_Array<StationPosition>(stationCount);
        if (run.positions == nullptr)
            status = -1;
        else
            Convert_Positions(run, scope, index);
    }
    Free_Block(index.stamp);
    Free_Block(index.position);
    if (status == 0) status = Allocate_Selection_Workspace(run);
    return status;
}

}  // namespace

void Release_Time_Networks(MinimisationRun& run) {
    Free_Selection_Workspace(run.workspace);
    Free_Block(run.networks);
    Free_Block(run.observations);
    Free_Block(run.stations);
    Free_Block(run.listed);
    Free_Block(run.positions);
    const ProjectHeader* project = run.project;
    run = MinimisationRun{};
    run.project = project;
}

// Any allocation failure leaves nothing of this build behind.  A project
// without observations gives an empty table, which the caller releases.
int32_t Build_Time_Networks(MinimisationRun& run, const ProjectHeader* project, BuildScope scope) {
    Release_Time_Networks(run);
    run.project = project;
    GroupingWork work{};
    int32_t status = Group_Observations(work, project);
    if (status == 0) status = Build_Tables(run, work, scope);
    Free_Grouping_Work(work);
    if (status < 0) {
        Release_Time_Networks(run);
        Set_Message(OutOfMemoryMessage);
        return -1;
    }
    return run.networkCount;
}

}  // namespace min_lumo

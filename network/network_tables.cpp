// A build: every host observation read once (its indices checked on the
// way), grouped into time-networks (time_network_grouping.cpp), then the
// network table, every network's observations in start-time order with
// their initial states, its stations in order of first appearance with
// their counters, the station positions the score needs, and the
// selection's workspace.
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
#include "host/check_project.h"
#include "host/host_records.h"
#include "network/network_grouping.h"
#include "network/time_network.h"

namespace min_lumo {

namespace {

constexpr char OutOfMemoryMessage[] = "Error: Out of memory";

// Per host station, which network met it last and where it stands there.
// A count pass stamps network + 1, the pass that places the stations
// -(network + 1), so the stamps, zero at first, need no clearing between
// networks; a position is read only under a stamp of its network.
struct StationIndex {
    int32_t* stamp;
    int32_t* position;
};

// ---- Every host observation, read once ----

// Each observation's indices are checked as its record is read: the check
// reads the fields about to be read here, so they come from the cache.  Its
// times go to the grouping, everything else the minimisation needs to its
// facts.  Excluded wins over Forced: the host has taken the observation out.
// A baseline whose two ends are the same station joins no two stations; its
// observation is made Excluded, so the selection never decides it and the
// write-back never touches it.  Returns 0, or -1 when a check refused.
int32_t Read_Observations(MinimisationRun& run, GroupingWork& work) {
    const ProjectHeader* project = run.project;
    work.startsInOrder = true;
    work.anyStartIsNaN = false;
    for (int32_t j = 0; j < work.entryCount; ++j) {
        if (!Check_Observation(project, j)) return -1;
        const ObservationRef record = Locate_Observation(project, j);
        const BaselineRef line = Locate_Baseline(project, Read_Field(record, observation::baseline));
        work.entries[j] = {Read_Field(record, observation::startTime), Read_Field(record, observation::endTime), j,
                           NoNetwork};
        const double start = work.entries[j].startTime;
        if (start != start) work.anyStartIsNaN = true;
        if (j > 0 && !(work.entries[j - 1].startTime <= start)) work.startsInOrder = false;
        ObservationFacts& facts = run.facts[j];
        facts.score.timeSpan = Read_Field(record, observation::timeSpan);
        facts.score.forced = Read_Field(record, observation::forced) != 0 ? 1 : 0;
        facts.score.fromSource = Read_Field(record, observation::fromSource);
        facts.score.toSource = Read_Field(record, observation::toSource);
        facts.fromStation = Read_Field(line, baseline::fromStation);
        facts.toStation = Read_Field(line, baseline::toStation);
        facts.state = facts.score.forced != 0 ? Forced : Undecided;
        if (Read_Field(record, observation::solutionStatus) == observation::excludedSolutionStatus) facts.state = Excluded;
        if (facts.fromStation == facts.toStation) facts.state = Excluded;
    }
    return 0;
}

// ---- Every network's observations, in start-time order ----

// The grouping's network array is freed as soon as the table holds its
// values.  Each entry, in start-time order, takes the next slot of its
// network's slice, so every slice is in start-time order.  The facts are
// then copied to their slots in host order: reading them in order and
// writing to scattered slots costs far less than the other way round.  An
// observation's ends stay host indices until the stations are placed.  The
// score's inputs go beside the observations, so that scoring a network reads
// them in order; the facts are then no longer needed.
int32_t Place_Observations(MinimisationRun& run, GroupingWork& work) {
    const int32_t networkCount = work.networkCount;
    run.networks = Allocate_Unfilled_Array<TimeNetwork>(networkCount);
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
    run.observations = Allocate_Unfilled_Array<NetObservation>(work.entryCount);
    if (run.observations != nullptr) run.scoreInputs = Allocate_Unfilled_Array<ScoreInputs>(work.entryCount);
    if (run.scoreInputs == nullptr) return -1;
    int32_t* slotOf = Allocate_Unfilled_Array<int32_t>(work.entryCount);  // per host observation
    if (slotOf == nullptr) return -1;
    for (int32_t j = 0; j < work.entryCount; ++j) {
        TimeNetwork& network = run.networks[work.entries[j].network];
        slotOf[work.entries[j].observation] = network.firstObservation + network.stationCount++;
    }
    for (int32_t i = 0; i < networkCount; ++i) run.networks[i].stationCount = 0;
    for (int32_t observation = 0; observation < work.entryCount; ++observation) {
        const ObservationFacts& facts = run.facts[observation];
        const int32_t slot = slotOf[observation];
        run.observations[slot] = NetObservation{observation, 0, facts.state, facts.fromStation, facts.toStation};
        run.scoreInputs[slot] = facts.score;
    }
    Free_Block(slotOf);
    Free_Block(run.facts);
    run.facts = nullptr;
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
    run.stations[firstStation + found] = NetStation{station, 0, 0, 0, 0};
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

// Each station of a scored network is converted once, however many networks
// and observations it has; the stamp array, free again, marks the ones met.
// The station records are read first, all of them, and only then converted:
// with nothing but loads in the first loop, the processor has many records
// on their way at once.  Any non-zero flag counts; an unusable position is
// never converted.
void Convert_Positions(MinimisationRun& run, BuildScope scope, StationIndex& index) {
    const int32_t met = 0;
    int32_t* toConvert = index.position;  // free again once the stations are placed
    int32_t count = 0;
    for (int32_t i = 0; i < run.networkCount; ++i) {
        const TimeNetwork& network = run.networks[i];
        if (scope == BuildScope::ForSelection && !Is_Decided_By_Score(network)) continue;
        for (int32_t s = 0; s < network.stationCount; ++s) {
            const int32_t station = run.stations[network.firstStation + s].station;
            if (index.stamp[station] == met) continue;
            index.stamp[station] = met;
            toConvert[count++] = station;
        }
    }
    for (int32_t k = 0; k < count; ++k) {
        const StationRef record = Locate_Station(run.project, toConvert[k]);
        StationPosition& position = run.positions[toConvert[k]];
        position.usable = Read_Field(record, station::positionFlagC) != 0
                          || Read_Field(record, station::positionFlagB) != 0
                          || Read_Field(record, station::positionFlagA) != 0;
        position.x = Read_Field(record, station::latitude);
        position.y = Read_Field(record, station::longitude);
        position.z = static_cast<double>(Read_Field(record, station::height));
    }
    for (int32_t k = 0; k < count; ++k) {
        StationPosition& position = run.positions[toConvert[k]];
        if (position.usable == 0) continue;
        const CartesianPosition cartesian = Geodetic_To_Cartesian(position.x, position.y, position.z);
        position.x = cartesian.x;
        position.y = cartesian.y;
        position.z = cartesian.z;
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
        if (!Is_Decided_By_Score(network)) continue;
        if (network.observationCount > observations) observations = network.observationCount;
        if (network.stationCount > stations) stations = network.stationCount;
    }
    if (observations == 0) return 0;
    SelectionWorkspace& w = run.workspace;
    const int32_t words = stations / RuleStationsPerWord + 1;
    // The score sort by radix needs room for the whole network.
    bool had = (w.sortBuffer = Allocate_Unfilled_Array<NetObservation>(observations)) != nullptr;
    had = had && (w.openSlots = Allocate_Unfilled_Array<int32_t>(Two_Per_Observation(observations))) != nullptr;
    had = had && (w.firstOpenSlot = Allocate_Unfilled_Array<int32_t>(stations)) != nullptr;
    had = had && (w.endOpenSlot = Allocate_Unfilled_Array<int32_t>(stations)) != nullptr;
    had = had && (w.ruleStations = Allocate_Unfilled_Array<uint32_t>(words)) != nullptr;
    had = had && (w.ruleWords = Allocate_Unfilled_Array<uint32_t>(words / RuleStationsPerWord + 1)) != nullptr;
    had = had && (w.heap = Allocate_Unfilled_Array<uint64_t>(stations)) != nullptr;
    had = had && (w.heapPlace = Allocate_Unfilled_Array<int32_t>(stations)) != nullptr;
    return had ? 0 : -1;
}

void Free_Selection_Workspace(SelectionWorkspace& w) {
    Free_Block(w.sortBuffer);
    Free_Block(w.openSlots);
    Free_Block(w.firstOpenSlot);
    Free_Block(w.endOpenSlot);
    Free_Block(w.ruleStations);
    Free_Block(w.ruleWords);
    Free_Block(w.heap);
    Free_Block(w.heapPlace);
    w = SelectionWorkspace{};
}

// ---- The whole second half ----

bool Any_Decided(const MinimisationRun& run) {
    for (int32_t i = 0; i < run.networkCount; ++i)
        if (Is_Decided_By_Score(run.networks[i])) return true;
    return false;
}

// Everything after the grouping.  On failure whatever was had stays in the
// run for the release.
int32_t Build_Tables(MinimisationRun& run, GroupingWork& work, BuildScope scope) {
    if (Place_Observations(run, work) < 0) return -1;
    const int32_t stationCount = run.project->stationCount;
    StationIndex index{Allocate_Array<int32_t>(stationCount), nullptr};
    if (index.stamp != nullptr) index.position = Allocate_Unfilled_Array<int32_t>(stationCount);
    int32_t status = index.position != nullptr ? 0 : -1;
    int64_t total = 0;
    if (status == 0) total = Count_Stations(run, index);
    if (status == 0 && total <= INT32_MAX) run.stations = Allocate_Unfilled_Array<NetStation>(static_cast<int32_t>(total));
    if (run.stations == nullptr) status = -1;
    int32_t nextStation = 0;
    for (int32_t i = 0; status == 0 && i < run.networkCount; ++i) Place_Stations_Of(run, i, index, nextStation);
    if (status == 0 && scope == BuildScope::ForInspection) {
        int32_t listedTotal = 0;
        for (int32_t s = 0; s < nextStation; ++s) listedTotal += run.stations[s].listedCount;
        run.listed = Allocate_Unfilled_Array<int32_t>(listedTotal);
        int32_t nextListed = 0;
        if (run.listed == nullptr) status = -1;
        for (int32_t i = 0; status == 0 && i < run.networkCount; ++i)
            List_Observations_Of(run, run.networks[i], nextListed);
    }
    if (status == 0 && (scope == BuildScope::ForInspection || Any_Decided(run))) {
        run.positions = Allocate_Unfilled_Array<StationPosition>(stationCount);
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
    Free_Block(run.facts);
    Free_Block(run.networks);
    Free_Block(run.observations);
    Free_Block(run.scoreInputs);
    Free_Block(run.stations);
    Free_Block(run.listed);
    Free_Block(run.positions);
    run = MinimisationRun{};
}

// Any failure leaves nothing of this build behind.  A project without
// observations gives an empty table, which the caller releases.
int32_t Build_Time_Networks(MinimisationRun& run, const ProjectHeader* project, BuildScope scope) {
    run.project = project;
    const int32_t count = project->observationCount;
    GroupingWork work{};
    bool refused = false;
    int32_t status = Allocate_Grouping_Work(work, count);
    if (status == 0) {
        run.facts = Allocate_Unfilled_Array<ObservationFacts>(count);
        status = run.facts != nullptr ? 0 : -1;
    }
    if (status == 0) {
        status = Read_Observations(run, work);
        refused = status < 0;
    }
    if (status == 0) status = Group_Observations(work);
    if (status == 0) status = Build_Tables(run, work, scope);
    Free_Grouping_Work(work);
    if (status < 0) {
        Release_Time_Networks(run);
        // A project the check refuses is refused whether or not memory ran out.
        if (!refused && Check_Project_For_Minimisation(project)) Set_Message(OutOfMemoryMessage);
        return -1;
    }
    return run.networkCount;
}

}  // namespace min_lumo

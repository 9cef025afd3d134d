// Direction propagation, the work behind DLL_Fix_Baseline_Direction: the
// stations named by active control records are the roots; sweep L visits the
// baselines in index order and orients each usable one with an end at level
// L, reversing it when its from-station is still unreached, and gives an
// unreached far end level L + 1.  No allocation, no state between calls.
#include "orient/orient_baselines.h"

#include <cstdint>

#include "host/host_records.h"
#include "orient/orientation_records.h"
#include "orient/reverse_baseline.h"

namespace min_lumo {

namespace {

// ---- Control stations ----

// Only A to Z fold; bytes outside ASCII are never touched, whatever a locale
// would say about them.
unsigned char Fold_Ascii_Letter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') return static_cast<unsigned char>(byte - 'A' + 'a');
    return byte;
}

// True when the two texts are equal ignoring the case of the ASCII letters
// (A to Z equal a to z), every other byte compared exactly, lengths equal.
// Each text is read only within its own field of `capacity` bytes; a text
// with no terminator inside its field matches nothing, since its length is
// unknown.
bool Names_Match(const char* first, int32_t firstCapacity, const char* second, int32_t secondCapacity) {
    // Both texts are compared up to the shorter field; a terminator must come
    // inside it, because a longer text would have no terminator in that field.
    const int32_t limit = firstCapacity < secondCapacity ? firstCapacity : secondCapacity;
    for (int32_t i = 0; i < limit; ++i) {
        if (Fold_Ascii_Letter(first[i]) != Fold_Ascii_Letter(second[i])) return false;
        // Only NUL folds to NUL, so both texts end here together.
        if (first[i] == '\0') return true;
    }
    return false;
}

constexpr int32_t ControlStationLevel = 0;

bool Control_Names_Station(ControlRef control, StationRef station) {
    return Names_Match(Text_Field(control, control::name), control::name.capacity,
                       Text_Field(station, station::name), station::name.capacity);
}

// Marks every station control k names; true when it named at least one.
bool Mark_Stations_Of_Control(const ProjectHeader* project, int32_t k) {
    const ControlRef control = Locate_Control(project, k);
    bool marked = false;
    for (int32_t i = 0; i < project->stationCount; ++i) {
        if (!Control_Names_Station(control, Locate_Station(project, i))) continue;
        Join_Tree(project, i, ControlStationLevel, k);
        marked = true;
    }
    return marked;
}

// For each active control k in index order, every station whose name matches
// k's name gets treeLevel 0 and treeControl k; a station several controls
// name thus ends with the highest of them.  Inactive controls match nothing.
// True when at least one station was marked.
bool Mark_Control_Stations(const ProjectHeader* project) {
    bool marked = false;
    for (int32_t k = 0; k < project->controlCount; ++k) {
        if (Read_Field(Locate_Control(project, k), control::inactive) != 0) continue;
        if (Mark_Stations_Of_Control(project, k)) marked = true;
    }
    return marked;
}

// ---- The sweeps ----

// An observation with this solutionStatus does not count.

// Every sweep but the last reaches a new station, so levels stay far below
// this; the bound only keeps level + 1 defined whatever the host hands us.
constexpr int32_t LastSweepLevel = INT32_MAX - 1;

void Reset_Levels(const ProjectHeader* project) {
    for (int32_t i = 0; i < project->stationCount; ++i) Set_Station_Level(project, i, UnreachedLevel);
    for (int32_t j = 0; j < project->baselineCount; ++j)
        Write_Field(Locate_Baseline(project, j), baseline::directionLevel, UnreachedLevel);
}

// At least one observation on the list counts; an empty list is not usable.
bool Baseline_Is_Usable(const ProjectHeader* project, BaselineRef record) {
    const int32_t count = Listed_Observation_Count(record);
    for (int32_t slot = 0; slot < count; ++slot) {
        const int32_t index = Listed_Observation(project, record, slot);
        if (index == NotAnObservation) continue;
        if (Read_Field(Locate_Observation(project, index), observation::solutionStatus) != observation::excludedSolutionStatus)
            return true;
    }
    return false;
}

// A baseline is taken in sweep `level` when it is not yet oriented, one of
// its ends is at that level, and it is usable.
bool Takes_Part_In_Sweep(const ProjectHeader* project, BaselineRef record, int32_t level) {
    if (Read_Field(record, baseline::directionLevel) != UnreachedLevel) return false;
    if (Station_Level(project, Read_Field(record, baseline::fromStation)) != level
        && Station_Level(project, Read_Field(record, baseline::toStation)) != level)
        return false;
    return Baseline_Is_Usable(project, record);
}

// Extends the near end's tree to the far end when the far end is still
// unreached; true when it did.  An end that names no station is never
// written.
bool Reach_Far_End(const ProjectHeader* project, int32_t nearStation, int32_t farStation, int32_t level) {
    if (!Names_A_Station(project, nearStation) || !Names_A_Station(project, farStation)) return false;
    if (Station_Level(project, farStation) != UnreachedLevel) return false;
    Join_Tree(project, farStation, level + 1, Station_Tree_Control(project, nearStation));
    return true;
}

// Orients baseline j in sweep `level` if it takes part; true when that
// reached a new station.
bool Orient_In_Sweep(const ProjectHeader* project, int32_t j, int32_t level) {
    const BaselineRef record = Locate_Baseline(project, j);
    if (!Takes_Part_In_Sweep(project, record, level)) return false;
    Write_Field(record, baseline::directionLevel, level);
    // The baseline must run away from the reached side.
    if (Station_Level(project, Read_Field(record, baseline::fromStation)) == UnreachedLevel)
        Reverse_Baseline(project, j);
    // Read the ends again: the reversal has exchanged them.
    return Reach_Far_End(project, Read_Field(record, baseline::fromStation),
                         Read_Field(record, baseline::toStation), level);
}

// One sweep over all baselines in index order; true when it reached a new
// station.  Stations reached here sit at level + 1, so the set at `level`
// stays fixed for the whole sweep.
bool Sweep_Baselines(const ProjectHeader* project, int32_t level) {
    bool reachedNew = false;
    for (int32_t j = 0; j < project->baselineCount; ++j)
        if (Orient_In_Sweep(project, j, level)) reachedNew = true;
    return reachedNew;
}

// A header whose counts promise records it has no array for is not a project
// we can work on; it is left alone.
bool Has_Its_Arrays(const ProjectHeader* project) {
    return (project->stationCount <= 0 || project->stations != nullptr)
           && (project->baselineCount <= 0 || project->baselines != nullptr)
           && (project->observationCount <= 0 || project->observations != nullptr)
           && (project->controlCount <= 0 || project->controls != nullptr);
}

}  // namespace

int32_t Orient_Baselines(const ProjectHeader* project) {
    if (project == nullptr || !Has_Its_Arrays(project)) return 0;
    Reset_Levels(project);
    if (!Mark_Control_Stations(project)) return 0;
    if (project->baselineCount <= 0) return 0;
    for (int32_t level = 0; level <= LastSweepLevel; ++level)
        if (!Sweep_Baselines(project, level)) break;
    return 0;
}

}  // namespace min_lumo

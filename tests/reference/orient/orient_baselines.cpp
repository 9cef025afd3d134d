#include "tests/reference/orient/orient_baselines.h"

#include <cstdint>

#include "host/host_records.h"
#include "tests/reference/orient/baseline_observations.h"
#include "tests/reference/orient/mark_control_stations.h"
#include "tests/reference/orient/reverse_baseline.h"
#include "tests/reference/orient/station_tree.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

// An observation with this solutionStatus does not count.
constexpr int32_t ExcludedStatus = -1;

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
        if (Read_Field(Locate_Observation(project, index), observation::solutionStatus) != ExcludedStatus)
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

int32_t Orient_Baselines(ProjectHeader* project) {
    if (project == nullptr || !Has_Its_Arrays(project)) return 0;
    Reset_Levels(project);
    if (!Mark_Control_Stations(project)) return 0;
    if (project->baselineCount <= 0) return 0;
    for (int32_t level = 0; level <= LastSweepLevel; ++level)
        if (!Sweep_Baselines(project, level)) break;
    return 0;
}

}  // namespace min_lumo_reference

// What orientation reads of stations and baselines, guarded so that it never
// leaves the host's arrays whatever the host stored: a station's place in
// the control trees, and a baseline's list of observations.  Internal to
// orient/.
#pragma once

#include <algorithm>
#include <cstdint>

#include "host/host_records.h"

namespace min_lumo {

// treeLevel of a station no control tree has reached (also directionLevel of
// a baseline not yet oriented).
inline constexpr int32_t UnreachedLevel = -1;

// A baseline end names a station when its index lies within the station
// array.  The host promises that every end does; one that does not (a
// negative index, or one past the array) is never read or written.
inline bool Names_A_Station(const ProjectHeader* project, int32_t stationIndex) {
    return stationIndex >= 0 && stationIndex < project->stationCount;
}

// The level of a baseline end; an end that names no station reads as
// unreached, and no record is read for it.
inline int32_t Station_Level(const ProjectHeader* project, int32_t stationIndex) {
    if (!Names_A_Station(project, stationIndex)) return UnreachedLevel;
    return Read_Field(Locate_Station(project, stationIndex), station::treeLevel);
}

// The following take an index that names a station.
inline void Set_Station_Level(const ProjectHeader* project, int32_t stationIndex, int32_t level) {
    Write_Field(Locate_Station(project, stationIndex), station::treeLevel, level);
}

inline int32_t Station_Tree_Control(const ProjectHeader* project, int32_t stationIndex) {
    return Read_Field(Locate_Station(project, stationIndex), station::treeControl);
}

inline void Join_Tree(const ProjectHeader* project, int32_t stationIndex, int32_t level, int32_t control) {
    const StationRef record = Locate_Station(project, stationIndex);
    Write_Field(record, station::treeLevel, level);
    Write_Field(record, station::treeControl, control);
}

// A list entry that names no observation of the project.
inline constexpr int32_t NotAnObservation = -1;

// The number of list entries to read: the host's count, but never more than
// the list has room for (a negative count reads as an empty list).
inline int32_t Listed_Observation_Count(BaselineRef record) {
    return std::clamp(Read_Field(record, baseline::observationCount), 0,
                      baseline::observationIndexCapacity);
}

// Entry `slot` of the list, or NotAnObservation when it lies outside the
// observation array.
inline int32_t Listed_Observation(const ProjectHeader* project, BaselineRef record, int32_t slot) {
    const int32_t index = Read_Baseline_Observation(record, slot);
    return index >= 0 && index < project->observationCount ? index : NotAnObservation;
}

}  // namespace min_lumo

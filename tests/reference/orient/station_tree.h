// A station's place in the control trees: its level and the control whose
// tree it joined.  Every station access of the orientation goes through
// here, so a baseline end that names no station is handled in one place.
#pragma once

#include <cstdint>

#include "host/host_records.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

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

}  // namespace min_lumo_reference

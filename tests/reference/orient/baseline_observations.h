// Reading a baseline's observation list without ever leaving the record or
// the observation array, whatever the host stored there.
#pragma once

#include <algorithm>
#include <cstdint>

#include "host/host_records.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

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

}  // namespace min_lumo_reference

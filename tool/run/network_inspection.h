// The library's run inspection (minimise/run_inspection.h), linked into the tool, run on the host
// memory to show what the exported call does not report: the time-networks,
// every observation's score and state, every station's counters.
#pragma once

#include <cstdint>
#include <vector>

#include "min_lumo.h"

namespace min_lumo_tool {

struct InspectedStation {
    int32_t station = -1;       // host station index
    int32_t listed = 0;         // the network's observations at the station
    int32_t openCount = 0;      // still undecided at the end
    int32_t selectedCount = 0;  // the selection's counter (2 also marks "satisfied")
};

struct InspectedObservation {
    int32_t network = -1;
    int32_t score = 0;
    int32_t state = 0;  // a min_lumo::ObservationState
};

struct InspectedNetwork {
    int32_t index = -1;
    double earliestStart = 0.0;
    double latestEnd = 0.0;
    std::vector<int32_t> observations;  // host indices, in the table's final order
    std::vector<InspectedStation> stations;
};

struct NetworkInspection {
    std::vector<InspectedNetwork> networks;
    std::vector<InspectedObservation> observations;  // by host observation index
};

// Builds the time-networks of `project` and, when `decide` is set, runs the
// per-network selection on each; reads the tables and releases them.  The
// host records are only read.  Throws std::runtime_error when the library's
// heap fails.
NetworkInspection Inspect_Time_Networks(ProjectHeader* project, bool decide);

}  // namespace min_lumo_tool

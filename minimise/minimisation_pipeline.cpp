#include "minimise/minimisation_pipeline.h"

#include "core/message_buffer.h"
#include "host/host_records.h"
#include "minimise/network_selection.h"

namespace min_lumo {

namespace {

constexpr char NoTimeNetworksMessage[] = "No time-networks found";
constexpr int32_t RemovedMark = 1;

// Marks every Rejected observation in the host's records: removed = 1, then
// solutionStatus = -1.  Nothing else is written.  Every host observation
// belongs to exactly one network, so each record is written at most once.
// removed is never set back to 0.
void Write_Back_Rejections(const MinimisationRun& run) {
    for (int32_t i = 0; i < run.networkCount; ++i) {
        const TimeNetwork& network = run.networks[i];
        for (int32_t position = 0; position < network.observationCount; ++position) {
            const NetObservation& entry = run.observations[network.firstObservation + position];
            if (entry.state != Rejected) continue;
            const ObservationRef record = Locate_Observation(run.project, entry.observation);
            Write_Field(record, observation::removed, RemovedMark);
            Write_Field(record, observation::solutionStatus, observation::excludedSolutionStatus);
        }
    }
}

}  // namespace

// Networks are independent: each selection changes only its own tables and
// the host records are only read, so the order changes no decision.
void Minimize_Time_Networks(MinimisationRun& run) {
    for (int32_t i = 0; i < run.networkCount; ++i) Select_Network_Observations(run, run.networks[i]);
}

// Nothing is written to the host before every network is decided, so a
// failure (which can only come from the build) leaves the host untouched.
// The run lives on this call's stack: even the empty table of a project
// without observations is released before returning.
int32_t Run_Minimisation_Pipeline(const ProjectHeader* project) {
    MinimisationRun run{};
    const int32_t networkCount = Build_Time_Networks(run, project);
    if (networkCount < 0) return 1;  // the build has set its message and holds nothing
    if (networkCount == 0) {
        Release_Time_Networks(run);
        Set_Message(NoTimeNetworksMessage);
        return 1;
    }
    Minimize_Time_Networks(run);
    Write_Back_Rejections(run);
    Release_Time_Networks(run);
    return 0;  // success leaves the last failure's message in place
}

}  // namespace min_lumo

#include "host/host_records.h"
#include "tests/reference/minimise/minimize_time_networks.h"
#include "tests/reference/network/time_network.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {
constexpr int32_t RemovedMark = 1;
constexpr int32_t ExcludedSolutionStatus = -1;  // makes the observation Excluded in later calls
}  // namespace

// Every host observation belongs to exactly one network, so each record is
// written at most once.  removed is never set back to 0.
void Write_Back_Rejections() {
    for (int32_t i = 0; i < NetworkCount; ++i) {
        const TimeNetwork& network = NetworkTable[i];
        for (int32_t position = 0; position < network.observationCount; ++position) {
            const NetObservation& entry = network.observations[position];
            if (entry.state != Rejected) continue;
            const ObservationRef record = Locate_Observation(CurrentProject, entry.observation);
            Write_Field(record, observation::removed, RemovedMark);
            Write_Field(record, observation::solutionStatus, ExcludedSolutionStatus);
        }
    }
}

}  // namespace min_lumo_reference

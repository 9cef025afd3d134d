// The per-network selection: small networks keep everything; larger ones are
// scored, ordered best first, and decided station by station.
#include "tests/reference/minimise/network_selection.h"

#include "tests/reference/minimise/score_observation.h"
#include "tests/reference/minimise/selection_paths.h"
#include "tests/reference/network/selection_workspace.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

// Networks of at most this many observations keep all of them.
constexpr int32_t LargestKeptWholeNetwork = 2;

void Select_Everything(TimeNetwork& network) {
    for (int32_t position = 0; position < network.observationCount; ++position)
        Select_Observation(network, position);
}

}  // namespace

void Score_Every_Observation(TimeNetwork& network) {
    for (int32_t position = 0; position < network.observationCount; ++position) {
        NetObservation& entry = network.observations[position];
        entry.score = Score_Observation(entry.observation);
    }
}

// Observations still Undecided at the end stay so; the write-back treats them
// like selected ones.
int32_t Select_Network_Observations(TimeNetwork& network) {
    if (network.observationCount <= LargestKeptWholeNetwork) {
        Select_Everything(network);
        return 0;
    }
    if (Workspace_Serves(network))
        Select_With_Workspace(network);
    else
        Select_In_Place(network);
    return 0;
}

}  // namespace min_lumo_reference

// The three transitions of an observation and the counters of its two end
// stations.  An end reference is null only in a table built by hand; such an
// end is skipped, never dereferenced.
#include "tests/reference/minimise/network_selection.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

void Close_At(NetStation* end) {
    if (end != nullptr) end->openCount -= 1;
}

void Count_Selection_At(NetStation* end) {
    if (end != nullptr) end->selectedCount += 1;
}

// A station whose last open observation is taken while nothing is selected
// there counts as satisfied at once.
void Saturate_If_Last_Open(NetStation* end) {
    if (end != nullptr && end->openCount == 1 && end->selectedCount == 0)
        end->selectedCount = SaturatedSelectedCount;
}

// The station cannot spare the observation: with it gone, fewer than two
// could ever be selected there.  For an Undecided observation's end this is
// openCount + selectedCount <= 2.
bool Cannot_Spare(const NetStation* end) {
    if (end == nullptr) return false;
    if (end->openCount == 2 && end->selectedCount == 0) return true;
    return end->openCount == 1 && (end->selectedCount == 0 || end->selectedCount == 1);
}

}  // namespace

void Select_Observation(TimeNetwork& network, int32_t position) {
    NetObservation& entry = network.observations[position];
    entry.state = Selected;
    Close_At(entry.fromNetStation);
    Close_At(entry.toNetStation);
    Count_Selection_At(entry.fromNetStation);
    Count_Selection_At(entry.toNetStation);
}

void Select_And_Saturate(TimeNetwork& network, int32_t position) {
    NetObservation& entry = network.observations[position];
    entry.state = Selected;
    Saturate_If_Last_Open(entry.fromNetStation);
    Saturate_If_Last_Open(entry.toNetStation);
    Close_At(entry.fromNetStation);
    Close_At(entry.toNetStation);
}

void Reject_Observation(TimeNetwork& network, int32_t position) {
    NetObservation& entry = network.observations[position];
    if (Cannot_Spare(entry.fromNetStation) || Cannot_Spare(entry.toNetStation)) return;
    entry.state = Rejected;
    Close_At(entry.fromNetStation);
    Close_At(entry.toNetStation);
}

}  // namespace min_lumo_reference

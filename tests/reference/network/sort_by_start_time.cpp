#include "tests/reference/network/network_grouping.h"
#include "tests/reference/network/stable_merge_sort.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

bool Starts_Earlier(const NetObservation& a, const NetObservation& b) { return a.startTime < b.startTime; }

bool Start_Is_NaN(const NetObservation& entry) { return entry.startTime != entry.startTime; }

}  // namespace

// Ascending start time, equal starts in host order.  A NaN start compares
// false both ways, so it never moves and no entry moves past it: the NaN
// entries stay where the host put them and each run between them is ordered
// on its own, which is what an insertion sort over whole entries yields.
int32_t Sort_By_Start_Time(NetObservation* entries, int32_t count, NetObservation* buffer) {
    int32_t runStart = 0;
    for (int32_t i = 0; i <= count; ++i) {
        if (i < count && !Start_Is_NaN(entries[i])) continue;
        Stable_Merge_Sort(entries + runStart, i - runStart, buffer, Starts_Earlier);
        runStart = i + 1;
    }
    return 0;
}

}  // namespace min_lumo_reference

#include "tests/reference/network/network_grouping.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// A stable insertion sort over whole entries: an entry moves up only past
// entries whose start is strictly later, so equal start times keep host
// order.  A NaN start compares false both ways and simply stops the move;
// the loops are bounded by the indices alone, so the sort always ends.
int32_t Sort_By_Start_Time(NetObservation* entries, int32_t count) {
    if (count < 2) return 0;
    for (int32_t i = 1; i < count; ++i) {
        const NetObservation taken = entries[i];
        int32_t gap = i;
        while (gap > 0 && entries[gap - 1].startTime > taken.startTime) {
            entries[gap] = entries[gap - 1];
            --gap;
        }
        entries[gap] = taken;
    }
    return 0;
}

}  // namespace min_lumo_reference

// The test builds' heap: counts the library's allocations and frees and can
// make the N-th allocation fail.
#pragma once

#include <cstddef>
#include <cstdint>

namespace min_lumo_test {

struct HeapCounters {
    int64_t allocations = 0;  // successful allocations since the last reset
    int64_t frees = 0;        // non-null blocks freed since the last reset
    int64_t liveBlocks = 0;
    int64_t liveBytes = 0;
    int64_t peakBytes = 0;
};

// Resets the counters; `failAt` > 0 makes the allocation with that number
// (1 = the next one) fail, 0 disables failing.
void Reset_Heap(int64_t failAt = 0);
const HeapCounters& Heap_Counters();
// Number of allocation requests since the last reset, the failed one included.
int64_t Heap_Requests();

}  // namespace min_lumo_test

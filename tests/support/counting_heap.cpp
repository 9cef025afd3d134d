#include "tests/support/counting_heap.h"

#include <cstdlib>
#include <cstring>

#include "core/library_heap.h"

namespace min_lumo_test {

namespace {
HeapCounters counters;
int64_t requests = 0;
int64_t failingRequest = 0;

// Each block carries its size in front, so frees can be accounted in bytes.
constexpr std::size_t HeaderBytes = 16;
}  // namespace

void Reset_Heap(int64_t failAt) {
    counters = HeapCounters{};
    requests = 0;
    failingRequest = failAt;
}
const HeapCounters& Heap_Counters() { return counters; }
int64_t Heap_Requests() { return requests; }

}  // namespace min_lumo_test

namespace min_lumo {

using namespace min_lumo_test;

namespace {

// Unfilled blocks come filled with this, so that a table read before it is
// written gives results the differential tests catch.
constexpr unsigned char UnfilledPattern = 0xA7;

void* Allocate_Counted(std::size_t count, std::size_t size, bool zeroed) {
    ++requests;
    if (requests == failingRequest) return nullptr;
    if (size != 0 && count > (SIZE_MAX - HeaderBytes) / size) return nullptr;
    const std::size_t bytes = count * size;
    auto* block = static_cast<unsigned char*>(std::malloc(bytes + HeaderBytes));
    if (block == nullptr) return nullptr;
    std::memset(block + HeaderBytes, zeroed ? 0 : UnfilledPattern, bytes);
    std::memcpy(block, &bytes, sizeof bytes);
    ++counters.allocations;
    ++counters.liveBlocks;
    counters.liveBytes += static_cast<int64_t>(bytes);
    if (counters.liveBytes > counters.peakBytes) counters.peakBytes = counters.liveBytes;
    return block + HeaderBytes;
}

}  // namespace

void* Allocate_Zeroed(std::size_t count, std::size_t size) { return Allocate_Counted(count, size, true); }

void* Allocate_Unfilled(std::size_t count, std::size_t size) { return Allocate_Counted(count, size, false); }

void Free_Block(void* block) {
    if (block == nullptr) return;
    auto* start = static_cast<unsigned char*>(block) - HeaderBytes;
    std::size_t bytes;
    std::memcpy(&bytes, start, sizeof bytes);
    ++counters.frees;
    --counters.liveBlocks;
    counters.liveBytes -= static_cast<int64_t>(bytes);
    std::free(start);
}

}  // namespace min_lumo

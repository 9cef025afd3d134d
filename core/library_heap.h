// The one way the library takes memory.  Every allocation of a minimisation
// call passes through here, so a test build can substitute its own heap that
// counts allocations and makes a chosen one fail.
#pragma once

#include <cstddef>
#include <cstdint>

namespace min_lumo {

// `count` elements of `size` bytes, zero-filled; null on failure (including a
// request whose byte count does not fit in size_t).
void* Allocate_Zeroed(std::size_t count, std::size_t size);

// Returns a block from Allocate_Zeroed; null is ignored.
void Free_Block(void* block);

// `count` zero-filled elements, or null when the heap refuses.  The host never
// hands a negative count; one would widen to a size no heap grants, so it
// fails like any other refusal instead of being misread.
template <typename Element> Element* Allocate_Array(int32_t count) {
    return static_cast<Element*>(
        Allocate_Zeroed(static_cast<std::size_t>(static_cast<int64_t>(count)), sizeof(Element)));
}

}  // namespace min_lumo

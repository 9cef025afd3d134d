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

// As Allocate_Zeroed, but the bytes are left as they are: for tables that
// are written before they are read, which then cost no zero-filling.
void* Allocate_Unfilled(std::size_t count, std::size_t size);

// Returns a block from either allocation; null is ignored.
void Free_Block(void* block);

// `count` zero-filled elements, or null when the heap refuses.  The host never
// hands a negative count; one would widen to a size no heap grants, so it
// fails like any other refusal instead of being misread.
template <typename Element> Element* Allocate_Array(int32_t count) {
    return static_cast<Element*>(
        Allocate_Zeroed(static_cast<std::size_t>(static_cast<int64_t>(count)), sizeof(Element)));
}

// The same, not zero-filled: every element is written before it is read.
template <typename Element> Element* Allocate_Unfilled_Array(int32_t count) {
    return static_cast<Element*>(
        Allocate_Unfilled(static_cast<std::size_t>(static_cast<int64_t>(count)), sizeof(Element)));
}

}  // namespace min_lumo

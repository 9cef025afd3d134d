// Typed arrays from the library's heap, sized by the 32-bit counts the host
// hands us.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tests/reference/network/network_heap.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// `count` zero-filled elements, or null when the heap refuses.  The host never
// hands a negative count; one would widen to a size no heap grants, so it
// fails like any other refusal instead of being misread.
template <typename Element> Element* Allocate_Array(int32_t count) {
    return static_cast<Element*>(
        Allocate_Zeroed(static_cast<std::size_t>(static_cast<int64_t>(count)), sizeof(Element)));
}

}  // namespace min_lumo_reference

// The one way the library takes memory.  Every allocation of a minimisation
// call passes through here, so a test build can substitute its own version
// that counts allocations and makes a chosen one fail.
#pragma once

#include <cstddef>

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// `count` elements of `size` bytes, zero-filled; null on failure (including a
// request whose byte count does not fit in size_t).
void* Allocate_Zeroed(std::size_t count, std::size_t size);

// Returns a block from Allocate_Zeroed; null is ignored.
void Free_Block(void* block);

}  // namespace min_lumo_reference

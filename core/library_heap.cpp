#include "core/library_heap.h"

#include <cstdint>
#include <cstdlib>

namespace min_lumo {

void* Allocate_Zeroed(std::size_t count, std::size_t size) {
    // calloc rejects a product that overflows; asking for zero bytes still
    // yields a block we own, so the caller never confuses "empty" with "failed".
    if (count == 0 || size == 0) return std::calloc(1, 1);
    return std::calloc(count, size);
}

void* Allocate_Unfilled(std::size_t count, std::size_t size) {
    if (count == 0 || size == 0) return std::malloc(1);
    if (count > SIZE_MAX / size) return nullptr;
    return std::malloc(count * size);
}

void Free_Block(void* block) { std::free(block); }

}  // namespace min_lumo

#include "tests/reference/orient/names_match.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

// Only A to Z fold; bytes outside ASCII are never touched, whatever a locale
// would say about them.
unsigned char Fold_Ascii_Letter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') return static_cast<unsigned char>(byte - 'A' + 'a');
    return byte;
}

}  // namespace

bool Names_Match(const char* first, int32_t firstCapacity, const char* second, int32_t secondCapacity) {
    // Both texts are compared up to the shorter field; a terminator must come
    // inside it, because a longer text would have no terminator in that field.
    const int32_t limit = firstCapacity < secondCapacity ? firstCapacity : secondCapacity;
    for (int32_t i = 0; i < limit; ++i) {
        if (Fold_Ascii_Letter(first[i]) != Fold_Ascii_Letter(second[i])) return false;
        // Only NUL folds to NUL, so both texts end here together.
        if (first[i] == '\0') return true;
    }
    return false;
}

}  // namespace min_lumo_reference

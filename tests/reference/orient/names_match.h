// Comparing a control name with a station name.
#pragma once

#include <cstdint>

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// True when the two texts are equal ignoring the case of the ASCII letters
// (A to Z equal a to z), every other byte compared exactly, lengths equal.
// Each text is read only within its own field of `capacity` bytes; a text
// with no terminator inside its field matches nothing, since its length is
// unknown.
bool Names_Match(const char* first, int32_t firstCapacity, const char* second, int32_t secondCapacity);

}  // namespace min_lumo_reference

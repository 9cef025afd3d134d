// The two pieces of 32-bit integer arithmetic the score needs, both free of
// undefined behaviour for every input.
#pragma once

#include <cstdint>
#include <limits>

namespace min_lumo {

// A real truncated toward zero into a signed 32-bit integer.  In range this is
// the ordinary truncation; beyond it the result saturates at INT32_MIN or
// INT32_MAX, and NaN gives 0 (a non-finite time span or position then neither
// rewards nor penalises more than the extreme of its term).
inline int32_t Truncate_To_Int32(double value) {
    constexpr double firstAboveInt32 = 2147483648.0;    // 2^31
    constexpr double firstBelowInt32 = -2147483649.0;   // -2^31 - 1
    if (value != value) return 0;
    if (value >= firstAboveInt32) return std::numeric_limits<int32_t>::max();
    if (value <= firstBelowInt32) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// a + b in 32-bit two's complement: an overflowing sum wraps instead of being
// undefined.  The addition runs in uint32_t, whose overflow is defined.
inline int32_t Add_Wrapping(int32_t a, int32_t b) {
    const uint32_t sum = static_cast<uint32_t>(a) + static_cast<uint32_t>(b);
    return static_cast<int32_t>(sum);  // modular since C++20
}

}  // namespace min_lumo

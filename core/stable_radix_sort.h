// A stable least-significant-digit radix sort over whole entries by an
// unsigned key, for the two sorts of a minimisation: start times (as
// order-preserving 64-bit keys) and scores (32-bit).  Compared with a merge
// sort it moves each entry once per digit and never branches on the data,
// and a digit that all keys share costs neither a histogram nor a pass:
// start times of one campaign agree in their upper bytes (and whole seconds
// in their lowest), scores of one network in their upper ones.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace min_lumo {

inline constexpr int32_t RadixDigitBits = 8;
inline constexpr int32_t RadixBuckets = 1 << RadixDigitBits;
// Below this many entries the histograms cost more than merging does.
inline constexpr int32_t SmallestRadixSort = 256;

// Sorts entries[0 .. count-1] ascending by keyOf(entry), keeping equal keys
// in their order.  `buffer` holds at least `count` entries.  The result is in
// `entries`.
template <typename Entry, typename KeyOf>
void Stable_Radix_Sort(Entry* entries, int32_t count, Entry* buffer, KeyOf keyOf) {
    using Key = std::invoke_result_t<KeyOf, const Entry&>;
    static_assert(std::is_unsigned_v<Key>);
    constexpr std::size_t digits = sizeof(Key) * 8 / RadixDigitBits;
    constexpr Key digitMask = RadixBuckets - 1;
    if (count < 2) return;
    // The digits in which some keys differ: only those get a histogram and a pass.
    const Key firstKey = keyOf(entries[0]);
    Key differing = 0;
    for (int32_t i = 1; i < count; ++i) differing |= keyOf(entries[i]) ^ firstKey;
    std::size_t passDigits[digits];
    std::size_t passes = 0;
    for (std::size_t d = 0; d < digits; ++d)
        if (((differing >> (d * RadixDigitBits)) & digitMask) != 0) passDigits[passes++] = d;
    int32_t histogram[digits][RadixBuckets];
    std::memset(histogram, 0, sizeof histogram[0] * passes);
    for (int32_t i = 0; i < count; ++i) {
        const Key key = keyOf(entries[i]);
        for (std::size_t p = 0; p < passes; ++p) ++histogram[p][(key >> (passDigits[p] * RadixDigitBits)) & digitMask];
    }
    Entry* from = entries;
    Entry* to = buffer;
    for (std::size_t p = 0; p < passes; ++p) {
        int32_t* counts = histogram[p];
        const std::size_t shift = passDigits[p] * RadixDigitBits;
        int32_t next = 0;
        for (int32_t b = 0; b < RadixBuckets; ++b) {
            const int32_t inBucket = counts[b];
            counts[b] = next;
            next += inBucket;
        }
        for (int32_t i = 0; i < count; ++i) {
            const auto bucket = static_cast<std::size_t>((keyOf(from[i]) >> shift) & digitMask);
            to[counts[bucket]++] = from[i];
        }
        Entry* swap = from;
        from = to;
        to = swap;
    }
    if (from != entries) std::memcpy(static_cast<void*>(entries), from, sizeof(Entry) * static_cast<std::size_t>(count));
}

// An unsigned key whose order is the order of the doubles, for doubles that
// are not NaN; -0 and +0 get the same key, as they compare equal.
inline uint64_t Ordered_Key_Of(double value) {
    const uint64_t bits = std::bit_cast<uint64_t>(value == 0.0 ? 0.0 : value);
    constexpr uint64_t signBit = uint64_t{1} << 63;
    return (bits & signBit) != 0 ? ~bits : bits | signBit;
}

// How far `value` lies below `highest` (at least `value`): an unsigned key
// whose ascending order is the descending order of the values.
inline uint32_t Points_Below(int32_t highest, int32_t value) {
    return static_cast<uint32_t>(static_cast<int64_t>(highest) - value);
}

}  // namespace min_lumo

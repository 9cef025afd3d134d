// A stable merge sort over whole entries with a caller's buffer of half the
// entries, so that building and selection order their tables in n log n time
// without allocating.
#pragma once

#include <cstdint>

namespace min_lumo {

// Short runs are ordered by insertion, which moves fewer bytes than merging.
inline constexpr int32_t InsertionSortRunLength = 12;

// Orders entries[0 .. count-1] so that an entry goes ahead of an earlier one
// only when `precedes(later, earlier)` holds; entries that do not precede one
// another keep their order.  `buffer` holds at least count / 2 entries.
template <typename Entry, typename Precedes>
void Stable_Merge_Sort(Entry* entries, int32_t count, Entry* buffer, Precedes precedes) {
    if (count <= InsertionSortRunLength) {
        for (int32_t i = 1; i < count; ++i) {
            const Entry taken = entries[i];
            int32_t gap = i;
            while (gap > 0 && precedes(taken, entries[gap - 1])) {
                entries[gap] = entries[gap - 1];
                --gap;
            }
            entries[gap] = taken;
        }
        return;
    }
    const int32_t leftCount = count / 2;
    Stable_Merge_Sort(entries, leftCount, buffer, precedes);
    Stable_Merge_Sort(entries + leftCount, count - leftCount, buffer, precedes);
    if (!precedes(entries[leftCount], entries[leftCount - 1])) return;  // already in order
    for (int32_t i = 0; i < leftCount; ++i) buffer[i] = entries[i];
    // The write position never overtakes the right run's read position.
    int32_t left = 0;
    int32_t right = leftCount;
    int32_t out = 0;
    while (left < leftCount && right < count) {
        if (precedes(entries[right], buffer[left]))
            entries[out++] = entries[right++];
        else
            entries[out++] = buffer[left++];
    }
    while (left < leftCount) entries[out++] = buffer[left++];
}

}  // namespace min_lumo

// A host project decoded from fuzz input: five record arrays, each allocated
// with exactly the bytes its records need (so that any access past a record
// array is caught by the address checker), and the header that names them.
// The decoder leans towards data that keeps every host guarantee but also
// produces out-of-range indices, negative counts, unterminated texts,
// non-finite times and zero ratio divisors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "min_lumo.h"

namespace min_lumo_fuzz {

enum ArrayKind { SourceArray, StationArray, BaselineArray, ObservationArray, ControlArray, ArrayKindCount };

struct DecodedProject {
    std::vector<std::byte> arrays[ArrayKindCount];
    int32_t records[ArrayKindCount] = {};          // records each array holds
    bool withoutArray[ArrayKindCount] = {};        // header names no array of this kind
    ProjectHeader header{};                        // counts never exceed `records`

    DecodedProject() = default;
    DecodedProject(const DecodedProject& other);   // a copy with its own arrays and header
    DecodedProject& operator=(const DecodedProject&) = delete;

    // Points the header at this object's arrays (null where withoutArray).
    void Point_Header();
};

DecodedProject Decode_Project(FuzzInput& input);

// Every guarantee the host gives the library holds: counts, indices, ratio
// divisors, terminated texts, and labels of four short tokens.
bool Keeps_Host_Promises(const DecodedProject& project);

// The guarantees orientation depends on for staying inside the host's
// arrays: arrays present for their counts, baseline ends below the station
// count, observation lists of at most 259 entries naming observations below
// the count.  Texts and labels may be anything.
bool Safe_For_Orientation(const DecodedProject& project);

}  // namespace min_lumo_fuzz

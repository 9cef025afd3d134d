// Seeded random host projects for differential testing: every host promise is
// kept (valid indices, non-zero ratio divisors, terminated texts, four-token
// labels), while times, scores, positions, states, controls and labels are
// drawn so that the grouping, the selection and the orientation meet their
// ties and corner cases often.  The same seed gives the same bytes on every
// platform.
#pragma once

#include <cstdint>

#include "tests/support/host_project.h"

namespace min_lumo_test {

// A small deterministic generator (splitmix64): identical sequences on every
// compiler and standard library, unlike the <random> distributions.
class SeededRandom {
public:
    explicit SeededRandom(uint64_t seed) : state_(seed) {}
    uint64_t Next();
    // Uniform in lo .. hi, both included (lo <= hi).
    int32_t Between(int32_t lo, int32_t hi);
    // True with probability percent / 100.
    bool Chance(int32_t percent);
    double Unit();  // uniform in [0, 1)

private:
    uint64_t state_;
};

struct RandomProjectOptions {
    // Also draw NaN and infinite start and end times; off by default, since
    // no particular grouping is settled for them.
    bool nonFiniteTimes = false;
    // Observations per project are drawn up to about this many.
    int32_t largestObservationCount = 120;
};

// A complete random project for `seed`; every byte that no field covers holds
// seeded random values, and the header's sourceCount is often stale, zero,
// negative or huge, since neither job reads it.
HostProject Random_Project(uint64_t seed, const RandomProjectOptions& options = {});

// Breaks, for a project that only minimisation will see, what minimisation
// never reads: the header's control count and array, and baselines that no
// observation names, given ends outside the station array.
void Break_What_Minimisation_Never_Reads(HostProject& project, uint64_t seed);

// Overwrites every byte of the project that no field covers (gaps between
// fields, text bytes after the terminator, unused list entries, the result
// blocks apart from solutionStatus) with seeded random values.
void Randomise_Uncovered_Bytes(HostProject& project, uint64_t seed);

}  // namespace min_lumo_test

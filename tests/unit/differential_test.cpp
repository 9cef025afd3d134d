// The library against the straightforward reference on seeded random
// projects: results, messages and every host byte must agree.  A
// failure names its seed; MIN_LUMO_DIFFERENTIAL_PROJECTS sets the count.
#include <gtest/gtest.h>

#include "min_lumo.h"
#include "tests/reference/differential_run.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

constexpr int MostFailuresShown = 5;

void Compare_Many(uint64_t firstSeed, int32_t count, const RandomProjectOptions& options) {
    const EntryPoints library{&DLL_Min_Lumo, &DLL_Fix_Baseline_Direction, &Get_Error_Message};
    int failures = 0;
    for (int32_t i = 0; i < count && failures < MostFailuresShown; ++i) {
        const std::string difference = Compare_With_Reference(library, firstSeed + static_cast<uint64_t>(i), options);
        if (difference.empty()) continue;
        ADD_FAILURE() << difference;
        ++failures;
    }
}

TEST(Differential, RandomProjectsMatchTheReference) { Compare_Many(1, Differential_Project_Count(), {}); }

TEST(Differential, LargerProjectsMatchTheReference) {
    RandomProjectOptions options;
    options.largestObservationCount = 600;
    Compare_Many(1000000, Differential_Project_Count() / 20 + 1, options);
}

// No grouping is settled for NaN and infinite times, but the library still
// makes the reference's.
TEST(Differential, NonFiniteTimesMatchTheReference) {
    RandomProjectOptions options;
    options.nonFiniteTimes = true;
    Compare_Many(2000000, Differential_Project_Count() / 4 + 1, options);
}

}  // namespace
}  // namespace min_lumo_test

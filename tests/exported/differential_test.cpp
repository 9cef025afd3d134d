// The real module, loaded as the host loads it, against the straightforward
// reference on seeded random projects: results, messages and every host
// byte must agree.  A failure names its seed;
// MIN_LUMO_DIFFERENTIAL_PROJECTS sets the count.
#include <gtest/gtest.h>

#include "tests/reference/differential_run.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

constexpr int MostFailuresShown = 5;
// Seeds apart from those of the unit run, which calls the library directly.
constexpr uint64_t FirstSeed = 7000000;

TEST(ExportedDifferential, RandomProjectsMatchTheReference) {
    const LoadedLibrary& loaded = Library_Under_Test();
    ASSERT_EQ(loaded.error, "");
    int failures = 0;
    const int32_t count = Differential_Project_Count();
    for (int32_t i = 0; i < count && failures < MostFailuresShown; ++i) {
        const std::string difference = Compare_With_Reference(loaded, FirstSeed + static_cast<uint64_t>(i));
        if (difference.empty()) continue;
        ADD_FAILURE() << difference;
        ++failures;
    }
}

}  // namespace
}  // namespace min_lumo_test

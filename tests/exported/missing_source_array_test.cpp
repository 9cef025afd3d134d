// A header without a source array names no source, whatever its count says:
// with a count of 0 ("not stated") an observation's source index used to be
// followed into the missing array.  Found by fuzz_library.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

TEST(MissingSourceArray, RefusedEvenWithoutAStatedCount) {
    HostProject project;
    project.Add_Source();
    for (const char* name : {"A", "B", "C"}) project.Add_Station(name);
    project.Add_Baseline(0, 1);
    project.Add_Baseline(1, 2);
    // Three overlapping observations: enough for the network to be scored.
    for (int32_t i = 0; i < 3; ++i) project.Add_Observation({.baseline = i % 2, .startTime = 0, .endTime = 3600});
    ProjectHeader header = *project.Header();
    header.sourceCount = 0;
    header.sources = nullptr;
    const auto before = project.Snapshot();

    const LoadedLibrary& library = Library_Under_Test();
    EXPECT_EQ(library.minLumo(AcceptedSizes, &header), 1);
    EXPECT_EQ(library.Error_Message(), "Error: observation 0 names fromSource 0, but the project has 0 sources");
    EXPECT_TRUE(Changed_Bytes(project, before, project.Snapshot()).empty());
}

}  // namespace
}  // namespace min_lumo_test

// A host that breaks its promises about counts and indices gets a clear
// failure from DLL_Min_Lumo, and not one byte of its memory changes.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>

#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

// Two baselines, four observations over two sources: valid as built.
HostProject Valid_Project() {
    HostProject project;
    project.Add_Source();
    project.Add_Source();
    for (const char* name : {"A", "B", "C"}) project.Add_Station(name);
    project.Add_Baseline(0, 1);
    project.Add_Baseline(1, 2);
    for (int32_t i = 0; i < 4; ++i)
        project.Add_Observation({.baseline = i % 2, .startTime = 0, .endTime = 3600, .toSource = 1});
    return project;
}

struct BrokenPromise {
    const char* what;
    std::function<void(HostProject&, ProjectHeader&)> breakIt;
    const char* message;
};

class CheckedHostData : public ::testing::TestWithParam<BrokenPromise> {};

TEST_P(CheckedHostData, FailsWithOneMessageAndChangesNothing) {
    HostProject project = Valid_Project();
    ProjectHeader header = *project.Header();
    GetParam().breakIt(project, header);
    const auto before = project.Snapshot();

    const LoadedLibrary& library = Library_Under_Test();
    ASSERT_EQ(library.error, "");
    EXPECT_EQ(library.minLumo(AcceptedSizes, &header), 1);
    char text[512];
    library.getErrorMessage(text);
    EXPECT_EQ(std::string(text), GetParam().message);
    EXPECT_TRUE(Changed_Bytes(project, before, project.Snapshot()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachIndexAndCount, CheckedHostData,
    ::testing::Values(
        BrokenPromise{"baseline beyond the array",
                      [](HostProject& p, ProjectHeader&) { Write_Field(p.Observation(2), observation::baseline, 52); },
                      "Error: observation 2 names baseline 52, but the project has 2 baselines"},
        BrokenPromise{"negative baseline",
                      [](HostProject& p, ProjectHeader&) { Write_Field(p.Observation(0), observation::baseline, -1); },
                      "Error: observation 0 names baseline -1, but the project has 2 baselines"},
        BrokenPromise{"from-source beyond the array",
                      [](HostProject& p, ProjectHeader&) { Write_Field(p.Observation(3), observation::fromSource, 2); },
                      "Error: observation 3 names fromSource 2, but the project has 2 sources"},
        BrokenPromise{"negative to-source",
                      [](HostProject& p, ProjectHeader&) { Write_Field(p.Observation(1), observation::toSource, -7); },
                      "Error: observation 1 names toSource -7, but the project has 2 sources"},
        BrokenPromise{"from-station beyond the array",
                      [](HostProject& p, ProjectHeader&) { Write_Field(p.Baseline(1), baseline::fromStation, 3); },
                      "Error: baseline 1 names fromStation 3, but the project has 3 stations"},
        BrokenPromise{"negative to-station",
                      [](HostProject& p, ProjectHeader&) { Write_Field(p.Baseline(0), baseline::toStation, -2); },
                      "Error: baseline 0 names toStation -2, but the project has 3 stations"},
        BrokenPromise{"negative observation count",
                      [](HostProject&, ProjectHeader& h) { h.observationCount = -4; },
                      "Error: the project header gives -4 observations"},
        BrokenPromise{"negative station count", [](HostProject&, ProjectHeader& h) { h.stationCount = -1; },
                      "Error: the project header gives -1 stations"},
        BrokenPromise{"count without an array",
                      [](HostProject&, ProjectHeader& h) { h.baselines = nullptr; },
                      "Error: the project header gives 2 baselines but no array of them"},
        BrokenPromise{"observations naming baselines the header no longer counts",
                      [](HostProject&, ProjectHeader& h) { h.baselineCount = 1; },
                      "Error: observation 1 names baseline 1, but the project has 1 baselines"}),
    [](const ::testing::TestParamInfo<BrokenPromise>& testInfo) {
        std::string name = testInfo.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(CheckedHostData, NullProjectAfterAPassedHandshakeFails) {
    const LoadedLibrary& library = Library_Under_Test();
    EXPECT_EQ(library.minLumo(AcceptedSizes, nullptr), 1);
    char text[512];
    library.getErrorMessage(text);
    EXPECT_EQ(std::string(text), "Error: no project header was passed");
}

TEST(CheckedHostData, NullSizesFailTheHandshake) {
    const LoadedLibrary& library = Library_Under_Test();
    EXPECT_EQ(library.minLumo(nullptr, nullptr), 1);
    char text[512];
    EXPECT_EQ(library.getErrorMessage(text), 79);
}

// Without a stated source count the host's promise that sources exist is all
// there is to go on: such a project runs like any other.
TEST(CheckedHostData, ZeroSourceCountIsNotAViolation) {
    HostProject project = Valid_Project();
    ProjectHeader header = *project.Header();
    header.sourceCount = 0;
    EXPECT_EQ(Library_Under_Test().minLumo(AcceptedSizes, &header), 0);
}

}  // namespace
}  // namespace min_lumo_test

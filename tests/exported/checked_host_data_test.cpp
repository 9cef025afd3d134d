// A host that breaks its promises about counts and indices gets a clear
// failure from DLL_Min_Lumo, and not one byte of its memory changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "tests/reference/reference_entry_points.h"
#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"
#include "tests/support/test_name.h"

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
    EXPECT_EQ(library.Error_Message(), GetParam().message);
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
        BrokenPromise{"negative from-source",
                      [](HostProject& p, ProjectHeader&) { Write_Field(p.Observation(3), observation::fromSource, -2); },
                      "Error: observation 3 names fromSource -2, but the project has 2 sources"},
        BrokenPromise{"negative to-source",
                      [](HostProject& p, ProjectHeader&) { Write_Field(p.Observation(1), observation::toSource, -7); },
                      "Error: observation 1 names toSource -7, but the project has 2 sources"},
        BrokenPromise{"from-station beyond the array",
                      [](HostProject& p, ProjectHeader&) { Write_Field(p.Baseline(1), baseline::fromStation, 3); },
                      "Error: baseline 1 names fromStation 3, but the project has 3 stations"},
        BrokenPromise{"source checked before its baseline's ends",
                      [](HostProject& p, ProjectHeader&) {
                          Write_Field(p.Baseline(0), baseline::fromStation, 9);
                          Write_Field(p.Observation(0), observation::toSource, -1);
                      },
                      "Error: observation 0 names toSource -1, but the project has 2 sources"},
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
        BrokenPromise{"negative baseline count", [](HostProject&, ProjectHeader& h) { h.baselineCount = -3; },
                      "Error: the project header gives -3 baselines"},
        BrokenPromise{"no source array with a stated count",
                      [](HostProject&, ProjectHeader& h) { h.sources = nullptr; },
                      "Error: the project header gives 2 sources but no array of them"},
        BrokenPromise{"no source array and a negative count",
                      [](HostProject&, ProjectHeader& h) {
                          h.sources = nullptr;
                          h.sourceCount = -765;
                      },
                      "Error: observation 0 names fromSource 0, but the project has -765 sources"},
        BrokenPromise{"named baseline's from-station beyond a shrunk station count",
                      [](HostProject&, ProjectHeader& h) { h.stationCount = 2; },
                      "Error: baseline 1 names toStation 2, but the project has 2 stations"},
        BrokenPromise{"observations naming baselines the header no longer counts",
                      [](HostProject&, ProjectHeader& h) { h.baselineCount = 1; },
                      "Error: observation 1 names baseline 1, but the project has 1 baselines"}),
    [](const ::testing::TestParamInfo<BrokenPromise>& testInfo) { return Test_Name(testInfo.param.what); });

TEST(CheckedHostData, NullProjectAfterAPassedHandshakeFails) {
    const LoadedLibrary& library = Library_Under_Test();
    EXPECT_EQ(library.minLumo(AcceptedSizes, nullptr), 1);
    EXPECT_EQ(library.Error_Message(), "Error: no project header was passed");
}

TEST(CheckedHostData, NullSizesFailTheHandshake) {
    const LoadedLibrary& library = Library_Under_Test();
    EXPECT_EQ(library.minLumo(nullptr, nullptr), 1);
    char text[512];
    EXPECT_EQ(library.getErrorMessage(text), 79);
}

// What minimisation never reads may hold anything: sourceCount (stale, zero,
// negative, huge), the controls, and baselines no observation names.  Such a
// project is minimised exactly as the same project with a tidy header.
struct UnreadPart {
    const char* what;
    std::function<void(HostProject&, ProjectHeader&)> spoil;
};

// Four stations in all six pairs in one session, sources 0 to 2 named:
// minimisation rejects two of the six.
HostProject All_Pairs_Project() {
    HostProject project;
    for (int32_t i = 0; i < 3; ++i) project.Add_Source();
    for (const char* name : {"W", "X", "Y", "Z"}) project.Add_Station(name, 47.0, 8.0 + 0.01 * name[0]);
    int32_t k = 0;
    for (int32_t from = 0; from < 4; ++from)
        for (int32_t to = from + 1; to < 4; ++to, ++k)
            project.Add_Observation({.baseline = project.Add_Baseline(from, to), .startTime = 0, .endTime = 3600,
                                     .timeSpan = 900.0 * (6 - k), .fromSource = k % 3, .toSource = 2});
    project.Add_Control("W");
    return project;
}

class UnreadHeaderParts : public ::testing::TestWithParam<UnreadPart> {};

TEST_P(UnreadHeaderParts, AreMinimisedLikeATidyProject) {
    HostProject tidy = All_Pairs_Project();
    HostProject spoilt = tidy;
    ProjectHeader header = *spoilt.Header();
    GetParam().spoil(spoilt, header);
    // Baselines appended by the spoiling are unread: they go into both copies.
    tidy.baselines = spoilt.baselines;

    const LoadedLibrary& library = Library_Under_Test();
    ASSERT_EQ(library.error, "");
    const std::string before = library.Error_Message();
    EXPECT_EQ(library.minLumo(AcceptedSizes, &header), 0);
    EXPECT_EQ(library.Error_Message(), before) << "a success keeps the last failure's message";
    EXPECT_EQ(min_lumo_reference::Reference_Min_Lumo(AcceptedSizes, tidy.Header()), 0);
    EXPECT_EQ(spoilt.Snapshot(), tidy.Snapshot());
    int32_t rejected = 0;
    for (int32_t i = 0; i < 6; ++i) rejected += Read_Field(spoilt.Observation(i), observation::removed);
    EXPECT_EQ(rejected, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Anything, UnreadHeaderParts,
    ::testing::Values(
        UnreadPart{"source count 0", [](HostProject&, ProjectHeader& h) { h.sourceCount = 0; }},
        UnreadPart{"source count 1 with sources 2 named", [](HostProject&, ProjectHeader& h) { h.sourceCount = 1; }},
        UnreadPart{"stale source count", [](HostProject&, ProjectHeader& h) { h.sourceCount = 2; }},
        UnreadPart{"negative source count", [](HostProject&, ProjectHeader& h) { h.sourceCount = -765; }},
        UnreadPart{"huge source count", [](HostProject&, ProjectHeader& h) { h.sourceCount = INT32_MAX; }},
        UnreadPart{"negative control count", [](HostProject&, ProjectHeader& h) { h.controlCount = -4; }},
        UnreadPart{"no control array", [](HostProject&, ProjectHeader& h) {
                       h.controls = nullptr;
                       h.controlCount = 3;
                   }},
        UnreadPart{"unnamed baseline ending at -1",
                   [](HostProject& p, ProjectHeader& h) {
                       p.Add_Baseline(2, -1);
                       h = *p.Header();
                   }},
        UnreadPart{"unnamed baseline past the stations", [](HostProject& p, ProjectHeader& h) {
                       p.Add_Baseline(15, 1);
                       h = *p.Header();
                   }}),
    [](const ::testing::TestParamInfo<UnreadPart>& testInfo) { return Test_Name(testInfo.param.what); });

}  // namespace
}  // namespace min_lumo_test

// DLL_Fix_Baseline_Direction on data that breaks the host's promises: it
// never reads or writes outside the arrays, and valid parts come out as usual.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"
#include "tests/support/test_name.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

// Control K; baselines 0: A->K (usable, reversed in sweep 0) and 1: K->B.
HostProject Chain_Project() {
    HostProject project;
    for (const char* name : {"K", "A", "B"}) project.Add_Station(name);
    project.Add_Control("K");
    project.Add_Baseline(1, 0);
    project.Add_Baseline(0, 2);
    project.Add_Observation({.baseline = 0, .label = "A S1 K X"});
    project.Add_Observation({.baseline = 1, .label = "K S1 B X"});
    return project;
}

void Shrink(HostProject& project) {
    for (auto* array : {&project.sources, &project.stations, &project.baselines, &project.observations,
                        &project.controls})
        array->shrink_to_fit();
}

struct Hostile {
    const char* what;
    std::function<void(HostProject&)> breakIt;
    int32_t levelOfB;  // treeLevel of station B afterwards
    int32_t alarms;    // beeps sounded
    int32_t levelOfK = 0;
};

class OrientHostileData : public ::testing::TestWithParam<Hostile> {};

TEST_P(OrientHostileData, StaysInsideTheArrays) {
    HostProject project = Chain_Project();
    GetParam().breakIt(project);
    Shrink(project);
    const int alarmsBefore = Alarm_Count();
    EXPECT_EQ(Library_Under_Test().fixBaselineDirection(project.Header()), 0);
    EXPECT_EQ(Alarm_Count() - alarmsBefore, GetParam().alarms);
    EXPECT_EQ(Read_Field(project.Station(0), station::treeLevel), GetParam().levelOfK);
    EXPECT_EQ(Read_Field(project.Station(2), station::treeLevel), GetParam().levelOfB);
}

INSTANTIATE_TEST_SUITE_P(
    EachBrokenPromise, OrientHostileData,
    ::testing::Values(
        Hostile{"valid", [](HostProject&) {}, 1, 0},
        Hostile{"end past the station array",
                [](HostProject& p) { Write_Field(p.Baseline(1), baseline::toStation, 3); }, -1, 0},
        Hostile{"far past the station array",
                [](HostProject& p) { Write_Field(p.Baseline(0), baseline::fromStation, 1 << 30); }, 1, 0},
        Hostile{"negative end to reverse through",
                [](HostProject& p) { Write_Field(p.Baseline(0), baseline::fromStation, -1); }, 1, 1},
        Hostile{"list count above its room",
                [](HostProject& p) { Write_Field(p.Baseline(1), baseline::observationCount, 100000); }, 1, 0},
        Hostile{"negative list count",
                [](HostProject& p) { Write_Field(p.Baseline(1), baseline::observationCount, -5); }, -1, 0},
        Hostile{"list entry past the observations",
                [](HostProject& p) { Write_Baseline_Observation(p.Baseline(1), 0, 2); }, -1, 0},
        Hostile{"negative list entry",
                [](HostProject& p) { Write_Baseline_Observation(p.Baseline(1), 0, -9); }, -1, 0},
        Hostile{"unterminated control name",
                [](HostProject& p) {
                    char* name = Text_Field(p.Control(0), control::name);
                    for (int i = 0; i < control::name.capacity; ++i) name[i] = 'K';
                },
                -1, 0, -1}),
    [](const ::testing::TestParamInfo<Hostile>& testInfo) { return Test_Name(testInfo.param.what); });

// A header that promises records without arrays, or none at all, is left alone.
TEST(OrientHostileData, MissingArraysChangeNothing) {
    HostProject project = Chain_Project();
    const auto before = project.Snapshot();
    ProjectHeader header = *project.Header();
    header.observations = nullptr;
    EXPECT_EQ(Library_Under_Test().fixBaselineDirection(&header), 0);
    EXPECT_EQ(Library_Under_Test().fixBaselineDirection(nullptr), 0);
    EXPECT_TRUE(Changed_Bytes(project, before, project.Snapshot()).empty());
}

}  // namespace
}  // namespace min_lumo_test

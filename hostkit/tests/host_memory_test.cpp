// The kit lays a project out exactly as the host does: records at their
// strides, fields at their offsets, every other byte the fill value; the
// model and the tests' shorthand give the same bytes, and reading back gives
// the records that were laid out.
#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "hostkit/host_memory.h"

namespace min_lumo_kit {
namespace {

using namespace min_lumo;

// Two sources, three stations, two baselines, three observations, one
// control, every field away from its default.
Project Small_Project() {
    Project project;
    project.sources = {{.name = "GNSS", .ratioNumerator = 1, .ratioDenominator = 1},
                       {.name = "WEAK", .ratioNumerator = 7, .ratioDenominator = 10}};
    project.stations = {
        {.name = "BASE", .latitude = 47.05, .longitude = 8.3, .height = 436.5F, .treeControl = 2, .treeLevel = 1},
        {.name = "KAPF", .latitude = 47.06, .longitude = 8.29, .positionFlagA = 0, .positionFlagB = 3},
        {.name = "HOLZ", .latitude = -33.5, .longitude = 151.25, .positionFlagC = 1}};
    project.baselines = {{.fromStation = 0, .toStation = 1, .fromBlock = {1, 2, 3}, .toBlock = {},
                          .observations = {0, 2}},
                         {.fromStation = 2, .toStation = 0, .fromBlock = {}, .toBlock = {9}, .observations = {1},
                          .directionLevel = 4}};
    project.observations = {
        {.label = "BASE S1 KAPF 1", .fromSourceName = "GNSS", .toSourceName = "GNSS", .baseline = 0,
         .start = {.seconds = 100.0, .text = {}}, .end = {.seconds = 200.0, .text = {}}, .timeSpan = 100.0},
        {.label = "HOLZ S1 BASE 1", .fromSourceName = "GNSS", .toSourceName = "WEAK", .toSource = 1, .baseline = 1,
         .start = {.seconds = 150.0, .text = {}}, .end = {.seconds = 250.5, .text = {}}, .timeSpan = 99.0,
         .forced = 1},
        {.label = "BASE S2 KAPF 2", .fromSourceName = "raw.dat", .toSourceName = "GNSS", .baseline = 0,
         .baselineSlot = 1, .start = {.seconds = 300.0, .text = {}}, .end = {.seconds = 400.0, .text = {}},
         .timeSpan = 100.0, .solutionStatus = -1, .removed = 1}};
    project.controls = {{.name = "base", .inactive = 1}};
    return project;
}

template <typename T> T Bytes_At(const void* array, int32_t stride, int32_t record, int32_t offset) {
    T value;
    std::memcpy(&value, static_cast<const std::byte*>(array) + stride * record + offset, sizeof value);
    return value;
}

// The offsets are the host's, written out here on purpose: the test holds
// the kit to the layout the host uses, whatever the layout table says.
TEST(HostMemory, FieldsSitAtTheHostsOffsets) {
    const Project project = Small_Project();
    HostMemory memory(project);
    const ProjectHeader* header = memory.Header();
    ASSERT_EQ(header->sourceCount, 2);
    ASSERT_EQ(header->stationCount, 3);
    EXPECT_EQ(Bytes_At<int32_t>(header->sources, 2708, 1, 424), 7);
    EXPECT_EQ(Bytes_At<int32_t>(header->sources, 2708, 1, 420), 10);
    EXPECT_STREQ(reinterpret_cast<const char*>(header->stations) + 13640 * 2, "HOLZ");
    EXPECT_EQ(Bytes_At<double>(header->stations, 13640, 2, 5172), -33.5);
    EXPECT_EQ(Bytes_At<double>(header->stations, 13640, 2, 5180), 151.25);
    EXPECT_EQ(Bytes_At<float>(header->stations, 13640, 0, 5188), 436.5F);
    EXPECT_EQ(Bytes_At<int32_t>(header->stations, 13640, 1, 5192), 3);
    EXPECT_EQ(Bytes_At<int32_t>(header->stations, 13640, 0, 5440), 1);
    EXPECT_EQ(Bytes_At<int32_t>(header->baselines, 1584, 1, 64), 2);
    EXPECT_EQ(Bytes_At<int32_t>(header->baselines, 1584, 0, 72), 2);
    EXPECT_EQ(Bytes_At<int32_t>(header->baselines, 1584, 0, 80), 2);  // the list's second entry
    EXPECT_EQ(Bytes_At<int32_t>(header->baselines, 1584, 1, 1112), 4);
    EXPECT_EQ(Bytes_At<uint8_t>(header->baselines, 1584, 1, 32), 9);
    EXPECT_STREQ(reinterpret_cast<const char*>(header->observations) + 2680 + 288, "WEAK");
    EXPECT_EQ(Bytes_At<int32_t>(header->observations, 2680, 2, 564), 1);
    EXPECT_EQ(Bytes_At<int32_t>(header->observations, 2680, 2, 2188), -1);
    EXPECT_EQ(Bytes_At<int32_t>(header->observations, 2680, 1, 2660), 1);
    EXPECT_EQ(Bytes_At<double>(header->observations, 2680, 1, 2672), 250.5);
    EXPECT_EQ(Bytes_At<int32_t>(header->controls, 84, 0, 16), 1);
}

TEST(HostMemory, BytesNoFieldCoversHoldTheFill) {
    HostMemory laidOut(Small_Project());
    HostMemory patterned(std::byte{0x5A});
    patterned.Add_Station("BASE");
    patterned.Add_Baseline(0, 0);
    patterned.Add_Observation({.baseline = 0});
    for (auto [memory, fill] : {std::pair{&laidOut, std::byte{0}}, std::pair{&patterned, std::byte{0x5A}}}) {
        const StationRef station = memory->Station(0);
        for (int32_t offset = station::positionFlagB.offset + 4; offset < station::positionFlagC.offset; ++offset)
            ASSERT_EQ(station.bytes[offset], fill) << offset;
        const ObservationRef observation = memory->Observation(0);
        for (int32_t offset = observation::solutionStatus.offset + 4; offset < observation::removed.offset; ++offset)
            ASSERT_EQ(observation.bytes[offset], fill) << offset;
        const BaselineRef baseline = memory->Baseline(0);
        const int32_t listed = Read_Field(baseline, baseline::observationCount);
        ASSERT_EQ(baseline.bytes[baseline::observationIndexOffset + 4 * listed], fill);
        ASSERT_EQ(baseline.bytes[baseline::solution.offset], fill);
    }
    // The shorthand's baseline leaves its blocks alone too.
    EXPECT_EQ(patterned.Baseline(0).bytes[baseline::fromBlock.offset], std::byte{0x5A});
}

TEST(HostMemory, ReadingBackGivesTheRecordsLaidOut) {
    const Project project = Small_Project();
    HostMemory memory(project);
    Project readBack;
    readBack.sources.resize(2);
    readBack.stations.resize(3);
    readBack.baselines.resize(2);
    readBack.observations.resize(3);
    readBack.controls.resize(1);
    memory.Read_Back(readBack);
    EXPECT_EQ(HostMemory(readBack).Snapshot(), memory.Snapshot());
    EXPECT_EQ(readBack.baselines[0].observations, (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(readBack.observations[1].toSourceName, "WEAK");
}

TEST(HostMemory, ReadingBackSeesWhatACallWrote) {
    Project project = Small_Project();
    project.observations[0].start.text = "1970-01-01T00:01:40Z";
    project.observations[0].end.text = "1970-01-01T00:03:20Z";
    HostMemory memory(project);
    Write_Field(memory.Baseline(0), baseline::fromStation, 1);
    Write_Field(memory.Station(2), station::treeLevel, 2);
    std::memcpy(Text_Field(memory.Observation(0), observation::label), "KAPF S1 BASE 1", 15);
    Write_Field(memory.Observation(0), observation::endTime, 201.0);
    memory.Read_Back(project);
    EXPECT_EQ(project.baselines[0].fromStation, 1);
    EXPECT_EQ(project.stations[2].treeLevel, 2);
    EXPECT_EQ(project.observations[0].label, "KAPF S1 BASE 1");
    // A time keeps its text only while the call left its value alone.
    EXPECT_EQ(project.observations[0].start.text, "1970-01-01T00:01:40Z");
    EXPECT_EQ(project.observations[0].end.text, "");
    EXPECT_EQ(project.observations[0].end.seconds, 201.0);
}

// The shorthand is the model with defaults filled in: a record added either
// way gives the same bytes.
struct ShorthandCase {
    const char* name;
    std::function<void(HostMemory&)> shorthand;
    std::function<void(HostMemory&)> model;
};

class ShorthandMatchesModel : public ::testing::TestWithParam<ShorthandCase> {};

TEST_P(ShorthandMatchesModel, SameBytes) {
    HostMemory viaShorthand(std::byte{0});
    HostMemory viaModel(std::byte{0});
    for (HostMemory* memory : {&viaShorthand, &viaModel}) {
        memory->Append(ProjectStation{.name = "A"});
        memory->Append(ProjectStation{.name = "B"});
    }
    GetParam().shorthand(viaShorthand);
    GetParam().model(viaModel);
    EXPECT_EQ(viaShorthand.Snapshot(), viaModel.Snapshot());
}

INSTANTIATE_TEST_SUITE_P(
    Records, ShorthandMatchesModel,
    ::testing::Values(
        ShorthandCase{"source", [](HostMemory& m) { m.Add_Source(9, 10); },
                      [](HostMemory& m) {
                          m.Append(ProjectSource{.name = "", .ratioNumerator = 9, .ratioDenominator = 10});
                      }},
        ShorthandCase{"station",
                      [](HostMemory& m) {
                          m.Add_Station({.name = "C", .latitude = 1.5, .longitude = -2.5, .height = 3.0F,
                                         .positionFlagA = 4, .positionFlagB = 5, .positionFlagC = 6,
                                         .treeControl = 7, .treeLevel = 8});
                      },
                      [](HostMemory& m) {
                          m.Append(ProjectStation{.name = "C", .latitude = 1.5, .longitude = -2.5, .height = 3.0F,
                                                  .positionFlagA = 4, .positionFlagB = 5, .positionFlagC = 6,
                                                  .treeControl = 7, .treeLevel = 8});
                      }},
        ShorthandCase{"observation",
                      [](HostMemory& m) {
                          m.Add_Baseline(0, 1);
                          m.Add_Observation({.baseline = 0, .startTime = 10.0, .endTime = 70.0, .fromSource = 1,
                                             .toSource = 2, .forced = 3, .solutionStatus = 4, .removed = 5,
                                             .label = "L A B 1", .fromSourceName = "f", .toSourceName = "t"});
                      },
                      [](HostMemory& m) {
                          m.Append(ProjectBaseline{.fromStation = 0, .toStation = 1, .fromBlock = {}, .toBlock = {},
                                                   .observations = {0}, .directionLevel = 0});
                          m.Append(ProjectObservation{.label = "L A B 1", .fromSourceName = "f", .toSourceName = "t",
                                                      .fromSource = 1, .toSource = 2, .baseline = 0,
                                                      .baselineSlot = 0, .start = {10.0, {}}, .end = {70.0, {}},
                                                      .timeSpan = 60.0, .forced = 3, .solutionStatus = 4,
                                                      .removed = 5});
                      }},
        ShorthandCase{"control", [](HostMemory& m) { m.Add_Control("A", 2); },
                      [](HostMemory& m) { m.Append(ProjectControl{.name = "A", .inactive = 2}); }}),
    [](const ::testing::TestParamInfo<ShorthandCase>& param) { return std::string(param.param.name); });

TEST(HostMemory, ShorthandObservationsJoinTheirBaselinesList) {
    HostMemory memory;
    memory.Add_Station("A");
    memory.Add_Station("B");
    memory.Add_Baseline(0, 1);
    for (int32_t i = 0; i < baseline::observationIndexCapacity + 1; ++i) memory.Add_Observation({.baseline = 0});
    memory.Add_Observation({.baseline = 5});  // no such baseline: no list changes
    const BaselineRef baseline = memory.Baseline(0);
    EXPECT_EQ(Read_Field(baseline, baseline::observationCount), baseline::observationIndexCapacity);
    EXPECT_EQ(Read_Baseline_Observation(baseline, 7), 7);
    EXPECT_EQ(Read_Field(memory.Observation(7), observation::baselineSlot), 7);
    // The list is full: the slot is where the observation would have gone.
    EXPECT_EQ(Read_Field(memory.Observation(259), observation::baselineSlot), 259);
    EXPECT_EQ(Read_Field(baseline, baseline::directionLevel), 0);
}

TEST(HostMemory, ShorthandCutsTextsTheModelRefuses) {
    HostMemory memory;
    memory.Add_Control("CONTROL_NAME_16X");
    EXPECT_STREQ(Text_Field(memory.Control(0), control::name), "CONTROL_NAME_16");
    EXPECT_THROW(memory.Append(ProjectControl{.name = "CONTROL_NAME_16X", .inactive = 0}), std::logic_error);
    ProjectBaseline tooLong{.fromStation = 0, .toStation = 0, .fromBlock = {}, .toBlock = {},
                            .observations = std::vector<int32_t>(260, 0), .directionLevel = -1};
    EXPECT_THROW(memory.Append(tooLong), std::logic_error);
}

TEST(HostMemory, HeaderNamesTheArraysWithItsEdits) {
    HostMemory memory;
    ProjectHeader* header = memory.Header();
    EXPECT_EQ(header->stations, nullptr) << "an empty array is handed as none";
    memory.Add_Source();
    memory.Add_Control("A");
    memory.Add_Control("B");
    memory.headerEdits.sourceCount = -3;
    memory.headerEdits.withoutControls = true;
    header = memory.Header();
    EXPECT_EQ(header->sourceCount, -3);
    EXPECT_EQ(reinterpret_cast<std::byte*>(header->sources), memory.sources.data());
    EXPECT_EQ(header->controlCount, 2);
    EXPECT_EQ(header->controls, nullptr);
    // A copy hands its own arrays.
    HostMemory copy = memory;
    EXPECT_EQ(reinterpret_cast<std::byte*>(copy.Header()->sources), copy.sources.data());
}

}  // namespace
}  // namespace min_lumo_kit

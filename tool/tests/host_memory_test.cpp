// The tool lays the project out exactly as the host does: records at their
// strides, fields at their offsets, every other byte zero.
#include <cstring>

#include <gtest/gtest.h>

#include "host/host_records.h"
#include "tool/host_memory.h"
#include "tool/project_reader.h"

namespace min_lumo_tool {
namespace {

using namespace min_lumo;

Project Sample() {
    ReadResult read = Read_Project_File(MIN_LUMO_SAMPLE_PROJECT);
    EXPECT_TRUE(read.violations.empty());
    return read.project;
}

TEST(HostMemoryTest, FieldsSitAtTheirOffsets) {
    const Project project = Sample();
    HostMemory memory(project);
    ProjectHeader* header = memory.Header();
    ASSERT_EQ(header->stationCount, 12);
    const auto* stations = reinterpret_cast<const std::byte*>(header->stations);
    double latitude = 0.0;
    std::memcpy(&latitude, stations + 2 * 13640 + 5172, sizeof latitude);
    EXPECT_EQ(latitude, project.stations[2].latitude);
    EXPECT_STREQ(reinterpret_cast<const char*>(stations + 3 * 13640), project.stations[3].name.c_str());
    const ObservationRef observation = Locate_Observation(header, 31);
    EXPECT_EQ(Read_Field(observation, observation::solutionStatus), -1);
    EXPECT_EQ(Read_Field(observation, observation::startTime), project.observations[31].start.seconds);
    const BaselineRef baseline = Locate_Baseline(header, 3);
    EXPECT_EQ(Read_Field(baseline, baseline::observationCount),
              static_cast<int32_t>(project.baselines[3].observations.size()));
    EXPECT_EQ(Read_Baseline_Observation(baseline, 1), project.baselines[3].observations[1]);
}

TEST(HostMemoryTest, UnlistedBytesAreZero) {
    HostMemory memory(Sample());
    const StationRef station = Locate_Station(memory.Header(), 5);
    for (int32_t offset = station::positionFlagB.offset + 4; offset < station::positionFlagC.offset; ++offset)
        ASSERT_EQ(station.bytes[offset], std::byte{0}) << offset;
    const ObservationRef observation = Locate_Observation(memory.Header(), 7);
    for (int32_t offset = observation::baselineSlot.offset + 4; offset < observation::solution.offset; ++offset)
        ASSERT_EQ(observation.bytes[offset], std::byte{0}) << offset;
    const ControlRef control = Locate_Control(memory.Header(), 1);
    for (int32_t offset = control::inactive.offset + 4; offset < 84; ++offset)
        ASSERT_EQ(control.bytes[offset], std::byte{0}) << offset;
}

TEST(HostMemoryTest, ReadBackSeesWhatTheLibraryWrote) {
    Project project = Sample();
    HostMemory memory(project);
    const BaselineRef baseline = Locate_Baseline(memory.Header(), 0);
    Write_Field(baseline, baseline::fromStation, 1);
    Write_Field(baseline, baseline::directionLevel, 4);
    std::memcpy(Text_Field(Locate_Observation(memory.Header(), 0), observation::label), "KAPF 135A BASE 1", 17);
    Write_Field(Locate_Station(memory.Header(), 2), station::treeLevel, 2);
    memory.Read_Back(project);
    EXPECT_EQ(project.baselines[0].fromStation, 1);
    EXPECT_EQ(project.baselines[0].directionLevel, 4);
    EXPECT_EQ(project.observations[0].label, "KAPF 135A BASE 1");
    EXPECT_EQ(project.stations[2].treeLevel, 2);
}

}  // namespace
}  // namespace min_lumo_tool

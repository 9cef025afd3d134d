// The host-record layer: records found by stride, fields at their offsets,
// and a write touching nothing but its own bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "host/host_records.h"
#include "tests/support/host_project.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

TEST(HostRecords, StationsAreFoundByStride) {
    HostProject project;
    for (const char* name : {"S0", "S1", "S2"}) project.Add_Station(name);
    Write_Field(Locate_Station(project.Header(), 2), station::treeLevel, 77);
    int32_t raw;
    std::memcpy(&raw, project.stations.data() + 2 * 13640 + 5440, sizeof raw);
    EXPECT_EQ(raw, 77);
}

TEST(HostRecords, UnalignedLatitudeReadsBackAsTheFullDouble) {
    HostProject project;
    StationFields fields;
    fields.name = "P";
    fields.latitude = 0.1234567890123456789;
    project.Add_Station(fields);
    // The record starts on an 8-byte boundary; the latitude does not.
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(project.stations.data()) % 8, 0U);
    double raw;
    std::memcpy(&raw, project.stations.data() + 5172, sizeof raw);
    EXPECT_EQ(raw, 0.1234567890123456789);
    EXPECT_EQ(Read_Field(project.Station(0), station::latitude), raw);
}

// Writing a field changes its own bytes and nothing else; each value written
// differs from what the record held, so a write that changes nothing fails.
TEST(HostRecords, WritingOneFieldChangesNoOtherByte) {
    HostProject project;
    project.Add_Source();
    project.Add_Station("A");
    project.Add_Station("B");
    project.Add_Baseline(0, 1);
    project.Add_Observation({.baseline = 0, .startTime = 1, .endTime = 2});
    project.Add_Control("A");

    struct Case {
        const char* what;
        void (*write)(HostProject&);
        const char* array;
        int32_t record, offset, width;
    };
    const Case cases[] = {
        {"treeLevel", [](HostProject& p) { Write_Field(p.Station(1), station::treeLevel, 4); }, "station", 1, 5440, 4},
        {"removed", [](HostProject& p) { Write_Field(p.Observation(0), observation::removed, 9); }, "observation", 0, 2656, 4},
        {"solutionStatus", [](HostProject& p) { Write_Field(p.Observation(0), observation::solutionStatus, 5); }, "observation", 0, 2188, 4},
        {"directionLevel", [](HostProject& p) { Write_Field(p.Baseline(0), baseline::directionLevel, 3); }, "baseline", 0, 1112, 4},
        {"endTime", [](HostProject& p) { Write_Field(p.Observation(0), observation::endTime, 7.5); }, "observation", 0, 2672, 8},
        {"inactive", [](HostProject& p) { Write_Field(p.Control(0), control::inactive, 3); }, "control", 0, 16, 4},
    };
    for (const Case& c : cases) {
        const auto before = project.Snapshot();
        c.write(project);
        const auto changes = Changed_Bytes(project, before, project.Snapshot());
        EXPECT_FALSE(changes.empty()) << c.what << ": the write changed no byte";
        for (const ByteChange& change : changes) {
            EXPECT_EQ(change.array, c.array) << c.what;
            EXPECT_EQ(change.record, c.record) << c.what;
            EXPECT_GE(change.offset, c.offset) << c.what;
            EXPECT_LT(change.offset, c.offset + c.width) << c.what;
        }
    }
}

}  // namespace
}  // namespace min_lumo_test

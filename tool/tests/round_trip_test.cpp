// A project read, written and read again gives the same host records, byte
// for byte; and calendar times survive as text.
#include <gtest/gtest.h>

#include "hostkit/host_memory.h"
#include "hostkit/project_model.h"
#include "hostkit/shapes.h"
#include "tool/project/project_reader.h"
#include "tool/project/project_writer.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::Generate_Shape;
using min_lumo_kit::HostMemory;
using min_lumo_kit::Project;
using min_lumo_kit::ShapeOptions;
using min_lumo_kit::Shape_Names;

namespace {

std::vector<std::byte> Records(const Project& project) { return HostMemory(project).Snapshot(); }

Project Read_Back(const std::string& text) {
    ReadResult read = Read_Project_Text(text);
    EXPECT_TRUE(read.violations.empty()) << Format_Violation(read.violations.front());
    return read.project;
}

TEST(RoundTripTest, SampleFileGivesTheSameRecords) {
    const ReadResult first = Read_Project_File(MIN_LUMO_SAMPLE_PROJECT);
    ASSERT_TRUE(first.violations.empty());
    const std::string written = Project_Text(first.project);
    const Project second = Read_Back(written);
    EXPECT_EQ(Records(first.project), Records(second));
    EXPECT_EQ(Project_Text(second), written);
}

TEST(RoundTripTest, EveryShapeGivesTheSameRecords) {
    for (const std::string& shape : Shape_Names()) {
        ShapeOptions options;
        options.shape = shape;
        options.sessions = 5;
        options.stations = 14;
        options.receivers = 4;
        options.rows = 4;
        options.columns = 3;
        const Project generated = Generate_Shape(options);
        EXPECT_TRUE(Validate_Project(generated).empty()) << shape;
        EXPECT_EQ(Records(generated), Records(Read_Back(Project_Text(generated)))) << shape;
    }
}

// Fields that the reader would otherwise default: explicit lists, slots,
// blocks, spans, flags and references by index all come back.
TEST(RoundTripTest, NonDefaultFieldsSurvive) {
    Project project = Read_Back(R"({
      "sources": [{"name": "A", "ratio": {"numerator": 9, "denominator": 10}}, {"name": "B"}],
      "stations": [{"name": "P1", "height": 1.1, "positionFlagA": 0, "positionFlagC": 7, "treeLevel": 3},
                   {"name": "P2", "latitude": -33.5, "longitude": 151.25}],
      "baselines": [{"from": 1, "to": "P1", "fromBlock": "000102030405060708090a0b0c0d0e0f",
                     "observations": [1, 0], "directionLevel": 2},
                    {"from": "P1", "to": "P2"}],
      "observations": [{"baseline": 0, "start": 0, "end": 10, "timeSpan": 99.5, "forced": 3,
                        "fromSource": "B", "toSourceName": "raw.dat", "baselineSlot": 5},
                       {"label": "X Y Z W", "baseline": 0, "start": "2024-02-29T23:59:59.5Z",
                        "end": "2024-03-01T01:00:00+01:00", "solutionStatus": -1, "removed": true},
                       {"from": "P1", "to": "P2", "start": 1, "end": 2}],
      "controls": [{"name": "P2", "inactive": true}]
    })");
    ASSERT_TRUE(Validate_Project(project).empty()) << Format_Violation(Validate_Project(project)[0]);
    const std::string written = Project_Text(project);
    const Project again = Read_Back(written);
    EXPECT_EQ(Records(project), Records(again));
    EXPECT_EQ(again.baselines[0].observations, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(again.observations[0].baselineSlot, 5);
    EXPECT_EQ(again.observations[1].baselineSlot, 0);
    EXPECT_EQ(again.observations[0].label, "P2 S1 P1 1");
    EXPECT_EQ(again.observations[1].start.text, "2024-02-29T23:59:59.5Z");
    EXPECT_EQ(again.observations[1].end.seconds, again.observations[1].start.seconds + 0.5);
    EXPECT_FLOAT_EQ(again.stations[0].height, 1.1F);
}

}  // namespace
}  // namespace min_lumo_tool

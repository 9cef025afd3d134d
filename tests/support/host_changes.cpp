#include "tests/support/host_changes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace min_lumo_test {

using namespace min_lumo;

namespace {

constexpr int32_t FieldWidth = int32_t{sizeof(int32_t)};

// A baseline of a project that is only read, found without its header.
BaselineRef Baseline_Of(const HostProject& project, int32_t j) {
    return {const_cast<std::byte*>(project.baselines.data())
            + static_cast<std::size_t>(j) * static_cast<std::size_t>(RecordStride<RecordKind::Baseline>)};
}

bool In_Field(int32_t offset, I32Field<RecordKind::Observation> field) {
    return offset >= field.offset && offset < field.offset + FieldWidth;
}

}  // namespace

void Add_Reversal_Regions(const HostProject& project, int32_t j, std::vector<Region>& regions) {
    // Neighbouring fields that one region takes together.
    static_assert(baseline::toStation.offset == baseline::fromStation.offset + FieldWidth);
    static_assert(observation::toSource.offset == observation::fromSource.offset + FieldWidth);
    const BaselineRef line = Baseline_Of(project, j);
    for (const auto block : {baseline::fromBlock, baseline::toBlock, baseline::solution})
        regions.push_back({"baseline", j, block.offset, block.width});
    regions.push_back({"baseline", j, baseline::fromStation.offset, 2 * FieldWidth});  // both ends
    for (const int32_t end : {Read_Field(line, baseline::fromStation), Read_Field(line, baseline::toStation)}) {
        regions.push_back({"station", end, station::positionFlagB.offset, FieldWidth});
        regions.push_back({"station", end, station::positionFlagC.offset, FieldWidth});
    }
    const int32_t count =
        std::clamp(Read_Field(line, baseline::observationCount), 0, baseline::observationIndexCapacity);
    for (int32_t slot = 0; slot < count; ++slot) {
        const int32_t i = Read_Baseline_Observation(line, slot);
        for (const auto text : {observation::label, observation::fromSourceName, observation::toSourceName})
            regions.push_back({"observation", i, text.offset, text.capacity});
        regions.push_back({"observation", i, observation::fromSource.offset, 2 * FieldWidth});  // both sources
        regions.push_back({"observation", i, observation::baselineSlot.offset, FieldWidth});
        regions.push_back({"observation", i, observation::solution.offset, observation::solution.width});
    }
}

bool Inside(const ByteChange& change, const std::vector<Region>& regions) {
    return std::any_of(regions.begin(), regions.end(), [&](const Region& region) {
        return region.array == change.array && region.record == change.record && change.offset >= region.offset
               && change.offset < region.offset + region.width;
    });
}

void Expect_Only_Rejections(HostProject& project, const std::vector<std::byte>& before,
                            const std::set<int32_t>& rejected) {
    for (const ByteChange& change : Changed_Bytes(project, before, project.Snapshot())) {
        EXPECT_EQ(change.array, "observation");
        EXPECT_EQ(rejected.count(change.record), 1U) << "observation " << change.record;
        const bool inRemoved = In_Field(change.offset, observation::removed);
        const bool inStatus = In_Field(change.offset, observation::solutionStatus);
        EXPECT_TRUE(inRemoved || inStatus) << "observation " << change.record << " offset " << change.offset;
    }
    for (int32_t i : rejected) {
        EXPECT_EQ(Read_Field(project.Observation(i), observation::removed), 1) << i;
        EXPECT_EQ(Read_Field(project.Observation(i), observation::solutionStatus), -1) << i;
    }
}

}  // namespace min_lumo_test

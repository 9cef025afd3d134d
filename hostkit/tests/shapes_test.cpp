// The synthetic shapes: their sizes follow from the options as documented,
// and the same options give the same host bytes on every platform (the
// digests below hold on Linux x86-64 and i386 and on Windows alike).
#include <cstdint>
#include <ios>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hostkit/host_memory.h"
#include "hostkit/shapes.h"

namespace min_lumo_kit {
namespace {

// FNV-1a, 64 bits.
uint64_t Digest(const std::vector<std::byte>& bytes) {
    uint64_t hash = 14695981039346656037ULL;
    for (const std::byte b : bytes) hash = (hash ^ std::to_integer<uint64_t>(b)) * 1099511628211ULL;
    return hash;
}

struct ShapeCase {
    ShapeOptions options;
    std::size_t observations;
    std::size_t stations;
    uint64_t digest;  // not derived: only proves the bytes are the same on every platform
    std::size_t baselines = 0;  // counted by hand from the shape; 0: not derivable (random pairs)
};

class ShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, SizesAndBytesAreAsExpected) {
    const ShapeCase& expected = GetParam();
    const Project project = Generate_Shape(expected.options);
    EXPECT_EQ(project.observations.size(), expected.observations);
    EXPECT_EQ(project.stations.size(), expected.stations);
    if (expected.baselines != 0) {
        EXPECT_EQ(project.baselines.size(), expected.baselines);
    }
    const uint64_t digest = Digest(HostMemory(project).Snapshot());
    EXPECT_EQ(digest, expected.digest) << "digest 0x" << std::hex << digest;
}

// Observations: a campaign 66 per session of 12 receivers, all pairs
// n(n-1)/2, monitoring 10 per hourly session, a grid 4rc - 3r - 3c + 2, a
// traverse 6 per leapfrog step (stations - 3 of them), the sample 50.
// Baselines: all pairs n(n-1)/2 = 190; monitoring all pairs of its 5
// stations = 10; the grid one per neighbour pair, r(c-1) + (r-1)c +
// 2(r-1)(c-1) = 20 + 18 + 30 = 68; the traverse's 4 receivers join stations
// up to three places apart along the chain, 11 + 10 + 9 = 30; the sample's
// file lists 41.  A campaign's pairs are drawn at random.
INSTANTIATE_TEST_SUITE_P(
    Shapes, ShapeTest,
    ::testing::Values(ShapeCase{{.shape = "campaign", .sessions = 10, .receivers = 12, .stations = 25}, 660, 25,
                                0xa01b0c734a164696},
                      ShapeCase{{.shape = "campaign", .seed = 7, .sessions = 4, .receivers = 5, .stations = 9}, 40, 9,
                                0xd2ce22d4883ff674},
                      ShapeCase{{.shape = "all-pairs", .stations = 20}, 190, 20, 0x98a7308de0a6bb1e, 190},
                      ShapeCase{{.shape = "monitoring", .sessions = 30}, 300, 5, 0x0a1abe12dd91adc8, 10},
                      ShapeCase{{.shape = "grid", .rows = 4, .columns = 6}, 68, 24, 0xecc577d768debc35, 68},
                      ShapeCase{{.shape = "traverse", .stations = 12}, 54, 12, 0x8f7195581bc5daf7, 30},
                      ShapeCase{{.shape = "sample"}, 50, 12, 0x2f215973e36f35d5, 41}),
    [](const ::testing::TestParamInfo<ShapeCase>& param) {
        std::string name = param.param.options.shape + "_" + std::to_string(param.index);
        for (char& c : name) c = c == '-' ? '_' : c;
        return name;
    });

TEST(Shapes, RefuseUnknownShapesAndUnusableSizes) {
    EXPECT_THROW(Generate_Shape({.shape = "spiral"}), std::invalid_argument);
    EXPECT_THROW(Generate_Shape({.shape = "campaign", .receivers = 1}), std::invalid_argument);
    EXPECT_THROW(Generate_Shape({.shape = "campaign", .receivers = 12, .stations = 11}), std::invalid_argument);
    EXPECT_THROW(Generate_Shape({.shape = "grid", .rows = 1, .columns = 1}), std::invalid_argument);
    EXPECT_THROW(Generate_Shape({.shape = "traverse", .stations = 3}), std::invalid_argument);
}

TEST(Shapes, NamesListEveryShape) {
    for (const std::string& shape : Shape_Names()) EXPECT_NO_THROW(Generate_Shape({.shape = shape, .sessions = 2}));
}

}  // namespace
}  // namespace min_lumo_kit

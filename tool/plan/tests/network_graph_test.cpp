// Bridges and station degrees on small graphs whose answer is plain to see,
// and on a traverse long enough to prove the search keeps off the stack.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool/plan/network_graph.h"

namespace min_lumo_tool {
namespace {

struct GraphCase {
    const char* name;
    int32_t vertices;
    std::vector<GraphEdge> edges;
    std::vector<std::size_t> bridges;  // edge indices
    std::vector<int32_t> degrees;
    std::vector<int32_t> components;  // numbered in the order of each one's first vertex
};

class NetworkGraphTest : public ::testing::TestWithParam<GraphCase> {};

TEST_P(NetworkGraphTest, FindsTheBridgesAndDegrees) {
    const GraphCase& c = GetParam();
    EXPECT_EQ(Bridge_Edges(c.vertices, c.edges), c.bridges);
    EXPECT_EQ(Vertex_Degrees(c.vertices, c.edges), c.degrees);
    EXPECT_EQ(Connected_Components(c.vertices, c.edges), c.components);
}

const GraphCase graphCases[] = {
    {"no_edges", 3, {}, {}, {0, 0, 0}, {0, 1, 2}},
    {"one_edge", 2, {{0, 1}}, {0}, {1, 1}, {0, 0}},
    {"path", 3, {{0, 1}, {1, 2}}, {0, 1}, {1, 2, 1}, {0, 0, 0}},
    {"triangle", 3, {{0, 1}, {1, 2}, {2, 0}}, {}, {2, 2, 2}, {0, 0, 0}},
    {"triangle_with_a_tail", 4, {{0, 1}, {1, 2}, {2, 0}, {2, 3}}, {3}, {2, 2, 3, 1}, {0, 0, 0, 0}},
    {"tail_listed_first", 4, {{3, 2}, {0, 1}, {1, 2}, {2, 0}}, {0}, {2, 2, 3, 1}, {0, 0, 0, 0}},
    // Two observations of one baseline: losing one leaves the other.
    {"parallel_edges", 2, {{0, 1}, {1, 0}}, {}, {2, 2}, {0, 0}},
    {"parallel_edges_then_a_tail", 3, {{0, 1}, {1, 0}, {1, 2}}, {2}, {2, 3, 1}, {0, 0, 0}},
    {"two_triangles_joined",
     6,
     {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}, {2, 3}},
     {6},
     {2, 2, 3, 3, 2, 2},
     {0, 0, 0, 0, 0, 0}},
    {"two_triangles_joined_twice",
     6,
     {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}, {2, 3}, {0, 5}},
     {},
     {3, 2, 3, 3, 2, 3},
     {0, 0, 0, 0, 0, 0}},
    {"two_components", 5, {{0, 1}, {2, 3}, {3, 4}, {4, 2}}, {0}, {1, 1, 2, 2, 2}, {0, 0, 1, 1, 1}},
    {"star", 4, {{0, 1}, {0, 2}, {0, 3}}, {0, 1, 2}, {3, 1, 1, 1}, {0, 0, 0, 0}},
    {"square_with_a_diagonal", 4, {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 2}}, {}, {3, 2, 3, 2}, {0, 0, 0, 0}},
    // A loop joins nothing and counts at no station.
    {"loop", 2, {{0, 0}, {0, 1}}, {1}, {1, 1}, {0, 0}},
    {"isolated_station", 3, {{1, 2}}, {0}, {0, 1, 1}, {0, 1, 1}},
    // Components numbered by their first vertex, whatever order the edges come in.
    {"components_out_of_order", 6, {{4, 5}, {2, 3}, {3, 0}}, {0, 1, 2}, {1, 0, 1, 2, 1, 1}, {0, 1, 0, 0, 2, 2}},
};
INSTANTIATE_TEST_SUITE_P(Plan, NetworkGraphTest, ::testing::ValuesIn(graphCases),
                         [](const ::testing::TestParamInfo<GraphCase>& testCase) {
                             return std::string(testCase.param.name);
                         });

TEST(NetworkGraphTest, ALongTraverseIsAllBridges) {
    constexpr int32_t stations = 200000;
    std::vector<GraphEdge> edges;
    for (int32_t i = 0; i + 1 < stations; ++i) edges.push_back({i, i + 1});
    EXPECT_EQ(Bridge_Edges(stations, edges).size(), edges.size());
    // Closed into a ring, no edge is a bridge any more.
    edges.push_back({stations - 1, 0});
    EXPECT_TRUE(Bridge_Edges(stations, edges).empty());
}

TEST(NetworkGraphTest, AnEdgeOutOfRangeIsRefused) {
    EXPECT_THROW(Bridge_Edges(2, {{0, 2}}), std::out_of_range);
    EXPECT_THROW(Vertex_Degrees(2, {{-1, 1}}), std::out_of_range);
}

}  // namespace
}  // namespace min_lumo_tool

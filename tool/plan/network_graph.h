// The weak points of a planned network, seen as a graph of stations joined
// by the observations kept for processing: stations that hang on a single
// observation, baselines whose loss would cut the network in two, and the
// pieces it falls into.
#pragma once

#include <cstdint>
#include <vector>

namespace min_lumo_tool {

// An undirected edge between two vertices (stations); the same pair may
// appear more than once (parallel edges), and loops are ignored.
struct GraphEdge {
    int32_t first = -1;
    int32_t second = -1;
};

// Indices of the edges whose removal leaves more connected components than
// before: the bridges.  An edge with a parallel twin is never a bridge.
// Runs without recursion, so a long traverse cannot exhaust the stack.
std::vector<std::size_t> Bridge_Edges(int32_t vertexCount, const std::vector<GraphEdge>& edges);

// The connected component of each vertex, numbered from 0 in the order of
// each component's first vertex; a vertex without edges is a component of
// its own.  Edges naming a vertex out of range throw std::out_of_range.
std::vector<int32_t> Connected_Components(int32_t vertexCount, const std::vector<GraphEdge>& edges);

// The number of edges at each vertex, parallel edges counted each.
std::vector<int32_t> Vertex_Degrees(int32_t vertexCount, const std::vector<GraphEdge>& edges);

}  // namespace min_lumo_tool

#include "tool/plan/network_graph.h"

#include <algorithm>
#include <stdexcept>

namespace min_lumo_tool {

namespace {

bool Valid_Vertex(int32_t vertex, int32_t vertexCount) { return vertex >= 0 && vertex < vertexCount; }

// Incidence lists: for each vertex, the edges at it.
std::vector<std::vector<std::size_t>> Incidence(int32_t vertexCount, const std::vector<GraphEdge>& edges) {
    std::vector<std::vector<std::size_t>> incident(static_cast<std::size_t>(vertexCount));
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const GraphEdge& edge = edges[i];
        if (!Valid_Vertex(edge.first, vertexCount) || !Valid_Vertex(edge.second, vertexCount))
            throw std::out_of_range("graph edge names a vertex out of range");
        if (edge.first == edge.second) continue;
        incident[static_cast<std::size_t>(edge.first)].push_back(i);
        incident[static_cast<std::size_t>(edge.second)].push_back(i);
    }
    return incident;
}

}  // namespace

std::vector<std::size_t> Bridge_Edges(int32_t vertexCount, const std::vector<GraphEdge>& edges) {
    const auto incident = Incidence(vertexCount, edges);
    const auto count = static_cast<std::size_t>(vertexCount);
    constexpr std::size_t unvisited = 0;
    // Depth-first discovery times (from 1) and the earliest time reachable
    // from a vertex's subtree through one edge that is not the tree edge
    // the vertex was reached by: a tree edge is a bridge exactly when its
    // lower end reaches nothing earlier than itself.  Skipping the arrival
    // edge by index, not the parent vertex, keeps parallel edges apart.
    std::vector<std::size_t> discovered(count, unvisited), lowest(count, unvisited);
    struct Frame {
        int32_t vertex;
        std::size_t arrivalEdge;  // edges.size() for a root
        std::size_t next;         // position in the vertex's incidence list
    };
    std::vector<Frame> stack;
    std::vector<std::size_t> bridges;
    std::size_t clock = 0;
    for (int32_t root = 0; root < vertexCount; ++root) {
        if (discovered[static_cast<std::size_t>(root)] != unvisited) continue;
        discovered[static_cast<std::size_t>(root)] = lowest[static_cast<std::size_t>(root)] = ++clock;
        stack.push_back({root, edges.size(), 0});
        while (!stack.empty()) {
            Frame& frame = stack.back();
            const auto vertex = static_cast<std::size_t>(frame.vertex);
            if (frame.next < incident[vertex].size()) {
                const std::size_t edge = incident[vertex][frame.next++];
                if (edge == frame.arrivalEdge) continue;
                const int32_t other = edges[edge].first == frame.vertex ? edges[edge].second : edges[edge].first;
                const auto next = static_cast<std::size_t>(other);
                if (discovered[next] != unvisited) {
                    lowest[vertex] = std::min(lowest[vertex], discovered[next]);
                } else {
                    discovered[next] = lowest[next] = ++clock;
                    stack.push_back({other, edge, 0});
                }
                continue;
            }
            const Frame finished = frame;
            stack.pop_back();
            if (stack.empty()) break;
            const auto parent = static_cast<std::size_t>(stack.back().vertex);
            const auto child = static_cast<std::size_t>(finished.vertex);
            lowest[parent] = std::min(lowest[parent], lowest[child]);
            if (lowest[child] > discovered[parent]) bridges.push_back(finished.arrivalEdge);
        }
    }
    std::sort(bridges.begin(), bridges.end());
    return bridges;
}

std::vector<int32_t> Connected_Components(int32_t vertexCount, const std::vector<GraphEdge>& edges) {
    const auto count = static_cast<std::size_t>(vertexCount);
    // Union by the smaller root, so that a component's root is its first vertex.
    std::vector<int32_t> root(count);
    for (std::size_t v = 0; v < count; ++v) root[v] = static_cast<int32_t>(v);
    const auto find = [&](int32_t v) {
        while (root[static_cast<std::size_t>(v)] != v) {
            root[static_cast<std::size_t>(v)] = root[static_cast<std::size_t>(root[static_cast<std::size_t>(v)])];
            v = root[static_cast<std::size_t>(v)];
        }
        return v;
    };
    for (const GraphEdge& edge : edges) {
        if (!Valid_Vertex(edge.first, vertexCount) || !Valid_Vertex(edge.second, vertexCount))
            throw std::out_of_range("graph edge names a vertex out of range");
        const int32_t first = find(edge.first), second = find(edge.second);
        root[static_cast<std::size_t>(std::max(first, second))] = std::min(first, second);
    }
    std::vector<int32_t> component(count, -1), numberOfRoot(count, -1);
    int32_t next = 0;
    for (std::size_t v = 0; v < count; ++v) {
        auto& number = numberOfRoot[static_cast<std::size_t>(find(static_cast<int32_t>(v)))];
        if (number < 0) number = next++;
        component[v] = number;
    }
    return component;
}

std::vector<int32_t> Vertex_Degrees(int32_t vertexCount, const std::vector<GraphEdge>& edges) {
    std::vector<int32_t> degrees(static_cast<std::size_t>(vertexCount), 0);
    const auto incident = Incidence(vertexCount, edges);
    for (std::size_t v = 0; v < incident.size(); ++v) degrees[v] = static_cast<int32_t>(incident[v].size());
    return degrees;
}

}  // namespace min_lumo_tool

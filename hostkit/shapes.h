// Synthetic projects of the shapes a host meets: survey campaigns, single
// sessions observed in all pairs, long monitoring runs, station grids and
// traverses, and the example campaign.  `min_lumo generate` writes them and
// the benchmarks measure them.  The same options and seed always give the
// same project, on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hostkit/project_model.h"

namespace min_lumo_kit {

struct ShapeOptions {
    std::string shape;     // one of Shape_Names()
    uint32_t seed = 1;
    // Size settings; 0 means the shape's default.
    int32_t sessions = 0;   // campaign, monitoring; 1 puts a grid or a traverse in one session
    int32_t receivers = 0;  // campaign: receivers per session; traverse: receivers leapfrogging
    int32_t stations = 0;   // campaign, all-pairs, traverse
    int32_t rows = 0;       // grid
    int32_t columns = 0;    // grid
};

// campaign, all-pairs, monitoring, grid, traverse, sample.
const std::vector<std::string>& Shape_Names();

// Throws std::invalid_argument for an unknown shape or an unusable size.
Project Generate_Shape(const ShapeOptions& options);

}  // namespace min_lumo_kit

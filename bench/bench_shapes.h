// Synthetic host projects of the shapes the host meets, at a chosen size:
// survey campaigns, single sessions observed in all pairs, long monitoring
// runs, and station grids and traverses for the orientation.
#pragma once

#include <cstdint>
#include <string>

#include "tests/support/host_project.h"

namespace min_lumo_bench {

struct Shape {
    std::string name;
    std::string family;  // shapes of one family differ only in size
    min_lumo_test::HostProject project;
};

// `sessions` two-hour sessions of 12 receivers observed in all pairs (66
// observations each), over 2.5 stations per session.
Shape Campaign_Shape(int32_t sessions);
// One session, every pair of `stations` observed once.
Shape All_Pairs_Shape(int32_t stations);
// `sessions` touching hourly sessions of five stations in all pairs (ten
// observations each), groups of five taken in turn from 1000 stations.
Shape Monitoring_Shape(int32_t sessions);
// A `side` x `side` grid, each station observed to its eight neighbours, one
// control at a corner; one session.
Shape Grid_Shape(int32_t side);
// A chain of `stations`, baselines pointing either way, a control at one end.
Shape Traverse_Shape(int32_t stations);

}  // namespace min_lumo_bench

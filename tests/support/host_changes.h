// Which host bytes a call may change, and checks that it changed no others.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "tests/support/host_project.h"

namespace min_lumo_test {

// One stretch of a record that a call may change.
struct Region {
    std::string array;  // "station", "baseline", ... as in ByteChange
    int32_t record;
    int32_t offset;
    int32_t width;
};

// What reversing baseline `j` of `project` may write: its ends and blocks,
// its end stations' flags B and C, and the fields of the observations on
// its list (as many as the record holds).
void Add_Reversal_Regions(const HostProject& project, int32_t j, std::vector<Region>& regions);

// True when the changed byte lies in one of the regions.
bool Inside(const ByteChange& change, const std::vector<Region>& regions);

// Every byte changed since `before` lies in removed or solutionStatus of a
// rejected observation, and each rejected one reads removed 1 and
// solutionStatus -1.
void Expect_Only_Rejections(HostProject& project, const std::vector<std::byte>& before,
                            const std::set<int32_t>& rejected);

}  // namespace min_lumo_test

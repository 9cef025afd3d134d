// The project laid out as the host lays it out: five arrays of records at
// their strides, every field at its offset, every byte the layout does not
// list zero.  Fields are written and read through host/host_records.h only.
#pragma once

#include <cstddef>
#include <vector>

#include "min_lumo.h"
#include "tool/project_model.h"

namespace min_lumo_tool {

class HostMemory {
public:
    // The project must have passed Validate_Project: lists longer than the
    // host's 259 entries or texts too long for their fields are not laid out.
    explicit HostMemory(const Project& project);
    HostMemory(const HostMemory&) = delete;
    HostMemory& operator=(const HostMemory&) = delete;

    // The header to hand to the library; valid as long as this object.
    ProjectHeader* Header() { return &header_; }

    // Copies every record field back into `project` (same record counts).
    void Read_Back(Project& project) const;

    // Every host byte, the five arrays one after another.
    std::vector<std::byte> Snapshot() const;

private:
    std::vector<std::byte> sources_, stations_, baselines_, observations_, controls_;
    ProjectHeader header_{};
};

}  // namespace min_lumo_tool

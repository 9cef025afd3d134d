// `generate`: a synthetic project of one of the host kit's shapes, or
// (`generate rinex`) a synthetic campaign as a folder of RINEX files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "hostkit/shapes.h"

namespace min_lumo_tool {

// Writes the project to `output`, or to standard output when it is empty.
// Returns the process exit code.
int Run_Generate(const min_lumo_kit::ShapeOptions& shape, const std::string& output);

inline constexpr const char* rinexShapeName = "rinex";

// Counts and the interval as given; none when not given (the default then).
struct RinexGenerateOptions {
    std::optional<int32_t> stations, days, sessions, receivers;
    std::optional<int32_t> interval;  // seconds between epochs
    std::string folder;               // required
    bool force = false;               // write into a folder that is not empty
    bool fieldFaults = false;         // add a day of field situations
};

// Uses the seed of `shape`; `output` must be empty (the files go into the
// folder).  Refuses a count or interval below 1, and a folder that is not
// empty unless `force`.  Returns the process exit code.
int Run_Generate_Rinex(const min_lumo_kit::ShapeOptions& shape, const RinexGenerateOptions& options,
                       const std::string& output);

}  // namespace min_lumo_tool

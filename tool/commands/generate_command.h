// `generate`: a synthetic project of one of the host kit's shapes, or
// (`generate rinex`) a synthetic campaign as a folder of RINEX files.
#pragma once

#include <cstdint>
#include <string>

#include "hostkit/shapes.h"

namespace min_lumo_tool {

// Writes the project to `output`, or to standard output when it is empty.
// Returns the process exit code.
int Run_Generate(const min_lumo_kit::ShapeOptions& shape, const std::string& output);

inline constexpr const char* rinexShapeName = "rinex";

struct RinexGenerateOptions {
    int32_t days = 0;      // 0: the default
    int32_t interval = 0;  // seconds between epochs; 0: the default
    std::string folder;    // required
};

// Uses the stations, sessions, receivers and seed of `shape`; `output` must
// be empty (the files go into the folder).  Returns the process exit code.
int Run_Generate_Rinex(const min_lumo_kit::ShapeOptions& shape, const RinexGenerateOptions& options,
                       const std::string& output);

}  // namespace min_lumo_tool

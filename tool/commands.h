// The tool's commands.  Each returns the process exit code.
#pragma once

#include <string>

#include "tool/kit_names.h"

namespace min_lumo_tool {

inline constexpr int exitSuccess = 0;
inline constexpr int exitLibraryFailure = 1;  // the library reported a failure
inline constexpr int exitBadInput = 2;        // bad input or usage

struct RunOptions {
    std::string project;  // project file
    bool json = false;
    bool explain = false;
    std::string output;   // updated project, written atomically
    std::string geojson;
    std::string svg;
    std::string library;  // empty: the library next to the tool
};

int Run_Check(const RunOptions& options);
int Run_Minimise(const RunOptions& options);
int Run_Orient(const RunOptions& options);
// Writes the project to `output`, or to standard output when it is empty.
int Run_Generate(const ShapeOptions& shape, const std::string& output);

}  // namespace min_lumo_tool

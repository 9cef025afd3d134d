// Loading the project file of check, minimise and orient: read and checked,
// every problem on standard error, one line each, prefixed with the file name.
#pragma once

#include <optional>
#include <string>

#include "hostkit/project_model.h"
#include "tool/project/violation.h"

namespace min_lumo_tool {

// The options of the commands that run a project file.
struct RunOptions {
    std::string project;  // project file
    bool json = false;
    bool explain = false;
    std::string output;   // updated project, written atomically
    std::string geojson;  // a folder for the GeoJSON layers
    std::string svg;
    std::string html;            // the self-contained HTML report
    bool showRedundant = false;  // the SVG also draws the redundant observations
    std::string library;  // empty: the library next to the tool
};

// The project when it keeps everything the library relies on; otherwise
// none, with its problems in `violations`.
std::optional<min_lumo_kit::Project> Load_Valid_Project(const std::string& path, Violations& violations);

void Print_Violations(const std::string& path, const Violations& violations);

// The project when it keeps everything the library relies on; otherwise its
// problems are printed and there is none.
std::optional<min_lumo_kit::Project> Load_Or_Report(const std::string& path);

}  // namespace min_lumo_tool

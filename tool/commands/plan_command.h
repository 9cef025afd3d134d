// `plan`: from RINEX files and occupation logs to a processing plan,
// explained and drawn.  Built only where the field files are read.
#pragma once

#include <string>
#include <vector>

#include "tool/plan/campaign_project.h"

namespace min_lumo_tool {

struct PlanOptions {
    std::vector<std::string> files;     // RINEX observation files and CSV occupation logs
    std::vector<std::string> controls;  // station names
    double minimumOverlapMinutes = defaultMinimumOverlapMinutes;
    bool keepGoing = false;  // leave unreadable files out instead of stopping
    bool json = false;
    std::string csv;     // the plan rows for a spreadsheet
    std::string output;  // the project formed from the files, as a project file
    std::string geojson;
    std::string svg;
    std::string html;            // the self-contained HTML report
    bool showRedundant = false;  // the SVG also draws the redundant observations
    // --session NAME: only these sessions, in every output.  The pictures
    // (SVG, HTML) take them through Keep_Sessions; the text, CSV, JSON and
    // GeoJSON reports read the same list.
    std::vector<std::string> sessions;
    std::string library;
};

// Returns the process exit code.
int Run_Plan(const PlanOptions& options);

}  // namespace min_lumo_tool

// `adjust`: a least-squares adjustment of processed vectors read from files
// (the tool's CSV and JSON, NGS G-files, GNU GaMa XML), minimally
// constrained and then constrained to the controls, reported and judged
// against a survey standard's relative accuracy.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tool/adjust/network_adjustment.h"
#include "tool/plan/standard_profile.h"

namespace min_lumo_tool {

struct AdjustCommandOptions {
    std::vector<std::string> files;     // vector files, any of the formats
    std::vector<std::string> controls;  // --control, in order
    std::string controlCoordinates;     // --control-coordinates FILE
    double level = defaultGlobalTestLevel;
    // A survey standard: a shipped profile's name or a profile file; empty
    // with standardGiven means the default.
    std::string standard;
    bool standardGiven = false;
    bool strict = false;  // exit 3 when the relative accuracy fails the standard
    bool json = false;
    std::string csv;      // adjusted coordinates
    std::string geojson;  // a folder for the GeoJSON layers
    std::string html;     // the self-contained HTML report
};

// Returns the process exit code.
int Run_Adjust(const AdjustCommandOptions& options);

// The profile's relativeAccuracy rule as the adjustment judges it; none
// when the profile leaves it out.  `process --adjust` judges by it too.
std::optional<RelativeAccuracy> Relative_Accuracy_Of(const StandardProfile& profile);

}  // namespace min_lumo_tool

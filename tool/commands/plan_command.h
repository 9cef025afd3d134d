// `plan`: from RINEX files and occupation logs to a processing plan,
// explained and drawn.  Built only where the field files are read.
#pragma once

#include <string>
#include <vector>

#include "tool/plan/campaign_project.h"

namespace min_lumo_tool {

// The largest --min-overlap and --max-gap taken: anything longer is a
// mistake, not a campaign.
inline constexpr double longestMinimumOverlapMinutes = 7.0 * 24.0 * 60.0;  // a week
inline constexpr double longestMaximumGapMinutes = 24.0 * 60.0;             // a day

struct PlanOptions {
    std::vector<std::string> files;     // RINEX observation files and CSV occupation logs
    std::vector<std::string> controls;  // station names
    double minimumOverlapMinutes = defaultMinimumOverlapMinutes;
    double maximumGapMinutes = 0.0;         // 0: 10 times each file's interval, at least 2 minutes
    std::vector<std::string> fileStations;  // --station FILE=NAME
    std::string stationNames;               // --station-names: "file" or empty
    bool keepGoing = false;  // leave unreadable files out instead of stopping
    bool skipDamaged = false;  // leave files cut short out instead of stopping
    bool json = false;
    bool utc = false;            // show times in UTC instead of GPS time
    std::string csv;             // the plan rows for a spreadsheet
    std::string occupationsCsv;  // the occupation table for a spreadsheet
    std::string output;          // the project formed from the files, as a project file
    std::string geojson;         // a folder for the GeoJSON layers
    std::string svg;
    std::string html;            // the self-contained HTML report
    bool showRedundant = false;  // the SVG also draws the redundant observations
    std::string library;
    // A survey standard to check the campaign against: a shipped profile's
    // name or a profile file; empty with standardGiven means the default.
    std::string standard;
    bool standardGiven = false;
    std::string checksCsv;  // the checks as CSV
    bool strict = false;    // a failing check makes the exit status exitChecksFailed
    // --session NAME: only these sessions, in every output (the plan is
    // narrowed once, by Restrict_To_Sessions); empty: all.
    std::vector<std::string> sessions;
};

// Returns the process exit code.
int Run_Plan(const PlanOptions& options);

// What the FILE arguments may be, in this build (the compressions it reads).
std::string Field_Files_Help();

}  // namespace min_lumo_tool

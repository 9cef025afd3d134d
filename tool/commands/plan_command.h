// `plan`: from RINEX files and occupation logs to a processing plan,
// explained and drawn.  Built only where the field files are read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"
#include "tool/plan/standard_checks.h"
#include "tool/plan/standard_profile.h"

namespace min_lumo_tool {

// The largest --min-overlap and --max-gap taken: anything longer is a
// mistake, not a campaign.
inline constexpr double longestMinimumOverlapMinutes = 7.0 * 24.0 * 60.0;  // a week
inline constexpr double longestMaximumGapMinutes = 24.0 * 60.0;             // a day

struct PlanOptions {
    std::string command = "plan";       // the command that plans, as messages name it
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

// A campaign planned from its files, as `plan` and `process` plan it.
struct PlannedCampaign {
    Campaign campaign;
    ProcessingPlan plan;  // narrowed to the sessions asked for (Restrict_To_Sessions)
    std::optional<StandardProfile> profile;
    std::optional<StandardChecks> checks;  // of the whole campaign, when a standard was asked for
};

// Reads the standard's profile (before anything else, so that a bad one
// stops the run with nothing written), the files, forms the campaign, runs
// the library and checks the standard.  When there is nothing to plan, it
// prints what `plan` prints (the files as read, why, the warnings) and gives
// nothing, with the exit code in `exitCode`.  Throws on bad input.
std::optional<PlannedCampaign> Plan_Campaign(const PlanOptions& options, int& exitCode);

// Each warning on standard error, as "warning: ...".
void Print_Warnings(const std::vector<std::string>& warnings);

}  // namespace min_lumo_tool

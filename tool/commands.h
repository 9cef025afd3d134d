// The tool's commands.  Each returns the process exit code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tool/kit_names.h"
#ifdef MIN_LUMO_FIELD_FILES
#include "tool/plan/campaign_project.h"
#endif

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
    std::string html;             // the self-contained HTML report
    bool showRedundant = false;   // the SVG also draws the redundant observations
    std::string library;  // empty: the library next to the tool
};

int Run_Check(const RunOptions& options);
int Run_Minimise(const RunOptions& options);
int Run_Orient(const RunOptions& options);
// Writes the project to `output`, or to standard output when it is empty.
int Run_Generate(const ShapeOptions& shape, const std::string& output);

// `generate rinex`: a synthetic campaign as a folder of RINEX files.
inline constexpr const char* rinexShapeName = "rinex";
// What a build without the field files (the Windows one: no GeographicLib)
// says when asked for a command that reads or writes them.
inline constexpr const char* fieldFilesUnavailable =
    "unavailable in this build: the Windows tool is built without GeographicLib, so it neither reads nor writes "
    "RINEX files; use the Linux tool";

struct RinexGenerateOptions {
    int32_t days = 0;      // 0: the default
    int32_t interval = 0;  // seconds between epochs; 0: the default
    std::string folder;    // required
};

#ifdef MIN_LUMO_FIELD_FILES
// Uses the stations, sessions, receivers and seed of `shape`; `output` must
// be empty (the files go into the folder).
int Run_Generate_Rinex(const ShapeOptions& shape, const RinexGenerateOptions& options, const std::string& output);

// `plan`: from RINEX files and occupation logs to a processing plan.
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
int Run_Plan(const PlanOptions& options);
#endif

}  // namespace min_lumo_tool

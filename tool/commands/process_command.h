// `process`: the plan carried out.  Plans the files exactly as `plan` does,
// then runs the engine (RTKLIB's rnx2rtkp) on every kept observation in the
// plan's order and direction, carries the base positions level by level,
// and checks the loops and repeated baselines of what came back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tool/commands/plan_command.h"

namespace min_lumo_tool {

// Long enough for a day of 1-second data; an hour of 30-second data takes
// the engine well under a second.
inline constexpr double defaultEngineTimeoutSeconds = 3600.0;
inline constexpr const char* defaultEngine = "rnx2rtkp";

struct ProcessOptions {
    PlanOptions plan;  // the files and the planning options; its outputs are plan's own
    std::string engine = defaultEngine;
    std::string engineOptions;               // an RTKLIB options file over the defaults
    std::string antex;                       // phase-centre models
    std::vector<std::string> navigation;     // --nav: more navigation files
    int32_t jobs = 0;                        // 0: the machine's processors
    double engineTimeoutSeconds = defaultEngineTimeoutSeconds;
    std::string controlCoordinates;          // CSV of the controls' coordinates
    std::string keepEngineFiles;             // a folder for every run's options, solution and messages
    std::string vectorsCsv, gfile, gama;     // the exchange files of the vectors (tool/vectors)
    std::string html;                        // the processed network as an HTML report
    bool adjust = false;                     // adjust the processed vectors (tool/adjust) and report it too
};

// Returns the process exit code: 0 every kept observation processed (and,
// with --strict, the checks pass), 1 any not processed, 2 bad input, 3
// --strict and a check fails.
int Run_Process(const ProcessOptions& options);

}  // namespace min_lumo_tool

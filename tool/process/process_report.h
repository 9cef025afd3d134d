// What processing did, as a surveyor reads it (aligned text within 120
// columns) and as machines read it (JSON): the engine and its options, the
// corrections applied, every kept observation's vector or why there is
// none, the loops and repeats, the processing rules and the suspects.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tool/field/gnss_time.h"
#include "tool/plan/standard_checks.h"
#include "tool/process/baseline_processing.h"
#include "tool/process/network_checks.h"
#include "tool/process/processing_order.h"

namespace min_lumo_tool {

// What the reports say about the run besides its results.
struct ProcessingContext {
    std::string title;       // e.g. "Processing of 6 files: 5 kept observations of 4 stations in 2 sessions"
    std::string engine;      // as given (--engine), e.g. rnx2rtkp
    std::string enginePath;  // as found
    std::string engineProgram;  // as the solution files name it, e.g. "RTKLIB ver.2.4.3"; empty when none said
    std::string engineOptionsFile;  // --engine-options; empty: defaults only
    std::vector<std::string> options;  // key=value, as every run has them
    std::string antexFile;
    int32_t jobs = 1;
    double timeoutSeconds = 0.0;
    std::vector<NavigationFile> navigation;
    std::vector<std::string> controls;  // the controls' names
    min_lumo_field::DisplayScale scale = min_lumo_field::DisplayScale::Gps;
    std::vector<std::string> warnings;
    double toolSeconds = 0.0;    // the tool's own processor time: planning, options, solutions, checks
    double engineProcessorSeconds = 0.0;  // the engine runs' processor time
    // The profile whose processing rules judged the network when no
    // --standard was given (the default's).
    std::string profile, profileTitle;
};

// The corrections every vector has, in words.
std::vector<std::string> Correction_Summary(const ProcessingContext& context);

// `standard`: the standard's checks, plan's and processing's rules
// together, when --standard asked for them; else the network's own rules
// are shown.
std::string Process_Report_Text(const ProcessingContext& context, const ProcessingOrder& order,
                                const ProcessingResult& result, const NetworkChecks& checks,
                                const StandardChecks* standard);

nlohmann::ordered_json Process_Report_Json(const ProcessingContext& context, const ProcessingOrder& order,
                                           const ProcessingResult& result, const NetworkChecks& checks,
                                           const Campaign& campaign, const StandardChecks* standard);

// A vector's covariance turned to east, north, up at its base: the
// standard deviations, metres.
std::array<double, 3> Local_Sigmas(const VectorRun& run);

}  // namespace min_lumo_tool

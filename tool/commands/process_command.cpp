#include "tool/commands/process_command.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <nlohmann/json.hpp>

#include "tool/adjust/adjustment_report.h"
#include "tool/commands/adjust_command.h"
#include "tool/commands/guard.h"
#include "tool/commands/outputs.h"
#include "tool/field/occupation.h"
#include "tool/output/atomic_file.h"
#include "tool/output/text_table.h"
#include "tool/plan/plan_report.h"
#include "tool/plan/standard_checks.h"
#include "tool/plan/standard_profile.h"
#include "tool/process/antenna_models.h"
#include "tool/process/baseline_processing.h"
#include "tool/process/child_processes.h"
#include "tool/process/engine_options.h"
#include "tool/process/exchanged_vectors.h"
#include "tool/process/navigation_files.h"
#include "tool/process/network_checks.h"
#include "tool/process/process_html.h"
#include "tool/process/process_report.h"
#include "tool/process/processing_order.h"
#include "tool/vectors/vector_files.h"

namespace min_lumo_tool {

namespace {

namespace fs = std::filesystem;
using min_lumo_vectors::SolutionKind;

// Bad input found before anything runs: a sentence, exit 2 (the guard),
// nothing written.
class ProcessInputError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

std::string Lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Read_Whole(const std::string& path, const char* option) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ProcessInputError(fmt::format("{} {}: cannot open the file", option, path));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A folder of the system's temporary folder for the engine's runs, removed
// when processing ends, whatever happens.
class WorkFolder {
public:
    WorkFolder() {
        const fs::path base = fs::temp_directory_path();
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int attempt = 0; attempt < 100; ++attempt) {
            fs::path candidate = base / fmt::format("min_lumo-process-{}-{}", stamp, attempt);
            std::error_code error;
            if (fs::create_directory(candidate, error)) {
                path_ = candidate;
                return;
            }
        }
        throw std::runtime_error(fmt::format("cannot make a working folder in {}", base.string()));
    }
    ~WorkFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    std::string Path() const { return path_.string(); }

private:
    fs::path path_;
};

// The files given split into navigation files and what planning reads;
// the folders given yield their navigation files too.
struct GivenFiles {
    std::vector<std::string> planned;
    std::vector<std::string> navigation;
};

GivenFiles Split_Given_Files(const ProcessOptions& options) {
    GivenFiles given;
    std::set<std::string> seen;
    const auto addNavigation = [&](const std::string& path) {
        if (seen.insert(fs::path(path).lexically_normal().string()).second) given.navigation.push_back(path);
    };
    for (const std::string& path : options.plan.files) {
        std::error_code error;
        if (fs::is_directory(path, error)) {
            given.planned.push_back(path);
            for (const std::string& found : Navigation_Files_In_Folder(path)) addNavigation(found);
        } else if (Is_Navigation_File(path)) {
            addNavigation(path);
        } else {
            given.planned.push_back(path);
        }
    }
    for (const std::string& path : options.navigation) {
        if (!Is_Navigation_File(path))
            throw ProcessInputError(fmt::format("--nav {}: {}", path,
                                                fs::exists(path) ? "not a RINEX navigation file (its first line is not "
                                                                   "RINEX VERSION / TYPE of navigation data)"
                                                                 : "no such file"));
        addNavigation(path);
    }
    return given;
}

// Planning names a folder's navigation files among the files it skips;
// processing reads them.  They leave the list, and the warning goes when
// they were all it named.
void Recount_Skipped_Files(const ProcessOptions& options, std::vector<std::string>& warnings) {
    const std::string notFieldData = "neither RINEX observation data nor an occupation log";
    for (const std::string& folder : options.plan.files) {
        std::error_code error;
        if (!fs::is_directory(folder, error)) continue;
        // "FOLDER: N files skipped, REASON: a, b, c", as the planner names them.
        const std::string prefix = min_lumo_field::Located(folder, 0, "");
        for (auto warning = warnings.begin(); warning != warnings.end();) {
            const std::size_t reasonAt = warning->find(" skipped, " + notFieldData + ": ", prefix.size());
            if (warning->rfind(prefix, 0) != 0 || reasonAt == std::string::npos) {
                ++warning;
                continue;
            }
            const std::string list = warning->substr(reasonAt + (" skipped, " + notFieldData + ": ").size());
            std::vector<std::string> others;
            for (std::size_t from = 0; from <= list.size();) {
                const std::size_t comma = std::min(list.find(", ", from), list.size());
                const std::string name = list.substr(from, comma - from);
                if (!Is_Navigation_File((fs::path(folder) / name).string())) others.push_back(name);
                from = comma + 2;
            }
            if (others.empty()) {
                warning = warnings.erase(warning);
                continue;
            }
            std::string names;
            for (const std::string& name : others) names += (names.empty() ? "" : ", ") + name;
            *warning = min_lumo_field::Located(
                folder, 0,
                fmt::format("{} skipped, neither RINEX observation or navigation data nor an occupation log: {}",
                            Plural(others.size(), "file"), names));
            ++warning;
        }
    }
}

// Every session needs navigation data over its window.
void Check_Navigation(const ProcessingOrder& order, const std::vector<NavigationFile>& navigation,
                      min_lumo_field::DisplayScale scale) {
    std::vector<std::string> missing;
    for (const std::string& session : order.sessions) {
        double start = 0.0, end = 0.0;
        bool any = false;
        for (const OrderedObservation& observation : order.observations) {
            if (observation.session != session) continue;
            start = any ? std::min(start, observation.startGps) : observation.startGps;
            end = any ? std::max(end, observation.endGps) : observation.endGps;
            any = true;
        }
        const bool covered = std::any_of(navigation.begin(), navigation.end(),
                                         [&](const NavigationFile& file) { return Covers(file, start, end); });
        if (!covered)
            missing.push_back(fmt::format("session {} ({} to {})", session, min_lumo_field::Display_Time(start, scale),
                                          min_lumo_field::Display_Time_Named(end, scale)));
    }
    if (missing.empty()) return;
    throw ProcessInputError(fmt::format(
        "no navigation data for {}: {}. The engine needs the satellites' broadcast orbits over each session: add the "
        "day's RINEX navigation file (e.g. brdcDDD0.YYn) to a folder given, name it among the files, or give it with "
        "--nav FILE",
        fmt::join(missing, "; "),
        navigation.empty() ? std::string("no RINEX navigation file was given or found")
                           : fmt::format("none of the {} navigation files given covers {}", navigation.size(),
                                         missing.size() == 1 ? "it" : "them")));
}

// The profile whose processing rules judge the network: the standard's,
// else the default one's.
StandardProfile Judging_Profile(const PlannedCampaign& planned) {
    return planned.profile ? *planned.profile : Load_Standard_Profile("", Standard_Profile_Folders());
}

// The files of --keep-engine-files: per run its options, solution and
// messages, and the command line that ran it.
std::vector<PendingOutput> Engine_File_Outputs(const std::string& folder, const ProcessingResult& result) {
    std::vector<PendingOutput> files;
    if (folder.empty()) return files;
    for (const VectorRun& run : result.runs) {
        const auto path = [&](const char* suffix) { return (fs::path(folder) / (run.name + suffix)).string(); };
        if (!run.optionsText.empty()) files.push_back({path(".conf"), run.optionsText});
        if (!run.solutionText.empty()) files.push_back({path(".pos"), run.solutionText});
        if (!run.engineMessages.empty()) files.push_back({path(".messages.txt"), run.engineMessages});
        if (!run.commandLine.empty()) files.push_back({path(".command.txt"), run.commandLine + "\n"});
    }
    return files;
}

// Writes the outputs, all or none; a folder made for the engine's files
// goes again when they cannot all be written.
void Write_Outputs(std::vector<PendingOutput> outputs, const std::string& folder, std::vector<PendingOutput> inFolder) {
    bool madeFolder = false;
    if (!folder.empty()) {
        std::error_code error;
        madeFolder = fs::create_directories(folder, error);
        if (!fs::is_directory(folder))
            throw std::runtime_error(fmt::format("--keep-engine-files {}: cannot make the folder{}", folder,
                                                 error ? ": " + error.message() : ""));
    }
    outputs.insert(outputs.end(), inFolder.begin(), inFolder.end());
    try {
        Write_All(outputs);
    } catch (...) {
        std::error_code ignored;
        if (madeFolder) fs::remove_all(folder, ignored);
        throw;
    }
}

std::string Engine_Program(const ProcessingResult& result) {
    // The solution files' header names the engine: "% program   : RTKLIB ver.2.4.3".
    for (const VectorRun& run : result.runs) {
        const std::size_t at = run.solutionText.find("% program");
        if (at == std::string::npos) continue;
        const std::size_t colon = run.solutionText.find(':', at);
        const std::size_t end = run.solutionText.find('\n', at);
        if (colon == std::string::npos || colon > end) continue;
        std::string program = run.solutionText.substr(colon + 1, end - colon - 1);
        while (!program.empty() && (program.front() == ' ')) program.erase(program.begin());
        while (!program.empty() && (program.back() == ' ' || program.back() == '\r')) program.pop_back();
        return program;
    }
    return {};
}

int Process(const ProcessOptions& options) {
    const double toolStart = Own_Processor_Seconds();
    const double engineStart = Children_Processor_Seconds();
    const min_lumo_field::DisplayScale scale =
        options.plan.utc ? min_lumo_field::DisplayScale::Utc : min_lumo_field::DisplayScale::Gps;
    // Everything the runs need is read and checked before planning, so that
    // bad input stops the run with nothing written.
    const std::string engine = Find_Program(options.engine);
    if (engine.empty())
        throw ProcessInputError(
            options.engine == defaultEngine
                ? fmt::format("the engine {} was not found on the PATH: install RTKLIB (Debian's package rtklib) or "
                              "name the program with --engine PATH",
                              options.engine)
                : fmt::format("--engine {}: no such program", options.engine));
    ProcessingSettings settings;
    settings.engine = engine;
    settings.jobs = options.jobs > 0 ? options.jobs : Processor_Count();
    settings.timeoutSeconds = options.engineTimeoutSeconds;
    if (!options.engineOptions.empty()) {
        try {
            settings.userOptions =
                Parse_Engine_Options(options.engineOptions, Read_Whole(options.engineOptions, "--engine-options"));
        } catch (const EngineOptionsError& error) {
            throw ProcessInputError(fmt::format("--engine-options {}", error.what()));
        }
    }
    if (!options.antex.empty()) {
        try {
            const AntennaTypes types = Antex_Antenna_Types(options.antex);
            if (types.empty())
                throw ProcessInputError(fmt::format("--antex {}: no antenna (TYPE / SERIAL NO) in the file", options.antex));
        } catch (const min_lumo_field::FieldFileError& error) {
            throw ProcessInputError(fmt::format("--antex {}", error.what()));
        }
        settings.antexFile = options.antex;
    }
    std::vector<std::string> readerWarnings;
    if (!options.controlCoordinates.empty()) {
        try {
            settings.controlCoordinates =
                min_lumo_vectors::Read_Control_Coordinates(options.controlCoordinates, &readerWarnings);
        } catch (const min_lumo_vectors::VectorFileError& error) {
            throw ProcessInputError(fmt::format("--control-coordinates {}", error.what()));
        }
    }
    const GivenFiles given = Split_Given_Files(options);
    for (const std::string& path : given.navigation) {
        try {
            settings.navigation.push_back(Read_Navigation_File(path));
        } catch (const min_lumo_field::FieldFileError& error) {
            throw ProcessInputError(error.what());
        }
    }
    if (given.planned.empty())
        throw ProcessInputError("no observation files given: only navigation files; nothing to process");

    PlanOptions planOptions = options.plan;
    planOptions.command = "process";
    planOptions.files = given.planned;
    int exitCode = exitSuccess;
    std::optional<PlannedCampaign> planned = Plan_Campaign(planOptions, exitCode);
    if (!planned) return exitCode;
    const ProcessingOrder order = Processing_Order(planned->campaign, planned->plan);
    Check_Navigation(order, settings.navigation, scale);
    std::vector<std::string> warnings = Plan_Warnings(planned->campaign, planned->plan);
    Recount_Skipped_Files(options, warnings);
    warnings.insert(warnings.end(), readerWarnings.begin(), readerWarnings.end());
    for (const ControlCoordinate& control : settings.controlCoordinates) {
        const bool isControl = std::any_of(order.stations.begin(), order.stations.end(), [&](const OrderedStation& s) {
            return s.control && Lowered(s.name) == Lowered(control.station);
        });
        if (!isControl)
            warnings.push_back(fmt::format("{}:{}: {} is not a --control, so its coordinates are not held",
                                           control.file, control.line, control.station));
    }
    if (settings.userOptions && !settings.userOptions->ignoredKeys.empty())
        warnings.push_back(fmt::format("{}: the tool sets {} for every run itself; the file's values are not used",
                                       options.engineOptions, fmt::join(settings.userOptions->ignoredKeys, ", ")));

    const WorkFolder work;
    settings.workFolder = work.Path();
    const ProcessingResult result = Process_Baselines(order, settings);
    const StandardProfile judging = Judging_Profile(*planned);
    const NetworkChecks checks = Check_Network(result, order, Processing_Tolerances(judging));
    // With a standard, its verdict takes in the processing rules too.
    std::optional<StandardChecks> standardChecks = planned->checks;
    if (standardChecks) {
        standardChecks->rules.insert(standardChecks->rules.end(), checks.rules.begin(), checks.rules.end());
        Conclude_Verdict(*standardChecks);
    }
    warnings.insert(warnings.end(), result.warnings.begin(), result.warnings.end());

    ProcessingContext context;
    std::size_t files = planned->campaign.files.files.size();
    context.title = fmt::format("Processing of {} file{}: {} kept observation{} of {} station{} in {} session{}", files,
                                files == 1 ? "" : "s", order.observations.size(),
                                order.observations.size() == 1 ? "" : "s", order.stations.size(),
                                order.stations.size() == 1 ? "" : "s", order.sessions.size(),
                                order.sessions.size() == 1 ? "" : "s");
    context.engine = options.engine;
    context.enginePath = engine;
    context.engineProgram = Engine_Program(result);
    context.engineOptionsFile = options.engineOptions;
    context.options = Effective_Engine_Options(settings.userOptions ? &*settings.userOptions : nullptr);
    context.antexFile = options.antex;
    context.jobs = settings.jobs;
    context.timeoutSeconds = settings.timeoutSeconds;
    context.navigation = settings.navigation;
    for (const OrderedStation& station : order.stations)
        if (station.control) context.controls.push_back(station.name);
    context.scale = scale;
    context.profile = judging.name;
    context.profileTitle = judging.title;
    const StandardChecks* standard = standardChecks ? &*standardChecks : nullptr;

    const ExchangedVectors exchanged = Exchanged_Vectors(result, order, settings.controlCoordinates);
    if (exchanged.leftOut > 0 && (!options.vectorsCsv.empty() || !options.gfile.empty() || !options.gama.empty()))
        warnings.push_back(fmt::format(
            "{} vector{} not fixed nor float (single or not processed) left out of the exchange files", exchanged.leftOut,
            exchanged.leftOut == 1 ? "" : "s"));
    context.warnings = warnings;
    // --adjust: the fixed and float vectors just processed, adjusted to the
    // plan's controls at the positions processing held them, before
    // anything is written (all or none); judged by the standard's
    // relativeAccuracy when a standard judges the campaign.
    std::optional<AdjustmentResult> adjustment;
    std::string adjustmentProblem;
    const AdjustmentSources adjustmentSources{{}, options.controlCoordinates};
    if (options.adjust) {
        AdjustOptions adjust;
        adjust.controls = context.controls;
        adjust.controlCoordinates = exchanged.controls;
        if (standard) adjust.relativeAccuracy = Relative_Accuracy_Of(judging);
        try {
            adjustment = Run_Adjustment(exchanged.vectors, adjust);
        } catch (const AdjustmentError& error) {
            adjustmentProblem = error.what();
        }
    }
    std::vector<PendingOutput> outputs = {
        {options.html, options.html.empty() ? "" : Process_Html(context, order, result, checks)},
        {options.vectorsCsv, options.vectorsCsv.empty() ? "" : min_lumo_vectors::Vectors_Csv_Text(exchanged.vectors)},
        {options.gfile, options.gfile.empty() ? "" : min_lumo_vectors::Gfile_Text(exchanged.vectors)},
        {options.gama, options.gama.empty() ? "" : min_lumo_vectors::Gama_Xml_Text(exchanged.vectors, exchanged.controls)}};
    Write_Outputs(std::move(outputs), options.keepEngineFiles, Engine_File_Outputs(options.keepEngineFiles, result));
    context.toolSeconds = Own_Processor_Seconds() - toolStart;
    context.engineProcessorSeconds = Children_Processor_Seconds() - engineStart;
    if (options.plan.json) {
        nlohmann::ordered_json document = Process_Report_Json(context, order, result, checks, planned->campaign, standard);
        if (options.adjust)
            document["adjustment"] = adjustment ? nlohmann::ordered_json::parse(
                                                      Adjustment_Report_Json(*adjustment, adjustmentSources))
                                                : nlohmann::ordered_json(nullptr);
        Print(document.dump(2) + "\n");
    } else {
        Print(Process_Report_Text(context, order, result, checks, standard));
        if (adjustment) Print("\n" + Adjustment_Report_Text(*adjustment, adjustmentSources));
    }
    Print_Warnings(warnings);
    if (adjustment) Print_Warnings(adjustment->warnings);
    const auto failed = static_cast<std::size_t>(std::count_if(result.runs.begin(), result.runs.end(), [](const VectorRun& run) {
        return run.vector.solution == SolutionKind::failed;
    }));
    // An adjustment that could not run is a failure of this run's results
    // (a station the failed vectors leave unconnected), not bad input.
    if (!adjustmentProblem.empty())
        Print_Error(fmt::format("min_lumo: --adjust: the processed vectors could not be adjusted: {}", adjustmentProblem));
    if (failed > 0 || !adjustmentProblem.empty()) {
        if (failed > 0)
            Print_Error(fmt::format("min_lumo: {} of {} kept observations could not be processed", failed,
                                    result.runs.size()));
        return exitLibraryFailure;
    }
    bool strictFails = false;
    if (options.plan.strict && standard && !standard->Meets()) {
        Print_Error(fmt::format("min_lumo: --strict: the campaign {}", standard->verdict));
        strictFails = true;
    }
    if (options.plan.strict && adjustment && adjustment->relativeAccuracy && !adjustment->relativeMeets) {
        const auto failing = std::count_if(adjustment->relative.begin(), adjustment->relative.end(),
                                           [](const RelativePrecision& pair) { return !pair.meets; });
        Print_Error(fmt::format("min_lumo: --strict: {} of {} adjusted vectors fail the relative accuracy of {}", failing,
                                adjustment->relative.size(), adjustment->relativeAccuracy->standard));
        strictFails = true;
    }
    return strictFails ? exitChecksFailed : exitSuccess;
}

}  // namespace

int Run_Process(const ProcessOptions& options) {
    return Guarded([&] { return Process(options); });
}

}  // namespace min_lumo_tool

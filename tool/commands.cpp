#include "tool/commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>

#include "tool/atomic_file.h"
#include "tool/explain.h"
#include "tool/geojson_writer.h"
#include "tool/kit_names.h"
#include "tool/minimise_run.h"
#include "tool/network_inspection.h"
#include "tool/orient_run.h"
#include "tool/project_reader.h"
#include "tool/project_writer.h"
#include "tool/reports.h"
#include "tool/output/html_report.h"
#include "tool/output/map_drawing.h"
#include "tool/output/view_picture.h"
#include "tool/validator.h"

#ifdef MIN_LUMO_FIELD_FILES
#include "tool/field/rinex_campaign.h"
#include "tool/plan/campaign_project.h"
#include "tool/plan/plan_pictures.h"
#include "tool/plan/plan_report.h"
#include "tool/plan/processing_plan.h"
#endif

namespace min_lumo_tool {

namespace {

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void Print_Error(const std::string& text) {
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// The project read and checked; every problem goes to standard error, one
// line each, prefixed with the file name.
std::optional<Project> Load_Valid_Project(const std::string& path, Violations& violations) {
    ReadResult read = Read_Project_File(path);
    violations = std::move(read.violations);
    if (violations.empty()) violations = Validate_Project(read.project);
    if (violations.empty()) return std::move(read.project);
    return std::nullopt;
}

void Print_Violations(const std::string& path, const Violations& violations) {
    for (const Violation& violation : violations) Print_Error(path + ": " + Format_Violation(violation));
    Print_Error(fmt::format("{}: {} problem{}; nothing was run", path, violations.size(), violations.size() == 1 ? "" : "s"));
}

struct PendingFile {
    std::string path;
    std::string content;
};

// Every output is prepared before the first is written, so a failure while
// preparing leaves no file behind.
void Write_All(const std::vector<PendingFile>& files) {
    for (const PendingFile& file : files)
        if (!file.path.empty()) Write_File_Atomically(file.path, file.content);
}

std::string Title(const std::string& path, const char* what) {
    return fmt::format("{}: {}", std::filesystem::path(path).filename().string(), what);
}

// The SVG map and the HTML report of a picture, each only when asked for;
// a map without a single positioned station says so on standard error too.
struct Pictures {
    std::string svg, html;
};
Pictures Draw_Pictures(const PlanPicture& picture, const std::string& svgPath, const std::string& htmlPath,
                       bool showRedundant) {
    Pictures drawn;
    if (svgPath.empty() && htmlPath.empty()) return drawn;
    if (std::none_of(picture.stations.begin(), picture.stations.end(),
                     [](const PictureStation& station) { return station.positioned; }))
        Print_Error(std::string("warning: ") + noPositionsMessage);
    MapDrawingOptions options;
    options.showRedundant = showRedundant;
    if (!svgPath.empty()) drawn.svg = Map_Svg(picture, options);
    if (!htmlPath.empty()) drawn.html = Html_Report(picture);
    return drawn;
}

MapView Minimise_View(const MinimiseResult& result) {
    MapView view;
    view.project = &result.after;
    for (std::size_t i = 0; i < result.observations.size(); ++i) {
        const InspectedObservation& inspected = result.inspection.observations[i];
        const ObservationResult& outcome = result.observations[i];
        view.observations.push_back({inspected.network, inspected.score, true, outcome.state, outcome.rejected});
    }
    return view;
}

MapView Orient_View(const Project& before, const OrientResult& result) {
    MapView view;
    view.project = &result.after;
    view.reversed = result.reversed;
    view.oriented = true;
    // The networks colour the drawing; orientation itself knows none.
    HostMemory memory(before);
    const NetworkInspection inspection = Inspect_Time_Networks(memory.Header(), false);
    for (std::size_t i = 0; i < before.observations.size(); ++i) {
        const ProjectObservation& observation = before.observations[i];
        const bool rejected = observation.removed != 0;
        const char* state = rejected ? "rejected" : observation.solutionStatus == -1 ? "excluded" : "kept";
        view.observations.push_back({inspection.observations[i].network, 0, false, state, rejected});
    }
    return view;
}

template <typename Body> int Guarded(Body body) {
    try {
        return body();
    } catch (const std::exception& error) {
        Print_Error(std::string("min_lumo: ") + error.what());
        return exitBadInput;
    }
}

}  // namespace

int Run_Check(const RunOptions& options) {
    return Guarded([&] {
        Violations violations;
        const std::optional<Project> project = Load_Valid_Project(options.project, violations);
        if (options.json) Print(Check_Report_Json(violations));
        if (!project) {
            for (const Violation& violation : violations) Print_Error(options.project + ": " + Format_Violation(violation));
            return exitBadInput;
        }
        if (!options.json) Print(options.project + ": " + Check_Report_Text(*project));
        return exitSuccess;
    });
}

namespace {

// The project when it keeps everything the library relies on; otherwise its
// problems are printed and there is none.
std::optional<Project> Load_Or_Report(const std::string& path) {
    Violations violations;
    std::optional<Project> project = Load_Valid_Project(path, violations);
    if (!project) Print_Violations(path, violations);
    return project;
}

}  // namespace

int Run_Minimise(const RunOptions& options) {
    return Guarded([&] {
        const std::optional<Project> project = Load_Or_Report(options.project);
        if (!project) return exitBadInput;
        const LoadedLibrary library(options.library);
        MinimiseResult result = Run_Minimisation(*project, library);
        if (result.status != 0) {
            Print_Error(fmt::format("min_lumo: the library reported a failure: {}", result.message));
            return exitLibraryFailure;
        }
        if (options.explain || options.json || !options.svg.empty() || !options.geojson.empty())
            Explain_Decisions(*project, result);
        const MapView view = Minimise_View(result);
        const Pictures pictures = Draw_Pictures(Map_View_Picture(view, Title(options.project, "minimised")),
                                                options.svg, options.html, options.showRedundant);
        Write_All({{options.output, options.output.empty() ? "" : Project_Text(result.after)},
                   {options.geojson, options.geojson.empty() ? "" : Geojson_Text(view)},
                   {options.svg, pictures.svg},
                   {options.html, pictures.html}});
        Print(options.json ? Minimise_Report_Json(*project, result, options.explain)
                           : Minimise_Report_Text(*project, result, options.explain));
        for (const int32_t observation : result.disagreements)
            Print_Error(fmt::format("warning: observation {}: the library and the tool's own selection disagree",
                                    observation));
        return exitSuccess;
    });
}

int Run_Orient(const RunOptions& options) {
    return Guarded([&] {
        const std::optional<Project> project = Load_Or_Report(options.project);
        if (!project) return exitBadInput;
        const LoadedLibrary library(options.library);
        const OrientResult result = Run_Orientation(*project, library);
        const bool drawn = !options.svg.empty() || !options.geojson.empty() || !options.html.empty();
        const std::optional<MapView> view =
            drawn ? std::optional<MapView>(Orient_View(*project, result)) : std::nullopt;
        const Pictures pictures =
            view ? Draw_Pictures(Map_View_Picture(*view, Title(options.project, "oriented")), options.svg, options.html,
                                 options.showRedundant)
                 : Pictures{};
        Write_All({{options.output, options.output.empty() ? "" : Project_Text(result.after)},
                   {view ? options.geojson : "", view && !options.geojson.empty() ? Geojson_Text(*view) : ""},
                   {options.svg, pictures.svg},
                   {options.html, pictures.html}});
        Print(options.json ? Orient_Report_Json(*project, result) : Orient_Report_Text(*project, result));
        if (!result.unreachedStations.empty() && !options.json)
            Print_Error(fmt::format("warning: no control reaches {} of the {} stations", result.unreachedStations.size(),
                                    project->stations.size()));
        return exitSuccess;
    });
}

int Run_Generate(const ShapeOptions& shape, const std::string& output) {
    return Guarded([&] {
        const Project project = Generate_Shape(shape);
        const std::string text = Project_Text(project);
        if (output.empty()) Print(text);
        else Write_File_Atomically(output, text);
        return exitSuccess;
    });
}

#ifdef MIN_LUMO_FIELD_FILES
int Run_Generate_Rinex(const ShapeOptions& shape, const RinexGenerateOptions& options, const std::string& output) {
    return Guarded([&] {
        if (!output.empty() || options.folder.empty())
            throw std::invalid_argument("generate rinex writes a folder of files: give it with --output-dir");
        min_lumo_field::RinexCampaignOptions campaign;
        if (shape.stations != 0) campaign.stations = shape.stations;
        if (options.days != 0) campaign.days = options.days;
        if (shape.sessions != 0) campaign.sessions = shape.sessions;
        if (shape.receivers != 0) campaign.receivers = shape.receivers;
        if (options.interval != 0) campaign.intervalSeconds = options.interval;
        campaign.seed = shape.seed;
        const auto written = min_lumo_field::Write_Rinex_Campaign(campaign, options.folder);
        Print(fmt::format("{}: {} RINEX files, {} day{} of {} session{} with {} receivers on {} stations, {} s epochs\n",
                          options.folder, written.size(), campaign.days, campaign.days == 1 ? "" : "s", campaign.sessions,
                          campaign.sessions == 1 ? "" : "s", campaign.receivers, campaign.stations,
                          campaign.intervalSeconds));
        return exitSuccess;
    });
}

int Run_Plan(const PlanOptions& options) {
    return Guarded([&] {
        CampaignFiles files = Read_Campaign_Files(options.files, options.keepGoing);
        const auto printWarnings = [](const std::vector<std::string>& warnings) {
            for (const std::string& warning : warnings) Print_Error("warning: " + warning);
        };
        if (files.files.empty()) {
            printWarnings(files.warnings);
            Print_Error(fmt::format("min_lumo: none of the {} files could be read; nothing to plan", options.files.size()));
            return exitBadInput;
        }
        CampaignOptions campaignOptions;
        campaignOptions.minimumOverlapMinutes = options.minimumOverlapMinutes;
        campaignOptions.controls = options.controls;
        const Campaign campaign = Form_Campaign(std::move(files), campaignOptions);
        const Violations violations = Validate_Project(campaign.project);
        if (!violations.empty()) {
            Print_Violations("min_lumo plan", violations);
            return exitBadInput;
        }
        const LoadedLibrary library(options.library);
        const ProcessingPlan plan = Plan_Processing(campaign, library);
        if (plan.status != 0) {
            printWarnings(Plan_Warnings(campaign, plan));
            if (campaign.project.observations.empty())
                Print_Error(fmt::format("min_lumo: no two occupations of different stations overlap by at least {} min, so "
                                        "there is nothing to plan; the library reports: {}",
                                        options.minimumOverlapMinutes, plan.message));
            else Print_Error(fmt::format("min_lumo: the library reported a failure: {}", plan.message));
            return exitLibraryFailure;
        }
        MapView view = Minimise_View(plan.minimised);
        view.project = &plan.oriented.after;
        view.reversed = plan.oriented.reversed;
        view.oriented = true;
        PlanPicture picture = Plan_Picture(campaign, plan);
        if (const std::optional<std::string> unknown = Unknown_Session(picture, options.sessions)) {
            std::string names;
            for (const PictureSession& session : picture.sessions) names += (names.empty() ? "" : ", ") + session.name;
            Print_Error(fmt::format("min_lumo: --session {}: no session of that name; the sessions are {}", *unknown, names));
            return exitBadInput;
        }
        Keep_Sessions(picture, options.sessions);
        const Pictures pictures = Draw_Pictures(picture, options.svg, options.html, options.showRedundant);
        // The project as formed, before the library changed anything: the
        // other commands run it to the same decisions.
        Write_All({{options.output, options.output.empty() ? "" : Project_Text(campaign.project)},
                   {options.csv, options.csv.empty() ? "" : Plan_Csv_Text(campaign, plan)},
                   {options.geojson, options.geojson.empty() ? "" : Geojson_Text(view)},
                   {options.svg, pictures.svg},
                   {options.html, pictures.html}});
        Print(options.json ? Plan_Report_Json(campaign, plan) : Plan_Report_Text(campaign, plan));
        if (!options.json) printWarnings(Plan_Warnings(campaign, plan));
        return exitSuccess;
    });
}
#endif

}  // namespace min_lumo_tool

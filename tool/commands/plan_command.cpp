#include "tool/commands/plan_command.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "hostkit/module_loader.h"
#include "tool/commands/guard.h"
#include "tool/commands/outputs.h"
#include "tool/commands/project_loading.h"
#include "tool/field/line_reader.h"
#include "tool/plan/plan_geojson.h"
#include "tool/output/atomic_file.h"
#include "tool/plan/occupation_table.h"
#include "tool/plan/plan_pictures.h"
#include "tool/plan/plan_report.h"
#include "tool/plan/processing_plan.h"
#include "tool/plan/standard_checks.h"
#include "tool/plan/standard_profile.h"
#include "tool/plan/standard_report.h"
#include "tool/plan/session_filter.h"
#include "tool/plan/session_names.h"
#include "tool/project/project_writer.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::LoadedModule;

namespace {

// The profile to check against, read before anything else so that a bad
// one stops the run with nothing written.  --strict and --checks-csv alone
// check against the default.  A --standard value that names no profile is
// a field file that followed the option: it goes back to the files.
std::optional<StandardProfile> Plan_Standard(const PlanOptions& options, std::vector<std::string>& files) {
    if (!options.standardGiven && !options.strict && options.checksCsv.empty()) return std::nullopt;
    return Load_Standard_Option(options.standard, files);
}

}  // namespace

std::string Field_Files_Help() {
    using min_lumo_field::Packing;
    std::string packings = "gzip";
    for (const Packing packing : {Packing::Compress, Packing::Bzip2, Packing::Xz, Packing::Zip})
        if (min_lumo_field::Reads_Packing(packing)) packings += std::string(", ") + min_lumo_field::Packing_Name(packing);
    return fmt::format("RINEX observation files (2, 3, 4, Compact; plain or {}), CSV occupation logs, folders of them",
                       packings);
}

std::optional<PlannedCampaign> Plan_Campaign(const PlanOptions& options, int& exitCode) {
    const DisplayScale scale = options.utc ? DisplayScale::Utc : DisplayScale::Gps;
    std::vector<std::string> paths = options.files;
    std::optional<StandardProfile> profile = Plan_Standard(options, paths);
    CampaignFiles files = Read_Campaign_Files(paths, options.keepGoing, options.skipDamaged);
    if (files.files.empty()) {
        Print_Warnings(files.warnings);
        Print_Error(fmt::format("min_lumo: none of the {} files could be read; nothing to plan", paths.size()));
        exitCode = exitBadInput;
        return std::nullopt;
    }
    CampaignOptions campaignOptions;
    campaignOptions.minimumOverlapMinutes = options.minimumOverlapMinutes;
    campaignOptions.controls = options.controls;
    campaignOptions.maximumGapMinutes = options.maximumGapMinutes;
    for (const std::string& assignment : options.fileStations)
        campaignOptions.fileStations.push_back(Parse_Station_Assignment(assignment));
    campaignOptions.stationsFromFileNames = options.stationNames == "file";
    PlannedCampaign planned{Form_Campaign(std::move(files), campaignOptions), {}, std::move(profile), std::nullopt};
    Campaign& campaign = planned.campaign;
    const Violations violations = Validate_Project(campaign.project);
    if (!violations.empty()) {
        Print_Violations("min_lumo " + options.command, violations);
        exitCode = exitBadInput;
        return std::nullopt;
    }
    const LoadedModule library(options.library);
    planned.plan = Plan_Processing(campaign, library);
    // A session the library splits into two time-networks is named apart
    // in each, and the plan made again under the new labels.
    if (planned.plan.status == 0 && Split_Sessions_By_Time_Network(campaign, planned.plan))
        planned.plan = Plan_Processing(campaign, library);
    const ProcessingPlan& plan = planned.plan;
    // Only a failure of the library itself stops here: a campaign without
    // observations gets an empty plan and its verdict.
    if (plan.status != 0) {
        const std::vector<std::string> warnings = Plan_Warnings(campaign, plan);
        const std::string why = fmt::format("the library reported a failure: {}", plan.message);
        Print(options.json ? Unplanned_Report_Json(campaign, why, warnings, scale)
                           : Unplanned_Report_Text(campaign, why, scale));
        Print_Warnings(warnings);
        Print_Error("min_lumo: " + why);
        exitCode = exitLibraryFailure;
        return std::nullopt;
    }
    // The standard judges the whole campaign, whatever the outputs show.
    if (planned.profile) planned.checks = Check_Standard(campaign, plan, *planned.profile, scale);
    // Every output below sees only the sessions asked for.
    Restrict_To_Sessions(campaign, planned.plan, options.sessions);
    exitCode = exitSuccess;
    return planned;
}

void Print_Warnings(const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings) Print_Error("warning: " + warning);
}

int Run_Plan(const PlanOptions& options) {
    return Guarded([&] {
        const DisplayScale scale = options.utc ? DisplayScale::Utc : DisplayScale::Gps;
        int exitCode = exitSuccess;
        const std::optional<PlannedCampaign> planned = Plan_Campaign(options, exitCode);
        if (!planned) return exitCode;
        const Campaign& campaign = planned->campaign;
        const ProcessingPlan& plan = planned->plan;
        const std::optional<StandardChecks>& checks = planned->checks;
        const StandardChecks* checked = checks ? &*checks : nullptr;
        // The pictures only when drawn: a large campaign's take a while.
        const Pictures pictures =
            options.svg.empty() && options.html.empty()
                ? Pictures{}
                : Draw_Pictures(Plan_Picture(campaign, plan, scale, checked), options.svg, options.html,
                                options.showRedundant);
        // The project as formed, before the library changed anything: the
        // other commands run it to the same decisions.
        std::vector<PendingOutput> outputs = {
            {options.output, options.output.empty() ? "" : Project_Text(campaign.project)},
            {options.csv, options.csv.empty() ? "" : Plan_Csv_Text(campaign, plan, scale)},
            {options.occupationsCsv,
             options.occupationsCsv.empty() ? "" : Occupations_Csv_Text(campaign, scale, plan.scope.occupations)},
            {options.svg, pictures.svg},
            {options.html, pictures.html},
            {options.checksCsv, checks && !options.checksCsv.empty() ? Checks_Csv_Text(*checks) : ""}};
        Write_All(std::move(outputs), options.geojson,
                  Geojson_Outputs(options.geojson, [&] { return Plan_Geo_Layers(campaign, plan); }));
        Print(options.json ? Plan_Report_Json(campaign, plan, scale, checked)
                           : Plan_Report_Text(campaign, plan, scale, checked));
        Print_Warnings(Plan_Warnings(campaign, plan));
        if (options.strict && checks && !checks->Meets()) {
            Print_Error(fmt::format("min_lumo: --strict: the campaign {}", checks->verdict));
            return exitChecksFailed;
        }
        return exitSuccess;
    });
}

}  // namespace min_lumo_tool

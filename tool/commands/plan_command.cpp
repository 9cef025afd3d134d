#include "tool/commands/plan_command.h"

#include <fmt/format.h>

#include "hostkit/module_loader.h"
#include "tool/commands/guard.h"
#include "tool/commands/outputs.h"
#include "tool/commands/project_loading.h"
#include "tool/output/geojson_writer.h"
#include "tool/output/run_map_view.h"
#include "tool/output/svg_writer.h"
#include "tool/output/atomic_file.h"
#include "tool/plan/occupation_table.h"
#include "tool/plan/plan_report.h"
#include "tool/plan/processing_plan.h"
#include "tool/project/project_writer.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::LoadedModule;

int Run_Plan(const PlanOptions& options) {
    return Guarded([&] {
        const DisplayScale scale = options.utc ? DisplayScale::Utc : DisplayScale::Gps;
        CampaignFiles files = Read_Campaign_Files(options.files, options.keepGoing);
        // Warnings reach the terminal in every mode, and the JSON as well.
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
        campaignOptions.maximumGapMinutes = options.maximumGapMinutes;
        for (const std::string& assignment : options.fileStations)
            campaignOptions.fileStations.push_back(Parse_Station_Assignment(assignment));
        campaignOptions.stationsFromFileNames = options.stationNames == "file";
        const Campaign campaign = Form_Campaign(std::move(files), campaignOptions);
        const Violations violations = Validate_Project(campaign.project);
        if (!violations.empty()) {
            Print_Violations("min_lumo plan", violations);
            return exitBadInput;
        }
        const LoadedModule library(options.library);
        const ProcessingPlan plan = Plan_Processing(campaign, library);
        if (plan.status != 0) {
            const std::vector<std::string> warnings = Plan_Warnings(campaign, plan);
            const std::string why =
                campaign.project.observations.empty()
                    ? fmt::format("no two occupations of different stations overlap by at least {} min, so there is "
                                  "nothing to plan; the library reports: {}",
                                  options.minimumOverlapMinutes, plan.message)
                    : fmt::format("the library reported a failure: {}", plan.message);
            Print(options.json ? Unplanned_Report_Json(campaign, why, warnings, scale)
                               : Unplanned_Report_Text(campaign, why, scale));
            printWarnings(warnings);
            Print_Error("min_lumo: " + why);
            return exitLibraryFailure;
        }
        MapView view = Minimise_View(plan.minimised);
        view.project = &plan.oriented.after;
        view.reversed = plan.oriented.reversed;
        view.oriented = true;
        const std::string title = fmt::format("plan of {} file{}", campaign.files.files.size(),
                                              campaign.files.files.size() == 1 ? "" : "s");
        // The project as formed, before the library changed anything: the
        // other commands run it to the same decisions.
        std::vector<PendingOutput> outputs = {
            {options.output, options.output.empty() ? "" : Project_Text(campaign.project)},
            {options.csv, options.csv.empty() ? "" : Plan_Csv_Text(campaign, plan, scale)},
            {options.occupationsCsv, options.occupationsCsv.empty() ? "" : Occupations_Csv_Text(campaign, scale)},
            {options.geojson, options.geojson.empty() ? "" : Geojson_Text(view)},
            {options.svg, options.svg.empty() ? "" : Svg_Text(view, title)}};
        Write_All_Or_None(outputs);
        Print(options.json ? Plan_Report_Json(campaign, plan, scale) : Plan_Report_Text(campaign, plan, scale));
        printWarnings(Plan_Warnings(campaign, plan));
        return exitSuccess;
    });
}

}  // namespace min_lumo_tool

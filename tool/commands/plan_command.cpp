#include "tool/commands/plan_command.h"

#include <fmt/format.h>

#include "hostkit/module_loader.h"
#include "tool/commands/guard.h"
#include "tool/commands/outputs.h"
#include "tool/commands/project_loading.h"
#include "tool/output/geojson_writer.h"
#include "tool/output/run_map_view.h"
#include "tool/plan/plan_pictures.h"
#include "tool/plan/plan_report.h"
#include "tool/plan/processing_plan.h"
#include "tool/project/project_writer.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::LoadedModule;

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
        const LoadedModule library(options.library);
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

}  // namespace min_lumo_tool

// The processing tests' campaigns: real files planned as `plan` plans them
// (through the built library), and the stand-in engine's scripts.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hostkit/module_loader.h"
#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"
#include "tool/process/baseline_processing.h"
#include "tool/process/navigation_files.h"
#include "tool/process/network_checks.h"
#include "tool/process/processing_order.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

inline const std::string processData = MIN_LUMO_PROCESS_TEST_DATA;
inline const std::string standinEngine = MIN_LUMO_STANDIN_ENGINE;

struct PlannedFiles {
    Campaign campaign;
    ProcessingPlan plan;
    ProcessingOrder order;
};

inline PlannedFiles Plan_Files(const std::vector<std::string>& paths, const std::vector<std::string>& controls) {
    CampaignOptions options;
    options.controls = controls;
    PlannedFiles planned{Form_Campaign(Read_Campaign_Files(paths, false), options), {}, {}};
    EXPECT_TRUE(Validate_Project(planned.campaign.project).empty());
    const min_lumo_kit::LoadedModule library("");
    planned.plan = Plan_Processing(planned.campaign, library);
    EXPECT_EQ(planned.plan.status, 0) << planned.plan.message;
    planned.order = Processing_Order(planned.campaign, planned.plan);
    return planned;
}

// The halves campaign: the 05:00 hour in two sessions and the 02:00 hour
// of GARRAF and MATA, GARRAF the control.
inline PlannedFiles Plan_Halves() {
    return Plan_Files({processData + "/catalonia2010_halves", processData + "/catalonia2010/garr077c.10o.gz",
                       processData + "/catalonia2010/mata077c.10o.gz"},
                      {"GARRAF"});
}

inline std::vector<NavigationFile> Catalonia_Navigation() {
    return {Read_Navigation_File(processData + "/catalonia2010/brdc0770.10n.gz")};
}

// A folder of the test's own, emptied first.
inline std::string Scratch_Folder(const std::string& name) {
    const std::filesystem::path folder = std::filesystem::current_path() / "process_scratch" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

// Settings that run the stand-in engine with a script.
inline ProcessingSettings Standin_Settings(const std::string& name, const std::string& script, int32_t jobs = 2,
                                           double timeoutSeconds = 60.0) {
    ProcessingSettings settings;
    settings.engine = standinEngine;
    settings.jobs = jobs;
    settings.timeoutSeconds = timeoutSeconds;
    settings.navigation = Catalonia_Navigation();
    const std::string folder = Scratch_Folder(name);
    const std::string scriptFile = folder + "/script.txt";
    std::ofstream(scriptFile) << script;
    UserEngineOptions user;
    user.file = "standin.conf";
    user.options.push_back({"standin-script", scriptFile, ""});
    settings.userOptions = user;
    settings.workFolder = folder + "/work";
    return settings;
}

// The processing rules at the basic profile's numbers, enabled: loops 10 mm
// + 1 ppm, repeats 10 mm + 1 ppm horizontally and 20 mm + 2 ppm
// vertically, a fix's ratio at least 3.
inline ProcessingTolerances Basic_Numbers() {
    ProcessingTolerances tolerances;
    for (RuleSettings* settings : {&tolerances.fixedSolutions.settings, &tolerances.loopMisclosure.settings,
                                   &tolerances.repeatBaselines.settings}) {
        settings->enabled = true;
        settings->listed = true;
        settings->source = "test";
    }
    tolerances.fixedSolutions.minimumRatio = 3.0;
    tolerances.loopMisclosure.millimetres = 10.0;
    tolerances.loopMisclosure.partsPerMillion = 1.0;
    tolerances.repeatBaselines.horizontalMillimetres = 10.0;
    tolerances.repeatBaselines.horizontalPartsPerMillion = 1.0;
    tolerances.repeatBaselines.verticalMillimetres = 20.0;
    tolerances.repeatBaselines.verticalPartsPerMillion = 2.0;
    return tolerances;
}

}  // namespace min_lumo_tool

// Campaigns the plan tests form from a few occupations written inline, and
// their plans run through the built library.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool/field/gnss_time.h"
#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"
#include "hostkit/module_loader.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

struct Visit {
    const char* station;
    const char* first;  // UTC
    const char* last;
    double latitude, longitude;
};

inline Campaign Formed(const std::vector<Visit>& visits, std::vector<std::string> controls) {
    CampaignFiles files;
    for (const Visit& visit : visits) {
        min_lumo_field::Occupation occupation;
        occupation.station = visit.station;
        occupation.file = std::string(visit.station) + "_" + std::to_string(files.files.size()) + ".rnx";
        occupation.hasEpochs = true;
        occupation.firstGps = min_lumo_field::Gps_Seconds_From_Utc(min_lumo_field::Parse_Iso_Utc(visit.first).value());
        occupation.lastGps = min_lumo_field::Gps_Seconds_From_Utc(min_lumo_field::Parse_Iso_Utc(visit.last).value());
        min_lumo_field::Set_Geodetic_Position(occupation, visit.latitude, visit.longitude, 450.0);
        files.Add_File(occupation.file, {occupation});
    }
    CampaignOptions options;
    options.controls = std::move(controls);
    Campaign campaign = Form_Campaign(std::move(files), options);
    EXPECT_TRUE(Validate_Project(campaign.project).empty());
    return campaign;
}

inline ProcessingPlan Planned(const Campaign& campaign) {
    const min_lumo_kit::LoadedModule library("");
    return Plan_Processing(campaign, library);
}

}  // namespace min_lumo_tool

// The occupation table: one line per occupation as the campaign formed it,
// grouped by station (a station's occupations side by side, in time order),
// with what its files say of the set-up and of the data -- in the text
// report, the JSON `occupations` array and the --occupations-csv file.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tool/field/gnss_time.h"
#include "tool/plan/campaign_project.h"

namespace min_lumo_tool {

// `shown`, by Campaign::occupations index, limits the table to those
// occupations (a --session view); empty: every occupation.

// "\nOccupations: N\n" and the aligned table.
std::string Occupation_Table_Text(const Campaign& campaign, min_lumo_field::DisplayScale scale,
                                  const std::vector<bool>& shown = {});

nlohmann::ordered_json Occupations_Json(const Campaign& campaign, min_lumo_field::DisplayScale scale,
                                        const std::vector<bool>& shown = {});

// A heading line, then one line per occupation in the table's order.
std::string Occupations_Csv_Text(const Campaign& campaign, min_lumo_field::DisplayScale scale,
                                 const std::vector<bool>& shown = {});

}  // namespace min_lumo_tool

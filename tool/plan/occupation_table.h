// The occupation table: one line per occupation as the campaign formed it,
// grouped by station (a station's occupations side by side, in time order),
// with what its files say of the set-up and of the data -- in the text
// report, the JSON `occupations` array and the --occupations-csv file.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tool/field/gnss_time.h"
#include "tool/output/text_table.h"
#include "tool/plan/campaign_project.h"

namespace min_lumo_tool {

// `shown`, by Campaign::occupations index, limits the table to those
// occupations (a --session view); empty: every occupation.

// The Campaign::occupations indices in the table's order (its numbers are
// the positions in it, from 1), the HTML report's too.
std::vector<OccupationIndex> Occupation_Table_Order(const Campaign& campaign, const std::vector<bool>& shown = {});

// "\nOccupations: N, by station\n", the numbered table of times and data,
// then by the same numbers the equipment, place and files, wrapped to the
// page.  With `cut`, the table names stations as the plan's tables do.
std::string Occupation_Table_Text(const Campaign& campaign, min_lumo_field::DisplayScale scale,
                                  const std::vector<bool>& shown = {}, const TableNames* cut = nullptr);

// The widest a station name may be for the table to keep to the page; the
// largest size_t when every whole name fits.
std::size_t Occupation_Table_Name_Room(const Campaign& campaign, min_lumo_field::DisplayScale scale,
                                       const std::vector<bool>& shown = {});

nlohmann::ordered_json Occupations_Json(const Campaign& campaign, min_lumo_field::DisplayScale scale,
                                        const std::vector<bool>& shown = {});

// A heading line, then one line per occupation in the table's order.
std::string Occupations_Csv_Text(const Campaign& campaign, min_lumo_field::DisplayScale scale,
                                 const std::vector<bool>& shown = {});

}  // namespace min_lumo_tool

#include "tool/plan/occupation_table.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

#include <fmt/format.h>

#include "tool/plan/report_fields.h"
#include "tool/output/text_table.h"

namespace min_lumo_tool {

namespace {

using Json = nlohmann::ordered_json;
using min_lumo_field::DisplayScale;
using min_lumo_field::Occupation;

constexpr double percent = 100.0;
// Positions to 1e-9 degrees (0.1 mm), lengths to 0.1 mm as RINEX headers
// give them: the last bits of a conversion differ between libraries.
constexpr double reportedDegreeSteps = 1e9;
constexpr double reportedMetreSteps = 1e4;
constexpr double reportedFractionSteps = 1e4;

double Rounded(double value, double steps) { return std::round(value * steps) / steps; }

std::vector<std::string> Files_Of(const Occupation& occupation) {
    return occupation.files.empty() ? std::vector<std::string>{occupation.file} : occupation.files;
}

// One line of the table, every value as the reports share it.
struct OccupationLine {
    const Occupation* occupation;
    std::string station;  // the project's station, or the name read when it formed none
    int32_t stationIndex;  // in the project, -1 when it formed none
};

// By station, then by first epoch: a station's occupations side by side.
std::vector<OccupationIndex> Table_Order(const Campaign& campaign, const std::vector<bool>& shown) {
    std::vector<OccupationIndex> order;
    for (const OccupationIndex i : campaign.occupations.Indices())
        if (shown.empty() || (Slot(i) < shown.size() && shown[Slot(i)])) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](OccupationIndex a, OccupationIndex b) {
        return std::pair(campaign.Project_Station_Of(a), campaign.occupations[a].firstGps) <
               std::pair(campaign.Project_Station_Of(b), campaign.occupations[b].firstGps);
    });
    return order;
}

std::vector<OccupationLine> Lines(const Campaign& campaign, const std::vector<bool>& shown) {
    std::vector<OccupationLine> lines;
    for (const OccupationIndex i : Table_Order(campaign, shown))
        lines.push_back({&campaign.occupations[i], campaign.Station_Record(i).name, campaign.Project_Station_Of(i)});
    return lines;
}

// An occupation log's line states its times but no epochs.
std::string Epochs_Text(const Occupation& occupation) {
    return occupation.epochCount > 0 ? std::to_string(occupation.epochCount) : "-";
}

std::string Or_Dash(const std::string& text) { return text.empty() ? "-" : text; }

std::string Metres(double metres) { return fmt::format("{:.4f}", metres); }

std::string Interval_Text(const Occupation& occupation) {
    return occupation.intervalSeconds > 0.0 ? fmt::format("{:g}", occupation.intervalSeconds) : "";
}

std::string Completeness_Text(const Occupation& occupation) {
    return occupation.completeness > 0.0 ? fmt::format("{:.1f}", occupation.completeness * percent) : "";
}

std::string Longest_Gap_Text(const Occupation& occupation) {
    return occupation.gapCount > 0 ? Hours_Minutes_Seconds(occupation.longestGapSeconds) : "";
}

// The equipment and the place of one occupation, as words: too many columns
// for one table within a page's width.
std::string Details_Text(const Occupation& occupation) {
    // What the file does not say is left out, save the antenna offsets: a
    // height of zero is itself worth seeing.
    const auto named = [](const std::string& what, const std::string& type, const std::string& number) {
        if (type.empty() && number.empty()) return std::string();
        return what + " " + Or_Dash(type) + (number.empty() ? "" : " #" + number) + ", ";
    };
    std::string text = named("receiver", occupation.receiver, occupation.receiverNumber) +
                       named("antenna", occupation.antennaType, occupation.antennaNumber) +
                       fmt::format("antenna H/E/N {}/{}/{} m, ", Metres(occupation.antennaHeight),
                                   Metres(occupation.antennaEast), Metres(occupation.antennaNorth)) +
                       named("marker", occupation.markerName, occupation.markerNumber);
    text += occupation.positionKnown ? fmt::format("at {:.6f}, {:.6f}, {:.3f} m", occupation.latitude,
                                                   occupation.longitude, occupation.height)
                                     : std::string("position unknown");
    return text + "; " + Joined_Files(Files_Of(occupation));
}

}  // namespace

namespace {

TextTable Data_Table(const std::vector<OccupationLine>& lines, DisplayScale scale, const TableNames* cut) {
    const std::string scaleName = min_lumo_field::Display_Scale_Name(scale);
    TextTable table({">#", "station", "first " + scaleName, "last " + scaleName, ">epochs", ">interval s",
                     ">complete %", ">gaps", ">longest gap"});
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Occupation& occupation = *lines[i].occupation;
        const int32_t station = lines[i].stationIndex;
        table.Add_Row({std::to_string(i + 1),
                       cut != nullptr && station >= 0 ? cut->Shown(static_cast<std::size_t>(station)) : lines[i].station,
                       min_lumo_field::Display_Time(occupation.firstGps, scale),
                       min_lumo_field::Display_Time(occupation.lastGps, scale), Epochs_Text(occupation),
                       Or_Dash(Interval_Text(occupation)), Or_Dash(Completeness_Text(occupation)),
                       std::to_string(occupation.gapCount), Or_Dash(Longest_Gap_Text(occupation))});
    }
    return table;
}

}  // namespace

std::vector<OccupationIndex> Occupation_Table_Order(const Campaign& campaign, const std::vector<bool>& shown) {
    return Table_Order(campaign, shown);
}

std::size_t Occupation_Table_Name_Room(const Campaign& campaign, DisplayScale scale, const std::vector<bool>& shown) {
    const TextTable table = Data_Table(Lines(campaign, shown), scale, nullptr);
    if (table.Width() <= reportColumns) return std::numeric_limits<std::size_t>::max();
    const std::size_t others = table.Width() - table.Column_Width(1);
    return reportColumns > others ? reportColumns - others : 0;
}

std::string Occupation_Table_Text(const Campaign& campaign, DisplayScale scale, const std::vector<bool>& shown,
                                  const TableNames* cut) {
    const std::vector<OccupationLine> lines = Lines(campaign, shown);
    std::string details;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string lead = fmt::format("  {:>{}}  ", i + 1, std::to_string(lines.size()).size());
        // The full name here, whatever the table above had room for.
        details += Wrap_Text(lines[i].station + ": " + Details_Text(*lines[i].occupation), reportColumns, lead,
                             std::string(lead.size(), ' '));
    }
    return fmt::format("\nOccupations: {}, by station\n", lines.size()) + Data_Table(lines, scale, cut).Render() +
           (lines.empty() ? "" : "\n  Equipment, place and files, by the numbers above:\n" + details);
}

Json Occupations_Json(const Campaign& campaign, DisplayScale scale, const std::vector<bool>& shown) {
    Json occupations = Json::array();
    const auto number = [](double value, bool known) { return known ? Json(value) : Json(nullptr); };
    for (const OccupationLine& line : Lines(campaign, shown)) {
        const Occupation& occupation = *line.occupation;
        const bool positioned = occupation.positionKnown;
        Json spans = Json::array();
        for (const min_lumo_field::DataSpan& span : occupation.spans)
            spans.push_back({{"first", min_lumo_field::Display_Time_Iso(span.startGps, scale)},
                             {"last", min_lumo_field::Display_Time_Iso(span.endGps, scale)},
                             {"epochs", span.epochCount}});
        occupations.push_back(
            {{"station", line.station},
             {"files", Files_Of(occupation)},
             {"first", min_lumo_field::Display_Time_Iso(occupation.firstGps, scale)},
             {"last", min_lumo_field::Display_Time_Iso(occupation.lastGps, scale)},
             {"epochs", occupation.epochCount},
             {"intervalSeconds", number(occupation.intervalSeconds, occupation.intervalSeconds > 0.0)},
             {"completeness",
              number(Rounded(occupation.completeness, reportedFractionSteps), occupation.completeness > 0.0)},
             {"gaps", occupation.gapCount},
             {"longestGapSeconds", occupation.longestGapSeconds},
             {"spans", spans},
             {"receiver", occupation.receiver},
             {"receiverNumber", occupation.receiverNumber},
             {"receiverVersion", occupation.receiverVersion},
             {"antenna", occupation.antennaType},
             {"antennaNumber", occupation.antennaNumber},
             {"antennaHeight", Rounded(occupation.antennaHeight, reportedMetreSteps)},
             {"antennaEast", Rounded(occupation.antennaEast, reportedMetreSteps)},
             {"antennaNorth", Rounded(occupation.antennaNorth, reportedMetreSteps)},
             {"markerName", occupation.markerName},
             {"markerNumber", occupation.markerNumber},
             {"fileStationId", occupation.fileStationId},
             {"latitude", number(Rounded(occupation.latitude, reportedDegreeSteps), positioned)},
             {"longitude", number(Rounded(occupation.longitude, reportedDegreeSteps), positioned)},
             {"height", number(Rounded(occupation.height, reportedMetreSteps), positioned)},
             {"format", occupation.format}});
    }
    return occupations;
}

std::string Occupations_Csv_Text(const Campaign& campaign, DisplayScale scale, const std::vector<bool>& shown) {
    std::string text = Csv_Line({"station", "files", "first", "last", "time_scale", "epochs", "interval_s",
                                 "completeness_percent", "gaps", "longest_gap", "longest_gap_s", "receiver",
                                 "receiver_number", "receiver_version", "antenna", "antenna_number", "antenna_height_m",
                                 "antenna_east_m", "antenna_north_m", "marker_name", "marker_number", "latitude",
                                 "longitude", "height_m", "format"});
    for (const OccupationLine& line : Lines(campaign, shown)) {
        const Occupation& occupation = *line.occupation;
        const bool positioned = occupation.positionKnown;
        text += Csv_Line({line.station, Joined_Files(Files_Of(occupation)),
                          min_lumo_field::Display_Time_Iso(occupation.firstGps, scale),
                          min_lumo_field::Display_Time_Iso(occupation.lastGps, scale),
                          min_lumo_field::Display_Scale_Name(scale), std::to_string(occupation.epochCount),
                          Interval_Text(occupation), Completeness_Text(occupation), std::to_string(occupation.gapCount),
                          Longest_Gap_Text(occupation), fmt::format("{:g}", occupation.longestGapSeconds),
                          occupation.receiver, occupation.receiverNumber, occupation.receiverVersion,
                          occupation.antennaType, occupation.antennaNumber, Metres(occupation.antennaHeight),
                          Metres(occupation.antennaEast), Metres(occupation.antennaNorth), occupation.markerName,
                          occupation.markerNumber, positioned ? fmt::format("{:.9f}", occupation.latitude) : "",
                          positioned ? fmt::format("{:.9f}", occupation.longitude) : "",
                          positioned ? fmt::format("{:.4f}", occupation.height) : "", occupation.format});
    }
    return text;
}

}  // namespace min_lumo_tool

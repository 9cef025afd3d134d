#include "tool/plan/antenna_check.h"

#include <algorithm>
#include <array>
#include <cctype>

#include <fmt/format.h>

#include "tool/plan/report_fields.h"

namespace min_lumo_tool {

namespace {

// Types left as they came or filled in by someone who did not know.
constexpr std::array<const char*, 10> placeholderAntennaTypes = {
    "UNKNOWN", "UNKNOWN EXT", "NONE", "NULL", "DEFAULT", "N/A", "NA", "ANTENNA", "UNKN", "XXXX"};

// The type's own columns: RINEX gives the antenna type in 16 and the radome
// in the 4 after them; a trimmed header value keeps both.
constexpr std::size_t antennaTypeColumns = 16;

std::string Trimmed_Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    while (!text.empty() && text.front() == ' ') text.erase(text.begin());
    return text;
}

}  // namespace

bool Is_Placeholder_Antenna_Type(const std::string& antennaType) {
    const std::string type = Trimmed_Upper(antennaType.substr(0, std::min(antennaType.size(), antennaTypeColumns)));
    if (type.empty()) return true;
    if (std::all_of(type.begin(), type.end(), [](char c) { return c == '?' || c == '-' || c == '.' || c == '0'; }))
        return true;
    return std::any_of(placeholderAntennaTypes.begin(), placeholderAntennaTypes.end(),
                       [&](const char* placeholder) { return type == placeholder; });
}

std::vector<AntennaDoubt> Antenna_Doubts(const min_lumo_field::Occupation& occupation, const AntennaLimits& limits) {
    std::vector<AntennaDoubt> doubts;
    if (occupation.epochCount == 0) return doubts;  // a log's line: no header, no antenna
    const double height = occupation.antennaHeight;
    // Millimetres, or as many decimals as it takes not to read as the limit.
    constexpr int millimetreDecimals = 3;
    if (height < limits.lowestHeightMetres)
        doubts.push_back({true, fmt::format("antenna height {} m, under {} m",
                                            Compared_Texts(height, limits.lowestHeightMetres, millimetreDecimals).first,
                                            fmt::format("{:g}", limits.lowestHeightMetres))});
    else if (height > limits.highestHeightMetres || height != height)
        doubts.push_back({true, fmt::format("antenna height {} m, over {} m",
                                            Compared_Texts(height, limits.highestHeightMetres, millimetreDecimals).first,
                                            fmt::format("{:g}", limits.highestHeightMetres))});
    if (limits.knownType && Is_Placeholder_Antenna_Type(occupation.antennaType))
        doubts.push_back({false, occupation.antennaType.empty()
                                     ? std::string("no antenna type")
                                     : fmt::format("antenna type '{}' names no antenna", occupation.antennaType)});
    return doubts;
}

std::string Antenna_Doubts_Text(const std::vector<AntennaDoubt>& doubts) {
    std::string text;
    for (const AntennaDoubt& doubt : doubts) text += (text.empty() ? "" : "; ") + doubt.text;
    return text;
}

}  // namespace min_lumo_tool

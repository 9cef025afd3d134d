#include "tool/field/occupation.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <utility>

#include <GeographicLib/Geocentric.hpp>

namespace min_lumo_field {

std::string Located(const std::string& file, int64_t line, const std::string& text) {
    if (line > 0) return file + ":" + std::to_string(line) + ": " + text;
    return file + ": " + text;
}

FieldFileError::FieldFileError(std::string fileName, int64_t lineNumber, std::string why)
    : std::runtime_error(Located(fileName, lineNumber, why)),
      file(std::move(fileName)),
      line(lineNumber),
      reason(std::move(why)) {}

namespace {

constexpr std::size_t shortNameStationLength = 4, longNameStationLength = 9;
// Defaults receivers and their software write when the surveyor gives no name.
constexpr std::array<const char*, 14> placeholderMarkers = {
    "SITE", "UNKNOWN", "UNKN", "UNK", "MARKER", "MARKERNAME", "DEFAULT", "NONE", "NAME", "STATION", "NA", "NOTSET",
    "NONAME", "MARKER NAME"};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool Alphanumeric(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
bool Digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool Is_Placeholder_Marker(const std::string& markerName) {
    std::string name = Upper(markerName);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!name.empty() && name.front() == ' ') name.erase(name.begin());
    if (name.empty()) return true;
    // Only question marks, dashes, dots or zeros: a field left as it came.
    if (std::all_of(name.begin(), name.end(), [](char c) { return c == '?' || c == '-' || c == '.' || c == '0'; }))
        return true;
    std::string unspaced = name;
    std::replace(unspaced.begin(), unspaced.end(), '_', ' ');
    std::replace(unspaced.begin(), unspaced.end(), '/', ' ');
    return std::any_of(placeholderMarkers.begin(), placeholderMarkers.end(),
                       [&](const char* placeholder) { return unspaced == placeholder; });
}

std::string File_Station_Id(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    // Long: SSSSMRCCC_K_YYYYDDDHHMM_..., e.g. CEDA00USA_R_20182100000_23H_15S_MO.rnx
    if (name.size() > 23 && std::all_of(name.begin(), name.begin() + longNameStationLength, Alphanumeric)
        && name[9] == '_' && std::isalpha(static_cast<unsigned char>(name[10])) && name[11] == '_'
        && std::all_of(name.begin() + 12, name.begin() + 23, Digit))
        return Upper(name.substr(0, longNameStationLength));
    // Short: ssssdddf.yyt, e.g. site1350.24o, then perhaps .gz or .Z.
    if (name.size() >= 12 && std::all_of(name.begin(), name.begin() + 4, Alphanumeric)
        && std::all_of(name.begin() + 4, name.begin() + 7, Digit) && Alphanumeric(name[7]) && name[8] == '.'
        && Digit(name[9]) && Digit(name[10]) && std::isalpha(static_cast<unsigned char>(name[11]))
        && (name.size() == 12 || name[12] == '.'))
        return Upper(name.substr(0, shortNameStationLength));
    return {};
}

GeodeticPosition Geodetic_From_Earth_Centred(double x, double y, double z) {
    GeodeticPosition position;
    GeographicLib::Geocentric::WGS84().Reverse(x, y, z, position.latitude, position.longitude, position.height);
    return position;
}

void Set_Earth_Centred_Position(Occupation& occupation, double x, double y, double z) {
    occupation.positionKnown = true;
    occupation.x = x;
    occupation.y = y;
    occupation.z = z;
    const GeodeticPosition position = Geodetic_From_Earth_Centred(x, y, z);
    occupation.latitude = position.latitude;
    occupation.longitude = position.longitude;
    occupation.height = position.height;
}

void Set_Geodetic_Position(Occupation& occupation, double latitude, double longitude, double height) {
    occupation.positionKnown = true;
    occupation.latitude = latitude;
    occupation.longitude = longitude;
    occupation.height = height;
    GeographicLib::Geocentric::WGS84().Forward(latitude, longitude, height, occupation.x, occupation.y, occupation.z);
}

}  // namespace min_lumo_field

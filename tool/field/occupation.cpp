#include "tool/field/occupation.h"

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

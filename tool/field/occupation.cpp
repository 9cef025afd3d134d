#include "tool/field/occupation.h"

#include <utility>

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
    const min_lumo::CartesianPosition position = Earth_Centred_From_Geodetic(latitude, longitude, height);
    occupation.x = position.x;
    occupation.y = position.y;
    occupation.z = position.z;
}

}  // namespace min_lumo_field

// Positions on WGS 84: Earth-centred, Earth-fixed coordinates to geodetic
// latitude, longitude and height and back, the same in every build.
#pragma once

#include "core/geodetic_conversion.h"

namespace min_lumo_field {

// The WGS 84 defining parameters: NGA TR8350.2, "Department of Defense World
// Geodetic System 1984" (3rd edition, amendment 1, 2000), table 3.1.  The
// squared first eccentricity f (2 - f) is its derived 6.69437999014e-3
// (table 3.3).
constexpr double wgs84SemiMajorAxisMetres = 6378137.0;
constexpr double wgs84InverseFlattening = 298.257223563;
constexpr double wgs84Flattening = 1.0 / wgs84InverseFlattening;
constexpr min_lumo::Ellipsoid wgs84Ellipsoid{wgs84SemiMajorAxisMetres, wgs84Flattening * (2.0 - wgs84Flattening)};

struct GeodeticPosition {
    double latitude = 0.0, longitude = 0.0, height = 0.0;  // degrees, degrees, metres on WGS 84
};

// Any Earth-centred position (metres), from the centre to far beyond the
// satellites, to within a few micrometres.  Inside the small region around
// the centre where several points of the ellipsoid are nearest, the one on
// the side of the equator that z is on (north for z = 0) is taken; on the
// polar axis the longitude is 0.
GeodeticPosition Geodetic_From_Earth_Centred(double x, double y, double z);

// Latitude and longitude in degrees, height in metres above the ellipsoid.
min_lumo::CartesianPosition Earth_Centred_From_Geodetic(double latitude, double longitude, double height);

}  // namespace min_lumo_field

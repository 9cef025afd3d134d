// Geodetic position to Earth-centred, Earth-fixed Cartesian coordinates on an
// ellipsoid of revolution: the host's, for the baseline length in the
// observation score, and any other (the tool converts on WGS 84).
#pragma once

namespace min_lumo {

struct CartesianPosition {
    double x;  // metres, Earth-centred, Earth-fixed
    double y;
    double z;
};

struct Ellipsoid {
    double semiMajorAxisMetres;
    double squaredEccentricity;
};

// The host's ellipsoid: the WGS 84 semi-major axis with the host's own squared
// eccentricity, which differs slightly from WGS 84's 0.00669437999014.  Scores
// must match the host's, so the host's value is kept.
inline constexpr Ellipsoid hostEllipsoid{6378137.0, 0.006694380066764658};

// Latitude and longitude in degrees, height above the ellipsoid in metres.
// No range check or normalisation of the angles is made.
CartesianPosition Geodetic_To_Cartesian(const Ellipsoid& ellipsoid, double latitude, double longitude, double height);

// On the host's ellipsoid.
inline CartesianPosition Geodetic_To_Cartesian(double latitude, double longitude, double height) {
    return Geodetic_To_Cartesian(hostEllipsoid, latitude, longitude, height);
}

}  // namespace min_lumo

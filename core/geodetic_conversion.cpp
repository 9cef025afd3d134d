#include "core/geodetic_conversion.h"

#include <cmath>

namespace min_lumo {

namespace {

// The host's ellipsoid: the WGS 84 semi-major axis with the host's own squared
// eccentricity, which differs slightly from WGS 84's 0.00669437999014.  Scores
// must match the host's, so the host's value is kept.
constexpr double SemiMajorAxisMetres = 6378137.0;
constexpr double SquaredEccentricity = 0.006694380066764658;
constexpr double RadiansPerDegree = 0.017453292519943295;  // pi / 180

}  // namespace

// Every product is evaluated left to right and rounded to double, in the
// host's order, so that truncated distance terms agree with the host's.
CartesianPosition Geodetic_To_Cartesian(double latitude, double longitude, double height) {
    const double eccentricity = std::sqrt(SquaredEccentricity);
    const double phi = latitude * RadiansPerDegree;
    const double lambda = longitude * RadiansPerDegree;
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double eSinPhi = eccentricity * sinPhi;
    // Radius of curvature in the prime vertical.
    const double primeVerticalRadius = SemiMajorAxisMetres / std::sqrt(1.0 - eSinPhi * eSinPhi);
    const double radiusPlusHeight = primeVerticalRadius + height;
    CartesianPosition position;
    position.x = std::cos(lambda) * radiusPlusHeight * cosPhi;
    position.y = std::sin(lambda) * radiusPlusHeight * cosPhi;
    position.z = ((1.0 - eccentricity * eccentricity) * primeVerticalRadius + height) * sinPhi;
    return position;
}

}  // namespace min_lumo

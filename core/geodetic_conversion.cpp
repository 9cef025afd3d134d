#include "core/geodetic_conversion.h"

#include <cmath>

namespace min_lumo {

namespace {

constexpr double RadiansPerDegree = 0.017453292519943295;  // pi / 180

}  // namespace

// Every product is evaluated left to right and rounded to double, in the
// host's order, so that truncated distance terms agree with the host's.
CartesianPosition Geodetic_To_Cartesian(const Ellipsoid& ellipsoid, double latitude, double longitude, double height) {
    const double eccentricity = std::sqrt(ellipsoid.squaredEccentricity);
    const double phi = latitude * RadiansPerDegree;
    const double lambda = longitude * RadiansPerDegree;
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double eSinPhi = eccentricity * sinPhi;
    // Radius of curvature in the prime vertical.
    const double primeVerticalRadius = ellipsoid.semiMajorAxisMetres / std::sqrt(1.0 - eSinPhi * eSinPhi);
    const double radiusPlusHeight = primeVerticalRadius + height;
    CartesianPosition position;
    position.x = std::cos(lambda) * radiusPlusHeight * cosPhi;
    position.y = std::sin(lambda) * radiusPlusHeight * cosPhi;
    position.z = ((1.0 - eccentricity * eccentricity) * primeVerticalRadius + height) * sinPhi;
    return position;
}

}  // namespace min_lumo

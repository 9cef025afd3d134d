#include "tool/field/wgs84_conversion.h"

#include <cmath>

namespace min_lumo_field {

namespace {

constexpr double degreesPerRadian = 57.295779513082320876798;  // 180 / pi
constexpr double squareRootOfThree = 1.7320508075688772935274;

}  // namespace

// The closed form of Vermeille, H. (2002), "Direct transformation from
// geocentric coordinates to geodetic coordinates", Journal of Geodesy 76,
// 451-454, on lengths in semi-major axes.  With p = (x^2 + y^2) / a^2,
// q = (1 - e^2) z^2 / a^2 and k = 1 - e^2 + h / N, the nearest point of the
// ellipsoid solves p / (k + e^2)^2 + q / k^2 = 1, whose one positive root k
// comes from the resolvent cubic's root u.  Vermeille, H. (2004), "Computing
// geodetic coordinates from geocentric coordinates", Journal of Geodesy 78,
// 94-95, bounds where the 2002 formulas hold near the centre; there (inside
// the evolute of the meridian ellipse) the cubic has three real roots and
// its root is taken here in trigonometric form instead, and each difference
// that would cancel is written as a sum, so the conversion holds everywhere.
GeodeticPosition Geodetic_From_Earth_Centred(double x, double y, double z) {
    const double e2 = wgs84Ellipsoid.squaredEccentricity;
    const double e4 = e2 * e2;
    const double a = wgs84Ellipsoid.semiMajorAxisMetres;
    const double rho = std::hypot(x, y) / a;  // from the polar axis
    const double zeta = z / a;
    const double p = rho * rho;
    const double q = (1.0 - e2) * zeta * zeta;

    // The normal through the point, as a direction (towards the equatorial
    // plane, towards the pole) in the meridian plane.
    double normalOut = 0.0, normalUp = 0.0;
    if (q == 0.0 && p <= e4) {
        // On the equatorial plane within a e^2 of the axis: k = 0, and the
        // nearest points lie off the plane, where N cos(latitude) = rho / e^2.
        normalOut = std::sqrt(p * (1.0 - e2));
        normalUp = z < 0.0 ? -std::sqrt(e4 - p) : std::sqrt(e4 - p);
    } else {
        const double r = (p + q - e4) / 6.0;
        const double r3 = r * r * r;
        const double m = e4 * p * q / 4.0;  // Vermeille's s = m / r^3, kept finite as r -> 0
        double u = 0.0;
        if (m + 2.0 * r3 >= 0.0) {
            // One real root: u = r (1 + t + 1/t), t^3 = 1 + s + sqrt(s (2 + s)).
            const double rt = std::cbrt(r3 + m + std::sqrt(m * (m + 2.0 * r3)));
            u = rt == 0.0 ? 0.0 : r + rt + r * r / rt;
        } else {
            // Inside the evolute (r < 0, -2 < s < 0): t = exp(i theta / 3),
            // the largest root u = r (1 + 2 cos(theta / 3 + 2 pi / 3)) >= 0.
            const double third = std::atan2(std::sqrt(-m * (m + 2.0 * r3)), -(r3 + m)) / 3.0;
            const double halfSine = std::sin(third / 2.0);
            u = -r * (squareRootOfThree * std::sin(third) - 2.0 * halfSine * halfSine);
        }
        const double v = std::sqrt(u * u + e4 * q);
        const double uv = u + v;
        const double w = e2 * (uv - q) / (2.0 * v);
        const double k = w >= 0.0 ? uv / (std::sqrt(uv + w * w) + w) : std::sqrt(uv + w * w) - w;
        normalOut = k * rho / (k + e2);
        normalUp = zeta;
    }
    const double normalLength = std::hypot(normalOut, normalUp);
    const double cosLatitude = normalOut / normalLength;
    const double sinLatitude = normalUp / normalLength;

    GeodeticPosition position;
    position.latitude = std::atan2(normalUp, normalOut) * degreesPerRadian;
    position.longitude = rho == 0.0 ? 0.0 : std::atan2(y, x) * degreesPerRadian;
    // The distance along the normal; stationary in the latitude, so what
    // error the latitude has leaves the height alone to first order.
    position.height =
        a * (rho * cosLatitude + zeta * sinLatitude - std::sqrt(1.0 - e2 * sinLatitude * sinLatitude));
    return position;
}

min_lumo::CartesianPosition Earth_Centred_From_Geodetic(double latitude, double longitude, double height) {
    return min_lumo::Geodetic_To_Cartesian(wgs84Ellipsoid, latitude, longitude, height);
}

}  // namespace min_lumo_field

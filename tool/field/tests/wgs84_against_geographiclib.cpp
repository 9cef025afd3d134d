// The WGS 84 conversion against GeographicLib live, over many random
// positions in every region: near the surface, deep below it, high above
// it, around the centre and on the axes and the equatorial plane.  Built on
// Linux where GeographicLib is found.  Prints the largest difference.
#include "tool/field/wgs84_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>

#include <GeographicLib/Geocentric.hpp>
#include <gtest/gtest.h>

namespace min_lumo_field {
namespace {

constexpr double toleranceMetres = 1e-4;
constexpr double radiansPerDegree = 0.017453292519943295;
constexpr int32_t pointsPerRegion = 100000;

class Comparison {
public:
    void Reverse(double x, double y, double z) {
        double latitude = 0.0, longitude = 0.0, height = 0.0;
        GeographicLib::Geocentric::WGS84().Reverse(x, y, z, latitude, longitude, height);
        const GeodeticPosition got = Geodetic_From_Earth_Centred(x, y, z);
        const double radius = wgs84SemiMajorAxisMetres + std::max(height, 0.0);
        const double difference = std::max(
            {std::fabs(got.latitude - latitude) * radiansPerDegree * radius,
             std::fabs(std::remainder(got.longitude - longitude, 360.0)) * radiansPerDegree * radius
                 * std::cos(latitude * radiansPerDegree),
             std::fabs(got.height - height)});
        Note(difference, x, y, z);
    }
    void Forward(double latitude, double longitude, double height) {
        double x = 0.0, y = 0.0, z = 0.0;
        GeographicLib::Geocentric::WGS84().Forward(latitude, longitude, height, x, y, z);
        const min_lumo::CartesianPosition got = Earth_Centred_From_Geodetic(latitude, longitude, height);
        Note(std::hypot(got.x - x, got.y - y, got.z - z), x, y, z);
        Reverse(x, y, z);
    }
    double worst = 0.0;

private:
    void Note(double difference, double x, double y, double z) {
        if (!(difference <= toleranceMetres))
            ADD_FAILURE() << "at " << x << " " << y << " " << z << ": " << difference << " m from GeographicLib";
        worst = std::max(worst, difference);
    }
};

TEST(Wgs84AgainstGeographicLib, WithinATenthOfAMillimetreEverywhere) {
    std::mt19937_64 random(7);
    const auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
    Comparison comparison;
    for (int32_t i = 0; i < pointsPerRegion; ++i) {
        comparison.Forward(uniform(-90.0, 90.0), uniform(-180.0, 180.0), uniform(-11000.0, 100000.0));
        comparison.Forward(uniform(-90.0, 90.0), uniform(-180.0, 180.0), uniform(-6.3e6, 0.0));
        comparison.Forward(uniform(-90.0, 90.0), uniform(-180.0, 180.0), uniform(0.0, 4.0e7));
        for (const double scale : {1.0, 1.0e3, 5.0e4, 1.0e6, 1.0e8}) {
            comparison.Reverse(uniform(-scale, scale), uniform(-scale, scale), uniform(-scale, scale));
            comparison.Reverse(uniform(-scale, scale), uniform(-scale, scale), 0.0);
            comparison.Reverse(0.0, 0.0, uniform(-scale, scale));
            comparison.Reverse(uniform(-scale, scale), 0.0, uniform(-1e-6, 1e-6));
        }
    }
    std::printf("largest difference from GeographicLib: %.3g m\n", comparison.worst);
}

}  // namespace
}  // namespace min_lumo_field

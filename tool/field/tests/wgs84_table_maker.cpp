// Writes the golden table of wgs84_positions.txt: named and random
// Earth-centred positions with the geodetic coordinates GeographicLib gives
// them, the independent expectation for wgs84_conversion.cpp.  Built on
// Linux where GeographicLib is found; run by hand when cases change:
//   build/linux/bin/wgs84_table_maker > tool/field/tests/data/wgs84_positions.txt
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include <GeographicLib/Constants.hpp>
#include <GeographicLib/Geocentric.hpp>

namespace {

const GeographicLib::Geocentric& wgs84 = GeographicLib::Geocentric::WGS84();
constexpr double geostationaryHeightMetres = 35786000.0;
constexpr double deepBelowMetres = -6000000.0;

void Write_Case(const std::string& name, double x, double y, double z) {
    double latitude = 0.0, longitude = 0.0, height = 0.0;
    wgs84.Reverse(x, y, z, latitude, longitude, height);
    std::printf("\ncase %s\n  earthCentred %.17g %.17g %.17g\n  geodetic %.17g %.17g %.17g\n", name.c_str(), x, y, z,
                latitude, longitude, height);
}

void Write_Geodetic_Case(const std::string& name, double latitude, double longitude, double height) {
    double x = 0.0, y = 0.0, z = 0.0;
    wgs84.Forward(latitude, longitude, height, x, y, z);
    Write_Case(name, x, y, z);
}

}  // namespace

int main() {
    std::printf("# Earth-centred positions (x y z, metres) and their geodetic coordinates on\n"
                "# WGS 84 (latitude longitude in degrees, height in metres) as GeographicLib %s\n"
                "# gives them (Geocentric::WGS84, Reverse).  Cases named by a geodetic position\n"
                "# were placed with Geocentric::WGS84 Forward.  Written by wgs84_table_maker.cpp;\n"
                "# wgs84_conversion_test.cpp holds the conversion to them within 0.1 mm both ways.\n",
                GEOGRAPHICLIB_VERSION_STRING);
    const double b = wgs84.EquatorialRadius() * (1.0 - wgs84.Flattening());
    Write_Case("the centre of the Earth", 0.0, 0.0, 0.0);
    Write_Geodetic_Case("the north pole on the ellipsoid", 90.0, 0.0, 0.0);
    Write_Geodetic_Case("the south pole on the ellipsoid", -90.0, 0.0, 0.0);
    Write_Geodetic_Case("the north pole at geostationary height", 90.0, 0.0, geostationaryHeightMetres);
    Write_Geodetic_Case("the south pole 6000 km deep", -90.0, 0.0, deepBelowMetres);
    Write_Case("on the axis 1 m north of the centre", 0.0, 0.0, 1.0);
    Write_Case("on the axis 1 m short of the north pole", 0.0, 0.0, b - 1.0);
    Write_Geodetic_Case("the equator at longitude 0", 0.0, 0.0, 0.0);
    Write_Geodetic_Case("the equator at longitude 90", 0.0, 90.0, 0.0);
    Write_Geodetic_Case("the equator at longitude -90", 0.0, -90.0, 0.0);
    Write_Geodetic_Case("the equator at longitude 180", 0.0, 180.0, 0.0);
    Write_Geodetic_Case("the equator at longitude 45, 1000 m up", 0.0, 45.0, 1000.0);
    Write_Geodetic_Case("the equator at geostationary height", 0.0, -75.0, geostationaryHeightMetres);
    Write_Geodetic_Case("the equator 6000 km deep", 0.0, 120.0, deepBelowMetres);
    Write_Geodetic_Case("mid-latitude 6000 km deep", 47.5, 8.25, deepBelowMetres);
    Write_Geodetic_Case("mid-latitude 100 km deep", -33.9, 18.4, -100000.0);
    Write_Geodetic_Case("a mountain top", 27.988, 86.925, 8848.86);
    Write_Geodetic_Case("a low orbit", 51.6, -120.0, 420000.0);
    Write_Geodetic_Case("a navigation satellite", -55.0, 150.0, 20200000.0);
    Write_Geodetic_Case("mid-latitude at geostationary height", 60.0, 10.0, geostationaryHeightMetres);
    Write_Geodetic_Case("a million kilometres out", -12.5, -170.0, 1.0e9);
    Write_Geodetic_Case("a metre from the north pole", 89.99999999, 30.0, 0.5);
    // Around the centre, where the evolute of the meridian ellipse (out to
    // a e^2 = 42.7 km in the equatorial plane) makes several points of the
    // ellipsoid nearest.
    Write_Case("on the equatorial plane 1 km from the centre", 1000.0, 0.0, 0.0);
    Write_Case("on the equatorial plane 42 km from the centre, inside the evolute", 0.0, 42000.0, 0.0);
    Write_Case("on the equatorial plane 43 km from the centre, outside the evolute", -43000.0, 0.0, 0.0);
    Write_Case("a millimetre south of the equatorial plane inside the evolute", 20000.0, 5000.0, -0.001);
    Write_Case("near the centre, off every axis", 30000.0, -10000.0, 5000.0);
    Write_Case("on the axis 42 km south of the centre", 0.0, 0.0, -42000.0);

    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> sine(-1.0, 1.0), turn(-180.0, 180.0), nearSurface(-10000.0, 100000.0);
    const auto latitude = [&] { return std::asin(sine(random)) * 180.0 / 3.14159265358979323846; };
    for (int32_t i = 1; i <= 20; ++i)
        Write_Geodetic_Case("random near the surface " + std::to_string(i), latitude(), turn(random), nearSurface(random));
    std::uniform_real_distribution<double> space(-50000000.0, 50000000.0), core(-60000.0, 60000.0);
    for (int32_t i = 1; i <= 10; ++i) Write_Case("random in space " + std::to_string(i), space(random), space(random), space(random));
    for (int32_t i = 1; i <= 10; ++i)
        Write_Case("random near the centre " + std::to_string(i), core(random), core(random), core(random));
    return 0;
}

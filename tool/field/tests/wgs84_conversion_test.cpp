// WGS 84 conversions held to the golden table data/wgs84_positions.txt,
// whose expected values are GeographicLib's (see wgs84_table_maker.cpp),
// within 0.1 mm both ways; and a few positions worked out by hand.
#include "tool/field/wgs84_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace min_lumo_field {
namespace {

constexpr double toleranceMetres = 1e-4;
constexpr double radiansPerDegree = 0.017453292519943295;

struct TableCase {
    std::string name;
    int line = 0;
    double x = 0.0, y = 0.0, z = 0.0;
    GeodeticPosition geodetic;
};

std::vector<TableCase> Read_Table(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << "cannot open " << path;
    std::vector<TableCase> cases;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::istringstream fields(text);
        std::string key;
        if (!(fields >> key) || key[0] == '#') continue;
        if (key == "case") {
            cases.push_back({text.substr(text.find("case") + 5), line, 0.0, 0.0, 0.0, {}});
        } else if (key == "earthCentred" && !cases.empty()) {
            EXPECT_TRUE(fields >> cases.back().x >> cases.back().y >> cases.back().z) << path << ":" << line;
        } else if (key == "geodetic" && !cases.empty()) {
            GeodeticPosition& g = cases.back().geodetic;
            EXPECT_TRUE(fields >> g.latitude >> g.longitude >> g.height) << path << ":" << line;
        } else {
            ADD_FAILURE() << path << ":" << line << ": unknown key " << key;
        }
    }
    return cases;
}

// How far apart two geodetic positions of one point are, in metres: the
// angles turned into arcs at the point's distance from the centre (at least
// the ellipsoid's), and the heights.
double Geodetic_Difference_Metres(const GeodeticPosition& got, const GeodeticPosition& wanted) {
    const double radius = wgs84SemiMajorAxisMetres + std::max(wanted.height, 0.0);
    const double longitudeTurn = std::remainder(got.longitude - wanted.longitude, 360.0);
    return std::max({std::fabs(got.latitude - wanted.latitude) * radiansPerDegree * radius,
                     std::fabs(longitudeTurn) * radiansPerDegree * radius * std::cos(wanted.latitude * radiansPerDegree),
                     std::fabs(got.height - wanted.height)});
}

TEST(Wgs84Conversion, AgreesWithTheGoldenTableBothWays) {
    const std::vector<TableCase> cases = Read_Table(MIN_LUMO_FIELD_TEST_DATA "/wgs84_positions.txt");
    ASSERT_GE(cases.size(), 60u);
    double worstReverse = 0.0, worstForward = 0.0;
    for (const TableCase& c : cases) {
        SCOPED_TRACE("wgs84_positions.txt:" + std::to_string(c.line) + ": " + c.name);
        const double reverse = Geodetic_Difference_Metres(Geodetic_From_Earth_Centred(c.x, c.y, c.z), c.geodetic);
        EXPECT_LE(reverse, toleranceMetres);
        const min_lumo::CartesianPosition back =
            Earth_Centred_From_Geodetic(c.geodetic.latitude, c.geodetic.longitude, c.geodetic.height);
        const double forward = std::hypot(back.x - c.x, back.y - c.y, back.z - c.z);
        EXPECT_LE(forward, toleranceMetres);
        worstReverse = std::max(worstReverse, reverse);
        worstForward = std::max(worstForward, forward);
    }
    std::printf("largest difference from the table: %.3g m geodetic, %.3g m back\n", worstReverse, worstForward);
}

// By hand: b = a (1 - f) = 6356752.314245 m (TR8350.2 table 3.3 rounds it to
// 6356752.3142); on the axis the height is the distance to the pole, on the
// equator to a; at the centre the nearest points are the poles, 90 degrees.
TEST(Wgs84Conversion, AxesAndCentreWorkedByHand) {
    constexpr double b = 6356752.314245;
    constexpr double a = 6378137.0;
    struct Row {
        const char* what;
        double x, y, z;
        GeodeticPosition wanted;
    };
    const Row rows[] = {
        {"north pole 100 m up", 0.0, 0.0, b + 100.0, {90.0, 0.0, 100.0}},
        {"south pole 2 km deep", 0.0, 0.0, -(b - 2000.0), {-90.0, 0.0, -2000.0}},
        {"the centre", 0.0, 0.0, 0.0, {90.0, 0.0, -b}},
        {"equator, Greenwich, 10 m up", a + 10.0, 0.0, 0.0, {0.0, 0.0, 10.0}},
        {"equator, 90 east, 5000 km deep", 0.0, a - 5.0e6, 0.0, {0.0, 90.0, -5.0e6}},
        {"equator, date line, geostationary", -(a + 35786000.0), 0.0, 0.0, {0.0, 180.0, 35786000.0}},
        {"equator, 90 west", 0.0, -a, 0.0, {0.0, -90.0, 0.0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_LE(Geodetic_Difference_Metres(Geodetic_From_Earth_Centred(row.x, row.y, row.z), row.wanted),
                  toleranceMetres);
    }
}

TEST(Wgs84Conversion, ConstantsAreTheDefiningParameters) {
    EXPECT_EQ(wgs84Ellipsoid.semiMajorAxisMetres, 6378137.0);
    EXPECT_NEAR(wgs84Ellipsoid.squaredEccentricity, 6.69437999014e-3, 1e-14);  // TR8350.2 table 3.3
}

}  // namespace
}  // namespace min_lumo_field

// The observation score and the geodetic conversion behind its distance term.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "host/host_records.h"
#include "minimise/geodetic_to_cartesian.h"
#include "minimise/score_observation.h"
#include "network/time_network.h"
#include "tests/support/host_project.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

// One observation between stations F and G, both at latitude 0, longitude 0
// with a usable position, by default 0 m apart; source 0 fails the ratio
// test (quotient 0), so a default observation scores exactly its time term.
class ScoreProject {
public:
    ScoreProject() {
        project.Add_Source(0, 1);
        project.Add_Station("F");
        project.Add_Station("G");
        project.Add_Baseline(0, 1);
        project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 1, .timeSpan = 0});
        CurrentProject = project.Header();
    }
    ScoreProject(const ScoreProject&) = delete;
    ScoreProject& operator=(const ScoreProject&) = delete;

    ObservationRef Observation() { return project.Observation(0); }
    void Time_Span(double value) { Write_Field(Observation(), observation::timeSpan, value); }
    // Both ends of the observation use a new source with this ratio.
    void Sources(int32_t numerator, int32_t denominator) {
        const int32_t index = project.Add_Source(numerator, denominator);
        Write_Field(Observation(), observation::fromSource, index);
        Write_Field(Observation(), observation::toSource, index);
        CurrentProject = project.Header();
    }
    void Flags(int32_t station, int32_t a, int32_t b, int32_t c) {
        Write_Field(project.Station(station), station::positionFlagA, a);
        Write_Field(project.Station(station), station::positionFlagB, b);
        Write_Field(project.Station(station), station::positionFlagC, c);
    }
    int32_t Score() { return Score_Observation(0); }

    HostProject project;
};

TEST(TimeTerm, OnePointPerWhole900) {
    const struct {
        double timeSpan;
        int32_t points;
    } cases[] = {{899.999, 0}, {900, 1}, {1800, 2}, {3600, 4}, {-1350, -1}, {0, 0}, {-899.999, 0}};
    ScoreProject p;
    for (const auto& c : cases) {
        p.Time_Span(c.timeSpan);
        EXPECT_EQ(p.Score(), c.points) << c.timeSpan;
    }
}

// The product rounded to double is exactly k; a wider intermediate, or a
// division by 900, would not agree with the host for every k.
TEST(TimeTerm, EveryWholeMultipleOf900GivesExactlyK) {
    ScoreProject p;
    int32_t mismatches = 0;
    for (int32_t k = 0; k <= 100000; ++k) {
        p.Time_Span(900.0 * k);
        if (p.Score() != k && ++mismatches <= 5) ADD_FAILURE() << "k = " << k << " gives " << p.Score();
    }
    EXPECT_EQ(mismatches, 0);
}

// Out of 32-bit range or NaN: saturated, and NaN counts as 0.
TEST(TimeTerm, NonFiniteAndHugeSpansAreConvertedSafely) {
    const struct {
        double timeSpan;
        int32_t points;
    } cases[] = {{std::numeric_limits<double>::quiet_NaN(), 0},
                 {std::numeric_limits<double>::infinity(), std::numeric_limits<int32_t>::max()},
                 {-std::numeric_limits<double>::infinity(), std::numeric_limits<int32_t>::min()},
                 {1e300, std::numeric_limits<int32_t>::max()},
                 {900.0 * 2147483647.0, std::numeric_limits<int32_t>::max()},
                 {-900.0 * 2147483648.0, std::numeric_limits<int32_t>::min()}};
    ScoreProject p;
    for (const auto& c : cases) {
        p.Time_Span(c.timeSpan);
        EXPECT_EQ(p.Score(), c.points) << c.timeSpan;
    }
}

// The 32-bit sum wraps in two's complement rather than being undefined.
TEST(ScoreSum, WrapsInTwosComplement) {
    ScoreProject p;
    p.Time_Span(std::numeric_limits<double>::infinity());
    Write_Field(p.Observation(), observation::forced, 1);
    EXPECT_EQ(p.Score(), std::numeric_limits<int32_t>::min() + 21999);
}

struct RatioCase {
    int32_t numerator, denominator;
    bool passes;
};

class SourceRatio : public ::testing::TestWithParam<RatioCase> {};

// The integer quotient must exceed 0.8, that is be at least 1.  A zero
// divisor and INT32_MIN / -1 fail instead of trapping.
TEST_P(SourceRatio, BonusOnlyWhenTheIntegerQuotientIsAtLeastOne) {
    ScoreProject p;
    p.Sources(GetParam().numerator, GetParam().denominator);
    EXPECT_EQ(p.Score(), GetParam().passes ? 3 : 0);
}

INSTANTIATE_TEST_SUITE_P(Ratios, SourceRatio,
                         ::testing::Values(RatioCase{8, 10, false}, RatioCase{10, 10, true},
                                           RatioCase{19, 10, true}, RatioCase{-5, -4, true},
                                           RatioCase{5, -4, false}, RatioCase{0, 7, false},
                                           RatioCase{1, 0, false},
                                           RatioCase{std::numeric_limits<int32_t>::min(), -1, false},
                                           RatioCase{std::numeric_limits<int32_t>::min(), -2, true}));

TEST(SourceRatio, BothSourcesMustPass) {
    ScoreProject p;
    const int32_t passing = p.project.Add_Source(1, 1);
    const int32_t failing = p.project.Add_Source(8, 10);
    CurrentProject = p.project.Header();
    const struct {
        int32_t from, to, points;
    } cases[] = {{passing, passing, 3}, {passing, failing, 0}, {failing, passing, 0}};
    for (const auto& c : cases) {
        Write_Field(p.Observation(), observation::fromSource, c.from);
        Write_Field(p.Observation(), observation::toSource, c.to);
        EXPECT_EQ(p.Score(), c.points) << c.from << " " << c.to;
    }
}

// A failing from-source decides alone: the to-source is not consulted, so a
// to-source whose ratio cannot even be formed changes nothing.
TEST(SourceRatio, FailingFromSourceDecidesAlone) {
    ScoreProject p;
    const int32_t unformable = p.project.Add_Source(1, 0);
    CurrentProject = p.project.Header();
    Write_Field(p.Observation(), observation::fromSource, 0);  // 0 / 1 fails
    Write_Field(p.Observation(), observation::toSource, unformable);
    EXPECT_EQ(p.Score(), 0);
}

struct FlagsCase {
    int32_t from[3], to[3];  // flags A, B, C
    int32_t points;
};

class PositionFlags : public ::testing::TestWithParam<FlagsCase> {};

// Any non-zero flag gives a usable position; without one at either end the
// penalty is -3, once.
TEST_P(PositionFlags, PenaltyOnceWithoutUsablePositions) {
    const FlagsCase& c = GetParam();
    ScoreProject p;
    p.Flags(0, c.from[0], c.from[1], c.from[2]);
    p.Flags(1, c.to[0], c.to[1], c.to[2]);
    EXPECT_EQ(p.Score(), c.points);
}

INSTANTIATE_TEST_SUITE_P(Flags, PositionFlags,
                         ::testing::Values(FlagsCase{{0, 0, 0}, {1, 0, 0}, -3}, FlagsCase{{1, 0, 0}, {0, 0, 0}, -3},
                                           FlagsCase{{0, 0, 0}, {0, 0, 0}, -3}, FlagsCase{{1, 0, 0}, {0, 0, 1}, 0},
                                           FlagsCase{{0, 2, 0}, {0, 0, -1}, 0}, FlagsCase{{0, 0, 2}, {2, 0, 0}, 0}));

struct DistanceCase {
    float fromHeight, toHeight;  // metres; both stations at latitude 0, longitude 0
    int32_t points;
};

class DistanceTerm : public ::testing::TestWithParam<DistanceCase> {};

// At latitude 0, longitude 0 the height is added to X exactly, so stacked
// stations are exactly their height difference apart.
TEST_P(DistanceTerm, MinusOnePointPerWhole25Metres) {
    ScoreProject p;
    Write_Field(p.project.Station(0), station::height, GetParam().fromHeight);
    Write_Field(p.project.Station(1), station::height, GetParam().toHeight);
    EXPECT_EQ(p.Score(), GetParam().points);
}

INSTANTIATE_TEST_SUITE_P(Lengths, DistanceTerm,
                         ::testing::Values(DistanceCase{0.0F, 0.0F, 0}, DistanceCase{0.0F, 24.9F, 0},
                                           DistanceCase{25.0F, 0.0F, -1}, DistanceCase{0.0F, 49.0F, -1},
                                           DistanceCase{0.0F, 50.0F, -2}, DistanceCase{100.0F, 1100.0F, -40},
                                           DistanceCase{10000.0F, 0.0F, -400}));

// Along the equator the chord is 2 a sin(dLongitude / 2).
TEST(DistanceTerm, StationsAlongTheEquator) {
    const double semiMajorAxis = 6378137.0;
    const struct {
        double chordMetres;
        int32_t points;
    } cases[] = {{1000.4, -40}, {9999.6, -399}, {10000.4, -400}, {24.6, 0}};
    for (const auto& c : cases) {
        ScoreProject p;
        const double longitude = 2.0 * std::asin(c.chordMetres / (2.0 * semiMajorAxis)) * 180.0 / std::numbers::pi;
        Write_Field(p.project.Station(1), station::longitude, longitude);
        EXPECT_EQ(p.Score(), c.points) << c.chordMetres;
    }
}

TEST(ScoreExamples, ForcedWithFailingSourceAndNoPositionScores21997) {
    ScoreProject p;
    Write_Field(p.Observation(), observation::forced, 7);
    p.Flags(1, 0, 0, 0);
    EXPECT_EQ(p.Score(), 21997);
}

TEST(ScoreExamples, HourLongTenKilometreObservationScoresMinus393) {
    ScoreProject p;
    p.Time_Span(3600);
    p.Sources(1, 1);
    Write_Field(p.project.Station(1), station::height, 10000.0F);
    EXPECT_EQ(p.Score(), -393);
}

TEST(GeodeticToCartesian, EquatorAndPole) {
    const CartesianPosition equator = Geodetic_To_Cartesian(0, 0, 0);
    EXPECT_EQ(equator.x, 6378137.0);
    EXPECT_EQ(equator.y, 0.0);
    EXPECT_EQ(equator.z, 0.0);
    const CartesianPosition pole = Geodetic_To_Cartesian(90, 0, 0);
    EXPECT_NEAR(pole.z, 6356752.314, 0.0005);
    EXPECT_NEAR(pole.x, 0.0, 1e-6);
    EXPECT_NEAR(pole.y, 0.0, 1e-6);
}

TEST(GeodeticToCartesian, HeightRaisesAlongTheNormal) {
    const CartesianPosition ground = Geodetic_To_Cartesian(45, 90, 0);
    const CartesianPosition raised = Geodetic_To_Cartesian(45, 90, 1000);
    const double dx = raised.x - ground.x;
    const double dy = raised.y - ground.y;
    const double dz = raised.z - ground.z;
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 1000.0, 1e-6);
    EXPECT_NEAR(ground.x, 0.0, 1e-6);  // longitude 90 puts the station on the Y axis
}

}  // namespace
}  // namespace min_lumo_test

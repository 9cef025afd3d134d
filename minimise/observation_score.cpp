#include "minimise/observation_score.h"

#include <cmath>
#include <limits>

#include "core/int32_arithmetic.h"
#include "host/host_records.h"

namespace min_lumo {

namespace {

// The host's ellipsoid: the WGS 84 semi-major axis with the host's own squared
// eccentricity, which differs slightly from WGS 84's 0.00669437999014.  Scores
// must match the host's, so the host's value is kept.
constexpr double SemiMajorAxisMetres = 6378137.0;
constexpr double SquaredEccentricity = 0.006694380066764658;
constexpr double RadiansPerDegree = 0.017453292519943295;  // pi / 180

// One point per whole 900 units of timeSpan.  The factor is the double nearest
// 1/900 and the time span is multiplied by it, not divided by 900: the product
// rounded to double is exactly k for a time span of 900 k, which is what the
// host computes.
constexpr double TimeFactorPointsPerUnit = 0.0011111111111111111;
// A source passes when its integer ratio quotient is strictly above this.
constexpr double SourceRatioThreshold = 0.8;
constexpr int32_t BothSourcesBonusPoints = 3;
constexpr int32_t NoPositionPenaltyPoints = -3;
// Minus one point per whole 25 metres of chord length.
constexpr double DistanceFactorPointsPerMetre = -0.04;
// Large enough to lift a forced observation above any unforced one.
constexpr int32_t ForcedBonusPoints = 22000;

int32_t Time_Points(ObservationRef record) {
    const double product = Read_Field(record, observation::timeSpan) * TimeFactorPointsPerUnit;
    return Truncate_To_Int32(product);
}

// The integer quotient ratioNumerator / ratioDenominator, compared as a real
// with the threshold.  A zero divisor, and INT32_MIN over -1 (whose quotient
// does not fit), fail instead of trapping; the host never sends either for a
// scored observation, so valid data is unaffected.
bool Source_Passes(SourceRef record) {
    const int32_t numerator = Read_Field(record, source::ratioNumerator);
    const int32_t denominator = Read_Field(record, source::ratioDenominator);
    if (denominator == 0) return false;
    if (numerator == std::numeric_limits<int32_t>::min() && denominator == -1) return false;
    const int32_t quotient = numerator / denominator;
    return static_cast<double>(quotient) > SourceRatioThreshold;
}

// The to-source is read only when the from-source passes.
int32_t Source_Points(const ProjectHeader* project, ObservationRef record) {
    if (!Source_Passes(Locate_Source(project, Read_Field(record, observation::fromSource))))
        return 0;
    if (!Source_Passes(Locate_Source(project, Read_Field(record, observation::toSource))))
        return 0;
    return BothSourcesBonusPoints;
}

// Any non-zero flag counts; tested C, B, A, stopping at the first set one.
bool Has_Usable_Position(StationRef record) {
    return Read_Field(record, station::positionFlagC) != 0
           || Read_Field(record, station::positionFlagB) != 0
           || Read_Field(record, station::positionFlagA) != 0;
}

CartesianPosition Station_Position(StationRef record) {
    return Geodetic_To_Cartesian(Read_Field(record, station::latitude),
                                 Read_Field(record, station::longitude),
                                 static_cast<double>(Read_Field(record, station::height)));
}

// Straight-line distance in metres, summed in the host's order.
double Chord_Length(StationRef from, StationRef to) {
    const CartesianPosition p1 = Station_Position(from);
    const CartesianPosition p2 = Station_Position(to);
    const double dx = p1.x - p2.x;
    const double dy = p1.y - p2.y;
    const double dz = p1.z - p2.z;
    return std::sqrt((dx * dx + dy * dy) + dz * dz);
}

int32_t Baseline_Points(const ProjectHeader* project, ObservationRef record) {
    const BaselineRef line = Locate_Baseline(project, Read_Field(record, observation::baseline));
    const StationRef from = Locate_Station(project, Read_Field(line, baseline::fromStation));
    const StationRef to = Locate_Station(project, Read_Field(line, baseline::toStation));
    const bool fromUsable = Has_Usable_Position(from);
    const bool toUsable = Has_Usable_Position(to);
    if (!fromUsable || !toUsable) return NoPositionPenaltyPoints;  // once, even for both
    return Truncate_To_Int32(Chord_Length(from, to) * DistanceFactorPointsPerMetre);
}

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

// The sum of separately truncated terms, in 32-bit two's complement.
int32_t Score_Observation(const MinimisationRun& run, int32_t observationIndex) {
    const ProjectHeader* project = run.project;
    const ObservationRef record = Locate_Observation(project, observationIndex);
    int32_t score = Time_Points(record);
    score = Add_Wrapping(score, Source_Points(project, record));
    score = Add_Wrapping(score, Baseline_Points(project, record));
    if (Read_Field(record, observation::forced) != 0)
        score = Add_Wrapping(score, ForcedBonusPoints);
    return score;
}

}  // namespace min_lumo

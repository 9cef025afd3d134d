#include "minimise/observation_score.h"

#include <cmath>
#include <limits>

#include "core/int32_arithmetic.h"
#include "host/host_records.h"

namespace min_lumo {

namespace {

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

int32_t Time_Points(double timeSpan) { return Truncate_To_Int32(timeSpan * TimeFactorPointsPerUnit); }

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
int32_t Source_Points(const ProjectHeader* project, const ScoreInputs& inputs) {
    if (!Source_Passes(Locate_Source(project, inputs.fromSource))) return 0;
    if (!Source_Passes(Locate_Source(project, inputs.toSource))) return 0;
    return BothSourcesBonusPoints;
}

// Straight-line distance in metres between two converted stations, summed
// in the host's order; -3 once when either has no usable position.
int32_t Baseline_Points(const StationPosition& from, const StationPosition& to) {
    if (from.usable == 0 || to.usable == 0) return NoPositionPenaltyPoints;  // once, even for both
    const double dx = from.x - to.x;
    const double dy = from.y - to.y;
    const double dz = from.z - to.z;
    const double chord = std::sqrt((dx * dx + dy * dy) + dz * dz);
    return Truncate_To_Int32(chord * DistanceFactorPointsPerMetre);
}

}  // namespace

// The sum of separately truncated terms, in 32-bit two's complement.
int32_t Score_Observation(const MinimisationRun& run, const TimeNetwork& network, int32_t position) {
    const NetObservation& entry = run.observations[network.firstObservation + position];
    const ScoreInputs& inputs = run.scoreInputs[network.firstObservation + position];
    const NetStation* stations = run.stations + network.firstStation;
    int32_t score = Time_Points(inputs.timeSpan);
    score = Add_Wrapping(score, Source_Points(run.project, inputs));
    score = Add_Wrapping(score, Baseline_Points(run.positions[stations[entry.fromStation].station],
                                                run.positions[stations[entry.toStation].station]));
    if (inputs.forced != 0) score = Add_Wrapping(score, ForcedBonusPoints);
    return score;
}

}  // namespace min_lumo

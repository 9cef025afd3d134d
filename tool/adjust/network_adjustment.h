// The least-squares adjustment of processed GNSS vectors, as surveyors run
// it: first minimally constrained (one control held in each connected part
// of the network: the vectors alone decide the shape, so their statistics
// say whether they agree and which one does not), then constrained to every
// control (held, or weighted by its sigmas), whose coordinates, error
// ellipses and relative precisions are the deliverable.
//
// Unknowns are the stations' Earth-centred coordinates, observations the
// vectors' components with their 3x3 covariances (a priori variance factor
// 1); the model is linear.  Statistics:
//  - variance factor vᵀPv / r and the two-sided chi-square global test of
//    vᵀPv with r degrees of freedom at the chosen level;
//  - per component: the residual (adjusted minus observed), the
//    standardized residual v / σv, Baarda's w-statistic (P v)_i /
//    sqrt((P Qv P)_ii), which accounts for the correlations within a vector,
//    the redundancy number (Qv P)_ii and the minimal detectable bias;
//  - data snooping: a component is an outlier when |w| exceeds the normal
//    quantile of alpha0 / 2; the vector with the largest |w| is the most
//    likely blunder.
// Sigmas, ellipses and relative precisions come from the vectors'
// covariances as given (a priori), unless the minimally constrained global
// test fails high: then the vectors are shown to be less precise than
// their covariances say, and the constrained results are scaled by that
// adjustment's variance factor.  Ellipses and relative precisions are at
// 95 %.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tool/field/wgs84_conversion.h"
#include "tool/vectors/processed_vector.h"

namespace min_lumo_tool {

using min_lumo_vectors::ControlCoordinate;
using min_lumo_vectors::EarthCentred;
using min_lumo_vectors::ProcessedVector;

// Data snooping's defaults: Baarda's B-method values of a significance
// level of 0.1 % and a power of 80 % for the one-dimensional w-test
// (critical value 3.29, non-centrality 4.13).
inline constexpr double defaultSnoopingAlpha = 0.001;
inline constexpr double defaultSnoopingPower = 0.80;
inline constexpr double defaultGlobalTestLevel = 0.95;
// Error ellipses and relative precisions are stated at this probability.
inline constexpr double precisionProbability = 0.95;

// The accuracy a standard asks of the vector between two adjusted stations
// at 95 %: horizontal and vertical, each a constant plus a part per million
// of the length.
struct RelativeAccuracy {
    double horizontalMillimetres = 0.0, horizontalPpm = 0.0;
    double verticalMillimetres = 0.0, verticalPpm = 0.0;
    std::string standard;  // the profile's name
    std::string source;    // where the numbers come from
};

struct AdjustOptions {
    // Control stations: the first of each connected part of the network is
    // held in the minimally constrained adjustment; all are held (or
    // weighted, when their coordinates carry sigmas) in the constrained one.
    std::vector<std::string> controls;
    // Their coordinates.  A control without coordinates takes the base
    // position a vector from it was processed with, with a warning.
    std::vector<ControlCoordinate> controlCoordinates;
    double level = defaultGlobalTestLevel;  // of the global test, 0 < level < 1
    double snoopingAlpha = defaultSnoopingAlpha;
    double snoopingPower = defaultSnoopingPower;
    std::optional<RelativeAccuracy> relativeAccuracy;
};

// Input the adjustment cannot run on: a station tied to no control, a
// control without coordinates, and the like.  The tool exits 2 with it.
class AdjustmentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct GlobalTest {
    double statistic = 0.0;              // vᵀPv
    int64_t degreesOfFreedom = 0;        // the redundancy
    std::optional<double> lower, upper;  // the chi-square bounds; none without redundancy
    double level = defaultGlobalTestLevel;
    bool passed = true;
};

// One adjustment's figures.
struct AdjustmentRun {
    std::string datum;  // what was held or weighted, in words
    int64_t observations = 0, unknowns = 0, redundancy = 0;
    std::optional<double> varianceFactor;  // none without redundancy
    GlobalTest globalTest;
};

// One component of one vector in the minimally constrained adjustment.
struct ComponentTest {
    double residual = 0.0;             // metres, adjusted minus observed
    double redundancy = 0.0;           // (Qv P)_ii, 0 ... 1
    std::optional<double> standardized;  // v / σv; none when the component is not checked (r near 0)
    std::optional<double> w;             // Baarda's w-statistic
    std::optional<double> detectableBias;  // metres, at the chosen alpha and power
};

struct VectorResult {
    std::size_t vector = 0;  // index into the vectors given
    std::array<ComponentTest, 3> components;  // dX, dY, dZ
    double lengthMetres = 0.0;
    std::optional<double> largestW;  // the largest |w| of its components
    int32_t largestComponent = -1;   // 0, 1, 2: dX, dY, dZ
    bool outlier = false;            // |w| above the critical value
};

enum class StationRole { adjusted, held, weighted };

struct StationResult {
    std::string name;
    StationRole role = StationRole::adjusted;
    EarthCentred position;
    min_lumo_field::GeodeticPosition geodetic;
    double sigmaEast = 0.0, sigmaNorth = 0.0, sigmaUp = 0.0;  // metres
    // The horizontal 95 % error ellipse: semi-axes in metres, the major
    // axis's azimuth in degrees clockwise from north (0 ... 180).
    double ellipseMajor = 0.0, ellipseMinor = 0.0, ellipseAzimuth = 0.0;
    double up95 = 0.0;  // metres
};

// The precision of the vector between two stations after the constrained
// adjustment, for every pair a vector joins (at least one end adjusted).
struct RelativePrecision {
    std::size_t from = 0, to = 0;  // AdjustmentResult::stations indices
    double lengthMetres = 0.0;
    double horizontal95 = 0.0, vertical95 = 0.0;  // metres: the relative ellipse's semi-major axis, the up component
    std::optional<double> horizontalAllowed, verticalAllowed;  // metres, from the rule
    bool meets = true;
};

struct AdjustmentResult {
    std::vector<ProcessedVector> vectors;  // those adjusted
    AdjustmentRun minimal, constrained;
    double snoopingAlpha = defaultSnoopingAlpha, snoopingPower = defaultSnoopingPower;
    double criticalW = 0.0, noncentrality = 0.0;
    std::vector<VectorResult> residuals;  // by vector
    std::optional<std::size_t> blunder;   // the vector with the largest |w|, when it is an outlier
    std::optional<std::size_t> largestW;  // the vector with the largest |w| of all
    // What the constrained covariances were multiplied by: 1, or the
    // minimally constrained variance factor when its global test failed high.
    double precisionScale = 1.0;
    std::vector<StationResult> stations;  // in order of first appearance
    std::vector<RelativePrecision> relative;
    std::optional<RelativeAccuracy> relativeAccuracy;
    bool relativeMeets = true;  // every relative precision within the rule (true without a rule)
    std::vector<std::string> warnings;
};

// Adjusts the vectors.  Vectors of a failed solution are left out with a
// warning.  Throws AdjustmentError for a station no chain of vectors ties
// to a control (naming the stations), a control that is no station or has
// no coordinates, a control named twice, options out of range, or a
// network the normal equations show singular.
AdjustmentResult Run_Adjustment(const std::vector<ProcessedVector>& vectors, const AdjustOptions& options);

// "dX", "dY", "dZ".
const char* Component_Name(int32_t component);
// "adjusted", "held", "weighted".
const char* Station_Role_Name(StationRole role);

}  // namespace min_lumo_tool

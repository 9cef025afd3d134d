#include "tool/adjust/network_adjustment.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <queue>

#include <Eigen/Dense>
#include <Eigen/SparseCholesky>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <fmt/format.h>

#include "tool/adjust/selected_inverse.h"
#include "tool/field/occupation.h"

namespace min_lumo_tool {

namespace {

using Eigen::Matrix3d;
using Eigen::Vector3d;
using min_lumo_vectors::SolutionKind;

// A component whose redundancy number is below this is not checked by the
// vectors around it (a vector that alone ties a station, for one): its
// residual is zero and no test applies.
constexpr double smallestTestedRedundancy = 1.0e-6;
// A pivot of the factorization this small against its row of the normal
// matrix leaves the unknown undetermined.
constexpr double smallestRelativePivot = 1.0e-12;
constexpr std::size_t stationsNamed = 12;
constexpr double degreesPerRadian = 180.0 / 3.14159265358979323846;

double Normal_Quantile(double probability) {
    return boost::math::quantile(boost::math::normal_distribution<double>(), probability);
}

double Chi_Square_Quantile(double degrees, double probability) {
    return boost::math::quantile(boost::math::chi_squared_distribution<double>(degrees), probability);
}

Vector3d Vector_Of(const EarthCentred& p) { return {p.x, p.y, p.z}; }

Matrix3d Covariance_Of(const min_lumo_vectors::VectorCovariance& c) {
    Matrix3d m;
    m << c.xx, c.xy, c.xz, c.xy, c.yy, c.yz, c.xz, c.yz, c.zz;
    return m;
}

// Rows: the local east, north and up axes on Earth-centred axes.
Matrix3d Local_Axes(const min_lumo_field::GeodeticPosition& at) {
    const double phi = at.latitude / degreesPerRadian, lambda = at.longitude / degreesPerRadian;
    Matrix3d r;
    r << -std::sin(lambda), std::cos(lambda), 0.0,
        -std::sin(phi) * std::cos(lambda), -std::sin(phi) * std::sin(lambda), std::cos(phi),
        std::cos(phi) * std::cos(lambda), std::cos(phi) * std::sin(lambda), std::sin(phi);
    return r;
}

std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < stationsNamed; ++i) text += (i == 0 ? "" : ", ") + names[i];
    if (names.size() > stationsNamed) text += fmt::format(" and {} more", names.size() - stationsNamed);
    return text;
}

bool Same_Ignoring_Case(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The vectors as the adjustment sees them: station indices, values
// relative to nothing (they are differences), covariances and weights.
struct Observation {
    int32_t from = 0, to = 0;
    Vector3d value = Vector3d::Zero();
    Matrix3d covariance = Matrix3d::Zero(), weight = Matrix3d::Zero();
};

struct Control {
    int32_t station = -1;
    Vector3d position = Vector3d::Zero();  // relative to the reference point
    std::optional<Matrix3d> covariance;  // weighted; none: held
};

// One adjustment: which stations are held, which weighted.
struct Constraints {
    std::vector<char> held;                       // by station
    std::vector<std::optional<Matrix3d>> weight;  // by station: a weighted control's weight
    std::vector<Vector3d> target;                 // by station: a held or weighted control's position
};

struct Solution {
    std::vector<Vector3d> position;                  // by station, relative to the reference point
    std::vector<Vector3d> residual;                  // by observation
    std::vector<Matrix3d> adjustedCovariance;        // by observation: of the adjusted vector
    std::vector<Matrix3d> stationCovariance;         // by station (zero when held)
    std::map<std::pair<int32_t, int32_t>, Matrix3d> pairCovariance;  // Q(i, j) of joined unknown stations, i < j
    double weightedSquares = 0.0;                    // vᵀPv
    int64_t observations = 0, unknowns = 0;
};

class Network {
public:
    Network(const std::vector<ProcessedVector>& vectors, const AdjustOptions& options, AdjustmentResult& result)
        : options_(options), result_(result) {
        for (const ProcessedVector& vector : vectors) {
            if (vector.solution == SolutionKind::failed) {
                result_.warnings.push_back(min_lumo_field::Located(
                    vector.file, vector.line,
                    fmt::format("vector {}-{} failed in processing, left out", vector.from, vector.to)));
                continue;
            }
            result_.vectors.push_back(vector);
        }
        if (result_.vectors.empty()) throw AdjustmentError("no vector to adjust");
        for (const ProcessedVector& vector : result_.vectors) {
            Observation observation;
            observation.from = Station_Index(vector.from);
            observation.to = Station_Index(vector.to);
            observation.value = Vector3d(vector.dX, vector.dY, vector.dZ);
            observation.covariance = Covariance_Of(vector.covariance);
            observation.weight = observation.covariance.inverse();
            observations_.push_back(observation);
        }
    }

    AdjustmentResult Adjust() {
        Find_Controls();
        Find_Parts();
        Approximate_Positions();
        Solve_Minimal();
        Solve_Constrained();
        return std::move(result_);
    }

private:
    int32_t Station_Index(const std::string& name) {
        const auto [found, fresh] = indexOf_.emplace(name, static_cast<int32_t>(stations_.size()));
        if (fresh) stations_.push_back(name);
        return found->second;
    }

    const ControlCoordinate* Coordinates_Of(const std::string& station) const {
        for (const ControlCoordinate& control : options_.controlCoordinates)
            if (control.station == station) return &control;
        const ControlCoordinate* match = nullptr;
        for (const ControlCoordinate& control : options_.controlCoordinates)
            if (Same_Ignoring_Case(control.station, station)) {
                if (match != nullptr) return nullptr;
                match = &control;
            }
        return match;
    }

    void Find_Controls() {
        std::vector<std::string> names = options_.controls;
        if (names.empty())
            for (const ControlCoordinate& control : options_.controlCoordinates)
                if (indexOf_.count(control.station)) names.push_back(control.station);
        if (names.empty())
            throw AdjustmentError(fmt::format("no control: name one with --control (the stations are {})", Listed(stations_)));
        std::map<int32_t, std::string> named;
        for (const std::string& name : names) {
            int32_t station = -1;
            if (const auto exact = indexOf_.find(name); exact != indexOf_.end()) {
                station = exact->second;
            } else {
                for (std::size_t s = 0; s < stations_.size(); ++s)
                    if (Same_Ignoring_Case(stations_[s], name)) {
                        if (station >= 0) throw AdjustmentError(fmt::format("control {}: more than one station of that name "
                                                                            "in another letter case", name));
                        station = static_cast<int32_t>(s);
                    }
            }
            if (station < 0)
                throw AdjustmentError(fmt::format("control {}: no vector reaches a station of that name; the stations are {}",
                                                  name, Listed(stations_)));
            if (const auto [first, fresh] = named.emplace(station, name); !fresh)
                throw AdjustmentError(fmt::format("control {} is named twice ({} and {})", stations_[static_cast<std::size_t>(station)], first->second, name));
            Control control;
            control.station = station;
            const std::string& stationName = stations_[static_cast<std::size_t>(station)];
            if (const ControlCoordinate* given = Coordinates_Of(stationName)) {
                absolute_.push_back(Vector_Of(given->position));
                if (given->sigmasMetres) {
                    const Vector3d sigmas((*given->sigmasMetres)[0], (*given->sigmasMetres)[1], (*given->sigmasMetres)[2]);
                    const Matrix3d axes = Local_Axes(min_lumo_field::Geodetic_From_Earth_Centred(
                        given->position.x, given->position.y, given->position.z));
                    control.covariance = axes.transpose() * sigmas.cwiseProduct(sigmas).asDiagonal() * axes;
                }
            } else {
                const ProcessedVector* from = nullptr;
                for (const ProcessedVector& vector : result_.vectors)
                    if (vector.from == stationName && vector.basePosition) {
                        from = &vector;
                        break;
                    }
                if (from == nullptr)
                    throw AdjustmentError(fmt::format("control {} has no coordinates: give them with --control-coordinates",
                                                      stationName));
                absolute_.push_back(Vector_Of(*from->basePosition));
                result_.warnings.push_back(min_lumo_field::Located(
                    from->file, from->line,
                    fmt::format("control {} has no coordinates given: held where the vector {}-{} was processed from, "
                                "an approximate position",
                                stationName, from->from, from->to)));
            }
            controls_.push_back(control);
        }
        // Everything relative to the first control: the reduced numbers keep
        // their digits for the millimetres (and alike in every build).
        reference_ = absolute_.front();
        for (std::size_t c = 0; c < controls_.size(); ++c) controls_[c].position = absolute_[c] - reference_;
    }

    // Connected parts by the vectors; each needs a control.
    void Find_Parts() {
        std::vector<int32_t> parent(stations_.size());
        std::iota(parent.begin(), parent.end(), 0);
        const auto root = [&](int32_t s) {
            while (parent[static_cast<std::size_t>(s)] != s) s = parent[static_cast<std::size_t>(s)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(s)])];
            return s;
        };
        for (const Observation& o : observations_) parent[static_cast<std::size_t>(root(o.from))] = root(o.to);
        part_.resize(stations_.size());
        for (std::size_t s = 0; s < stations_.size(); ++s) part_[s] = root(static_cast<int32_t>(s));
        std::map<int32_t, std::size_t> datumOf;  // part: its first control
        for (std::size_t c = 0; c < controls_.size(); ++c) datumOf.emplace(part_[static_cast<std::size_t>(controls_[c].station)], c);
        std::vector<std::string> untied;
        for (std::size_t s = 0; s < stations_.size(); ++s)
            if (!datumOf.count(part_[s])) untied.push_back(stations_[s]);
        if (!untied.empty())
            throw AdjustmentError(fmt::format("no chain of vectors ties {} to a control, so their coordinates cannot be "
                                              "adjusted; add a vector to a control or name a control among them",
                                              Listed(untied)));
        for (const auto& [part, control] : datumOf) datums_.push_back(control);
        std::sort(datums_.begin(), datums_.end());
    }

    // From each part's first control along the vectors, breadth first: the
    // adjustment then solves for millimetres.
    void Approximate_Positions() {
        std::vector<std::vector<std::pair<int32_t, std::size_t>>> around(stations_.size());
        for (std::size_t k = 0; k < observations_.size(); ++k) {
            around[static_cast<std::size_t>(observations_[k].from)].push_back({observations_[k].to, k});
            around[static_cast<std::size_t>(observations_[k].to)].push_back({observations_[k].from, k});
        }
        approximate_.assign(stations_.size(), Vector3d::Zero());
        std::vector<char> reached(stations_.size(), 0);
        std::queue<int32_t> next;
        for (const std::size_t c : datums_) {
            const int32_t s = controls_[c].station;
            approximate_[static_cast<std::size_t>(s)] = controls_[c].position;
            reached[static_cast<std::size_t>(s)] = 1;
            next.push(s);
        }
        while (!next.empty()) {
            const int32_t s = next.front();
            next.pop();
            for (const auto& [other, k] : around[static_cast<std::size_t>(s)]) {
                if (reached[static_cast<std::size_t>(other)]) continue;
                reached[static_cast<std::size_t>(other)] = 1;
                const Observation& o = observations_[k];
                approximate_[static_cast<std::size_t>(other)] =
                    approximate_[static_cast<std::size_t>(s)] + (o.to == other ? o.value : Vector3d(-o.value));
                next.push(other);
            }
        }
    }

    Constraints New_Constraints() const {
        Constraints constraints;
        constraints.held.assign(stations_.size(), 0);
        constraints.weight.assign(stations_.size(), std::nullopt);
        constraints.target.assign(stations_.size(), Vector3d::Zero());
        return constraints;
    }

    // The normal equations of the constraints, solved, with the blocks of
    // the inverse the statistics need.
    Solution Solve(const Constraints& constraints) const {
        const std::size_t n = stations_.size();
        std::vector<int> unknown(n, -1);
        int unknowns = 0;
        for (std::size_t s = 0; s < n; ++s)
            if (!constraints.held[s]) {
                unknown[s] = unknowns;
                unknowns += 3;
            }
        // Held stations sit at their control's position; others start where
        // the vectors put them.
        std::vector<Vector3d> start = approximate_;
        for (std::size_t s = 0; s < n; ++s)
            if (constraints.held[s]) start[s] = constraints.target[s];
        std::vector<Eigen::Triplet<double>> entries;
        entries.reserve(observations_.size() * 4 * 9 + n * 9);
        Eigen::VectorXd right = Eigen::VectorXd::Zero(unknowns);
        // Lower triangle of a block at (row station, column station).
        const auto block = [&](int row, int column, const Matrix3d& m) {
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b)
                    if (row + a >= column + b) entries.emplace_back(row + a, column + b, m(a, b));
        };
        std::vector<Vector3d> misclosure(observations_.size());
        for (std::size_t k = 0; k < observations_.size(); ++k) {
            const Observation& o = observations_[k];
            misclosure[k] = o.value - (start[static_cast<std::size_t>(o.to)] - start[static_cast<std::size_t>(o.from)]);
            const Vector3d pw = o.weight * misclosure[k];
            const int i = unknown[static_cast<std::size_t>(o.from)], j = unknown[static_cast<std::size_t>(o.to)];
            if (i >= 0) {
                block(i, i, o.weight);
                right.segment<3>(i) -= pw;
            }
            if (j >= 0) {
                block(j, j, o.weight);
                right.segment<3>(j) += pw;
            }
            if (i >= 0 && j >= 0) block(std::max(i, j), std::min(i, j), -o.weight);
        }
        int64_t pseudoObservations = 0;
        for (std::size_t s = 0; s < n; ++s)
            if (constraints.weight[s]) {
                block(unknown[s], unknown[s], *constraints.weight[s]);
                right.segment<3>(unknown[s]) += *constraints.weight[s] * (constraints.target[s] - start[s]);
                pseudoObservations += 3;
            }
        NormalMatrix normal(unknowns, unknowns);
        normal.setFromTriplets(entries.begin(), entries.end());
        NormalFactor factor(normal);
        if (factor.info() != Eigen::Success) throw AdjustmentError("the normal equations could not be factorized");
        const Eigen::VectorXd& d = factor.vectorD();
        for (int p = 0; p < unknowns; ++p) {
            const int original = factor.permutationPinv().indices()(p);
            if (!(d(p) > smallestRelativePivot * normal.coeff(original, original)))
                throw AdjustmentError(fmt::format("the normal equations are singular at station {}: its position is not "
                                                  "determined by the vectors and controls",
                                                  stations_[Station_Of(unknown, original)]));
        }
        const Eigen::VectorXd x = factor.solve(right);
        Solution solution;
        solution.unknowns = unknowns;
        solution.observations = static_cast<int64_t>(3 * observations_.size()) + pseudoObservations;
        solution.position = start;
        for (std::size_t s = 0; s < n; ++s)
            if (unknown[s] >= 0) solution.position[s] += x.segment<3>(unknown[s]);
        const SelectedInverse inverse(factor);
        const auto q = [&](int i, int j) {
            Matrix3d m = Matrix3d::Zero();
            if (i < 0 || j < 0) return m;
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) m(a, b) = inverse.At(i + a, j + b);
            return m;
        };
        solution.stationCovariance.resize(n);
        for (std::size_t s = 0; s < n; ++s) solution.stationCovariance[s] = q(unknown[s], unknown[s]);
        for (std::size_t k = 0; k < observations_.size(); ++k) {
            const Observation& o = observations_[k];
            const int i = unknown[static_cast<std::size_t>(o.from)], j = unknown[static_cast<std::size_t>(o.to)];
            const Vector3d dx = (j >= 0 ? Vector3d(x.segment<3>(j)) : Vector3d::Zero()) - (i >= 0 ? Vector3d(x.segment<3>(i)) : Vector3d::Zero());
            const Vector3d v = dx - misclosure[k];
            solution.residual.push_back(v);
            solution.weightedSquares += v.dot(o.weight * v);
            const Matrix3d cross = q(i, j);
            solution.adjustedCovariance.push_back(solution.stationCovariance[static_cast<std::size_t>(o.from)]
                                                  + solution.stationCovariance[static_cast<std::size_t>(o.to)] - cross
                                                  - cross.transpose());
            if (i >= 0 && j >= 0) {
                const auto key = std::minmax(o.from, o.to);
                solution.pairCovariance[{key.first, key.second}] = o.from < o.to ? cross : Matrix3d(cross.transpose());
            }
        }
        for (std::size_t s = 0; s < n; ++s)
            if (constraints.weight[s]) {
                const Vector3d v = solution.position[s] - constraints.target[s];
                solution.weightedSquares += v.dot(*constraints.weight[s] * v);
            }
        return solution;
    }

    std::size_t Station_Of(const std::vector<int>& unknown, int index) const {
        for (std::size_t s = 0; s < unknown.size(); ++s)
            if (unknown[s] >= 0 && index >= unknown[s] && index < unknown[s] + 3) return s;
        return 0;
    }

    AdjustmentRun Run_Figures(const Solution& solution, std::string datum) const {
        AdjustmentRun run;
        run.datum = std::move(datum);
        run.observations = solution.observations;
        run.unknowns = solution.unknowns;
        run.redundancy = solution.observations - solution.unknowns;
        GlobalTest& test = run.globalTest;
        test.statistic = solution.weightedSquares;
        test.degreesOfFreedom = run.redundancy;
        test.level = options_.level;
        if (run.redundancy > 0) {
            const double dof = static_cast<double>(run.redundancy);
            run.varianceFactor = solution.weightedSquares / dof;
            test.lower = Chi_Square_Quantile(dof, (1.0 - options_.level) / 2.0);
            test.upper = Chi_Square_Quantile(dof, 1.0 - (1.0 - options_.level) / 2.0);
            test.passed = test.statistic >= *test.lower && test.statistic <= *test.upper;
        }
        return run;
    }

    std::string Control_Words(const std::vector<std::size_t>& which) const {
        std::string held, weighted;
        for (const std::size_t c : which) {
            std::string& list = controls_[c].covariance ? weighted : held;
            list += (list.empty() ? "" : ", ") + stations_[static_cast<std::size_t>(controls_[c].station)];
        }
        std::string words;
        if (!held.empty()) words += held + " held";
        if (!weighted.empty()) words += (words.empty() ? "" : "; ") + weighted + " weighted";
        return words;
    }

    void Solve_Minimal() {
        Constraints constraints = New_Constraints();
        for (const std::size_t c : datums_) {
            const std::size_t s = static_cast<std::size_t>(controls_[c].station);
            constraints.held[s] = 1;
            constraints.target[s] = controls_[c].position;
        }
        std::string datum;
        for (const std::size_t c : datums_)
            datum += (datum.empty() ? "" : ", ") + stations_[static_cast<std::size_t>(controls_[c].station)];
        minimalSolution_ = Solve(constraints);
        minimalConstraints_ = constraints;
        const Solution& solution = *minimalSolution_;
        result_.minimal = Run_Figures(solution, datum + " held");
        result_.snoopingAlpha = options_.snoopingAlpha;
        result_.snoopingPower = options_.snoopingPower;
        result_.criticalW = Normal_Quantile(1.0 - options_.snoopingAlpha / 2.0);
        result_.noncentrality = result_.criticalW + Normal_Quantile(options_.snoopingPower);
        double largest = -1.0;
        for (std::size_t k = 0; k < observations_.size(); ++k) {
            const Observation& o = observations_[k];
            VectorResult tested;
            tested.vector = k;
            tested.lengthMetres = o.value.norm();
            const Matrix3d qv = o.covariance - solution.adjustedCovariance[k];
            const Matrix3d pqvp = o.weight * qv * o.weight;
            const Matrix3d redundancy = qv * o.weight;
            const Vector3d v = solution.residual[k];
            const Vector3d pv = o.weight * v;
            for (int c = 0; c < 3; ++c) {
                ComponentTest& component = tested.components[static_cast<std::size_t>(c)];
                component.residual = v(c);
                component.redundancy = redundancy(c, c);
                if (!(component.redundancy > smallestTestedRedundancy) || !(qv(c, c) > 0.0) || !(pqvp(c, c) > 0.0)) continue;
                component.standardized = v(c) / std::sqrt(qv(c, c));
                component.w = pv(c) / std::sqrt(pqvp(c, c));
                component.detectableBias = result_.noncentrality / std::sqrt(pqvp(c, c));
                if (!tested.largestW || std::fabs(*component.w) > *tested.largestW) {
                    tested.largestW = std::fabs(*component.w);
                    tested.largestComponent = c;
                }
            }
            tested.outlier = tested.largestW && *tested.largestW > result_.criticalW;
            if (tested.largestW && *tested.largestW > largest) {
                largest = *tested.largestW;
                result_.largestW = k;
            }
            result_.residuals.push_back(tested);
        }
        if (result_.largestW && result_.residuals[*result_.largestW].outlier) result_.blunder = result_.largestW;
    }

    void Solve_Constrained() {
        Constraints constraints = New_Constraints();
        std::vector<std::size_t> all(controls_.size());
        std::iota(all.begin(), all.end(), 0);
        for (const Control& control : controls_) {
            const std::size_t s = static_cast<std::size_t>(control.station);
            constraints.target[s] = control.position;
            if (control.covariance) constraints.weight[s] = control.covariance->inverse();
            else constraints.held[s] = 1;
        }
        // Every control a part's first and held: the same adjustment again.
        const bool same = constraints.held == minimalConstraints_.held
                          && std::none_of(constraints.weight.begin(), constraints.weight.end(),
                                          [](const std::optional<Matrix3d>& w) { return w.has_value(); });
        Solution solution = same ? std::move(*minimalSolution_) : Solve(constraints);
        minimalSolution_.reset();
        result_.constrained = Run_Figures(solution, Control_Words(all));
        const GlobalTest& minimalTest = result_.minimal.globalTest;
        if (minimalTest.upper && minimalTest.statistic > *minimalTest.upper) {
            result_.precisionScale = *result_.minimal.varianceFactor;
            for (Matrix3d& q : solution.stationCovariance) q *= result_.precisionScale;
            for (auto& [pair, q] : solution.pairCovariance) q *= result_.precisionScale;
        }
        const double ellipseScale = std::sqrt(Chi_Square_Quantile(2.0, precisionProbability));
        const double upScale = Normal_Quantile(1.0 - (1.0 - precisionProbability) / 2.0);
        std::vector<Matrix3d> axes(stations_.size());
        for (std::size_t s = 0; s < stations_.size(); ++s) {
            StationResult station;
            station.name = stations_[s];
            station.role = constraints.held[s] ? StationRole::held : constraints.weight[s] ? StationRole::weighted
                                                                                          : StationRole::adjusted;
            const Vector3d absolute = reference_ + solution.position[s];
            station.position = {absolute.x(), absolute.y(), absolute.z()};
            station.geodetic = min_lumo_field::Geodetic_From_Earth_Centred(absolute.x(), absolute.y(), absolute.z());
            axes[s] = Local_Axes(station.geodetic);
            const Matrix3d local = axes[s] * solution.stationCovariance[s] * axes[s].transpose();
            station.sigmaEast = std::sqrt(std::max(0.0, local(0, 0)));
            station.sigmaNorth = std::sqrt(std::max(0.0, local(1, 1)));
            station.sigmaUp = std::sqrt(std::max(0.0, local(2, 2)));
            station.up95 = upScale * station.sigmaUp;
            Ellipse(local.topLeftCorner<2, 2>(), ellipseScale, station.ellipseMajor, station.ellipseMinor,
                    station.ellipseAzimuth);
            result_.stations.push_back(station);
        }
        // Every pair a vector joins, once, at least one end not held.
        std::map<std::pair<int32_t, int32_t>, bool> seen;
        result_.relativeAccuracy = options_.relativeAccuracy;
        for (const Observation& o : observations_) {
            const auto key = std::minmax(o.from, o.to);
            if (!seen.emplace(std::make_pair(key.first, key.second), true).second) continue;
            const std::size_t i = static_cast<std::size_t>(o.from), j = static_cast<std::size_t>(o.to);
            if (constraints.held[i] && constraints.held[j]) continue;
            RelativePrecision relative;
            relative.from = i;
            relative.to = j;
            relative.lengthMetres = (solution.position[j] - solution.position[i]).norm();
            Matrix3d cross = Matrix3d::Zero();
            if (const auto found = solution.pairCovariance.find({key.first, key.second}); found != solution.pairCovariance.end())
                cross = o.from < o.to ? found->second : Matrix3d(found->second.transpose());
            const Matrix3d difference =
                solution.stationCovariance[i] + solution.stationCovariance[j] - cross - cross.transpose();
            const Matrix3d local = axes[i] * difference * axes[i].transpose();
            double minor = 0.0, azimuth = 0.0;
            Ellipse(local.topLeftCorner<2, 2>(), ellipseScale, relative.horizontal95, minor, azimuth);
            relative.vertical95 = upScale * std::sqrt(std::max(0.0, local(2, 2)));
            if (const std::optional<RelativeAccuracy>& rule = options_.relativeAccuracy) {
                const double kilometres = relative.lengthMetres / 1000.0;
                // mm + ppm: 1 ppm of 1 km is 1 mm.
                relative.horizontalAllowed = (rule->horizontalMillimetres + rule->horizontalPpm * kilometres) / 1000.0;
                relative.verticalAllowed = (rule->verticalMillimetres + rule->verticalPpm * kilometres) / 1000.0;
                relative.meets = relative.horizontal95 <= *relative.horizontalAllowed && relative.vertical95 <= *relative.verticalAllowed;
                result_.relativeMeets = result_.relativeMeets && relative.meets;
            }
            result_.relative.push_back(relative);
        }
    }

    // The ellipse of a 2x2 east-north covariance: semi-axes scaled, the
    // major axis's azimuth clockwise from north in [0, 180).
    static void Ellipse(const Eigen::Matrix2d& covariance, double scale, double& major, double& minor, double& azimuth) {
        const Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> solver(covariance);
        const Eigen::Vector2d values = solver.eigenvalues();  // ascending
        major = scale * std::sqrt(std::max(0.0, values(1)));
        minor = scale * std::sqrt(std::max(0.0, values(0)));
        const Eigen::Vector2d direction = solver.eigenvectors().col(1);
        azimuth = std::atan2(direction(0), direction(1)) * degreesPerRadian;
        if (azimuth < 0.0) azimuth += 180.0;
        if (azimuth >= 180.0) azimuth -= 180.0;
        if (major == 0.0) azimuth = 0.0;
    }

    const AdjustOptions& options_;
    AdjustmentResult& result_;
    std::vector<std::string> stations_;
    std::map<std::string, int32_t> indexOf_;
    std::vector<Observation> observations_;
    std::vector<Control> controls_;
    std::vector<Vector3d> absolute_;  // the controls' positions as given
    Vector3d reference_ = Vector3d::Zero();
    std::vector<int32_t> part_;
    std::vector<std::size_t> datums_;  // controls_ indices: each part's first
    std::vector<Vector3d> approximate_;
    std::optional<Solution> minimalSolution_;
    Constraints minimalConstraints_;
};

void Check_Options(const AdjustOptions& options) {
    if (!(options.level > 0.0 && options.level < 1.0))
        throw AdjustmentError(fmt::format("the global test's level {} is not between 0 and 1 (0.95 is 95 %)", options.level));
    if (!(options.snoopingAlpha > 0.0 && options.snoopingAlpha < 0.5))
        throw AdjustmentError(fmt::format("the w-test's significance level {} is not between 0 and 0.5", options.snoopingAlpha));
    if (!(options.snoopingPower > 0.0 && options.snoopingPower < 1.0))
        throw AdjustmentError(fmt::format("the w-test's power {} is not between 0 and 1", options.snoopingPower));
}

}  // namespace

AdjustmentResult Run_Adjustment(const std::vector<ProcessedVector>& vectors, const AdjustOptions& options) {
    Check_Options(options);
    AdjustmentResult result;
    return Network(vectors, options, result).Adjust();
}

const char* Component_Name(int32_t component) {
    static const char* const names[] = {"dX", "dY", "dZ"};
    return component >= 0 && component < 3 ? names[component] : "?";
}

const char* Station_Role_Name(StationRole role) {
    switch (role) {
    case StationRole::adjusted: return "adjusted";
    case StationRole::held: return "held";
    case StationRole::weighted: return "weighted";
    }
    return "?";
}

}  // namespace min_lumo_tool

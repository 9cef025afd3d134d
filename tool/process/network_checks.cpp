#include "tool/process/network_checks.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <set>
#include <tuple>

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace min_lumo_tool {

namespace {

using min_lumo_vectors::SolutionKind;

constexpr double partsPerMillion = 1e6;
constexpr double metresPerKilometre = 1000.0;
constexpr double millimetresPerMetre = 1000.0;
constexpr const char* ownSource = "min_lumo's own tolerance, not a published standard";

bool Solved(const VectorRun& run) { return run.vector.solution != SolutionKind::failed; }

// The allowed value of a "millimetres + parts per million" tolerance over a length.
double Allowed_Metres(double millimetres, double ppm, double lengthMetres) {
    return millimetres / millimetresPerMetre + ppm * lengthMetres / partsPerMillion;
}

// The vectors as edges of a graph of stations.
struct Edge {
    std::size_t run = 0;
    int32_t from = -1, to = -1;
    std::string session;
    double length = 0.0;
};

// A cycle as a set of station pairs, for the independence test: bit per
// pair, over GF(2).
using PairBits = std::vector<uint64_t>;

class LoopFinder {
public:
    LoopFinder(const ProcessingResult& result, const ProcessingOrder& order) : result_(result), order_(order) {
        for (std::size_t i = 0; i < result.runs.size(); ++i) {
            if (!Solved(result.runs[i])) continue;
            const OrderedObservation& observation = order.observations[result.runs[i].order];
            Edge edge{i, observation.from.station, observation.to.station, observation.session,
                      result.runs[i].lengthMetres};
            const auto pair = std::minmax(edge.from, edge.to);
            const auto known = pairIndex_.emplace(pair, static_cast<int32_t>(pairIndex_.size()));
            edgePair_.push_back(known.first->second);
            edges_.push_back(edge);
        }
        adjacency_.resize(order.stations.size());
        for (std::size_t e = 0; e < edges_.size(); ++e) {
            adjacency_[static_cast<std::size_t>(edges_[e].from)].push_back(e);
            adjacency_[static_cast<std::size_t>(edges_[e].to)].push_back(e);
        }
    }

    // Independent loops of at least three stations: the dimension of the
    // cycle space of the station pairs.
    int32_t Possible() const {
        std::set<int32_t> stations;
        for (const Edge& edge : edges_) {
            stations.insert(edge.from);
            stations.insert(edge.to);
        }
        return static_cast<int32_t>(pairIndex_.size()) - static_cast<int32_t>(stations.size())
               + Component_Count(stations);
    }

    // A cycle basis of the station pairs, shortest first: candidates are,
    // for each vector, the cycle of fewest vectors through it, and the
    // cycle of fewest vectors through it whose other vectors are of other
    // sessions; mixed loops before trivial ones, then fewer vectors, then
    // shorter; each taken when independent of those before.
    std::vector<std::vector<LoopLeg>> Basis() const {
        struct Candidate {
            std::vector<std::size_t> edges;
            bool trivial = false;
            double length = 0.0;
            std::vector<std::size_t> sortedEdges;
        };
        std::vector<Candidate> candidates;
        std::set<std::vector<std::size_t>> seen;
        for (std::size_t e = 0; e < edges_.size(); ++e) {
            for (const bool otherSessions : {false, true}) {
                std::optional<std::vector<std::size_t>> path = Shortest_Path(e, otherSessions);
                if (!path) continue;
                Candidate candidate;
                candidate.edges = *path;
                candidate.edges.insert(candidate.edges.begin(), e);
                candidate.sortedEdges = candidate.edges;
                std::sort(candidate.sortedEdges.begin(), candidate.sortedEdges.end());
                if (!seen.insert(candidate.sortedEdges).second) continue;
                std::set<std::string> sessions;
                for (const std::size_t edge : candidate.edges) {
                    sessions.insert(edges_[edge].session);
                    candidate.length += edges_[edge].length;
                }
                candidate.trivial = sessions.size() == 1;
                candidates.push_back(std::move(candidate));
            }
        }
        std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
            return std::make_tuple(a.trivial, a.edges.size(), a.length, a.sortedEdges)
                   < std::make_tuple(b.trivial, b.edges.size(), b.length, b.sortedEdges);
        });
        std::vector<std::vector<LoopLeg>> basis;
        std::vector<std::pair<std::size_t, PairBits>> reduced;  // pivot bit, row
        const std::size_t want = static_cast<std::size_t>(std::max(0, Possible()));
        for (const Candidate& candidate : candidates) {
            if (basis.size() >= want) break;
            PairBits bits((pairIndex_.size() + 63) / 64, 0);
            for (const std::size_t edge : candidate.edges) {
                const auto pair = static_cast<std::size_t>(edgePair_[edge]);
                bits[pair / 64] ^= uint64_t{1} << (pair % 64);
            }
            if (!Reduce_And_Keep(bits, reduced)) continue;
            basis.push_back(Walk(candidate.edges));
        }
        return basis;
    }

    const std::vector<Edge>& Edges() const { return edges_; }

private:
    int32_t Component_Count(const std::set<int32_t>& stations) const {
        std::map<int32_t, int32_t> parent;
        for (const int32_t s : stations) parent[s] = s;
        const auto find = [&](int32_t s) {
            while (parent[s] != s) s = parent[s] = parent[parent[s]];
            return s;
        };
        int32_t components = static_cast<int32_t>(stations.size());
        for (const Edge& edge : edges_) {
            const int32_t a = find(edge.from), b = find(edge.to);
            if (a != b) {
                parent[a] = b;
                --components;
            }
        }
        return components;
    }

    // The fewest vectors from the far end of `through` back to its near end,
    // not through the pair `through` joins (a loop of at least three
    // stations); with `otherSessions`, only vectors of other sessions.
    std::optional<std::vector<std::size_t>> Shortest_Path(std::size_t through, bool otherSessions) const {
        const Edge& edge = edges_[through];
        const int32_t start = edge.to, goal = edge.from;
        std::vector<int32_t> cameBy(order_.stations.size(), -1);
        std::vector<bool> visited(order_.stations.size(), false);
        std::deque<int32_t> queue = {start};
        visited[static_cast<std::size_t>(start)] = true;
        while (!queue.empty()) {
            const int32_t station = queue.front();
            queue.pop_front();
            if (station == goal) break;
            for (const std::size_t e : adjacency_[static_cast<std::size_t>(station)]) {
                if (edgePair_[e] == edgePair_[through]) continue;
                if (otherSessions && edges_[e].session == edge.session) continue;
                const Edge& next = edges_[e];
                const int32_t other = next.from == station ? next.to : next.from;
                if (visited[static_cast<std::size_t>(other)]) continue;
                visited[static_cast<std::size_t>(other)] = true;
                cameBy[static_cast<std::size_t>(other)] = static_cast<int32_t>(e);
                queue.push_back(other);
            }
        }
        if (!visited[static_cast<std::size_t>(goal)]) return std::nullopt;
        std::vector<std::size_t> path;
        for (int32_t station = goal; station != start;) {
            const auto e = static_cast<std::size_t>(cameBy[static_cast<std::size_t>(station)]);
            path.push_back(e);
            station = edges_[e].from == station ? edges_[e].to : edges_[e].from;
        }
        std::reverse(path.begin(), path.end());
        return path;
    }

    // Gaussian elimination over GF(2): false when the row depends on those kept.
    static bool Reduce_And_Keep(PairBits bits, std::vector<std::pair<std::size_t, PairBits>>& reduced) {
        for (const auto& [pivot, row] : reduced)
            if (bits[pivot / 64] >> (pivot % 64) & 1U)
                for (std::size_t w = 0; w < bits.size(); ++w) bits[w] ^= row[w];
        for (std::size_t w = 0; w < bits.size(); ++w) {
            if (bits[w] == 0) continue;
            const auto bit = static_cast<std::size_t>(__builtin_ctzll(bits[w]));
            reduced.emplace_back(w * 64 + bit, std::move(bits));
            return true;
        }
        return false;
    }

    // The edges walked from the first edge's from-station round the loop.
    std::vector<LoopLeg> Walk(const std::vector<std::size_t>& edges) const {
        std::vector<LoopLeg> legs;
        int32_t at = edges_[edges.front()].from;
        for (const std::size_t e : edges) {
            const Edge& edge = edges_[e];
            const bool forwards = edge.from == at;
            legs.push_back({edge.run, forwards ? 1 : -1});
            at = forwards ? edge.to : edge.from;
        }
        return legs;
    }

    const ProcessingResult& result_;
    const ProcessingOrder& order_;
    std::vector<Edge> edges_;
    std::vector<int32_t> edgePair_;
    std::map<std::pair<int32_t, int32_t>, int32_t> pairIndex_;
    std::vector<std::vector<std::size_t>> adjacency_;
};

std::string Millimetres(double metres) { return fmt::format("{:.1f} mm", metres * millimetresPerMetre); }

}  // namespace

ProcessingTolerances Default_Processing_Tolerances() {
    ProcessingTolerances tolerances;
    tolerances.fixedSource = ownSource;
    tolerances.loopSource = ownSource;
    tolerances.repeatSource = ownSource;
    return tolerances;
}

bool NetworkChecks::Passed() const {
    return std::all_of(rules.begin(), rules.end(), [](const ProcessingRuleCheck& rule) { return rule.passed; });
}

NetworkChecks Check_Network(const ProcessingResult& result, const ProcessingOrder& order,
                            const ProcessingTolerances& tolerances) {
    NetworkChecks checks;
    const auto station = [&](std::size_t run, bool fromEnd) {
        const OrderedObservation& observation = order.observations[result.runs[run].order];
        return fromEnd ? observation.from.station : observation.to.station;
    };
    // Loops.
    const LoopFinder finder(result, order);
    checks.loopsPossible = finder.Possible();
    int32_t number = 0;
    for (std::vector<LoopLeg>& legs : finder.Basis()) {
        Loop loop;
        loop.number = ++number;
        std::set<std::string> sessions;
        for (const LoopLeg& leg : legs) {
            const VectorRun& run = result.runs[leg.run];
            loop.dX += leg.sign * run.vector.dX;
            loop.dY += leg.sign * run.vector.dY;
            loop.dZ += leg.sign * run.vector.dZ;
            loop.lengthMetres += run.lengthMetres;
            sessions.insert(run.vector.session);
            const int32_t walkedFrom = station(leg.run, leg.sign > 0);
            loop.stations.push_back(order.stations[static_cast<std::size_t>(walkedFrom)].name);
        }
        loop.legs = std::move(legs);
        loop.sessions.assign(sessions.begin(), sessions.end());
        loop.trivial = sessions.size() == 1;
        loop.misclosureMetres = std::hypot(loop.dX, loop.dY, loop.dZ);
        loop.partsPerMillion = loop.lengthMetres > 0.0 ? loop.misclosureMetres / loop.lengthMetres * partsPerMillion : 0.0;
        loop.allowedMetres =
            Allowed_Metres(tolerances.loopMillimetres, tolerances.loopPartsPerMillion, loop.lengthMetres);
        loop.passed = loop.misclosureMetres <= loop.allowedMetres;
        checks.loops.push_back(std::move(loop));
    }
    // Repeats: every two solved vectors of one station pair in different sessions.
    std::map<std::pair<int32_t, int32_t>, std::vector<std::size_t>> byPair;
    for (std::size_t i = 0; i < result.runs.size(); ++i)
        if (Solved(result.runs[i])) byPair[std::minmax(station(i, true), station(i, false))].push_back(i);
    for (const auto& [pair, runs] : byPair)
        for (std::size_t a = 0; a < runs.size(); ++a)
            for (std::size_t b = a + 1; b < runs.size(); ++b) {
                const VectorRun& first = result.runs[runs[a]];
                const VectorRun& second = result.runs[runs[b]];
                if (first.vector.session == second.vector.session) continue;
                const double sign = station(runs[a], true) == station(runs[b], true) ? 1.0 : -1.0;
                Repeat repeat;
                repeat.first = runs[a];
                repeat.second = runs[b];
                repeat.from = first.vector.from;
                repeat.to = first.vector.to;
                repeat.dX = sign * second.vector.dX - first.vector.dX;
                repeat.dY = sign * second.vector.dY - first.vector.dY;
                repeat.dZ = sign * second.vector.dZ - first.vector.dZ;
                const EarthCentred at = first.vector.basePosition.value_or(EarthCentred{});
                const std::array<double, 3> local = Local_Vector(at, repeat.dX, repeat.dY, repeat.dZ);
                repeat.horizontalMetres = std::hypot(local[0], local[1]);
                repeat.verticalMetres = std::fabs(local[2]);
                repeat.lengthMetres = first.lengthMetres;
                repeat.allowedHorizontalMetres = Allowed_Metres(tolerances.repeatHorizontalMillimetres,
                                                                tolerances.repeatHorizontalPartsPerMillion,
                                                                repeat.lengthMetres);
                repeat.allowedVerticalMetres = Allowed_Metres(
                    tolerances.repeatVerticalMillimetres, tolerances.repeatVerticalPartsPerMillion, repeat.lengthMetres);
                repeat.passed = repeat.horizontalMetres <= repeat.allowedHorizontalMetres
                                && repeat.verticalMetres <= repeat.allowedVerticalMetres;
                checks.repeats.push_back(repeat);
            }
    // The rules.
    ProcessingRuleCheck fixed{"fixedSolutions",
                              fmt::format("every kept observation processed to a fixed solution with a ratio of at "
                                          "least {:g}",
                                          tolerances.minimumRatio),
                              tolerances.fixedSource, tolerances.fixedEnabled, true, {}};
    for (const VectorRun& run : result.runs) {
        const ProcessedVector& vector = run.vector;
        if (vector.solution != SolutionKind::fixed)
            fixed.failures.push_back(fmt::format("{}: {}{}", vector.label, Solution_Kind_Name(vector.solution),
                                                 run.problem.empty() ? "" : " (" + run.problem + ")"));
        else if (vector.ratio.value_or(0.0) < tolerances.minimumRatio)
            fixed.failures.push_back(fmt::format("{}: fixed with ratio {:.1f}; required {:g}", vector.label,
                                                 vector.ratio.value_or(0.0), tolerances.minimumRatio));
    }
    ProcessingRuleCheck loops{"loopMisclosure",
                              fmt::format("each loop's 3D misclosure at most {:g} mm + {:g} ppm of its length",
                                          tolerances.loopMillimetres, tolerances.loopPartsPerMillion),
                              tolerances.loopSource, tolerances.loopEnabled, true, {}};
    for (const Loop& loop : checks.loops)
        if (!loop.passed)
            loops.failures.push_back(fmt::format("loop {} ({}): {} ({:.2f} ppm of {:.3f} km); allowed {}", loop.number,
                                                 fmt::join(loop.stations, "-"), Millimetres(loop.misclosureMetres),
                                                 loop.partsPerMillion, loop.lengthMetres / metresPerKilometre,
                                                 Millimetres(loop.allowedMetres)));
    ProcessingRuleCheck repeats{
        "repeatBaselines",
        fmt::format("a baseline observed in two sessions agrees within {:g} mm + {:g} ppm horizontally and {:g} mm + "
                    "{:g} ppm vertically",
                    tolerances.repeatHorizontalMillimetres, tolerances.repeatHorizontalPartsPerMillion,
                    tolerances.repeatVerticalMillimetres, tolerances.repeatVerticalPartsPerMillion),
        tolerances.repeatSource, tolerances.repeatEnabled, true, {}};
    for (const Repeat& repeat : checks.repeats)
        if (!repeat.passed)
            repeats.failures.push_back(fmt::format(
                "{}-{} ({} and {}): horizontal {}, vertical {}; allowed {} and {}", repeat.from, repeat.to,
                result.runs[repeat.first].vector.session, result.runs[repeat.second].vector.session,
                Millimetres(repeat.horizontalMetres), Millimetres(repeat.verticalMetres),
                Millimetres(repeat.allowedHorizontalMetres), Millimetres(repeat.allowedVerticalMetres)));
    for (ProcessingRuleCheck* rule : {&fixed, &loops, &repeats}) {
        rule->passed = !rule->enabled || rule->failures.empty();
        checks.rules.push_back(std::move(*rule));
    }
    // Suspects: the vectors in the most failing loops and repeats.
    std::map<std::size_t, std::pair<int32_t, int32_t>> counts;
    if (tolerances.loopEnabled)
        for (const Loop& loop : checks.loops)
            if (!loop.passed)
                for (const LoopLeg& leg : loop.legs) ++counts[leg.run].first;
    if (tolerances.repeatEnabled)
        for (const Repeat& repeat : checks.repeats)
            if (!repeat.passed) {
                ++counts[repeat.first].second;
                ++counts[repeat.second].second;
            }
    int32_t most = 0;
    for (const auto& [run, count] : counts) most = std::max(most, count.first + count.second);
    for (const auto& [run, count] : counts) {
        if (count.first + count.second != most) continue;
        const VectorRun& vector = result.runs[run];
        Suspect suspect;
        suspect.run = run;
        suspect.failingLoops = count.first;
        suspect.failingRepeats = count.second;
        const bool weak = vector.vector.solution != SolutionKind::fixed || vector.vector.satellites < fewSatellites
                          || vector.vector.ratio.value_or(0.0) < tolerances.minimumRatio;
        suspect.reprocess = weak;
        suspect.why = weak ? fmt::format("{} with ratio {:.1f} and {} satellites: process it again (a lower mask, "
                                         "another window or options) before observing it again",
                                         Solution_Kind_Name(vector.vector.solution), vector.vector.ratio.value_or(0.0),
                                         vector.vector.satellites)
                           : fmt::format("fixed with ratio {:.1f} and {} satellites, yet it does not close: observe it "
                                         "again (check the antenna heights of {} and {} first)",
                                         vector.vector.ratio.value_or(0.0), vector.vector.satellites,
                                         vector.vector.from, vector.vector.to);
        checks.suspects.push_back(suspect);
    }
    // Weaker vectors first among the equally suspect, then the plan's order.
    std::stable_sort(checks.suspects.begin(), checks.suspects.end(), [&](const Suspect& a, const Suspect& b) {
        return a.reprocess > b.reprocess;
    });
    return checks;
}

}  // namespace min_lumo_tool

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



// The stations of a run's two ends, for the failures' reports.
std::pair<int32_t, int32_t> Ends(const ProcessingResult& result, const ProcessingOrder& order, std::size_t run) {
    const OrderedObservation& observation = order.observations[result.runs[run].order];
    return {observation.from.station, observation.to.station};
}

RuleCheck Rule_Check(RuleId rule, const RuleSettings& settings, std::string requirement) {
    RuleCheck check;
    check.rule = rule;
    check.requirement = std::move(requirement);
    check.source = settings.source;
    check.severity = settings.severity;
    return check;
}

void Judge_Rules(const ProcessingResult& result, const ProcessingOrder& order, const ProcessingTolerances& tolerances,
                 NetworkChecks& checks) {
    const auto judge = [&](RuleId rule, const RuleSettings& settings, RuleCheck check) {
        if (!settings.enabled) {
            checks.leftOut.push_back({rule, settings.listed ? settings.source : std::string("not named in the profile")});
            return;
        }
        check.passed = check.failures.empty();
        checks.rules.push_back(std::move(check));
    };
    const FixedSolutionsRule& fixedRule = tolerances.fixedSolutions;
    RuleCheck fixed = Rule_Check(
        RuleId::fixedSolutions, fixedRule.settings,
        fmt::format("every kept observation processed to a fixed solution with a ratio of at least {:g}",
                    fixedRule.minimumRatio));
    for (std::size_t i = 0; i < result.runs.size(); ++i) {
        const VectorRun& run = result.runs[i];
        const ProcessedVector& vector = run.vector;
        const double ratio = vector.ratio.value_or(0.0);
        if (vector.solution == SolutionKind::fixed && ratio >= fixedRule.minimumRatio) continue;
        CheckFailure failure;
        failure.kind = FailureKind::unfixedVector;
        failure.item = "vector " + vector.label;
        failure.measured = vector.solution == SolutionKind::failed
                               ? std::string("not processed")
                               : fmt::format("{} with ratio {:.1f}", Solution_Kind_Name(vector.solution), ratio);
        failure.required = fmt::format("fixed with ratio {:g}", fixedRule.minimumRatio);
        if (vector.solution != SolutionKind::failed) failure.measuredValue = ratio;
        failure.requiredValue = fixedRule.minimumRatio;
        std::tie(failure.station, failure.partner) = Ends(result, order, i);
        failure.stations = {failure.station, failure.partner};
        fixed.failures.push_back(failure);
    }
    judge(RuleId::fixedSolutions, fixedRule.settings, std::move(fixed));

    const LoopMisclosureRule& loopRule = tolerances.loopMisclosure;
    RuleCheck loops = Rule_Check(RuleId::loopMisclosure, loopRule.settings,
                                 fmt::format("each closed loop's 3D misclosure at most {:g} mm + {:g} ppm of its length",
                                             loopRule.millimetres, loopRule.partsPerMillion));
    for (const Loop& loop : checks.loops) {
        if (loop.passed || !loop.allowedMetres) continue;
        CheckFailure failure;
        failure.kind = FailureKind::loopMisclosure;
        failure.item = fmt::format("loop {} ({})", loop.number, fmt::join(loop.stations, "-"));
        failure.measured = fmt::format("{:.1f} mm ({:.2f} ppm of {:.3f} km)", loop.misclosureMetres * millimetresPerMetre,
                                       loop.partsPerMillion, loop.lengthMetres / metresPerKilometre);
        failure.required = fmt::format("{:.1f} mm", *loop.allowedMetres * millimetresPerMetre);
        failure.measuredValue = loop.misclosureMetres * millimetresPerMetre;
        failure.requiredValue = *loop.allowedMetres * millimetresPerMetre;
        for (const LoopLeg& leg : loop.legs) {
            const auto [from, to] = Ends(result, order, leg.run);
            for (const int32_t station : {from, to})
                if (std::find(failure.stations.begin(), failure.stations.end(), station) == failure.stations.end())
                    failure.stations.push_back(station);
        }
        loops.failures.push_back(failure);
    }
    judge(RuleId::loopMisclosure, loopRule.settings, std::move(loops));

    const RepeatBaselinesRule& repeatRule = tolerances.repeatBaselines;
    RuleCheck repeats = Rule_Check(
        RuleId::repeatBaselines, repeatRule.settings,
        fmt::format("a baseline processed in two sessions agrees within {:g} mm + {:g} ppm horizontally and {:g} mm + "
                    "{:g} ppm vertically",
                    repeatRule.horizontalMillimetres, repeatRule.horizontalPartsPerMillion,
                    repeatRule.verticalMillimetres, repeatRule.verticalPartsPerMillion));
    for (const Repeat& repeat : checks.repeats) {
        if (repeat.passed || !repeat.allowedHorizontalMetres) continue;
        CheckFailure failure;
        failure.kind = FailureKind::repeatDisagreement;
        failure.item = fmt::format("baseline {}-{} ({} and {})", repeat.from, repeat.to,
                                   result.runs[repeat.first].vector.session, result.runs[repeat.second].vector.session);
        failure.measured = fmt::format("horizontal {:.1f} mm, vertical {:.1f} mm",
                                       repeat.horizontalMetres * millimetresPerMetre,
                                       repeat.verticalMetres * millimetresPerMetre);
        failure.required = fmt::format("{:.1f} mm and {:.1f} mm", *repeat.allowedHorizontalMetres * millimetresPerMetre,
                                       *repeat.allowedVerticalMetres * millimetresPerMetre);
        std::tie(failure.station, failure.partner) = Ends(result, order, repeat.first);
        failure.stations = {failure.station, failure.partner};
        repeats.failures.push_back(failure);
    }
    judge(RuleId::repeatBaselines, repeatRule.settings, std::move(repeats));
}

}  // namespace

ProcessingTolerances Processing_Tolerances(const StandardProfile& profile) {
    return {profile.fixedSolutions, profile.loopMisclosure, profile.repeatBaselines};
}

bool NetworkChecks::Passed() const {
    return std::all_of(rules.begin(), rules.end(), [](const RuleCheck& rule) {
        return rule.passed || rule.severity == RuleSeverity::advisory;
    });
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
        if (tolerances.loopMisclosure.settings.enabled) {
            loop.allowedMetres = Allowed_Metres(tolerances.loopMisclosure.millimetres,
                                                tolerances.loopMisclosure.partsPerMillion, loop.lengthMetres);
            loop.passed = loop.misclosureMetres <= *loop.allowedMetres;
        }
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
                const RepeatBaselinesRule& rule = tolerances.repeatBaselines;
                if (rule.settings.enabled) {
                    repeat.allowedHorizontalMetres = Allowed_Metres(
                        rule.horizontalMillimetres, rule.horizontalPartsPerMillion, repeat.lengthMetres);
                    repeat.allowedVerticalMetres =
                        Allowed_Metres(rule.verticalMillimetres, rule.verticalPartsPerMillion, repeat.lengthMetres);
                    repeat.passed = repeat.horizontalMetres <= *repeat.allowedHorizontalMetres
                                    && repeat.verticalMetres <= *repeat.allowedVerticalMetres;
                }
                checks.repeats.push_back(repeat);
            }
    Judge_Rules(result, order, tolerances, checks);
    // Suspects: the vectors in the most failing loops and repeats.
    std::map<std::size_t, std::pair<int32_t, int32_t>> counts;
    for (const Loop& loop : checks.loops)
            if (!loop.passed)
                for (const LoopLeg& leg : loop.legs) ++counts[leg.run].first;
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
        const double minimumRatio =
            tolerances.fixedSolutions.settings.enabled ? tolerances.fixedSolutions.minimumRatio : 0.0;
        const bool weak = vector.vector.solution != SolutionKind::fixed || vector.vector.satellites < fewSatellites
                          || vector.vector.ratio.value_or(0.0) < minimumRatio;
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
    // Among vectors equally suspect, a weak one (float, few satellites, a
    // low ratio) explains the failure before sound ones are doubted.
    if (std::any_of(checks.suspects.begin(), checks.suspects.end(), [](const Suspect& s) { return s.reprocess; }))
        checks.suspects.erase(std::remove_if(checks.suspects.begin(), checks.suspects.end(),
                                             [](const Suspect& s) { return !s.reprocess; }),
                              checks.suspects.end());
    return checks;
}

}  // namespace min_lumo_tool

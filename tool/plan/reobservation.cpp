#include "tool/plan/reobservation.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <map>
#include <set>

#include <fmt/format.h>

#include "tool/plan/network_graph.h"

namespace min_lumo_tool {

namespace {

constexpr double sessionStepMinutes = 5.0;
// A failing partner is worth taking over the nearest one when it is at most
// this many times as far: one session then mends two stations.
constexpr double failingPartnerReach = 2.0;

using StationPair = std::pair<int32_t, int32_t>;

StationPair Pair_Of(int32_t a, int32_t b) { return std::minmax(a, b); }

class FieldPlanner {
public:
    FieldPlanner(const Campaign& campaign, const ProcessingPlan& plan, const StandardProfile& profile,
                 StandardChecks& checks)
        : campaign_(campaign), profile_(profile), checks_(checks) {
        const auto count = campaign.project.stations.size();
        need_.assign(count, 0);
        observed_.assign(count, false);
        reached_.assign(count, true);
        for (const int32_t station : plan.summary.unreachedStations) reached_[static_cast<std::size_t>(station)] = false;
        for (const PlanNetwork& network : plan.networks)
            for (const PlanRow& row : network.rows)
                if (row.selected) {
                    pairs_.insert(Pair_Of(row.fromStation, row.toStation));
                    observed_[static_cast<std::size_t>(row.fromStation)] = true;
                    observed_[static_cast<std::size_t>(row.toStation)] = true;
                }
        hasControls_ = !campaign.project.controls.empty();
    }

    void Run() {
        // Each failing item sorted by what mends it, then mended in this
        // order: longer sessions on short baselines first, since they also
        // count as sessions of their stations.
        struct Failing {
            const RuleCheck* rule;
            const CheckFailure* failure;
        };
        std::vector<Failing> shortBaselines, stationNeeds, weakLoops, notes;
        for (const RuleCheck& rule : checks_.rules) {
            if (rule.passed) continue;
            for (const CheckFailure& failure : rule.failures) switch (failure.kind) {
                    case FailureKind::shortObservation:
                    case FailureKind::beyondLengthTable: shortBaselines.push_back({&rule, &failure}); break;
                    case FailureKind::fewSessions:
                    case FailureKind::unreachedStation:
                    case FailureKind::tooFewControls: stationNeeds.push_back({&rule, &failure}); break;
                    case FailureKind::bridge:
                    case FailureKind::fewLooped: weakLoops.push_back({&rule, &failure}); break;
                    case FailureKind::poorOccupation:
                    case FailureKind::splitSession: notes.push_back({&rule, &failure}); break;
                    case FailureKind::nearMiss: break;  // advice on the next campaign's timing, no new session
                    // Processing's findings: its suspects say what to
                    // process or observe again.
                    case FailureKind::unfixedVector:
                    case FailureKind::loopMisclosure:
                    case FailureKind::repeatDisagreement: break;
                }
        }
        for (const Failing& item : shortBaselines) Mend_Short_Baseline(*item.failure);
        for (const Failing& item : stationNeeds) {
            if (item.failure->kind == FailureKind::fewSessions) Count_Need(*item.rule, *item.failure);
            else Mend_Unreached(*item.failure);
        }
        Mend_Needs();
        if (!weakLoops.empty()) Mend_Bridges();
        for (const Failing& item : notes) {
            const CheckFailure& failure = *item.failure;
            if (failure.kind == FailureKind::poorOccupation)
                checks_.fieldNotes.push_back(
                    fmt::format("{}: {} (required {}); occupy it again as long as before and leave the file out",
                                failure.item, failure.measured, failure.required));
            else
                checks_.fieldNotes.push_back(fmt::format(
                    "{}: {}; a new session cannot join them, so plan each session's receivers to overlap as one "
                    "piece next time",
                    failure.item, failure.measured));
        }
    }

private:
    const std::string& Name(int32_t station) const {
        return campaign_.project.stations[static_cast<std::size_t>(station)].name;
    }
    int32_t Station_Count() const { return static_cast<int32_t>(campaign_.project.stations.size()); }
    double Distance(int32_t a, int32_t b) const {
        return Station_Distance_Metres(campaign_, a, b).value_or(std::numeric_limits<double>::infinity());
    }

    void Add(int32_t station, int32_t partner, std::vector<std::string> reasons) {
        FieldOccupation occupation;
        occupation.number = static_cast<int32_t>(checks_.fieldList.size() + 1);
        occupation.station = station;
        occupation.partner = partner;
        occupation.stationName = Name(station);
        occupation.partnerName = Name(partner);
        occupation.lengthMetres = Station_Distance_Metres(campaign_, station, partner);
        occupation.minutes = Suggested_Session_Minutes(campaign_, profile_, occupation.lengthMetres);
        pairs_.insert(Pair_Of(station, partner));
        for (const int32_t end : {station, partner}) {
            auto& need = need_[static_cast<std::size_t>(end)];
            // A station's counts are named with the first session that helps it.
            if (need > 0)
                if (const auto found = needReasons_.find(end); found != needReasons_.end()) {
                    reasons.push_back(fmt::format("{}: {}", Name(end), found->second));
                    needReasons_.erase(found);
                }
            need = std::max(0, need - 1);
            observed_[static_cast<std::size_t>(end)] = true;
        }
        occupation.reasons = std::move(reasons);
        checks_.fieldList.push_back(std::move(occupation));
        const bool reached = reached_[static_cast<std::size_t>(station)] || reached_[static_cast<std::size_t>(partner)];
        reached_[static_cast<std::size_t>(station)] = reached_[static_cast<std::size_t>(partner)] = reached;
    }

    void Mend_Short_Baseline(const CheckFailure& failure) {
        if (failure.kind == FailureKind::beyondLengthTable) {
            checks_.fieldNotes.push_back(fmt::format(
                "{}: longer than the profile's length table reaches; no observation time mends it", failure.item));
            return;
        }
        Add(failure.station, failure.partner,
            {fmt::format("{}: {} of common data, needs {}", failure.item, failure.measured, failure.required)});
    }

    void Mend_Unreached(const CheckFailure& failure) {
        if (failure.kind == FailureKind::tooFewControls) {
            checks_.fieldNotes.push_back(fmt::format(
                "{}: {} where {} are required; name another station of known coordinates with --control, or "
                "occupy a known point with the campaign's stations",
                failure.item, failure.measured, failure.required));
            return;
        }
        const int32_t station = failure.station;
        if (reached_[static_cast<std::size_t>(station)]) return;  // an earlier session reaches it
        const int32_t partner = Nearest_Partner(station, true);
        if (partner < 0) return;
        Add(station, partner, {fmt::format("{}: {}", Name(station), failure.measured)});
    }

    void Count_Need(const RuleCheck& rule, const CheckFailure& failure) {
        const int32_t station = failure.station;
        auto& need = need_[static_cast<std::size_t>(station)];
        need = std::max(need, failure.missing);
        std::string& reason = needReasons_[station];
        reason += fmt::format("{}{} {} of {}", reason.empty() ? "" : ", ", Rule_Key(rule.rule),
                              failure.measuredValue.value_or(0.0), failure.requiredValue.value_or(0.0));
    }

    // Stations most in need first, each with the nearest observed station
    // it is not yet paired with (a failing one when nearly as near).
    void Mend_Needs() {
        for (;;) {
            int32_t station = -1;
            for (int32_t candidate = 0; candidate < Station_Count(); ++candidate)
                if (need_[static_cast<std::size_t>(candidate)] > 0
                    && (station < 0 || need_[static_cast<std::size_t>(candidate)] > need_[static_cast<std::size_t>(station)]))
                    station = candidate;
            if (station < 0) return;
            const bool needsReach = hasControls_ && !reached_[static_cast<std::size_t>(station)];
            const int32_t partner = Nearest_Partner(station, needsReach);
            if (partner < 0) {
                need_[static_cast<std::size_t>(station)] = 0;
                checks_.fieldNotes.push_back(fmt::format("{}: no other station to observe it with", Name(station)));
                continue;
            }
            std::vector<std::string> reasons;
            if (needReasons_.count(station) == 0)
                reasons.push_back(fmt::format("{}: one more session", Name(station)));
            Add(station, partner, std::move(reasons));
        }
    }

    int32_t Nearest_Partner(int32_t station, bool mustBeReached) const {
        std::vector<int32_t> candidates;
        for (int32_t other = 0; other < Station_Count(); ++other) {
            if (other == station || !observed_[static_cast<std::size_t>(other)]) continue;
            if (mustBeReached && !reached_[static_cast<std::size_t>(other)]) continue;
            candidates.push_back(other);
        }
        if (candidates.empty()) return -1;
        std::sort(candidates.begin(), candidates.end(), [&](int32_t a, int32_t b) {
            return std::make_pair(Distance(station, a), Name(a)) < std::make_pair(Distance(station, b), Name(b));
        });
        // A new pair closes a loop; the same pair again adds no baseline.
        std::vector<int32_t> fresh;
        for (const int32_t candidate : candidates)
            if (pairs_.count(Pair_Of(station, candidate)) == 0) fresh.push_back(candidate);
        const std::vector<int32_t>& pool = fresh.empty() ? candidates : fresh;
        const double nearest = Distance(station, pool.front());
        for (const int32_t candidate : pool) {
            if (Distance(station, candidate) > nearest * failingPartnerReach) break;
            if (need_[static_cast<std::size_t>(candidate)] > 0) return candidate;
        }
        return pool.front();
    }

    // While a baseline is a bridge, join the two sides it holds together
    // by their nearest other pair of stations.
    void Mend_Bridges() {
        for (int32_t round = 0; round < Station_Count(); ++round) {
            std::vector<GraphEdge> edges;
            for (const auto& [a, b] : pairs_) edges.push_back({a, b});
            const std::vector<std::size_t> bridges = Bridge_Edges(Station_Count(), edges);
            if (bridges.empty()) return;
            const GraphEdge bridge = edges[bridges.front()];
            const std::vector<bool> side = Side_Without(edges, bridges.front(), bridge.first);
            int32_t bestA = -1, bestB = -1;
            double bestDistance = std::numeric_limits<double>::infinity();
            for (int32_t a = 0; a < Station_Count(); ++a) {
                if (!side[static_cast<std::size_t>(a)]) continue;
                for (int32_t b = 0; b < Station_Count(); ++b) {
                    if (side[static_cast<std::size_t>(b)] || !observed_[static_cast<std::size_t>(b)]) continue;
                    if (Pair_Of(a, b) == Pair_Of(bridge.first, bridge.second)) continue;
                    const double distance = Distance(a, b);
                    if (bestA < 0 || distance < bestDistance) {
                        bestA = a;
                        bestB = b;
                        bestDistance = distance;
                    }
                }
            }
            if (bestA < 0) {
                checks_.fieldNotes.push_back(fmt::format("baseline {}-{}: its loss splits the network, and no other "
                                                         "pair of stations can join its sides",
                                                         Name(bridge.first), Name(bridge.second)));
                return;
            }
            // The station on the smaller side is the one to set up again.
            Add(bestB, bestA,
                {fmt::format("baseline {}-{}: its loss splits the network; this closes a loop around it",
                             Name(bridge.first), Name(bridge.second))});
        }
    }

    // The stations on `start`'s side of the network once edge `cut` is gone.
    std::vector<bool> Side_Without(const std::vector<GraphEdge>& edges, std::size_t cut, int32_t start) const {
        std::vector<std::vector<int32_t>> next(static_cast<std::size_t>(Station_Count()));
        for (std::size_t i = 0; i < edges.size(); ++i) {
            if (i == cut) continue;
            next[static_cast<std::size_t>(edges[i].first)].push_back(edges[i].second);
            next[static_cast<std::size_t>(edges[i].second)].push_back(edges[i].first);
        }
        std::vector<bool> seen(static_cast<std::size_t>(Station_Count()), false);
        std::deque<int32_t> queue{start};
        seen[static_cast<std::size_t>(start)] = true;
        while (!queue.empty()) {
            const int32_t at = queue.front();
            queue.pop_front();
            for (const int32_t to : next[static_cast<std::size_t>(at)])
                if (!seen[static_cast<std::size_t>(to)]) {
                    seen[static_cast<std::size_t>(to)] = true;
                    queue.push_back(to);
                }
        }
        return seen;
    }

    const Campaign& campaign_;
    const StandardProfile& profile_;
    StandardChecks& checks_;
    std::vector<int32_t> need_;  // sessions still wanted at each station
    std::vector<bool> observed_;
    std::vector<bool> reached_;
    bool hasControls_ = false;
    std::set<StationPair> pairs_;  // kept baselines and suggested ones
    std::map<int32_t, std::string> needReasons_;  // e.g. "occupations 1 of 2, redundancy 1 of 2"
};

}  // namespace

double Suggested_Session_Minutes(const Campaign& campaign, const StandardProfile& profile,
                                 const std::optional<double>& lengthMetres) {
    double minutes = campaign.options.minimumOverlapMinutes;
    const ObservationTimeRule& time = profile.observationTime;
    if (time.settings.enabled) {
        const std::optional<double> required = Required_Observation_Minutes(time, lengthMetres);
        minutes = std::max(minutes, required ? *required : time.lengthTable.back().minutes);
    }
    return std::max(sessionStepMinutes, std::ceil(minutes / sessionStepMinutes) * sessionStepMinutes);
}

void Suggest_Reobservation(const Campaign& campaign, const ProcessingPlan& plan, const StandardProfile& profile,
                           StandardChecks& checks) {
    FieldPlanner(campaign, plan, profile, checks).Run();
}

}  // namespace min_lumo_tool

#include "tool/plan/reobservation.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <map>
#include <set>
#include <tuple>

#include <fmt/format.h>

#include "tool/plan/network_graph.h"

namespace min_lumo_tool {

namespace {

constexpr double sessionStepMinutes = 5.0;
constexpr double metresPerKilometre = 1000.0;
constexpr double minutesPerHour = 60.0;
// A partner that meets a need of its own too is worth taking over the
// nearest one when it is at most this many times as far: one session then
// mends two stations.
constexpr double failingPartnerReach = 2.0;

using StationPair = std::pair<int32_t, int32_t>;

StationPair Pair_Of(int32_t a, int32_t b) { return std::minmax(a, b); }

std::string Duration_Text(double minutes) {
    const auto whole = static_cast<int64_t>(std::ceil(minutes));
    if (whole < static_cast<int64_t>(minutesPerHour)) return fmt::format("{} min", whole);
    const int64_t hours = whole / static_cast<int64_t>(minutesPerHour);
    const int64_t rest = whole % static_cast<int64_t>(minutesPerHour);
    return rest == 0 ? fmt::format("{} h", hours) : fmt::format("{} h {} min", hours, rest);
}

// One suggested session as the planner holds it.
struct Session {
    int32_t station = -1, partner = -1;
    double minutes = 0.0;
};

// One unit of what the campaign still lacks; one session mends it.
enum class NeedKind {
    lengthen,   // the baseline station-partner observed again, long enough
    directTie,  // the baseline station-partner (a control) observed at all
    reach,      // station: joined to a control
    sessions,   // station: its count-th more session
    ties,       // station: its count-th more station tied, by a baseline it has not
    bridge,     // the baseline station-partner no longer the only link
    loopShare,  // more of the observed stations in a closed loop
};

struct Need {
    NeedKind kind = NeedKind::sessions;
    int32_t station = -1, partner = -1;
    int32_t count = 0;
    auto Key() const { return std::tuple(kind, station, partner, count); }
    bool operator<(const Need& other) const { return Key() < other.Key(); }
    bool operator==(const Need& other) const { return Key() == other.Key(); }
};

// A short baseline to observe again, as its check found it.
struct Lengthening {
    int32_t station = -1, partner = -1;
    double minutes = 0.0;
    std::string text;  // what it mends
};

// What a station lacks, as its checks found it.
struct StationLack {
    int32_t sessions = 0;            // more sessions wanted
    std::vector<std::string> rules;  // "occupations 1 of 2", one per rule that wants them
    bool reach = false;              // no control reaches it
    int32_t ties = 0;                // other stations it is to be tied to, in all
    int32_t tiesMissing = 0;         // of them, not tied yet
    std::string tiesText;            // "ties 2 of 3"
    std::vector<int32_t> controls;   // controls it is to be tied to directly
};

// The kept network and the sessions suggested so far, looked at as the
// checks look at the campaign.
class FieldPlanner {
public:
    FieldPlanner(const Campaign& campaign, const ProcessingPlan& plan, const StandardProfile& profile,
                 StandardChecks& checks)
        : campaign_(campaign), profile_(profile), checks_(checks), lacks_(campaign.project.stations.size()) {
        for (int32_t station = 0; station < Station_Count(); ++station)
            isControl_.push_back(Is_Control(campaign, station));
        singleFrequency_.assign(campaign.project.stations.size(), false);
        for (const StationIndex station : campaign.stations.Indices()) {
            const auto& occupations = campaign.stations[station].occupations;
            singleFrequency_[Slot(station)] =
                !occupations.empty() && std::all_of(occupations.begin(), occupations.end(), [&](OccupationIndex i) {
                    return campaign.occupations[i].carrierPhaseBands == 1;
                });
        }
        hasControls_ = !campaign.project.controls.empty();
        for (const PlanNetwork& network : plan.networks)
            for (const PlanRow& row : network.rows)
                if (row.selected) keptPairs_.insert(Pair_Of(row.fromStation, row.toStation));
        loops_ = profile.loops.settings.enabled && profile.loops.settings.severity == RuleSeverity::required;
    }

    void Run() {
        Take_Failures();
        Warn_Same_Points();
        Plan_Sessions();
        Drop_Needless_Sessions();
        Write_List();
    }

private:
    // ---- What the checks found -------------------------------------------

    void Take_Failures() {
        for (const RuleCheck& rule : checks_.rules) {
            if (rule.passed) continue;
            for (const CheckFailure& failure : rule.failures) switch (failure.kind) {
                    case FailureKind::shortObservation:
                        lengthen_.push_back({failure.station, failure.partner, failure.requiredValue.value_or(0.0),
                                             fmt::format("{}: {} of common data, needs {}", failure.item,
                                                         failure.measured, failure.required)});
                        break;
                    case FailureKind::fewSessions: {
                        StationLack& lack = lacks_[static_cast<std::size_t>(failure.station)];
                        lack.sessions = std::max(lack.sessions, failure.missing);
                        // An occupation counts only at a height of its own where the profile says so.
                        const bool newHeight = rule.rule == RuleId::occupations
                                               && profile_.occupations.antennaHeightChanged;
                        lack.rules.push_back(fmt::format("{} {} of {}{}", Rule_Key(rule.rule),
                                                         failure.measuredValue.value_or(0.0),
                                                         failure.requiredValue.value_or(0.0),
                                                         newHeight ? " (set up at an antenna height of its own)" : ""));
                        break;
                    }
                    case FailureKind::unreachedStation:
                        lacks_[static_cast<std::size_t>(failure.station)].reach = true;
                        break;
                    case FailureKind::fewTies: {
                        StationLack& lack = lacks_[static_cast<std::size_t>(failure.station)];
                        lack.ties = static_cast<int32_t>(failure.requiredValue.value_or(0.0));
                        lack.tiesMissing = failure.missing;
                        lack.tiesText = fmt::format("{} {} of {}", Rule_Key(rule.rule),
                                                    failure.measuredValue.value_or(0.0), lack.ties);
                        break;
                    }
                    case FailureKind::untiedControl:
                        lacks_[static_cast<std::size_t>(failure.station)].controls.push_back(failure.partner);
                        break;
                    case FailureKind::longBaseline: {
                        // A single-frequency receiver's limit is the shorter one.
                        const BaselineLengthRule& length = profile_.baselineLength;
                        const bool single = failure.requiredValue == length.singleFrequencyKilometres
                                            && length.singleFrequencyKilometres < length.dualFrequencyKilometres;
                        checks_.fieldNotes.push_back(fmt::format(
                            "{}: {} (required {}); observe it through nearer stations{}", failure.item,
                            failure.measured, failure.required,
                            single ? ", or with dual-frequency receivers at both ends" : ""));
                        break;
                    }
                    case FailureKind::beyondLengthTable:
                        checks_.fieldNotes.push_back(fmt::format(
                            "{}: longer than the profile's length table reaches; no observation time mends it",
                            failure.item));
                        break;
                    case FailureKind::tooFewControls:
                        checks_.fieldNotes.push_back(fmt::format(
                            "{}: {} (required {}); name another station of known coordinates with --control, or "
                            "occupy a known point with the campaign's stations",
                            failure.item, failure.measured, failure.required));
                        break;
                    case FailureKind::poorOccupation:
                        checks_.fieldNotes.push_back(fmt::format(
                            "{}: {} (required {}); occupy it again as long as before and leave the file out",
                            failure.item, failure.measured, failure.required));
                        break;
                    case FailureKind::splitSession:
                        checks_.fieldNotes.push_back(fmt::format(
                            "{}: {}; a new session cannot join them, so plan each session's receivers to overlap "
                            "as one piece next time",
                            failure.item, failure.measured));
                        break;
                    // The network's loops are judged on the network itself
                    // (Outstanding), with the suggested sessions in it.
                    case FailureKind::bridge:
                    case FailureKind::fewLooped: break;
                    // Advice on the next campaign's timing, not a new session.
                    case FailureKind::nearMiss: break;
                    case FailureKind::antennaDoubt:
                        checks_.fieldNotes.push_back(fmt::format(
                            "{}: {}; check the height measured and the antenna set up on site, and correct the "
                            "file's header (ANTENNA: DELTA H/E/N, ANT # / TYPE), or occupy it again",
                            failure.item, failure.measured));
                        break;
                    // Processing's findings: its suspects say what to
                    // process or observe again.
                    case FailureKind::unfixedVector:
                    case FailureKind::loopMisclosure:
                    case FailureKind::repeatDisagreement: break;
                }
        }
    }

    // Two names of one point: no session between them, and none for what
    // either lacks, since naming them alike may already mend it.  Stations
    // within samePointMetres of each other, chained, are one note.
    void Warn_Same_Points() {
        twin_.assign(campaign_.project.stations.size(), false);
        for (const std::vector<StationIndex>& group : campaign_.lookAlikeStations) {
            std::vector<int32_t> stations;
            for (const StationIndex station : group) stations.push_back(Project_Station(station));
            const auto inGroup = [&](int32_t s) { return std::find(stations.begin(), stations.end(), s) != stations.end(); };
            const bool lacking = std::any_of(stations.begin(), stations.end(), [&](int32_t s) { return Lacks(s); })
                                 || std::any_of(lengthen_.begin(), lengthen_.end(), [&](const Lengthening& l) {
                                        return inGroup(l.station) && inGroup(l.partner);
                                    });
            if (!lacking) continue;
            std::string names;
            for (const int32_t station : stations) {
                twin_[static_cast<std::size_t>(station)] = true;
                names += (names.empty() ? "" : station == stations.back() ? " and " : ", ") + Name(station);
            }
            checks_.fieldNotes.push_back(fmt::format(
                "stations {} lie within {} m of each other: the same point under {} names? No session is suggested "
                "between them or for what they lack; name their files' station alike (--station FILE=NAME) and plan "
                "again",
                names, samePointMetres, stations.size() == 2 ? std::string("two") : std::to_string(stations.size())));
        }
    }

    bool Lacks(int32_t station) const {
        const StationLack& lack = lacks_[static_cast<std::size_t>(station)];
        return lack.sessions > 0 || lack.reach || lack.ties > 0 || !lack.controls.empty();
    }

    // ---- The network with the suggested sessions -------------------------

    struct Network {
        std::set<StationPair> pairs;      // kept baselines and suggested ones
        std::vector<int32_t> sessionsAt;  // suggested sessions at each station
        std::vector<bool> observed;       // by station: at an end of a pair
        std::vector<int32_t> tiedTo;      // by station: the stations at the other ends of its pairs
        std::vector<int32_t> component;   // of the pairs
        std::vector<bool> controlled;     // by component: holds a control
    };

    Network Network_With(const std::vector<Session>& sessions) const {
        Network network;
        network.pairs = keptPairs_;
        network.sessionsAt.assign(static_cast<std::size_t>(Station_Count()), 0);
        for (const Session& session : sessions) {
            network.pairs.insert(Pair_Of(session.station, session.partner));
            ++network.sessionsAt[static_cast<std::size_t>(session.station)];
            ++network.sessionsAt[static_cast<std::size_t>(session.partner)];
        }
        network.observed.assign(static_cast<std::size_t>(Station_Count()), false);
        network.tiedTo.assign(static_cast<std::size_t>(Station_Count()), 0);
        for (const auto& [a, b] : network.pairs) {
            network.observed[static_cast<std::size_t>(a)] = network.observed[static_cast<std::size_t>(b)] = true;
            ++network.tiedTo[static_cast<std::size_t>(a)];
            ++network.tiedTo[static_cast<std::size_t>(b)];
        }
        network.component = Connected_Components(Station_Count(), Edges(network.pairs));
        network.controlled.assign(static_cast<std::size_t>(Station_Count()), false);
        for (int32_t station = 0; station < Station_Count(); ++station)
            if (isControl_[static_cast<std::size_t>(station)])
                network.controlled[static_cast<std::size_t>(network.component[static_cast<std::size_t>(station)])] =
                    true;
        return network;
    }

    static std::vector<GraphEdge> Edges(const std::set<StationPair>& pairs) {
        std::vector<GraphEdge> edges;
        for (const auto& [a, b] : pairs) edges.push_back({a, b});
        return edges;
    }

    bool Reached(const Network& network, int32_t station) const {
        return network.controlled[static_cast<std::size_t>(network.component[static_cast<std::size_t>(station)])];
    }

    static bool Observed(const Network& network, int32_t station) {
        return network.observed[static_cast<std::size_t>(station)];
    }

    // What the campaign still lacks with these sessions, most pressing first.
    std::vector<Need> Outstanding(const std::vector<Session>& sessions) const {
        const Network network = Network_With(sessions);
        std::vector<Need> needs;
        for (const Lengthening& lengthening : lengthen_) {
            if (Same_Point(lengthening.station, lengthening.partner)) continue;
            const auto pair = Pair_Of(lengthening.station, lengthening.partner);
            if (std::none_of(sessions.begin(), sessions.end(), [&](const Session& session) {
                    return Pair_Of(session.station, session.partner) == pair && session.minutes >= lengthening.minutes;
                }))
                needs.push_back({NeedKind::lengthen, pair.first, pair.second, 0});
        }
        for (int32_t station = 0; station < Station_Count(); ++station) {
            if (twin_[static_cast<std::size_t>(station)]) continue;
            for (const int32_t control : lacks_[static_cast<std::size_t>(station)].controls)
                if (network.pairs.count(Pair_Of(station, control)) == 0)
                    needs.push_back({NeedKind::directTie, station, control, 0});
        }
        for (int32_t station = 0; station < Station_Count(); ++station) {
            if (twin_[static_cast<std::size_t>(station)]) continue;
            const StationLack& lack = lacks_[static_cast<std::size_t>(station)];
            if (lack.reach && hasControls_ && !Reached(network, station))
                needs.push_back({NeedKind::reach, station, -1, 0});
        }
        for (int32_t station = 0; station < Station_Count(); ++station) {
            if (twin_[static_cast<std::size_t>(station)]) continue;
            const StationLack& lack = lacks_[static_cast<std::size_t>(station)];
            for (int32_t count = network.sessionsAt[static_cast<std::size_t>(station)] + 1; count <= lack.sessions;
                 ++count)
                needs.push_back({NeedKind::sessions, station, -1, count});
            for (int32_t count = network.tiedTo[static_cast<std::size_t>(station)] + 1; count <= lack.ties; ++count)
                needs.push_back({NeedKind::ties, station, -1, count});
        }
        if (loops_) Add_Loop_Needs(network, needs);
        return needs;
    }

    // The loops rule as the checks judge it, on the network with the
    // suggested sessions: a new station on one session hangs on a bridge.
    void Add_Loop_Needs(const Network& network, std::vector<Need>& needs) const {
        const std::vector<GraphEdge> edges = Edges(network.pairs);
        const std::vector<std::size_t> bridges = Bridge_Edges(Station_Count(), edges);
        if (!profile_.loops.bridgesAllowed) {
            for (const std::size_t bridge : bridges)
                needs.push_back({NeedKind::bridge, edges[bridge].first, edges[bridge].second, 0});
            return;
        }
        std::set<StationPair> bridgePairs;
        for (const std::size_t bridge : bridges) bridgePairs.insert({edges[bridge].first, edges[bridge].second});
        std::set<int32_t> observed, looped;
        for (const StationPair& pair : network.pairs) {
            observed.insert({pair.first, pair.second});
            if (bridgePairs.count(pair) == 0) looped.insert({pair.first, pair.second});
        }
        constexpr double perMille = 1000.0;  // compared as the check compares
        const double share =
            observed.empty() ? 1.0 : static_cast<double>(looped.size()) / static_cast<double>(observed.size());
        if (std::round(share * perMille) >= std::round(profile_.loops.minimumLoopShare * perMille)) return;
        // The first bridge at a station outside every loop is what to close.
        for (const std::size_t bridge : bridges)
            if (looped.count(edges[bridge].first) == 0 || looped.count(edges[bridge].second) == 0) {
                needs.push_back({NeedKind::loopShare, edges[bridge].first, edges[bridge].second, 0});
                return;
            }
    }

    // ---- Choosing sessions -------------------------------------------------

    void Plan_Sessions() {
        std::set<Need> givenUp;
        // Every round adds a session or gives a need up, and a session mends
        // at least one need: the rounds are bounded well below this.
        const std::size_t mostRounds = 4 * (static_cast<std::size_t>(Station_Count()) + lengthen_.size() + 1) *
                                       (static_cast<std::size_t>(Station_Count()) + 1);
        for (std::size_t round = 0; round < mostRounds; ++round) {
            const std::vector<Need> needs = Outstanding(sessions_);
            const Need* next = Most_Pressing(needs, givenUp);
            if (next == nullptr) return;
            const std::optional<Session> session = Session_For(*next, needs);
            if (session) {
                sessions_.push_back(*session);
                continue;
            }
            // What one station lacks is given up, and noted, once.
            for (const Need& need : needs)
                if (need.kind == next->kind && need.station == next->station && need.partner == next->partner)
                    givenUp.insert(need);
        }
    }

    // The first need of its kind's order; of station sessions, the station
    // that lacks most.
    const Need* Most_Pressing(const std::vector<Need>& needs, const std::set<Need>& givenUp) const {
        const Need* best = nullptr;
        std::map<int32_t, int32_t> lacking;
        for (const Need& need : needs)
            if (need.kind == NeedKind::sessions) ++lacking[need.station];
        for (const Need& need : needs) {
            if (givenUp.count(need) > 0) continue;
            if (best == nullptr || need.kind < best->kind) {
                best = &need;
                continue;
            }
            if (need.kind == NeedKind::sessions && best->kind == NeedKind::sessions
                && lacking[need.station] > lacking[best->station])
                best = &need;
        }
        return best;
    }

    std::optional<Session> Session_For(const Need& need, const std::vector<Need>& needs) {
        const Network network = Network_With(sessions_);
        switch (need.kind) {
            case NeedKind::lengthen: {
                const auto found = std::find_if(lengthen_.begin(), lengthen_.end(), [&](const Lengthening& l) {
                    return Pair_Of(l.station, l.partner) == Pair_Of(need.station, need.partner);
                });
                const std::optional<double> minutes = Session_Minutes(need.station, need.partner);
                if (!minutes) {
                    checks_.fieldNotes.push_back(fmt::format(
                        "{}: the profile allows no baseline so long, so observing it again would not do", found->text));
                    return std::nullopt;
                }
                const double wanted =
                    std::ceil(std::max(found->minutes, *minutes) / sessionStepMinutes) * sessionStepMinutes;
                if (wanted > profile_.maximumSessionMinutes) {
                    Note_Too_Long(found->text, need.station, need.partner, wanted);
                    return std::nullopt;
                }
                return Session{found->station, found->partner, wanted};
            }
            case NeedKind::directTie: {
                const std::optional<double> minutes = Session_Minutes(need.station, need.partner);
                if (!minutes || *minutes > profile_.maximumSessionMinutes) {
                    if (minutes) Note_Too_Long(Need_Text(need), need.station, need.partner, *minutes);
                    else
                        checks_.fieldNotes.push_back(fmt::format(
                            "{}: the profile allows no session so long", Need_Text(need)));
                    return std::nullopt;
                }
                return Session{need.station, need.partner, *minutes};
            }
            case NeedKind::reach:
                return Partnered(need, needs, [&](int32_t partner) { return Reached(network, partner); },
                                 fmt::format("{}: no control reaches it", Name(need.station)));
            case NeedKind::ties:
                return Partnered(
                    need, needs,
                    [&](int32_t partner) {
                        return Observed(network, partner) && network.pairs.count(Pair_Of(need.station, partner)) == 0;
                    },
                    Ties_Text(need, false));
            case NeedKind::sessions: {
                // A partner in the network, so that the session ties into it;
                // any, while nothing is observed yet.
                const bool anyObserved = std::find(network.observed.begin(), network.observed.end(), true) !=
                                         network.observed.end();
                return Partnered(
                    need, needs, [&](int32_t partner) { return !anyObserved || Observed(network, partner); },
                    Lack_Text(need, false));
            }
            case NeedKind::bridge:
            case NeedKind::loopShare: return Loop_Closing(network, need);
        }
        return std::nullopt;
    }

    // The station's nearest partner that `fits`: first a partner it has no
    // baseline with yet in its own piece of the network (a new baseline
    // there closes a loop, where one to another piece would hang on it
    // alone), then one in another piece, then one it has a baseline with;
    // and among those within reach of the nearest, one that meets a need of
    // its own.
    template <class Fits>
    std::optional<Session> Partnered(const Need& need, const std::vector<Need>& needs, const Fits& fits,
                                     const std::string& what) {
        const int32_t station = need.station;
        const Network network = Network_With(sessions_);
        std::vector<int32_t> candidates;
        for (int32_t other = 0; other < Station_Count(); ++other)
            if (other != station && !Same_Point(station, other) && fits(other)) candidates.push_back(other);
        std::sort(candidates.begin(), candidates.end(), [&](int32_t a, int32_t b) {
            return std::make_pair(Distance(station, a), Name(a)) < std::make_pair(Distance(station, b), Name(b));
        });
        std::vector<int32_t> looping, joining, repeating;
        int32_t tooLong = -1;
        const auto piece = [&](int32_t s) { return network.component[static_cast<std::size_t>(s)]; };
        for (const int32_t candidate : candidates) {
            const std::optional<double> minutes = Session_Minutes(station, candidate);
            if (!minutes) continue;
            if (*minutes > profile_.maximumSessionMinutes) {
                if (tooLong < 0) tooLong = candidate;
                continue;
            }
            if (network.pairs.count(Pair_Of(station, candidate)) > 0) repeating.push_back(candidate);
            else if (piece(candidate) == piece(station)) looping.push_back(candidate);
            else joining.push_back(candidate);
        }
        const std::vector<int32_t>& pool = !looping.empty() ? looping : !joining.empty() ? joining : repeating;
        if (pool.empty()) {
            if (tooLong >= 0) Note_Too_Long(what, station, tooLong, *Session_Minutes(station, tooLong));
            else checks_.fieldNotes.push_back(fmt::format("{}: no other station to observe it with", what));
            return std::nullopt;
        }
        int32_t partner = pool.front();
        const double nearest = Distance(station, partner);
        for (const int32_t candidate : pool) {
            if (Distance(station, candidate) > nearest * failingPartnerReach) break;
            if (std::any_of(needs.begin(), needs.end(), [&](const Need& other) {
                    return other.station == candidate
                           && (other.kind == NeedKind::sessions || other.kind == NeedKind::ties
                               || (other.kind == NeedKind::reach && Reached(network, station)));
                })) {
                partner = candidate;
                break;
            }
        }
        return Session{station, partner, *Session_Minutes(station, partner)};
    }

    // Joins the two sides of a bridge by their nearest other pair of
    // stations; the station on the bridge's first side is set up again.
    std::optional<Session> Loop_Closing(const Network& network, const Need& need) {
        std::set<StationPair> others = network.pairs;
        others.erase(Pair_Of(need.station, need.partner));
        const std::vector<int32_t> pieces = Connected_Components(Station_Count(), Edges(others));
        const int32_t near = pieces[static_cast<std::size_t>(need.station)];
        const int32_t far = pieces[static_cast<std::size_t>(need.partner)];
        std::optional<Session> best;
        double bestDistance = std::numeric_limits<double>::infinity();
        int32_t tooLongA = -1, tooLongB = -1;
        for (int32_t a = 0; a < Station_Count(); ++a) {
            if (pieces[static_cast<std::size_t>(a)] != near || !Observed(network, a)) continue;
            for (int32_t b = 0; b < Station_Count(); ++b) {
                if (pieces[static_cast<std::size_t>(b)] != far || !Observed(network, b)) continue;
                if (Pair_Of(a, b) == Pair_Of(need.station, need.partner) || Same_Point(a, b)) continue;
                const std::optional<double> minutes = Session_Minutes(a, b);
                if (!minutes) continue;
                const double distance = Distance(a, b);
                if (*minutes > profile_.maximumSessionMinutes) {
                    if (tooLongA < 0) tooLongA = a, tooLongB = b;
                    continue;
                }
                if (!best || distance < bestDistance) {
                    best = Session{a, b, *minutes};
                    bestDistance = distance;
                }
            }
        }
        if (best) return best;
        const std::string what = Bridge_Text(need);
        if (tooLongA >= 0) Note_Too_Long(what, tooLongA, tooLongB, *Session_Minutes(tooLongA, tooLongB));
        else
            checks_.fieldNotes.push_back(
                fmt::format("{}: no other pair of stations can join its two sides", what));
        return std::nullopt;
    }

    void Note_Too_Long(const std::string& what, int32_t station, int32_t partner, double minutes) {
        const std::optional<double> metres = Station_Distance_Metres(campaign_, station, partner);
        checks_.fieldNotes.push_back(fmt::format(
            "{}: only a session of {} ({}-{}, {}) would mend it, longer than the profile's limit of {}; occupy a "
            "nearer point with it instead",
            what, Duration_Text(minutes), Name(station), Name(partner),
            metres ? fmt::format("{:.3f} km", *metres / metresPerKilometre) : std::string("length unknown"),
            Duration_Text(profile_.maximumSessionMinutes)));
    }

    // ---- Leaving out what others mend ---------------------------------------

    // Drops, last first, each session whose leaving out leaves no need
    // that the whole list meets unmet.
    void Drop_Needless_Sessions() {
        const std::vector<Need> withAll = Sorted(Outstanding(sessions_));
        for (std::size_t i = sessions_.size(); i-- > 0;) {
            std::vector<Session> without = sessions_;
            without.erase(without.begin() + static_cast<std::ptrdiff_t>(i));
            const std::vector<Need> left = Sorted(Outstanding(without));
            if (std::includes(withAll.begin(), withAll.end(), left.begin(), left.end())) sessions_ = std::move(without);
        }
    }

    static std::vector<Need> Sorted(std::vector<Need> needs) {
        std::sort(needs.begin(), needs.end());
        return needs;
    }

    // Each session named with what it mends that the ones before it do not.
    void Write_List() {
        std::vector<Session> before;
        std::vector<Need> open = Sorted(Outstanding(before));
        for (const Session& session : sessions_) {
            before.push_back(session);
            const std::vector<Need> after = Sorted(Outstanding(before));
            std::vector<Need> mended;
            std::set_difference(open.begin(), open.end(), after.begin(), after.end(), std::back_inserter(mended));
            FieldOccupation occupation;
            occupation.number = static_cast<int32_t>(checks_.fieldList.size() + 1);
            occupation.station = session.station;
            occupation.partner = session.partner;
            occupation.stationName = Name(session.station);
            occupation.partnerName = Name(session.partner);
            occupation.lengthMetres = Station_Distance_Metres(campaign_, session.station, session.partner);
            occupation.minutes = session.minutes;
            // In the order of the needs' kinds: what the session was chosen for first.
            std::stable_sort(mended.begin(), mended.end(),
                             [](const Need& a, const Need& b) { return a.kind < b.kind; });
            // A session that mends only together with later ones is named
            // with what leaving it out would leave unmet.
            if (mended.empty()) mended = Unmet_Without(before.size() - 1);
            for (const Need& need : mended) occupation.reasons.push_back(Need_Text(need));
            checks_.fieldList.push_back(std::move(occupation));
            open = after;
        }
    }

    std::vector<Need> Unmet_Without(std::size_t session) const {
        std::vector<Session> without = sessions_;
        without.erase(without.begin() + static_cast<std::ptrdiff_t>(session));
        const std::vector<Need> withAll = Sorted(Outstanding(sessions_));
        const std::vector<Need> left = Sorted(Outstanding(without));
        std::vector<Need> unmet;
        std::set_difference(left.begin(), left.end(), withAll.begin(), withAll.end(), std::back_inserter(unmet));
        return unmet;
    }

    // ---- Words ----------------------------------------------------------

    std::string Need_Text(const Need& need) const {
        switch (need.kind) {
            case NeedKind::lengthen: {
                const auto found = std::find_if(lengthen_.begin(), lengthen_.end(), [&](const Lengthening& l) {
                    return Pair_Of(l.station, l.partner) == Pair_Of(need.station, need.partner);
                });
                return found->text;
            }
            case NeedKind::directTie:
                return fmt::format("{}: control {} {} away, not tied to it directly", Name(need.station),
                                   Name(need.partner), Length_Text(Station_Distance_Metres(campaign_, need.station, need.partner)));
            case NeedKind::reach: return fmt::format("{}: no control reaches it", Name(need.station));
            case NeedKind::sessions: return Lack_Text(need);
            case NeedKind::ties: return Ties_Text(need);
            case NeedKind::bridge:
            case NeedKind::loopShare: return Bridge_Text(need) + "; this closes a loop around it";
        }
        return {};
    }

    // "HOLZ: occupations 1 of 2, redundancy 1 of 2", and which of the
    // sessions it lacks this one is when it lacks more than one.
    std::string Lack_Text(const Need& need, bool which = true) const {
        const StationLack& lack = lacks_[static_cast<std::size_t>(need.station)];
        std::string rules;
        for (const std::string& rule : lack.rules) rules += (rules.empty() ? "" : ", ") + rule;
        if (rules.empty()) rules = "one more session";
        return lack.sessions > 1 && which
                   ? fmt::format("{}: {} (session {} of {} more)", Name(need.station), rules, need.count, lack.sessions)
                   : fmt::format("{}: {}", Name(need.station), rules);
    }

    std::string Ties_Text(const Need& need, bool which = true) const {
        const StationLack& lack = lacks_[static_cast<std::size_t>(need.station)];
        return which && lack.tiesMissing > 1
                   ? fmt::format("{}: {} (tie {} of {})", Name(need.station), lack.tiesText, need.count, lack.ties)
                   : fmt::format("{}: {}", Name(need.station), lack.tiesText);
    }

    static std::string Length_Text(const std::optional<double>& metres) {
        return metres ? fmt::format("{:.3f} km", *metres / metresPerKilometre) : std::string("at an unknown distance");
    }

    std::string Bridge_Text(const Need& need) const {
        if (keptPairs_.count(Pair_Of(need.station, need.partner)) == 0)
            return fmt::format("baseline {}-{} (suggested above): its loss would split the network",
                               Name(need.station), Name(need.partner));
        return fmt::format("baseline {}-{}: its loss splits the network", Name(need.station), Name(need.partner));
    }

    // ---- The campaign ---------------------------------------------------

    const std::string& Name(int32_t station) const {
        return campaign_.project.stations[static_cast<std::size_t>(station)].name;
    }
    int32_t Station_Count() const { return static_cast<int32_t>(campaign_.project.stations.size()); }
    double Distance(int32_t a, int32_t b) const {
        return Station_Distance_Metres(campaign_, a, b).value_or(std::numeric_limits<double>::infinity());
    }
    bool Same_Point(int32_t a, int32_t b) const {
        const std::optional<double> metres = Station_Distance_Metres(campaign_, a, b);
        return metres && *metres <= samePointMetres;
    }
    // What a new session of a and b lasts; none when the profile allows no
    // such baseline (longer than its length table, or than its receivers
    // allow: single-frequency when either station was only seen so).
    std::optional<double> Session_Minutes(int32_t a, int32_t b) const {
        const std::optional<double> metres = Station_Distance_Metres(campaign_, a, b);
        const BaselineLengthRule& length = profile_.baselineLength;
        if (length.settings.enabled && metres) {
            const bool single = singleFrequency_[static_cast<std::size_t>(a)] || singleFrequency_[static_cast<std::size_t>(b)];
            if (*metres / metresPerKilometre >
                (single ? length.singleFrequencyKilometres : length.dualFrequencyKilometres))
                return std::nullopt;
        }
        return Suggested_Session_Minutes(campaign_, profile_, metres);
    }

    const Campaign& campaign_;
    const StandardProfile& profile_;
    StandardChecks& checks_;
    std::vector<bool> isControl_;
    bool hasControls_ = false;
    bool loops_ = false;                 // the loops rule is one to meet
    std::set<StationPair> keptPairs_;    // the kept baselines
    std::vector<Lengthening> lengthen_;  // in the order the checks found them
    std::vector<StationLack> lacks_;     // by station
    std::vector<bool> twin_;             // by station: within samePointMetres of another, both set aside
    std::vector<bool> singleFrequency_;  // by station: every file of it from a single-frequency receiver
    std::vector<Session> sessions_;      // the list as it grows
};

}  // namespace

std::optional<double> Suggested_Session_Minutes(const Campaign& campaign, const StandardProfile& profile,
                                                const std::optional<double>& lengthMetres) {
    double minutes = campaign.options.minimumOverlapMinutes;
    if (profile.occupations.settings.enabled) minutes = std::max(minutes, profile.occupations.minimumMinutes);
    const ObservationTimeRule& time = profile.observationTime;
    if (time.settings.enabled) {
        const std::optional<double> required = Required_Observation_Minutes(time, lengthMetres);
        if (!required) return std::nullopt;
        minutes = std::max(minutes, *required);
    }
    return std::max(sessionStepMinutes, std::ceil(minutes / sessionStepMinutes) * sessionStepMinutes);
}

void Suggest_Reobservation(const Campaign& campaign, const ProcessingPlan& plan, const StandardProfile& profile,
                           StandardChecks& checks) {
    FieldPlanner(campaign, plan, profile, checks).Run();
}

}  // namespace min_lumo_tool

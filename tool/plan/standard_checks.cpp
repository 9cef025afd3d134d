#include "tool/plan/standard_checks.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numeric>
#include <set>

#include <fmt/format.h>

#include "hostkit/iso_time.h"
#include "tool/field/gnss_time.h"
#include "tool/plan/network_graph.h"
#include "tool/plan/reobservation.h"

namespace min_lumo_tool {

namespace {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectControl;
using min_lumo_kit::secondsPerMinute;

constexpr double metresPerKilometre = 1000.0;
constexpr double percent = 100.0;

std::string Plural(std::size_t count, const char* thing) {
    return fmt::format("{} {}{}", count, thing, count == 1 ? "" : "s");
}

std::string Minutes_Text(double minutes) { return fmt::format("{:.1f} min", minutes); }

std::string Number_Text(double value) { return fmt::format("{}", value); }

// Details only receiver files give: an occupation log's lines have no epochs.
bool Has_Epoch_Details(const min_lumo_field::Occupation& occupation) { return occupation.epochCount > 0; }

class Checker {
public:
    Checker(const Campaign& campaign, const ProcessingPlan& plan, const StandardProfile& profile,
            min_lumo_field::DisplayScale scale)
        : campaign_(campaign), plan_(plan), profile_(profile), scale_(scale) {
        const Project& project = campaign.project;
        const std::size_t stations = project.stations.size();
        isControl_.assign(stations, false);
        for (const ProjectControl& control : project.controls)
            for (std::size_t i = 0; i < stations; ++i)
                if (project.stations[i].name == control.name) isControl_[i] = true;
        for (const PlanNetwork& network : plan.networks)
            for (const PlanRow& row : network.rows)
                if (row.selected) kept_.push_back(&row);
    }

    StandardChecks Run() {
        StandardChecks checks;
        checks.profile = profile_.name;
        checks.title = profile_.title;
        checks.file = profile_.file;
        for (const RuleId rule : All_Rules()) {
            // Later stages' rules are their commands' to check and to list.
            if (Rule_Stage(rule) != RuleStage::plan) continue;
            const RuleSettings& settings = profile_.Settings(rule);
            if (!settings.enabled) {
                checks.leftOut.push_back(
                    {rule, settings.listed ? settings.source : std::string("not named in the profile")});
                continue;
            }
            checks.rules.push_back(Check_Rule(rule));
        }
        Conclude_Verdict(checks);
        return checks;
    }

private:
    RuleCheck Check_Rule(RuleId rule) const {
        switch (rule) {
            case RuleId::occupations: return Occupations();
            case RuleId::redundancy: return Redundancy();
            case RuleId::observationTime: return Observation_Time();
            case RuleId::occupationQuality: return Occupation_Quality();
            case RuleId::controls: return Controls();
            case RuleId::sessions: return Sessions();
            case RuleId::loops: return Loops();
            case RuleId::nearMisses: return Near_Misses();
            // Checked by `process` on what it processed.
            case RuleId::fixedSolutions:
            case RuleId::loopMisclosure:
            case RuleId::repeatBaselines: break;
            case RuleId::relativeAccuracy: break;  // checked by adjust
        }
        throw std::logic_error("a rule without a check");
    }

private:
    const std::string& Name(int32_t station) const {
        return campaign_.project.stations[static_cast<std::size_t>(station)].name;
    }
    int32_t Station_Count() const { return static_cast<int32_t>(campaign_.project.stations.size()); }
    std::string Session_Of(const PlanRow& row) const {
        return campaign_.observations[static_cast<std::size_t>(row.observation)].session;
    }

    RuleCheck Rule(RuleId id, std::string requirement) const {
        const RuleSettings& settings = profile_.Settings(id);
        RuleCheck rule;
        rule.rule = id;
        rule.requirement = std::move(requirement);
        rule.source = settings.source;
        rule.severity = settings.severity;
        return rule;
    }
    static void Fail(RuleCheck& rule, CheckFailure failure) {
        rule.passed = false;
        rule.failures.push_back(std::move(failure));
    }

    // Sessions in which each station has an occupation that gave an
    // observation, and how many such occupations it has.
    RuleCheck Occupations() const {
        const int32_t wanted = profile_.occupations.minimumOccupations;
        RuleCheck rule = Rule(RuleId::occupations,
                              fmt::format("each station but the controls occupied at least {} in different sessions",
                                          wanted == 1 ? std::string("once") : fmt::format("{} times", wanted)));
        std::vector<std::set<std::string>> sessions(campaign_.stations.size());
        std::vector<std::set<OccupationIndex>> occupations(campaign_.stations.size());
        for (const CampaignObservation& observation : campaign_.observations)
            for (const OccupationIndex occupation : {observation.fromOccupation, observation.toOccupation}) {
                const auto station = static_cast<std::size_t>(campaign_.Project_Station_Of(occupation));
                sessions[station].insert(observation.session);
                occupations[station].insert(occupation);
            }
        for (int32_t station = 0; station < Station_Count(); ++station) {
            const auto index = static_cast<std::size_t>(station);
            if (isControl_[index]) continue;
            const auto counted = static_cast<int32_t>(std::min(sessions[index].size(), occupations[index].size()));
            if (counted >= wanted) continue;
            Fail(rule, {.kind = FailureKind::fewSessions,
                        .item = "station " + Name(station),
                        .measured = fmt::format("{} in different sessions (of {} occupied)",
                                                Plural(static_cast<std::size_t>(counted), "occupation"),
                                                campaign_.stations[Campaign_Station(station)].occupations.size()),
                        .required = Plural(static_cast<std::size_t>(wanted), "occupation"),
                        .measuredValue = counted,
                        .requiredValue = wanted,
                        .stations = {station},
                        .station = station,
                        .missing = wanted - counted});
        }
        return rule;
    }

    RuleCheck Redundancy() const {
        const int32_t wanted = profile_.redundancy.minimumSessions;
        RuleCheck rule = Rule(RuleId::redundancy,
                              fmt::format("each station but the controls held by kept observations of at least {}",
                                          Plural(static_cast<std::size_t>(wanted), "session")));
        std::vector<std::set<std::string>> sessions(campaign_.stations.size());
        for (const PlanRow* row : kept_) {
            sessions[static_cast<std::size_t>(row->fromStation)].insert(Session_Of(*row));
            sessions[static_cast<std::size_t>(row->toStation)].insert(Session_Of(*row));
        }
        for (int32_t station = 0; station < Station_Count(); ++station) {
            const auto index = static_cast<std::size_t>(station);
            if (isControl_[index]) continue;
            const std::size_t held = sessions[index].size();
            if (static_cast<int32_t>(held) >= wanted) continue;
            std::string list;
            for (const std::string& session : sessions[index]) list += (list.empty() ? "" : ", ") + session;
            Fail(rule, {.kind = FailureKind::fewSessions,
                        .item = "station " + Name(station),
                        .measured = fmt::format("kept observations of {}{}", Plural(held, "session"),
                                                list.empty() ? "" : " (" + list + ")"),
                        .required = Plural(static_cast<std::size_t>(wanted), "session"),
                        .measuredValue = static_cast<double>(held),
                        .requiredValue = wanted,
                        .stations = {station},
                        .station = station,
                        .missing = wanted - static_cast<int32_t>(held)});
        }
        return rule;
    }

    // Per baseline with a kept observation: its longest common data time
    // over all of its observations, since one long enough observation of a
    // baseline is what the surveyor processes.
    RuleCheck Observation_Time() const {
        const ObservationTimeRule& time = profile_.observationTime;
        std::string requirement;
        if (time.lengthTable.empty()) {
            requirement = fmt::format("each kept baseline has common data of at least {} min + {} min per km",
                                      Number_Text(time.baseMinutes), Number_Text(time.minutesPerKilometre));
        } else {
            std::string steps;
            for (const LengthStep& step : time.lengthTable)
                steps += fmt::format("{}{} min up to {} km", steps.empty() ? "" : ", ", Number_Text(step.minutes),
                                     Number_Text(step.upToKilometres));
            requirement = "each kept baseline has common data of at least " + steps;
        }
        RuleCheck rule = Rule(RuleId::observationTime, requirement);
        std::map<std::pair<int32_t, int32_t>, double> longest;
        for (const CampaignObservation& observation : campaign_.observations) {
            const auto pair = Station_Pair(observation);
            longest[pair] = std::max(longest[pair], Common_Data_Seconds(observation));
        }
        std::set<std::pair<int32_t, int32_t>> checked;
        for (const PlanRow* row : kept_) {
            const auto pair = std::minmax(row->fromStation, row->toStation);
            if (!checked.insert(pair).second) continue;
            const double haveMinutes = longest[pair] / secondsPerMinute;
            const std::optional<double> needMinutes = Required_Observation_Minutes(time, row->lengthMetres);
            const std::string item =
                fmt::format("baseline {}-{} ({})", Name(pair.first), Name(pair.second),
                            row->lengthMetres ? fmt::format("{:.3f} km", *row->lengthMetres / metresPerKilometre)
                                              : std::string("length unknown"));
            if (!needMinutes) {
                Fail(rule, {.kind = FailureKind::beyondLengthTable,
                            .item = item,
                            .measured = Minutes_Text(haveMinutes),
                            .required = fmt::format("a length the table reaches (up to {} km)",
                                                    Number_Text(time.lengthTable.back().upToKilometres)),
                            .measuredValue = haveMinutes,
                            .requiredValue = std::nullopt,
                            .stations = {pair.first, pair.second},
                            .station = pair.first,
                            .partner = pair.second});
            } else if (haveMinutes < *needMinutes) {
                Fail(rule, {.kind = FailureKind::shortObservation,
                            .item = item,
                            .measured = Minutes_Text(haveMinutes),
                            .required = Minutes_Text(*needMinutes),
                            .measuredValue = haveMinutes,
                            .requiredValue = *needMinutes,
                            .stations = {pair.first, pair.second},
                            .station = pair.first,
                            .partner = pair.second});
            }
        }
        return rule;
    }

    std::pair<int32_t, int32_t> Station_Pair(const CampaignObservation& observation) const {
        return std::minmax(campaign_.Project_Station_Of(observation.fromOccupation),
                           campaign_.Project_Station_Of(observation.toOccupation));
    }

    RuleCheck Occupation_Quality() const {
        const OccupationQualityRule& quality = profile_.occupationQuality;
        RuleCheck rule = Rule(RuleId::occupationQuality,
                              fmt::format("each occupation's epochs at most {} s apart, at least {}% complete, no gap "
                                          "over {} s (receiver files only: a log has no epochs)",
                                          Number_Text(quality.maximumIntervalSeconds),
                                          Number_Text(quality.minimumCompleteness * percent),
                                          Number_Text(quality.maximumGapSeconds)));
        for (const OccupationIndex i : campaign_.occupations.Indices()) {
            const int32_t station = campaign_.Project_Station_Of(i);
            const min_lumo_field::Occupation& occupation = campaign_.occupations[i];
            if (station < 0 || !Has_Epoch_Details(occupation)) continue;
            std::string files;
            for (const std::string& file : occupation.files) files += (files.empty() ? "" : ", ") + file;
            const std::string item =
                fmt::format("occupation of {} in {}", Name(station), files.empty() ? occupation.file : files);
            const auto poor = [&](std::string measured, std::string required, double measuredValue,
                                  double requiredValue) {
                return CheckFailure{.kind = FailureKind::poorOccupation,
                                    .item = item,
                                    .measured = std::move(measured),
                                    .required = std::move(required),
                                    .measuredValue = measuredValue,
                                    .requiredValue = requiredValue,
                                    .stations = {station},
                                    .station = station,
                                    .occupation = static_cast<int32_t>(i)};
            };
            if (occupation.intervalSeconds > quality.maximumIntervalSeconds)
                Fail(rule, poor(fmt::format("interval {} s", Number_Text(occupation.intervalSeconds)),
                                fmt::format("at most {} s", Number_Text(quality.maximumIntervalSeconds)),
                                occupation.intervalSeconds, quality.maximumIntervalSeconds));
            // 0 is an unknown completeness, not an empty file.
            if (occupation.completeness > 0.0 && occupation.completeness < quality.minimumCompleteness)
                Fail(rule, poor(fmt::format("{:.1f}% complete", occupation.completeness * percent),
                                fmt::format("at least {}%", Number_Text(quality.minimumCompleteness * percent)),
                                occupation.completeness, quality.minimumCompleteness));
            if (occupation.longestGapSeconds > quality.maximumGapSeconds)
                Fail(rule, poor(fmt::format("a gap of {} s", Number_Text(occupation.longestGapSeconds)),
                                fmt::format("at most {} s", Number_Text(quality.maximumGapSeconds)),
                                occupation.longestGapSeconds, quality.maximumGapSeconds));
        }
        return rule;
    }

    RuleCheck Controls() const {
        const int32_t wanted = profile_.controls.minimumControls;
        RuleCheck rule = Rule(RuleId::controls,
                              fmt::format("at least {}, and every station reached from one",
                                          Plural(static_cast<std::size_t>(wanted), "control")));
        const std::size_t have = campaign_.project.controls.size();
        if (static_cast<int32_t>(have) < wanted)
            Fail(rule, {.kind = FailureKind::tooFewControls,
                        .item = "controls",
                        .measured = Plural(have, "control"),
                        .required = Plural(static_cast<std::size_t>(wanted), "control"),
                        .measuredValue = static_cast<double>(have),
                        .requiredValue = wanted,
                        .stations = {}});
        if (have > 0)
            for (const int32_t station : plan_.summary.unreachedStations)
                Fail(rule, {.kind = FailureKind::unreachedStation,
                            .item = "station " + Name(station),
                            .measured = "no control reaches it",
                            .required = "reached from a control",
                            .measuredValue = std::nullopt,
                            .requiredValue = std::nullopt,
                            .stations = {station},
                            .station = station});
        return rule;
    }

    // Connected pieces of the stations joined by the kept baselines given.
    std::vector<std::vector<int32_t>> Pieces(const std::vector<GraphEdge>& edges) const {
        std::vector<int32_t> parent(static_cast<std::size_t>(Station_Count()));
        std::iota(parent.begin(), parent.end(), 0);
        const std::function<int32_t(int32_t)> root = [&](int32_t v) {
            while (parent[static_cast<std::size_t>(v)] != v) v = parent[static_cast<std::size_t>(v)];
            return v;
        };
        std::set<int32_t> touched;
        for (const GraphEdge& edge : edges) {
            touched.insert(edge.first);
            touched.insert(edge.second);
            parent[static_cast<std::size_t>(root(edge.first))] = root(edge.second);
        }
        std::map<int32_t, std::vector<int32_t>> byRoot;
        for (const int32_t station : touched) byRoot[root(station)].push_back(station);
        std::vector<std::vector<int32_t>> pieces;
        for (auto& [rootStation, members] : byRoot) pieces.push_back(std::move(members));
        std::sort(pieces.begin(), pieces.end());
        return pieces;
    }

    RuleCheck Sessions() const {
        RuleCheck rule = Rule(RuleId::sessions,
                              "the kept baselines of each session form one connected piece");
        std::map<std::string, std::vector<GraphEdge>> bySession;
        for (const PlanRow* row : kept_) bySession[Session_Of(*row)].push_back({row->fromStation, row->toStation});
        for (const auto& [session, edges] : bySession) {
            const auto pieces = Pieces(edges);
            if (pieces.size() <= 1) continue;
            std::string list;
            std::vector<int32_t> stations;
            for (const auto& piece : pieces) {
                std::string names;
                for (const int32_t station : piece) names += (names.empty() ? "" : ", ") + Name(station);
                list += (list.empty() ? "" : " | ") + names;
                stations.insert(stations.end(), piece.begin(), piece.end());
            }
            Fail(rule, {.kind = FailureKind::splitSession,
                        .item = "session " + session,
                        .measured = fmt::format("{} pieces: {}", pieces.size(), list),
                        .required = "1 piece",
                        .measuredValue = static_cast<double>(pieces.size()),
                        .requiredValue = 1.0,
                        .stations = stations});
        }
        return rule;
    }

    RuleCheck Loops() const {
        const LoopsRule& loops = profile_.loops;
        RuleCheck rule = Rule(
            RuleId::loops,
            fmt::format("{}at least {}% of the observed stations in a closed loop of kept baselines",
                        loops.bridgesAllowed ? "" : "no kept baseline whose loss splits the network, and ",
                        Number_Text(loops.minimumLoopShare * percent)));
        if (!loops.bridgesAllowed)
            for (const auto& [from, to] : plan_.summary.bridges)
                Fail(rule, {.kind = FailureKind::bridge,
                            .item = fmt::format("baseline {}-{}", Name(from), Name(to)),
                            .measured = "its loss splits the network",
                            .required = "not a bridge",
                            .measuredValue = std::nullopt,
                            .requiredValue = std::nullopt,
                            .stations = {from, to},
                            .station = from,
                            .partner = to});
        // A station is in a closed loop when a kept baseline at it is no bridge.
        std::set<std::pair<int32_t, int32_t>> bridges;
        for (const auto& [from, to] : plan_.summary.bridges) bridges.insert(std::minmax(from, to));
        std::set<int32_t> observed, looped;
        for (const PlanRow* row : kept_) {
            observed.insert(row->fromStation);
            observed.insert(row->toStation);
            if (bridges.count(std::minmax(row->fromStation, row->toStation)) == 0) {
                looped.insert(row->fromStation);
                looped.insert(row->toStation);
            }
        }
        const double share = observed.empty() ? 1.0 : static_cast<double>(looped.size()) / static_cast<double>(observed.size());
        // Compared in whole per mille, so that 7 of 7 meets 100% exactly.
        constexpr double perMille = 1000.0;
        if (std::round(share * perMille) < std::round(loops.minimumLoopShare * perMille)) {
            std::vector<int32_t> outside;
            std::string names;
            for (const int32_t station : observed)
                if (looped.count(station) == 0) {
                    outside.push_back(station);
                    names += (names.empty() ? "" : ", ") + Name(station);
                }
            Fail(rule, {.kind = FailureKind::fewLooped,
                        .item = "stations in a closed loop",
                        .measured = fmt::format("{} of {} ({:.0f}%); not: {}", looped.size(), observed.size(),
                                                share * percent, names),
                        .required = fmt::format("{}%", Number_Text(loops.minimumLoopShare * percent)),
                        .measuredValue = share,
                        .requiredValue = loops.minimumLoopShare,
                        .stations = outside});
        }
        return rule;
    }

    RuleCheck Near_Misses() const {
        const double shortest = campaign_.options.minimumOverlapMinutes;
        const double margin = profile_.nearMisses.marginMinutes;
        RuleCheck rule = Rule(RuleId::nearMisses,
                              fmt::format("no overlap within {} min under --min-overlap {} min, which gives no "
                                          "observation",
                                          Number_Text(margin), Number_Text(shortest)));
        // Each is named with the stations it would have helped: those held
        // by fewer than two kept observations.
        std::vector<int32_t> keptAt(static_cast<std::size_t>(Station_Count()), 0);
        for (const PlanRow* row : kept_) {
            ++keptAt[static_cast<std::size_t>(row->fromStation)];
            ++keptAt[static_cast<std::size_t>(row->toStation)];
        }
        constexpr int32_t wellHeld = 2;
        for (const CampaignShortOverlap& overlap : campaign_.shortOverlaps) {
            const double minutes = overlap.commonSeconds / secondsPerMinute;
            if (minutes < shortest - margin) continue;
            const int32_t from = campaign_.Project_Station_Of(overlap.fromOccupation);
            const int32_t to = campaign_.Project_Station_Of(overlap.toOccupation);
            std::vector<int32_t> helped;
            std::string names;
            for (const int32_t station : {from, to})
                if (!isControl_[static_cast<std::size_t>(station)] && keptAt[static_cast<std::size_t>(station)] < wellHeld) {
                    helped.push_back(station);
                    names += (names.empty() ? "" : ", ") + Name(station);
                }
            Fail(rule, {.kind = FailureKind::nearMiss,
                        .item = fmt::format("overlap {}-{} from {}", Name(from), Name(to),
                                            min_lumo_field::Display_Time_Named(overlap.startGps, scale_)),
                        .measured = Minutes_Text(minutes) + (names.empty() ? "" : "; would have helped " + names),
                        .required = fmt::format("{} min (--min-overlap)", Number_Text(shortest)),
                        .measuredValue = minutes,
                        .requiredValue = shortest,
                        .stations = helped,
                        .station = from,
                        .partner = to});
        }
        return rule;
    }

    const Campaign& campaign_;
    const ProcessingPlan& plan_;
    const StandardProfile& profile_;
    const min_lumo_field::DisplayScale scale_;  // of the times items name
    std::vector<bool> isControl_;
    std::vector<const PlanRow*> kept_;
};

}  // namespace

const char* Failure_Kind_Name(FailureKind kind) {
    switch (kind) {
        case FailureKind::fewSessions: return "fewSessions";
        case FailureKind::shortObservation: return "shortObservation";
        case FailureKind::beyondLengthTable: return "beyondLengthTable";
        case FailureKind::unreachedStation: return "unreachedStation";
        case FailureKind::tooFewControls: return "tooFewControls";
        case FailureKind::poorOccupation: return "poorOccupation";
        case FailureKind::splitSession: return "splitSession";
        case FailureKind::bridge: return "bridge";
        case FailureKind::fewLooped: return "fewLooped";
        case FailureKind::nearMiss: return "nearMiss";
        case FailureKind::unfixedVector: return "unfixedVector";
        case FailureKind::loopMisclosure: return "loopMisclosure";
        case FailureKind::repeatDisagreement: return "repeatDisagreement";
    }
    return "?";
}

void Conclude_Verdict(StandardChecks& checks) {
    checks.failedRules = 0;
    for (const RuleCheck& rule : checks.rules)
        if (!rule.passed && rule.severity == RuleSeverity::required) ++checks.failedRules;
    checks.verdict = checks.failedRules == 0 ? fmt::format("meets {}", checks.profile)
                                             : fmt::format("fails {}: {}", checks.profile,
                                                           Plural(static_cast<std::size_t>(checks.failedRules), "rule"));
}

double Common_Data_Seconds(const CampaignObservation& observation) { return observation.commonSeconds; }

std::optional<double> Required_Observation_Minutes(const ObservationTimeRule& rule,
                                                   const std::optional<double>& lengthMetres) {
    const double kilometres = lengthMetres.value_or(0.0) / metresPerKilometre;
    if (rule.lengthTable.empty()) return rule.baseMinutes + rule.minutesPerKilometre * kilometres;
    for (const LengthStep& step : rule.lengthTable)
        if (kilometres <= step.upToKilometres) return step.minutes;
    return std::nullopt;
}

StandardChecks Check_Standard(const Campaign& campaign, const ProcessingPlan& plan, const StandardProfile& profile,
                              min_lumo_field::DisplayScale scale) {
    StandardChecks checks = Checker(campaign, plan, profile, scale).Run();
    Suggest_Reobservation(campaign, plan, profile, checks);
    return checks;
}

}  // namespace min_lumo_tool

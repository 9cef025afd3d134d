#include "tool/plan/standard_checks.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include <fmt/format.h>

#include "hostkit/iso_time.h"
#include "tool/field/gnss_time.h"
#include "tool/output/reported_numbers.h"
#include "tool/output/text_table.h"
#include "tool/plan/antenna_check.h"
#include "tool/plan/network_graph.h"
#include "tool/plan/reobservation.h"
#include "tool/plan/report_fields.h"

namespace min_lumo_tool {

namespace {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectControl;
using min_lumo_kit::secondsPerMinute;

constexpr double metresPerKilometre = 1000.0;
constexpr double percent = 100.0;
// The fewest decimals measured and required values are shown with.
constexpr int minuteDecimals = 1;
constexpr int secondDecimals = 0;
constexpr int percentDecimals = 1;
constexpr int kilometreDecimals = 3;

// A profile's parameter as written: its shortest decimal form, to 1e-9 so
// that 0.9 x 100 reads 90.
std::string Number_Text(double value) {
    constexpr double steps = 1e9;
    return fmt::format("{}", std::round(value * steps) / steps);
}

// Details only receiver files give: an occupation log's lines have no epochs.
bool Has_Epoch_Details(const min_lumo_field::Occupation& occupation) { return occupation.epochCount > 0; }

class Checker {
public:
    Checker(const Campaign& campaign, const ProcessingPlan& plan, const StandardProfile& profile,
            min_lumo_field::DisplayScale scale)
        : campaign_(campaign), plan_(plan), profile_(profile), scale_(scale) {
        for (int32_t station = 0; station < Station_Count(); ++station)
            isControl_.push_back(Is_Control(campaign, station));
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
            case RuleId::antenna: return Antenna();
            case RuleId::ties: return Ties();
            case RuleId::nearbyControls: return Nearby_Controls();
            case RuleId::baselineLength: return Baseline_Length();
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

    // "occupation of ROV1 in rov1_a.rnx, rov1_b.rnx": by the paths given.
    std::string Occupation_Item(int32_t station, const min_lumo_field::Occupation& occupation) const {
        std::string files;
        for (const std::string& file : occupation.files) files += (files.empty() ? "" : ", ") + file;
        return fmt::format("occupation of {} in {}", Name(station), files.empty() ? occupation.file : files);
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
        const OccupationsRule& wantedRule = profile_.occupations;
        const int32_t wanted = wantedRule.minimumOccupations;
        std::string requirement = fmt::format("each station but the controls occupied at least {} in different sessions",
                                              wanted == 1 ? std::string("once") : fmt::format("{} times", wanted));
        if (wantedRule.minimumMinutes > 0.0)
            requirement += fmt::format(", each occupation at least {} min long", Number_Text(wantedRule.minimumMinutes));
        if (wantedRule.antennaHeightChanged) requirement += ", the antenna height changed between them";
        RuleCheck rule = Rule(RuleId::occupations, requirement);
        // Only occupations long enough count, each once per session it
        // gave an observation in.
        const auto longEnough = [&](OccupationIndex occupation) {
            const CampaignOccupation& record = campaign_.occupations[occupation];
            return record.lastGps - record.firstGps >= wantedRule.minimumMinutes * secondsPerMinute;
        };
        std::vector<std::set<std::string>> sessions(campaign_.stations.size());
        std::vector<std::set<OccupationIndex>> occupations(campaign_.stations.size());
        for (const CampaignObservation& observation : campaign_.observations)
            for (const OccupationIndex occupation : {observation.fromOccupation, observation.toOccupation}) {
                if (!longEnough(occupation)) continue;
                const auto station = static_cast<std::size_t>(campaign_.Project_Station_Of(occupation));
                sessions[station].insert(observation.session);
                occupations[station].insert(occupation);
            }
        for (int32_t station = 0; station < Station_Count(); ++station) {
            const auto index = static_cast<std::size_t>(station);
            if (isControl_[index]) continue;
            auto counted = static_cast<int32_t>(std::min(sessions[index].size(), occupations[index].size()));
            // Heights to the millimetre; a log's line records none (0).
            std::set<int64_t> heights;
            for (const OccupationIndex occupation : occupations[index])
                heights.insert(std::llround(campaign_.occupations[occupation].antennaHeight * millimetresPerMetre));
            if (wantedRule.antennaHeightChanged) counted = std::min(counted, static_cast<int32_t>(heights.size()));
            if (counted >= wanted) continue;
            std::string which = "in different sessions";
            if (wantedRule.minimumMinutes > 0.0)
                which += fmt::format(", {} min or longer", Number_Text(wantedRule.minimumMinutes));
            if (wantedRule.antennaHeightChanged)
                which += fmt::format(", at {}", Plural(heights.size(), "antenna height"));
            Fail(rule, {.kind = FailureKind::fewSessions,
                        .item = "station " + Name(station),
                        .measured = fmt::format("{} {} (of {} occupied)",
                                                Plural(static_cast<std::size_t>(counted), "occupation"), which,
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
                            .measured = fmt::format("{:.{}f} min", haveMinutes, minuteDecimals),
                            .required = fmt::format("a length the table reaches (up to {} km)",
                                                    Number_Text(time.lengthTable.back().upToKilometres)),
                            .measuredValue = haveMinutes,
                            .requiredValue = std::nullopt,
                            .stations = {pair.first, pair.second},
                            .station = pair.first,
                            .partner = pair.second});
            } else if (haveMinutes < *needMinutes) {
                const auto [have, need] = Compared_Texts(haveMinutes, *needMinutes, minuteDecimals);
                Fail(rule, {.kind = FailureKind::shortObservation,
                            .item = item,
                            .measured = have + " min",
                            .required = need + " min",
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
            const std::string item = Occupation_Item(station, occupation);
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
            if (occupation.intervalSeconds > quality.maximumIntervalSeconds) {
                const auto [have, most] =
                    Compared_Texts(occupation.intervalSeconds, quality.maximumIntervalSeconds, secondDecimals);
                Fail(rule, poor("interval " + have + " s", "at most " + most + " s", occupation.intervalSeconds,
                                quality.maximumIntervalSeconds));
            }
            // 0 is an unknown completeness, not an empty file.
            if (occupation.completeness > 0.0 && occupation.completeness < quality.minimumCompleteness) {
                const auto [have, least] = Compared_Texts(occupation.completeness * percent,
                                                          quality.minimumCompleteness * percent, percentDecimals);
                Fail(rule, poor(have + "% complete", "at least " + least + "%", occupation.completeness,
                                quality.minimumCompleteness));
            }
            if (occupation.longestGapSeconds > quality.maximumGapSeconds) {
                const auto [have, most] =
                    Compared_Texts(occupation.longestGapSeconds, quality.maximumGapSeconds, secondDecimals);
                Fail(rule, poor("a gap of " + have + " s", "at most " + most + " s", occupation.longestGapSeconds,
                                quality.maximumGapSeconds));
            }
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

    // Connected pieces of the stations joined by the kept baselines given,
    // each in station order, the pieces in the order of their first station.
    std::vector<std::vector<int32_t>> Pieces(const std::vector<GraphEdge>& edges) const {
        const std::vector<int32_t> component = Connected_Components(Station_Count(), edges);
        std::set<int32_t> touched;
        for (const GraphEdge& edge : edges) touched.insert({edge.first, edge.second});
        std::map<int32_t, std::vector<int32_t>> byComponent;
        for (const int32_t station : touched)
            byComponent[component[static_cast<std::size_t>(station)]].push_back(station);
        std::vector<std::vector<int32_t>> pieces;
        for (auto& [number, members] : byComponent) pieces.push_back(std::move(members));
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
            const auto [have, least] = Compared_Texts(share * percent, loops.minimumLoopShare * percent, 0);
            Fail(rule, {.kind = FailureKind::fewLooped,
                        .item = "stations in a closed loop",
                        .measured = fmt::format("{} of {} ({}%); not: {}", looped.size(), observed.size(), have, names),
                        .required = least + "%",
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
            const auto [have, least] = Compared_Texts(minutes, shortest, minuteDecimals);
            Fail(rule, {.kind = FailureKind::nearMiss,
                        .item = fmt::format("overlap {}-{} from {}", Name(from), Name(to),
                                            min_lumo_field::Display_Time_Named(overlap.startGps, scale_)),
                        .measured = have + " min" + (names.empty() ? "" : "; would have helped " + names),
                        .required = least + " min (--min-overlap)",
                        .measuredValue = minutes,
                        .requiredValue = shortest,
                        .stations = helped,
                        .station = from,
                        .partner = to});
        }
        return rule;
    }

    // Receiver files only: a log records no antenna.  Controls are left
    // out, as a reference station's antenna may sit on its mark.
    RuleCheck Antenna() const {
        const AntennaRule& antenna = profile_.antenna;
        const std::string range = fmt::format("{} to {} m", Number_Text(antenna.minimumHeightMetres),
                                              Number_Text(antenna.maximumHeightMetres));
        RuleCheck rule = Rule(RuleId::antenna,
                              fmt::format("each receiver file's antenna of a station but the controls {} high{}",
                                          range, antenna.knownType ? ", of a type that names an antenna" : ""));
        const AntennaLimits limits{antenna.minimumHeightMetres, antenna.maximumHeightMetres, antenna.knownType};
        for (const OccupationIndex i : campaign_.occupations.Indices()) {
            const CampaignOccupation& occupation = campaign_.occupations[i];
            const int32_t station = Project_Station(occupation.stationIndex);
            if (isControl_[static_cast<std::size_t>(station)]) continue;
            for (const AntennaDoubt& doubt : Antenna_Doubts(occupation, limits)) {
                const double bound = occupation.antennaHeight < antenna.minimumHeightMetres
                                         ? antenna.minimumHeightMetres
                                         : antenna.maximumHeightMetres;
                Fail(rule, {.kind = FailureKind::antennaDoubt,
                            .item = Occupation_Item(station, occupation),
                            .measured = doubt.text,
                            .required = doubt.height ? "antenna height " + range : "a type that names an antenna",
                            .measuredValue = doubt.height ? std::optional<double>(occupation.antennaHeight) : std::nullopt,
                            .requiredValue = doubt.height ? std::optional<double>(bound) : std::nullopt,
                            .stations = {station},
                            .station = station,
                            .occupation = static_cast<int32_t>(i)});
            }
        }
        return rule;
    }

    // Distinct stations at the other end of a station's kept baselines.
    RuleCheck Ties() const {
        const int32_t wanted = profile_.ties.minimumStations;
        RuleCheck rule = Rule(RuleId::ties, fmt::format("each station but the controls tied by kept observations to "
                                                        "at least {}",
                                                        Plural(static_cast<std::size_t>(wanted), "other station")));
        std::vector<std::set<int32_t>> tied(static_cast<std::size_t>(Station_Count()));
        for (const PlanRow* row : kept_) {
            tied[static_cast<std::size_t>(row->fromStation)].insert(row->toStation);
            tied[static_cast<std::size_t>(row->toStation)].insert(row->fromStation);
        }
        for (int32_t station = 0; station < Station_Count(); ++station) {
            const auto index = static_cast<std::size_t>(station);
            if (isControl_[index]) continue;
            const auto have = static_cast<int32_t>(tied[index].size());
            if (have >= wanted) continue;
            std::string names;
            for (const int32_t other : tied[index]) names += (names.empty() ? "" : ", ") + Name(other);
            Fail(rule, {.kind = FailureKind::fewTies,
                        .item = "station " + Name(station),
                        .measured = fmt::format("tied to {}{}", Plural(static_cast<std::size_t>(have), "other station"),
                                                names.empty() ? "" : " (" + names + ")"),
                        .required = Plural(static_cast<std::size_t>(wanted), "other station"),
                        .measuredValue = have,
                        .requiredValue = wanted,
                        .stations = {station},
                        .station = station,
                        .missing = wanted - have});
        }
        return rule;
    }

    // Every control within reach of a station, and a kept baseline between them.
    RuleCheck Nearby_Controls() const {
        const double within = profile_.nearbyControls.withinKilometres;
        RuleCheck rule = Rule(RuleId::nearbyControls,
                              fmt::format("each station tied by a kept observation to every control within {} km of "
                                          "it (stations without a position are not checked)",
                                          Number_Text(within)));
        std::set<std::pair<int32_t, int32_t>> tied;
        for (const PlanRow* row : kept_) tied.insert(std::minmax(row->fromStation, row->toStation));
        for (int32_t station = 0; station < Station_Count(); ++station) {
            if (isControl_[static_cast<std::size_t>(station)]) continue;
            for (int32_t control = 0; control < Station_Count(); ++control) {
                if (!isControl_[static_cast<std::size_t>(control)]) continue;
                const std::optional<double> metres = Station_Distance_Metres(campaign_, station, control);
                if (!metres || *metres / metresPerKilometre > within) continue;
                if (tied.count(std::minmax(station, control)) > 0) continue;
                Fail(rule, {.kind = FailureKind::untiedControl,
                            .item = fmt::format("station {} and control {} ({:.3f} km apart)", Name(station),
                                                Name(control), *metres / metresPerKilometre),
                            .measured = "no kept observation between them",
                            .required = fmt::format("a direct tie (within {} km)", Number_Text(within)),
                            .measuredValue = *metres / metresPerKilometre,
                            .requiredValue = within,
                            .stations = {station, control},
                            .station = station,
                            .partner = control});
            }
        }
        return rule;
    }

    // The carrier-phase bands of the receiver at one end of an observation.
    int32_t Bands_At(OccupationIndex occupation) const { return campaign_.occupations[occupation].carrierPhaseBands; }

    RuleCheck Baseline_Length() const {
        const BaselineLengthRule& length = profile_.baselineLength;
        RuleCheck rule = Rule(RuleId::baselineLength,
                              fmt::format("each kept baseline at most {} km with a single-frequency (L1-only) receiver "
                                          "at either end, {} km with dual-frequency (L1/L2) ones at both (a receiver "
                                          "no file names the frequencies of counts as dual-frequency)",
                                          Number_Text(length.singleFrequencyKilometres),
                                          Number_Text(length.dualFrequencyKilometres)));
        std::set<std::pair<int32_t, int32_t>> checked;
        for (const PlanRow* row : kept_) {
            if (!row->lengthMetres) continue;
            const CampaignObservation& origin = campaign_.observations[static_cast<std::size_t>(row->observation)];
            const bool single = Bands_At(origin.fromOccupation) == 1 || Bands_At(origin.toOccupation) == 1;
            const double limit = single ? length.singleFrequencyKilometres : length.dualFrequencyKilometres;
            const double kilometres = *row->lengthMetres / metresPerKilometre;
            if (kilometres <= limit) continue;
            const auto pair = std::minmax(row->fromStation, row->toStation);
            if (!checked.insert(pair).second) continue;
            const auto [have, most] = Compared_Texts(kilometres, limit, kilometreDecimals);
            Fail(rule, {.kind = FailureKind::longBaseline,
                        .item = fmt::format("baseline {}-{}", Name(pair.first), Name(pair.second)),
                        .measured = have + " km" + (single ? ", a single-frequency receiver at an end" : ""),
                        .required = fmt::format("at most {} km, for {}", most,
                                                single ? "a single-frequency receiver" : "dual-frequency receivers"),
                        .measuredValue = kilometres,
                        .requiredValue = limit,
                        .stations = {pair.first, pair.second},
                        .station = pair.first,
                        .partner = pair.second});
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
        case FailureKind::antennaDoubt: return "antennaDoubt";
        case FailureKind::fewTies: return "fewTies";
        case FailureKind::untiedControl: return "untiedControl";
        case FailureKind::longBaseline: return "longBaseline";
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

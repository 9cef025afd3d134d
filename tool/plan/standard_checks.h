// A planned campaign checked against a survey standard's profile: each rule
// passed or failed, the stations, baselines, occupations or sessions that
// fail it with the measured value against the required one, the rule's
// source, a verdict, and what to observe again.  Plain records, so that
// every report (text, JSON, CSV, the HTML map) draws the same findings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tool/field/gnss_time.h"
#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"
#include "tool/plan/standard_profile.h"

namespace min_lumo_tool {

// What a failing item is, so that the field list knows what would mend it
// (reobservation.cpp answers every kind).  A rule may report several kinds,
// and kinds are shared between rules that a new session mends alike.
enum class FailureKind {
    // A station occupied, or held by kept observations, in too few
    // sessions: `station`, and `missing` sessions more.
    fewSessions,
    // A baseline whose longest observation is too short: `station` and
    // `partner` its ends, `requiredValue` the minutes it needs.
    shortObservation,
    // A baseline longer than the profile's length table reaches: no
    // observation time is given for it.
    beyondLengthTable,
    // No control reaches `station`.
    unreachedStation,
    // Fewer controls than asked: no station of the campaign mends it.
    tooFewControls,
    // An occupation's data poorer than asked (interval, completeness,
    // gaps): `station`, `occupation` (Campaign::occupations).
    poorOccupation,
    // The kept baselines of a session fall apart in pieces.
    splitSession,
    // A kept baseline whose loss splits the network: `station`, `partner`.
    bridge,
    // Too few of the observed stations in a closed loop.
    fewLooped,
    // Two occupations overlap a little less than --min-overlap.
    nearMiss,
    // An occupation's antenna height out of range, or its type naming no
    // antenna: `station`, `occupation`.
    antennaDoubt,
    // A station tied to too few other stations: `station`, and `missing`
    // stations more, each by a baseline it has not.
    fewTies,
    // A control near a station with no kept baseline between them:
    // `station`, `partner` the control.
    untiedControl,
    // A kept baseline longer than its receivers allow: `station`, `partner`.
    longBaseline,
    // Processing: a kept observation not processed to a fixed solution, or
    // fixed below the ratio asked: `station` and `partner` its ends.
    unfixedVector,
    // Processing: a loop that does not close within the tolerance.
    loopMisclosure,
    // Processing: a baseline whose sessions disagree: `station`, `partner`.
    repeatDisagreement,
};

// The kind's name in the JSON report, e.g. "shortObservation".
const char* Failure_Kind_Name(FailureKind kind);

struct CheckFailure {
    FailureKind kind = FailureKind::fewSessions;
    std::string item;      // e.g. "station KAPF", "baseline BASE-KAPF", "session 135A"
    std::string measured;  // what the campaign has, in words with units
    std::string required;  // what the rule asks
    std::optional<double> measuredValue;  // the same as numbers where there is one
    std::optional<double> requiredValue;
    std::vector<int32_t> stations;  // project station indices concerned, for the reports
    // What the item is about, as its kind says (-1: none).
    int32_t station = -1, partner = -1;  // a station, or a baseline's two ends
    int32_t occupation = -1;             // Campaign::occupations index
    int32_t missing = 0;                 // sessions still wanted
};

struct RuleCheck {
    RuleId rule = RuleId::occupations;
    std::string requirement;  // the rule with the profile's parameters, in words
    std::string source;
    RuleSeverity severity = RuleSeverity::required;
    bool passed = true;
    std::vector<CheckFailure> failures;
};

// A rule the profile leaves out: given as not enabled, or not named at all.
struct LeftOutRule {
    RuleId rule = RuleId::occupations;
    std::string reason;  // the profile's source text for it, or that it does not name the rule
};

// One suggested new session: the station and an already observed partner
// occupied together for at least `minutes`.
struct FieldOccupation {
    int32_t number = 0;  // from 1
    int32_t station = -1, partner = -1;
    std::string stationName, partnerName;
    double minutes = 0.0;
    std::optional<double> lengthMetres;  // none when a station has no position
    std::vector<std::string> reasons;    // what it mends, one text each
};

struct StandardChecks {
    std::string profile;  // the profile's name
    std::string title;
    std::string file;
    std::vector<RuleCheck> rules;  // the enabled rules checked at this stage, in the order of RuleId
    std::vector<LeftOutRule> leftOut;  // in the order of RuleId
    int32_t failedRules = 0;       // required rules that fail
    std::string verdict;           // "meets basic" or "fails basic: 2 rules"
    // The field list: a suggestion, not a survey design.
    std::vector<FieldOccupation> fieldList;
    std::vector<std::string> fieldNotes;  // findings that new occupations cannot mend, and what to do
    bool Meets() const { return failedRules == 0; }
};

// Checks the campaign and its plan (which must have run) and suggests the
// field list.  Items that name a time give it on `scale`, as the reports do.
StandardChecks Check_Standard(const Campaign& campaign, const ProcessingPlan& plan, const StandardProfile& profile,
                              min_lumo_field::DisplayScale scale = min_lumo_field::DisplayScale::Gps);

// Counts the required rules that fail and states the verdict: after the
// rules are checked, and again by a later stage that adds its own.
void Conclude_Verdict(StandardChecks& checks);

// The minutes of common data a baseline of this length needs; none when it
// is longer than the profile's length table reaches.  An unknown length
// counts as zero.
std::optional<double> Required_Observation_Minutes(const ObservationTimeRule& rule,
                                                   const std::optional<double>& lengthMetres);

// The common data time of an observation: both receivers' data at once.
double Common_Data_Seconds(const CampaignObservation& observation);

}  // namespace min_lumo_tool

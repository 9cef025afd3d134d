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

struct CheckFailure {
    std::string item;      // e.g. "station KAPF", "baseline BASE-KAPF", "session 135A"
    std::string measured;  // what the campaign has, in words with units
    std::string required;  // what the rule asks
    std::optional<double> measuredValue;  // the same as numbers where there is one
    std::optional<double> requiredValue;
    std::vector<int32_t> stations;  // project station indices concerned
};

struct RuleCheck {
    std::string rule;         // the profile's key, e.g. observationTime
    std::string requirement;  // the rule with the profile's parameters, in words
    std::string source;
    RuleSeverity severity = RuleSeverity::required;
    bool passed = true;
    std::vector<CheckFailure> failures;
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
    std::vector<RuleCheck> rules;  // the enabled rules, in the profile's order
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

// The minutes of common data a baseline of this length needs; none when it
// is longer than the profile's length table reaches.  An unknown length
// counts as zero.
std::optional<double> Required_Observation_Minutes(const ObservationTimeRule& rule,
                                                   const std::optional<double>& lengthMetres);

// The common data time of an observation: both receivers' data at once.
double Common_Data_Seconds(const CampaignObservation& observation);

}  // namespace min_lumo_tool

#include "tool/plan/plan_pictures.h"

#include <algorithm>
#include <map>
#include <tuple>

#include <fmt/format.h>

#include "tool/field/gnss_time.h"
#include "tool/plan/plan_report.h"
#include "tool/plan/session_filter.h"

namespace min_lumo_tool {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectControl;

namespace {

using min_lumo_field::DisplayScale;

// Seconds since 1970 on the scale the report shows (GPS time counts on
// through leap seconds; UTC does not).
double Picture_Seconds(double gpsSeconds, DisplayScale scale) {
    return scale == DisplayScale::Gps ? gpsSeconds : min_lumo_field::Utc_Seconds_From_Gps(gpsSeconds);
}

std::string Plural(std::size_t count, const char* thing) {
    return fmt::format("{} {}{}", count, thing, count == 1 ? "" : "s");
}

PictureOccupation Occupation_Picture(const min_lumo_field::Occupation& occupation, int32_t station,
                                     const std::string& stationName, DisplayScale scale) {
    PictureOccupation shown;
    shown.station = station;
    shown.stationName = stationName;
    shown.file = occupation.files.empty() ? occupation.file : fmt::format("{}", fmt::join(occupation.files, ", "));
    shown.receiver = occupation.receiver;
    shown.format = occupation.format;
    shown.epochs = occupation.epochCount;
    // The data split at its gaps where the reader gives them; otherwise one
    // stretch from the first epoch to the last.
    for (const min_lumo_field::DataSpan& span : occupation.spans)
        shown.spans.push_back({Picture_Seconds(span.startGps, scale), Picture_Seconds(span.endGps, scale), span.epochCount});
    if (shown.spans.empty() && occupation.hasEpochs)
        shown.spans.push_back({Picture_Seconds(occupation.firstGps, scale), Picture_Seconds(occupation.lastGps, scale),
                               occupation.epochCount});
    if (occupation.intervalSeconds > 0.0) shown.intervalSeconds = occupation.intervalSeconds;
    if (occupation.completeness > 0.0) shown.completeness = occupation.completeness;
    shown.gapCount = occupation.gapCount;
    shown.longestGapSeconds = occupation.longestGapSeconds;
    return shown;
}

// One line per rule: an advisory rule that fails warns, a required one fails.
PictureCheck Check_Picture(const RuleCheck& rule) {
    PictureCheck shown;
    shown.name = Rule_Key(rule.rule);
    shown.outcome = rule.passed ? "pass" : rule.severity == RuleSeverity::advisory ? "warn" : "fail";
    shown.detail = rule.requirement;
    for (const CheckFailure& failure : rule.failures)
        shown.detail += fmt::format("; {}: {} (needs {})", failure.item, failure.measured, failure.required);
    return shown;
}

}  // namespace

PlanPicture Plan_Picture(const Campaign& campaign, const ProcessingPlan& plan, DisplayScale scale,
                         const StandardChecks* checks) {
    const Project& before = campaign.project;
    const Project& after = plan.oriented.after;
    PlanPicture picture;
    picture.title = fmt::format("Plan of {}", Plural(campaign.files.files.size(), "file"));
    picture.timeScale = min_lumo_field::Display_Scale_Name(scale);
    picture.directed = true;
    for (std::size_t i = 0; i < before.stations.size(); ++i) {
        PictureStation station;
        station.name = before.stations[i].name;
        station.positioned = campaign.stations[Index_At<StationIndex>(i)].positionKnown;
        station.latitude = before.stations[i].latitude;
        station.longitude = before.stations[i].longitude;
        station.height = static_cast<double>(before.stations[i].height);
        station.level = after.stations[i].treeLevel;
        station.control = station.level == 0;
        station.occupations = static_cast<int32_t>(campaign.stations[Index_At<StationIndex>(i)].occupations.size());
        picture.stations.push_back(std::move(station));
    }
    // Sessions by name, in the order of their first start.
    std::map<std::string, int32_t> sessionIndex;
    std::vector<std::pair<double, std::string>> sessionStarts;
    std::map<std::string, PictureSession> sessions;
    for (const PlanNetwork& network : plan.networks)
        for (const PlanRow& row : network.rows) {
            const CampaignObservation& origin = campaign.observations[static_cast<std::size_t>(row.observation)];
            const double start = Picture_Seconds(origin.startGps, scale), end = Picture_Seconds(origin.endGps, scale);
            auto [entry, added] = sessions.try_emplace(origin.session, PictureSession{origin.session, start, end, network.index});
            entry->second.startSeconds = std::min(entry->second.startSeconds, start);
            entry->second.endSeconds = std::max(entry->second.endSeconds, end);
        }
    for (const auto& [name, session] : sessions) sessionStarts.emplace_back(session.startSeconds, name);
    std::sort(sessionStarts.begin(), sessionStarts.end());
    for (const auto& [start, name] : sessionStarts) {
        sessionIndex[name] = static_cast<int32_t>(picture.sessions.size());
        picture.sessions.push_back(sessions[name]);
    }
    for (const PlanNetwork& network : plan.networks)
        for (const PlanRow& row : network.rows) {
            const auto index = static_cast<std::size_t>(row.observation);
            PictureObservation shown;
            shown.from = row.fromStation;
            shown.to = row.toStation;
            const CampaignObservation& formed = campaign.observations[index];
            shown.session = sessionIndex[formed.session];
            shown.kept = row.selected;
            shown.order = row.step;
            shown.label = after.observations[index].label;
            shown.state = row.state;
            shown.reason = row.reason;
            shown.start = min_lumo_field::Display_Time_Named(formed.startGps, scale);
            shown.end = min_lumo_field::Display_Time_Named(formed.endGps, scale);
            // The data both ends share, as the plan's tables give it.
            shown.overlapSeconds = formed.commonSeconds;
            shown.lengthMetres = row.lengthMetres;
            shown.level = row.level;
            shown.score = row.score;
            // By the paths given, as the CSV, JSON and GeoJSON name them.
            std::tie(shown.fromFile, shown.toFile) = Plan_Row_Files(campaign, row);
            picture.observations.push_back(std::move(shown));
        }
    // The occupations as formed where formation gives them, else as read.
    const bool formed = !campaign.occupations.empty();
    if (formed) {
        for (const OccupationIndex i : campaign.occupations.Indices()) {
            if (!Shows_Occupation(plan, i)) continue;
            const CampaignOccupation& occupation = campaign.occupations[i];
            picture.occupations.push_back(Occupation_Picture(occupation, Project_Station(occupation.stationIndex),
                                                             campaign.Station_Record(i).name, scale));
        }
    } else {
        for (const ReadOccupation& occupation : campaign.files.reads)
            picture.occupations.push_back(Occupation_Picture(occupation, -1, occupation.station, scale));
    }
    const std::size_t occupationCount = formed ? campaign.occupations.size() : campaign.files.reads.size();
    std::string controls;
    for (const ProjectControl& control : before.controls) controls += (controls.empty() ? "" : ", ") + control.name;
    picture.facts = {
        Plural(campaign.files.files.size(), "file") + ", " + Plural(occupationCount, "occupation"),
        fmt::format("overlaps of at least {} min", campaign.options.minimumOverlapMinutes),
        "controls: " + (controls.empty() ? std::string("none") : controls)};
    picture.warnings = Plan_Warnings(campaign, plan);
    if (checks) {
        for (const RuleCheck& rule : checks->rules) picture.checks.push_back(Check_Picture(rule));
        picture.verdict = checks->verdict;
    }
    // Stations outside the sessions shown leave the picture.
    Keep_Sessions(picture, plan.scope.sessions);
    return picture;
}

}  // namespace min_lumo_tool

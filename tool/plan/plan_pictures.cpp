#include "tool/plan/plan_pictures.h"

#include <algorithm>
#include <map>
#include <tuple>

#include <fmt/format.h>

#include "tool/field/gnss_time.h"
#include "tool/plan/occupation_table.h"
#include "tool/plan/plan_report.h"
#include "tool/plan/session_filter.h"
#include "tool/plan/standard_report.h"

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
    shown.files = occupation.files.empty() ? std::vector<std::string>{occupation.file} : occupation.files;
    shown.file = fmt::format("{}", fmt::join(shown.files, ", "));
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
    // An occupation log's line states its times, no epochs and no set-up.
    shown.setUpGiven = !(occupation.hasEpochs && occupation.epochCount == 0);
    shown.receiverNumber = occupation.receiverNumber;
    shown.antennaType = occupation.antennaType;
    shown.antennaNumber = occupation.antennaNumber;
    shown.antennaHeight = occupation.antennaHeight;
    shown.antennaEast = occupation.antennaEast;
    shown.antennaNorth = occupation.antennaNorth;
    shown.markerName = occupation.markerName;
    shown.markerNumber = occupation.markerNumber;
    return shown;
}

// The verdict, each rule with its failing items, and the field list, in the
// words of the text report.
PictureStandard Standard_Picture(const Campaign& campaign, const StandardChecks& checks) {
    PictureStandard shown;
    shown.profile = checks.profile;
    shown.title = checks.title;
    shown.verdict = checks.verdict;
    shown.meets = checks.Meets();
    for (const RuleCheck& rule : checks.rules) {
        PictureRule picture{Rule_Key(rule.rule), Rule_Result_Text(rule), Severity_Name(rule.severity), rule.requirement,
                            rule.source, {}};
        for (const CheckFailure& failure : rule.failures) {
            PictureFailure item{failure.item, failure.measured, failure.required, {}};
            for (const int32_t station : failure.stations)
                item.stations.push_back(campaign.project.stations[static_cast<std::size_t>(station)].name);
            picture.failures.push_back(std::move(item));
        }
        shown.rules.push_back(std::move(picture));
    }
    for (const FieldOccupation& session : checks.fieldList)
        shown.fieldList.push_back({session.number, session.stationName, session.partnerName, session.lengthMetres,
                                   session.minutes, session.reasons});
    shown.fieldNotes = checks.fieldNotes;
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
    // The occupations as formed where formation gives them, numbered as the
    // text report's table numbers them; else as read.
    const bool formed = !campaign.occupations.empty();
    if (formed) {
        for (const OccupationIndex i : Occupation_Table_Order(campaign, plan.scope.occupations)) {
            const CampaignOccupation& occupation = campaign.occupations[i];
            picture.occupations.push_back(Occupation_Picture(occupation, Project_Station(occupation.stationIndex),
                                                             campaign.Station_Record(i).name, scale));
            picture.occupations.back().number = static_cast<int32_t>(picture.occupations.size());
        }
    } else {
        for (const ReadOccupation& occupation : campaign.files.reads) {
            picture.occupations.push_back(Occupation_Picture(occupation, -1, occupation.station, scale));
            picture.occupations.back().number = static_cast<int32_t>(picture.occupations.size());
        }
    }
    const std::size_t occupationCount = formed ? campaign.occupations.size() : campaign.files.reads.size();
    std::string controls;
    for (const ProjectControl& control : before.controls) controls += (controls.empty() ? "" : ", ") + control.name;
    picture.facts = {
        Plural(campaign.files.files.size(), "file") + ", " + Plural(occupationCount, "occupation"),
        fmt::format("overlaps of at least {} min", campaign.options.minimumOverlapMinutes),
        "controls: " + (controls.empty() ? std::string("none") : controls)};
    picture.warnings = Plan_Warnings(campaign, plan);
    if (checks) picture.standard = Standard_Picture(campaign, *checks);
    // Stations outside the sessions shown leave the picture.
    Keep_Sessions(picture, plan.scope.sessions);
    return picture;
}

}  // namespace min_lumo_tool

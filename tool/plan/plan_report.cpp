#include "tool/plan/plan_report.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "hostkit/iso_time.h"
#include "hostkit/project_model.h"
#include "tool/field/gnss_time.h"
#include "tool/output/text_table.h"

namespace min_lumo_tool {

using min_lumo_kit::Format_Iso_Time;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectControl;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectStation;
using min_lumo_kit::secondsPerMinute;

namespace {

using Json = nlohmann::ordered_json;

constexpr int64_t minutesPerHour = 60;
constexpr double metresPerKilometre = 1000.0;
constexpr double millimetresPerMetre = 1000.0;

std::string Plural(std::size_t count, const char* thing) {
    return fmt::format("{} {}{}", count, thing, count == 1 ? "" : "s");
}

// Reports give positions to 1e-9 degrees (0.1 mm) and lengths and heights to
// the millimetre: the last bits of a conversion differ between mathematical
// libraries, and no survey needs them.
constexpr double reportedDegreeSteps = 1e9;

double To_Millimetre(double metres) { return std::round(metres * millimetresPerMetre) / millimetresPerMetre; }
double To_Reported_Degrees(double degrees) { return std::round(degrees * reportedDegreeSteps) / reportedDegreeSteps; }

std::string Gps_Time_Text(double gpsSeconds) {
    return Format_Iso_Time(min_lumo_field::Utc_Seconds_From_Gps(gpsSeconds));
}

// What the reports need to know of the campaign and its plan, looked up once.
class PlanFacts {
public:
    PlanFacts(const Campaign& campaign, const ProcessingPlan& plan) : campaign_(campaign), plan_(plan) {
        for (const PlanNetwork& network : plan.networks)
            kept_ += static_cast<std::size_t>(
                std::count_if(network.rows.begin(), network.rows.end(), [](const PlanRow& row) { return row.selected; }));
    }

    const Project& Before() const { return campaign_.project; }
    const Project& After() const { return plan_.oriented.after; }
    const std::string& Name(int32_t station) const { return Before().stations[static_cast<std::size_t>(station)].name; }
    const ProjectObservation& Observation(const PlanRow& row) const {
        return Before().observations[static_cast<std::size_t>(row.observation)];
    }
    const CampaignObservation& Origin(const PlanRow& row) const {
        return campaign_.observations[static_cast<std::size_t>(row.observation)];
    }
    // Sources are one per file, named after it.
    const std::string& Source_Name(int32_t occupation) const {
        return Before()
            .sources[static_cast<std::size_t>(campaign_.files.occupationFile[static_cast<std::size_t>(occupation)])]
            .name;
    }
    // The files at the row's from and to ends, in the processing direction.
    std::pair<std::string, std::string> Files(const PlanRow& row) const {
        const CampaignObservation& origin = Origin(row);
        const ProjectBaseline& stored = Before().baselines[static_cast<std::size_t>(Observation(row).baseline)];
        const bool turned = stored.fromStation != row.fromStation;
        return {Source_Name(turned ? origin.toOccupation : origin.fromOccupation),
                Source_Name(turned ? origin.fromOccupation : origin.toOccupation)};
    }
    std::size_t Kept() const { return kept_; }
    std::size_t Observations() const { return Before().observations.size(); }
    bool Is_Control(int32_t station) const {
        return After().stations[static_cast<std::size_t>(station)].treeLevel == 0;
    }
    int32_t Level(int32_t station) const { return After().stations[static_cast<std::size_t>(station)].treeLevel; }
    std::string Control_Of(int32_t station) const {
        const ProjectStation& record = After().stations[static_cast<std::size_t>(station)];
        if (record.treeLevel < 0 || record.treeControl < 0
            || static_cast<std::size_t>(record.treeControl) >= After().controls.size())
            return {};
        return After().controls[static_cast<std::size_t>(record.treeControl)].name;
    }
    // The first kept row, in plan order, with an end at the station; the
    // station must have one.
    const PlanRow& First_Kept_At(int32_t station) const {
        for (const PlanNetwork& network : plan_.networks)
            for (const PlanRow& row : network.rows)
                if (row.selected && (row.fromStation == station || row.toStation == station)) return row;
        throw std::logic_error(fmt::format("station {} has no kept observation", Name(station)));
    }
    std::size_t Reached() const { return Before().stations.size() - plan_.summary.unreachedStations.size(); }
    std::string Names(const std::vector<int32_t>& stations) const {
        std::string text;
        for (const int32_t station : stations) text += (text.empty() ? "" : ", ") + Name(station);
        return text;
    }

private:
    const Campaign& campaign_;
    const ProcessingPlan& plan_;
    std::size_t kept_ = 0;
};

std::string Level_Text(int32_t level) { return level >= 0 ? std::to_string(level) : "-"; }

std::string Kilometres_Text(const std::optional<double>& metres) {
    return metres ? fmt::format("{:.3f}", *metres / metresPerKilometre) : "-";
}

// ---- Text ---------------------------------------------------------------

std::string Network_Text(const PlanFacts& facts, const PlanNetwork& network) {
    std::string text = fmt::format(
        "\nTime-network {} (session{} {}), {} to {}: {}, {}\n", network.index, network.sessions.size() == 1 ? "" : "s",
        fmt::join(network.sessions, ", "), Format_Iso_Time(network.earliestStart), Format_Iso_Time(network.latestEnd),
        Plural(static_cast<std::size_t>(network.stationCount), "station"), Plural(network.rows.size(), "observation"));
    TextTable process({">#", "from", "to", "start", "end", ">overlap h:mm", ">length km", ">level", ">score", "state"});
    TextTable spare({"from", "to", "start", "end", ">overlap h:mm", ">length km", ">score", "reason"});
    for (const PlanRow& row : network.rows) {
        const ProjectObservation& observation = facts.Observation(row);
        const std::string overlap = Hours_And_Minutes(observation.timeSpan);
        if (row.selected)
            process.Add_Row({std::to_string(row.step), facts.Name(row.fromStation), facts.Name(row.toStation),
                             observation.start.text, observation.end.text, overlap, Kilometres_Text(row.lengthMetres),
                             Level_Text(row.level), std::to_string(row.score), row.state});
        else
            spare.Add_Row({facts.Name(row.fromStation), facts.Name(row.toStation), observation.start.text,
                           observation.end.text, overlap, Kilometres_Text(row.lengthMetres), std::to_string(row.score),
                           row.reason});
    }
    const std::size_t processed = static_cast<std::size_t>(
        std::count_if(network.rows.begin(), network.rows.end(), [](const PlanRow& row) { return row.selected; }));
    text += fmt::format(" Process in this order ({}):\n", processed);
    text += process.Render();
    if (processed < network.rows.size()) {
        text += fmt::format(" Redundant, not to process ({}):\n", network.rows.size() - processed);
        text += spare.Render();
    }
    return text;
}

std::string Stations_Text(const PlanFacts& facts, const Campaign& campaign) {
    const Project& project = facts.Before();
    TextTable table({"station", ">latitude", ">longitude", ">height m", ">occupations", ">level", "control"});
    for (std::size_t i = 0; i < project.stations.size(); ++i) {
        const ProjectStation& station = project.stations[i];
        const auto index = static_cast<int32_t>(i);
        const bool known = campaign.stations[i].positionKnown;
        table.Add_Row({station.name, known ? fmt::format("{:.6f}", station.latitude) : "-",
                       known ? fmt::format("{:.6f}", station.longitude) : "-",
                       known ? fmt::format("{:.3f}", static_cast<double>(station.height)) : "-",
                       std::to_string(campaign.stations[i].occupations.size()), Level_Text(facts.Level(index)),
                       facts.Is_Control(index) ? "control" : facts.Control_Of(index)});
    }
    return fmt::format("\nStations: {} ({} reached from a control)\n", project.stations.size(), facts.Reached())
           + table.Render();
}

std::string Summary_Text(const PlanFacts& facts, const Campaign& campaign, const PlanSummary& summary) {
    std::string text = "\nWeak points:\n";
    const auto line = [&](const std::string& what, const std::string& which) {
        text += fmt::format("  {}: {}\n", what, which.empty() ? "none" : which);
    };
    line("no control reaches", facts.Names(summary.unreachedStations));
    if (!summary.unobservedStations.empty())
        line("overlaps no other station long enough, not observed", facts.Names(summary.unobservedStations));
    std::string single;
    for (const int32_t station : summary.singleObservationStations) {
        const PlanRow& row = facts.First_Kept_At(station);
        single += fmt::format("{}{} (only {}-{})", single.empty() ? "" : ", ", facts.Name(station),
                              facts.Name(row.fromStation), facts.Name(row.toStation));
    }
    line("held by a single kept observation", single);
    std::string bridges;
    for (const auto& [from, to] : summary.bridges)
        bridges += fmt::format("{}{}-{}", bridges.empty() ? "" : ", ", facts.Name(from), facts.Name(to));
    line("baselines whose loss would split the network", bridges);
    std::vector<int32_t> unpositioned;
    for (std::size_t i = 0; i < campaign.stations.size(); ++i)
        if (!campaign.stations[i].positionKnown) unpositioned.push_back(static_cast<int32_t>(i));
    if (!unpositioned.empty()) line("without a position (no length, a flat score term)", facts.Names(unpositioned));
    return text;
}

// ---- JSON ---------------------------------------------------------------

Json Stations_Json(const PlanFacts& facts, const Campaign& campaign) {
    Json stations = Json::array();
    for (std::size_t i = 0; i < facts.Before().stations.size(); ++i) {
        const ProjectStation& station = facts.Before().stations[i];
        const auto index = static_cast<int32_t>(i);
        const bool known = campaign.stations[i].positionKnown;
        Json entry = {{"name", station.name},
                      {"latitude", known ? Json(To_Reported_Degrees(station.latitude)) : Json(nullptr)},
                      {"longitude", known ? Json(To_Reported_Degrees(station.longitude)) : Json(nullptr)},
                      {"height", known ? Json(To_Millimetre(static_cast<double>(station.height))) : Json(nullptr)},
                      {"control", facts.Is_Control(index)},
                      {"level", facts.Level(index)},
                      {"occupations", campaign.stations[i].occupations.size()}};
        if (!facts.Is_Control(index) && facts.Level(index) > 0) entry["reachedFrom"] = facts.Control_Of(index);
        stations.push_back(entry);
    }
    return stations;
}

Json Occupations_Json(const Campaign& campaign) {
    Json occupations = Json::array();
    const auto& read = campaign.files.occupations;
    for (std::size_t i = 0; i < read.size(); ++i) {
        const min_lumo_field::Occupation& occupation = read[i];
        const int32_t station = campaign.occupationStation[i];
        Json entry = {{"file", occupation.file},
                      {"station", station >= 0 ? campaign.project.stations[static_cast<std::size_t>(station)].name
                                               : occupation.station},
                      {"first", occupation.hasEpochs ? Json(Gps_Time_Text(occupation.firstGps)) : Json(nullptr)},
                      {"last", occupation.hasEpochs ? Json(Gps_Time_Text(occupation.lastGps)) : Json(nullptr)},
                      {"epochs", occupation.epochCount},
                      {"format", occupation.format},
                      {"receiver", occupation.receiver}};
        occupations.push_back(entry);
    }
    return occupations;
}

Json Row_Json(const PlanFacts& facts, const PlanNetwork& network, const PlanRow& row) {
    const ProjectObservation& observation = facts.Observation(row);
    const auto [fromFile, toFile] = facts.Files(row);
    Json entry = {{"network", network.index},
                  {"order", row.step > 0 ? Json(row.step) : Json(nullptr)},
                  {"session", facts.Origin(row).session},
                  {"label", facts.After().observations[static_cast<std::size_t>(row.observation)].label},
                  {"from", facts.Name(row.fromStation)},
                  {"to", facts.Name(row.toStation)},
                  {"fromFile", fromFile},
                  {"toFile", toFile},
                  {"start", observation.start.text},
                  {"end", observation.end.text},
                  {"overlapSeconds", observation.timeSpan},
                  {"lengthMetres", row.lengthMetres ? Json(To_Millimetre(*row.lengthMetres)) : Json(nullptr)},
                  {"level", row.level},
                  {"score", row.score},
                  {"state", row.state},
                  {"selected", row.selected},
                  {"reason", row.reason}};
    return entry;
}

// ---- CSV ----------------------------------------------------------------

// A field as a spreadsheet reads it back: quoted when it holds a separator,
// a quote or a line end, quotes doubled.
std::string Csv_Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

std::string Hours_And_Minutes(double seconds) {
    const auto minutes = static_cast<int64_t>(std::llround(seconds / secondsPerMinute));
    return fmt::format("{}:{:02}", minutes / minutesPerHour, minutes % minutesPerHour);
}

std::vector<std::string> Plan_Warnings(const Campaign& campaign, const ProcessingPlan& plan) {
    std::vector<std::string> warnings = campaign.warnings;
    if (campaign.project.controls.empty())
        warnings.push_back(
            "no --control given: no station is reached, so the baselines keep the direction they were formed in");
    warnings.insert(warnings.end(), plan.warnings.begin(), plan.warnings.end());
    return warnings;
}

std::string Plan_Report_Text(const Campaign& campaign, const ProcessingPlan& plan) {
    const PlanFacts facts(campaign, plan);
    const Project& project = campaign.project;
    std::string controls;
    for (const ProjectControl& control : project.controls) controls += (controls.empty() ? "" : ", ") + control.name;
    std::string text =
        fmt::format("Plan of {}: {} of {}, {} of {} in {}\n", Plural(campaign.files.files.size(), "file"),
                    Plural(campaign.files.occupations.size(), "occupation"), Plural(project.stations.size(), "station"),
                    Plural(project.observations.size(), "observation"), Plural(project.baselines.size(), "baseline"),
                    Plural(plan.networks.size(), "time-network"));
    text += fmt::format("Overlaps of at least {} min; controls: {}\n", campaign.options.minimumOverlapMinutes,
                        controls.empty() ? "none" : controls);
    text +=
        fmt::format("To process: {} observations; redundant: {}\n", facts.Kept(), facts.Observations() - facts.Kept());
    for (const PlanNetwork& network : plan.networks) text += Network_Text(facts, network);
    text += Stations_Text(facts, campaign);
    text += Summary_Text(facts, campaign, plan.summary);
    return text;
}

std::string Plan_Report_Json(const Campaign& campaign, const ProcessingPlan& plan) {
    const PlanFacts facts(campaign, plan);
    Json controls = Json::array();
    for (const ProjectControl& control : campaign.project.controls) controls.push_back(control.name);
    Json networks = Json::array();
    Json rows = Json::array();
    for (const PlanNetwork& network : plan.networks) {
        networks.push_back({{"network", network.index},
                            {"sessions", network.sessions},
                            {"firstStart", Format_Iso_Time(network.earliestStart)},
                            {"lastEnd", Format_Iso_Time(network.latestEnd)},
                            {"observations", network.rows.size()},
                            {"stations", network.stationCount}});
        for (const PlanRow& row : network.rows) rows.push_back(Row_Json(facts, network, row));
    }
    const auto names = [&](const std::vector<int32_t>& stations) {
        Json list = Json::array();
        for (const int32_t station : stations) list.push_back(facts.Name(station));
        return list;
    };
    Json bridges = Json::array();
    for (const auto& [from, to] : plan.summary.bridges)
        bridges.push_back({{"from", facts.Name(from)}, {"to", facts.Name(to)}});
    const Json document = {{"command", "plan"},
                           {"minimumOverlapMinutes", campaign.options.minimumOverlapMinutes},
                           {"controls", controls},
                           {"stations", Stations_Json(facts, campaign)},
                           {"occupations", Occupations_Json(campaign)},
                           {"networks", networks},
                           {"plan", rows},
                           {"summary",
                            {{"unreached", names(plan.summary.unreachedStations)},
                             {"unobserved", names(plan.summary.unobservedStations)},
                             {"singleObservation", names(plan.summary.singleObservationStations)},
                             {"bridges", bridges}}},
                           {"warnings", Plan_Warnings(campaign, plan)}};
    return document.dump(2) + "\n";
}

std::string Plan_Csv_Text(const Campaign& campaign, const ProcessingPlan& plan) {
    const PlanFacts facts(campaign, plan);
    std::string text =
        "network,order,session,label,from,to,start,end,overlap,overlap_seconds,length_km,level,score,state,process,"
        "from_file,to_file,reason\n";
    for (const PlanNetwork& network : plan.networks)
        for (const PlanRow& row : network.rows) {
            const ProjectObservation& observation = facts.Observation(row);
            const auto [fromFile, toFile] = facts.Files(row);
            const std::vector<std::string> fields = {
                std::to_string(network.index),
                row.step > 0 ? std::to_string(row.step) : "",
                facts.Origin(row).session,
                facts.After().observations[static_cast<std::size_t>(row.observation)].label,
                facts.Name(row.fromStation),
                facts.Name(row.toStation),
                observation.start.text,
                observation.end.text,
                Hours_And_Minutes(observation.timeSpan),
                fmt::format("{}", observation.timeSpan),
                row.lengthMetres ? fmt::format("{:.3f}", *row.lengthMetres / metresPerKilometre) : "",
                row.level >= 0 ? std::to_string(row.level) : "",
                std::to_string(row.score),
                row.state,
                row.selected ? "yes" : "no",
                fromFile,
                toFile,
                row.reason};
            std::string line;
            for (const std::string& field : fields) line += (line.empty() ? "" : ",") + Csv_Field(field);
            text += line + "\n";
        }
    return text;
}

}  // namespace min_lumo_tool

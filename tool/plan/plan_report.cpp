#include "tool/plan/plan_report.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "hostkit/iso_time.h"
#include "hostkit/project_model.h"
#include "tool/field/gnss_time.h"
#include "tool/output/reported_numbers.h"
#include "tool/output/text_table.h"
#include "tool/plan/standard_report.h"
#include "tool/plan/session_filter.h"
#include "tool/plan/occupation_table.h"
#include "tool/plan/report_fields.h"

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
using min_lumo_field::DisplayScale;

constexpr double metresPerKilometre = 1000.0;
// A station name in a table never gets narrower than this, cut or not.
constexpr std::size_t narrowestNameColumn = 6;

std::string Plural(std::size_t count, const char* thing) {
    return fmt::format("{} {}{}", count, thing, count == 1 ? "" : "s");
}

// Reports give positions to 1e-9 degrees (0.1 mm) and lengths and heights to
// the millimetre: the last bits of a conversion differ between mathematical
// libraries, and no survey needs them.
constexpr double reportedDegreeSteps = 1e9;

double To_Millimetre(double metres) { return std::round(metres * millimetresPerMetre) / millimetresPerMetre; }
double To_Reported_Degrees(double degrees) { return std::round(degrees * reportedDegreeSteps) / reportedDegreeSteps; }

// Occupations as formed: joined files and copies count once.
std::size_t Occupation_Count(const Campaign& campaign) { return campaign.occupations.size(); }

// What the reports need to know of the campaign and its plan, looked up once.
class PlanFacts {
public:
    PlanFacts(const Campaign& campaign, const ProcessingPlan& plan, DisplayScale scale)
        : campaign_(campaign), plan_(plan), scale_(scale) {
        for (const PlanNetwork& network : plan.networks) {
            kept_ += static_cast<std::size_t>(
                std::count_if(network.rows.begin(), network.rows.end(), [](const PlanRow& row) { return row.selected; }));
            shown_ += network.rows.size();
        }
    }

    const Project& Before() const { return campaign_.project; }
    DisplayScale Scale() const { return scale_; }
    std::string Time(double gpsSeconds) const { return min_lumo_field::Display_Time(gpsSeconds, scale_); }
    std::string Named_Time(double gpsSeconds) const { return min_lumo_field::Display_Time_Named(gpsSeconds, scale_); }
    std::string Iso_Time(double gpsSeconds) const { return min_lumo_field::Display_Time_Iso(gpsSeconds, scale_); }
    // "start GPST": a column of times in the report's scale.
    std::string Time_Heading(const char* what) const {
        return std::string(what) + " " + min_lumo_field::Display_Scale_Name(scale_);
    }
    const Project& After() const { return plan_.oriented.after; }
    const std::string& Name(int32_t station) const { return Before().stations[static_cast<std::size_t>(station)].name; }
    const ProjectObservation& Observation(const PlanRow& row) const {
        return Before().observations[static_cast<std::size_t>(row.observation)];
    }
    const CampaignObservation& Origin(const PlanRow& row) const {
        return campaign_.observations[static_cast<std::size_t>(row.observation)];
    }
    std::pair<std::string, std::string> Files(const PlanRow& row) const { return Plan_Row_Files(campaign_, row); }
    const ProcessingPlan& Plan() const { return plan_; }
    // The common data time of the row's two occupations.
    double Common_Seconds(const PlanRow& row) const { return Origin(row).commonSeconds; }
    // The first and last common instant of the network's observations.
    std::pair<double, double> Span_Gps(const PlanNetwork& network) const {
        double first = 0.0, last = 0.0;
        bool any = false;
        for (const PlanRow& row : network.rows) {
            const CampaignObservation& origin = Origin(row);
            first = any ? std::min(first, origin.startGps) : origin.startGps;
            last = any ? std::max(last, origin.endGps) : origin.endGps;
            any = true;
        }
        return {first, last};
    }
    std::size_t Kept() const { return kept_; }
    std::size_t Observations() const { return shown_; }  // those shown
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
    std::string Names(const std::vector<int32_t>& stations) const {
        std::string text;
        for (const int32_t station : stations) text += (text.empty() ? "" : ", ") + Name(station);
        return text;
    }

private:
    const Campaign& campaign_;
    const ProcessingPlan& plan_;
    DisplayScale scale_;
    std::size_t kept_ = 0;
    std::size_t shown_ = 0;
};

std::string Level_Text(int32_t level) { return level >= 0 ? std::to_string(level) : "-"; }

std::string Kilometres_Text(const std::optional<double>& metres) {
    return metres ? fmt::format("{:.3f}", *metres / metresPerKilometre) : "-";
}

// ---- Text ---------------------------------------------------------------

// How the tables name a station: whole, or cut to fit the page.
using NameOf = std::function<const std::string&(int32_t station)>;

struct NetworkTables {
    explicit NetworkTables(const PlanFacts& facts)
        : process({">#", "from", "to", facts.Time_Heading("start"), facts.Time_Heading("end"), ">overlap h:mm:ss",
                   ">length km", ">level", ">score", "state"}),
          spare({"from", "to", facts.Time_Heading("start"), facts.Time_Heading("end"), ">overlap h:mm:ss",
                 ">length km", ">score", ">note"}) {}
    TextTable process;
    TextTable spare;
    std::vector<std::string> notes;  // the reasons of the redundant rows, numbered from 1
};

NetworkTables Network_Tables(const PlanFacts& facts, const PlanNetwork& network, const NameOf& name) {
    NetworkTables tables(facts);
    for (const PlanRow& row : network.rows) {
        const CampaignObservation& origin = facts.Origin(row);
        const std::string overlap = Hours_Minutes_Seconds(facts.Common_Seconds(row));
        const std::string from = facts.Time(origin.startGps), to = facts.Time(origin.endGps);
        if (row.selected) {
            tables.process.Add_Row({std::to_string(row.step), name(row.fromStation), name(row.toStation), from, to,
                                    overlap, Kilometres_Text(row.lengthMetres), Level_Text(row.level),
                                    std::to_string(row.score), row.state});
        } else {
            tables.notes.push_back(row.reason);
            tables.spare.Add_Row({name(row.fromStation), name(row.toStation), from, to, overlap,
                                  Kilometres_Text(row.lengthMetres), std::to_string(row.score),
                                  std::to_string(tables.notes.size())});
        }
    }
    return tables;
}

TextTable Stations_Table(const PlanFacts& facts, const Campaign& campaign, const NameOf& name) {
    const Project& project = facts.Before();
    TextTable table({"station", ">latitude", ">longitude", ">height m", ">occupations", ">level", "control"});
    for (std::size_t i = 0; i < project.stations.size(); ++i) {
        const ProjectStation& station = project.stations[i];
        const auto index = static_cast<int32_t>(i);
        if (!Shows_Station(facts.Plan(), index)) continue;
        const CampaignStation& formed = campaign.stations[Campaign_Station(index)];
        const bool known = formed.positionKnown;
        table.Add_Row({name(index), known ? fmt::format("{:.6f}", station.latitude) : "-",
                       known ? fmt::format("{:.6f}", station.longitude) : "-",
                       known ? fmt::format("{:.3f}", static_cast<double>(station.height)) : "-",
                       std::to_string(formed.occupations.size()), Level_Text(facts.Level(index)),
                       facts.Is_Control(index) ? "control" : facts.Control_Of(index)});
    }
    return table;
}

// The room a station name has in the tables: every table keeps to the
// report's columns with its name columns that wide.
std::size_t Name_Room(const PlanFacts& facts, const Campaign& campaign, const NameOf& whole) {
    std::size_t room = std::numeric_limits<std::size_t>::max();
    const auto fit = [&](const TextTable& table, std::initializer_list<std::size_t> nameColumns) {
        if (table.Width() <= reportColumns) return;
        std::size_t others = table.Width();
        for (const std::size_t column : nameColumns) others -= table.Column_Width(column);
        const std::size_t left = reportColumns > others ? reportColumns - others : 0;
        room = std::min(room, std::max(narrowestNameColumn, left / nameColumns.size()));
    };
    for (const PlanNetwork& network : facts.Plan().networks) {
        const NetworkTables tables = Network_Tables(facts, network, whole);
        fit(tables.process, {1, 2});
        fit(tables.spare, {0, 1});
    }
    fit(Stations_Table(facts, campaign, whole), {0});
    return room;
}

std::string Network_Text(const PlanFacts& facts, const PlanNetwork& network, const NameOf& name) {
    std::string text = "\n" + Wrap_Text(fmt::format("Time-network {} (session{} {}), {} to {}: {}, {}", network.index,
                                                    network.sessions.size() == 1 ? "" : "s",
                                                    fmt::join(network.sessions, ", "),
                                                    facts.Named_Time(facts.Span_Gps(network).first),
                                                    facts.Named_Time(facts.Span_Gps(network).second),
                                                    Plural(static_cast<std::size_t>(network.stationCount), "station"),
                                                    Plural(network.rows.size(), "observation")),
                                        reportColumns, "", "  ");
    const NetworkTables tables = Network_Tables(facts, network, name);
    const std::size_t processed = network.rows.size() - tables.notes.size();
    text += fmt::format(" Process in this order ({}):\n", processed);
    text += tables.process.Render();
    if (tables.notes.empty()) return text;
    text += fmt::format(" Redundant, not to process ({}):\n", tables.notes.size());
    text += tables.spare.Render();
    text += " Notes:\n";
    const std::size_t numberWidth = std::to_string(tables.notes.size()).size();
    for (std::size_t i = 0; i < tables.notes.size(); ++i)
        text += Wrap_Text(tables.notes[i], reportColumns, fmt::format("  {:>{}}  ", i + 1, numberWidth),
                          std::string(numberWidth + 4, ' '));
    return text;
}

std::string Stations_Text(const PlanFacts& facts, const Campaign& campaign, const NameOf& name, const TableNames& cut) {
    std::size_t shown = 0, reached = 0;
    for (std::size_t i = 0; i < facts.Before().stations.size(); ++i) {
        const auto index = static_cast<int32_t>(i);
        if (!Shows_Station(facts.Plan(), index)) continue;
        ++shown;
        if (facts.Level(index) >= 0) ++reached;
    }
    std::string text = fmt::format("\nStations: {} ({} reached from a control)\n", shown, reached)
                       + Stations_Table(facts, campaign, name).Render();
    const std::string key = cut.Key();
    if (!key.empty()) text += "\nNames cut to fit the tables:\n" + key;
    return text;
}

std::string Summary_Text(const PlanFacts& facts, const Campaign& campaign, const PlanSummary& summary) {
    std::string text = "\nWeak points:\n";
    const auto line = [&](const std::string& what, const std::string& which) {
        text += Wrap_Text(fmt::format("{}: {}", what, which.empty() ? "none" : which), reportColumns, "  ", "    ");
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
    for (const StationIndex i : campaign.stations.Indices())
        if (!campaign.stations[i].positionKnown && Shows_Station(facts.Plan(), Project_Station(i)))
            unpositioned.push_back(Project_Station(i));
    if (!unpositioned.empty()) line("without a position (no length, a flat score term)", facts.Names(unpositioned));
    return text;
}

// ---- JSON ---------------------------------------------------------------

Json Stations_Json(const PlanFacts& facts, const Campaign& campaign) {
    Json stations = Json::array();
    for (std::size_t i = 0; i < facts.Before().stations.size(); ++i) {
        const ProjectStation& station = facts.Before().stations[i];
        const auto index = static_cast<int32_t>(i);
        if (!Shows_Station(facts.Plan(), index)) continue;
        const CampaignStation& formed = campaign.stations[Campaign_Station(index)];
        const bool known = formed.positionKnown;
        Json entry = {{"name", station.name},
                      {"latitude", known ? Json(To_Reported_Degrees(station.latitude)) : Json(nullptr)},
                      {"longitude", known ? Json(To_Reported_Degrees(station.longitude)) : Json(nullptr)},
                      {"height", known ? Json(To_Millimetre(static_cast<double>(station.height))) : Json(nullptr)},
                      {"control", facts.Is_Control(index)},
                      {"level", facts.Level(index)},
                      {"occupations", formed.occupations.size()}};
        if (!facts.Is_Control(index) && facts.Level(index) > 0) entry["reachedFrom"] = facts.Control_Of(index);
        stations.push_back(entry);
    }
    return stations;
}

Json Row_Json(const PlanFacts& facts, const PlanNetwork& network, const PlanRow& row) {
    const CampaignObservation& origin = facts.Origin(row);
    const auto [fromFile, toFile] = facts.Files(row);
    Json entry = {{"network", network.index},
                  {"order", row.step > 0 ? Json(row.step) : Json(nullptr)},
                  {"session", origin.session},
                  {"label", facts.After().observations[static_cast<std::size_t>(row.observation)].label},
                  {"from", facts.Name(row.fromStation)},
                  {"to", facts.Name(row.toStation)},
                  {"fromFile", fromFile},
                  {"toFile", toFile},
                  {"start", facts.Iso_Time(origin.startGps)},
                  {"end", facts.Iso_Time(origin.endGps)},
                  {"overlapSeconds", facts.Common_Seconds(row)},
                  {"lengthMetres", row.lengthMetres ? Json(To_Millimetre(*row.lengthMetres)) : Json(nullptr)},
                  {"level", row.level},
                  {"score", row.score},
                  {"state", row.state},
                  {"selected", row.selected},
                  {"reason", row.reason}};
    return entry;
}

}  // namespace

std::pair<std::string, std::string> Plan_Row_Files(const Campaign& campaign, const PlanRow& row) {
    const Project& project = campaign.project;
    const CampaignObservation& origin = campaign.observations[static_cast<std::size_t>(row.observation)];
    const ProjectObservation& observation = project.observations[static_cast<std::size_t>(row.observation)];
    const ProjectBaseline& stored = project.baselines[static_cast<std::size_t>(observation.baseline)];
    // By the paths given on the command line: at each end the file holding
    // most of the common time.
    const auto path = [&](FileIndex file) { return campaign.files.files[file]; };
    const bool turned = stored.fromStation != row.fromStation;
    return {path(turned ? origin.toFile : origin.fromFile), path(turned ? origin.fromFile : origin.toFile)};
}

std::vector<std::string> Plan_Warnings(const Campaign& campaign, const ProcessingPlan& plan) {
    std::vector<std::string> warnings = campaign.warnings;
    if (campaign.project.controls.empty())
        warnings.push_back(
            "no --control given: no station is reached, so the baselines keep the direction they were formed in");
    warnings.insert(warnings.end(), plan.warnings.begin(), plan.warnings.end());
    return warnings;
}

namespace {

std::string Time_Scale_Line(DisplayScale scale) {
    return scale == DisplayScale::Gps ? "Times in GPS time (GPST), as receivers and file names keep it; --utc for UTC\n"
                                      : "Times in UTC\n";
}

}  // namespace

std::string Plan_Report_Text(const Campaign& campaign, const ProcessingPlan& plan, DisplayScale scale,
                             const StandardChecks* checks) {
    const PlanFacts facts(campaign, plan, scale);
    const Project& project = campaign.project;
    std::string controls;
    for (const ProjectControl& control : project.controls) controls += (controls.empty() ? "" : ", ") + control.name;
    std::string text =
        fmt::format("Plan of {}: {} of {}, {} of {} in {}\n", Plural(campaign.files.files.size(), "file"),
                    Plural(Occupation_Count(campaign), "occupation"), Plural(project.stations.size(), "station"),
                    Plural(project.observations.size(), "observation"), Plural(project.baselines.size(), "baseline"),
                    Plural(plan.scope.sessions.empty() ? plan.networks.size() : plan.scope.networksPlanned,
                           "time-network"));
    text += fmt::format("Overlaps of at least {} min; controls: {}\n", campaign.options.minimumOverlapMinutes,
                        controls.empty() ? "none" : controls);
    if (!plan.scope.sessions.empty())
        text += Wrap_Text(fmt::format("Shown: session{} {} of {}", plan.scope.sessions.size() == 1 ? "" : "s",
                                      fmt::join(plan.scope.sessions, ", "),
                                      Plural(Campaign_Sessions(campaign).size(), "session")),
                          reportColumns, "", "  ");
    text += Time_Scale_Line(scale);
    text +=
        fmt::format("To process: {} observations; redundant: {}\n", facts.Kept(), facts.Observations() - facts.Kept());
    if (checks != nullptr) text += fmt::format("Checked against {}: {}\n", checks->profile, checks->verdict);
    const NameOf whole = [&](int32_t station) -> const std::string& { return facts.Name(station); };
    std::vector<std::string> names;
    for (const ProjectStation& station : project.stations) names.push_back(station.name);
    const TableNames cut(names, std::min(Name_Room(facts, campaign, whole),
                                         std::max(narrowestNameColumn, Occupation_Table_Name_Room(
                                                                           campaign, scale, plan.scope.occupations))));
    const NameOf shown = [&](int32_t station) -> const std::string& {
        return cut.Shown(static_cast<std::size_t>(station));
    };
    for (const PlanNetwork& network : plan.networks) text += Network_Text(facts, network, shown);
    text += Stations_Text(facts, campaign, shown, cut);
    text += Summary_Text(facts, campaign, plan.summary);
    text += Occupation_Table_Text(campaign, scale, plan.scope.occupations, &cut);
    if (checks != nullptr) text += Checks_Text(*checks);
    return text;
}

std::string Plan_Report_Json(const Campaign& campaign, const ProcessingPlan& plan, DisplayScale scale,
                             const StandardChecks* checks) {
    const PlanFacts facts(campaign, plan, scale);
    Json controls = Json::array();
    for (const ProjectControl& control : campaign.project.controls) controls.push_back(control.name);
    Json networks = Json::array();
    Json rows = Json::array();
    for (const PlanNetwork& network : plan.networks) {
        const auto [first, last] = facts.Span_Gps(network);
        networks.push_back({{"network", network.index},
                            {"sessions", network.sessions},
                            {"firstStart", facts.Iso_Time(first)},
                            {"lastEnd", facts.Iso_Time(last)},
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
    Json document = {{"command", "plan"},
                           {"timeScale", min_lumo_field::Display_Scale_Name(scale)},
                           {"minimumOverlapMinutes", campaign.options.minimumOverlapMinutes},
                           {"controls", controls},
                           {"stations", Stations_Json(facts, campaign)},
                           {"occupations", Occupations_Json(campaign, scale, plan.scope.occupations)},
                           {"networks", networks},
                           {"plan", rows},
                           {"summary",
                            {{"unreached", names(plan.summary.unreachedStations)},
                             {"unobserved", names(plan.summary.unobservedStations)},
                             {"singleObservation", names(plan.summary.singleObservationStations)},
                             {"bridges", bridges}}},
                           {"warnings", Plan_Warnings(campaign, plan)}};
    if (checks != nullptr) {
        const Json checked = Checks_Json(campaign, *checks);
        for (auto entry = checked.begin(); entry != checked.end(); ++entry) document[entry.key()] = *entry;
    }
    if (!plan.scope.sessions.empty()) document["sessionsShown"] = plan.scope.sessions;
    return document.dump(2) + "\n";
}

std::string Unplanned_Report_Text(const Campaign& campaign, const std::string& why, DisplayScale scale) {
    std::string text = fmt::format("Nothing to plan from {}: {} of {}\n", Plural(campaign.files.files.size(), "file"),
                                   Plural(Occupation_Count(campaign), "occupation"),
                                   Plural(campaign.project.stations.size(), "station"));
    text += why + "\n";
    text += Time_Scale_Line(scale);
    // Names too long for the page are cut in the table; the lines under it
    // give them whole.
    std::vector<std::string> names;
    for (const ProjectStation& station : campaign.project.stations) names.push_back(station.name);
    const TableNames cut(names, std::max(narrowestNameColumn, Occupation_Table_Name_Room(campaign, scale)));
    text += Occupation_Table_Text(campaign, scale, {}, &cut);
    return text;
}

std::string Unplanned_Report_Json(const Campaign& campaign, const std::string& why,
                                  const std::vector<std::string>& warnings, DisplayScale scale) {
    Json stations = Json::array();
    for (const ProjectStation& station : campaign.project.stations) stations.push_back(station.name);
    const Json document = {{"command", "plan"},
                           {"timeScale", min_lumo_field::Display_Scale_Name(scale)},
                           {"minimumOverlapMinutes", campaign.options.minimumOverlapMinutes},
                           {"planned", false},
                           {"reason", why},
                           {"stations", stations},
                           {"occupations", Occupations_Json(campaign, scale)},
                           {"warnings", warnings}};
    return document.dump(2) + "\n";
}

std::string Plan_Csv_Text(const Campaign& campaign, const ProcessingPlan& plan, DisplayScale scale) {
    const PlanFacts facts(campaign, plan, scale);
    std::string text = Csv_Line({"network", "order", "session", "label", "from", "to", "start", "end", "time_scale",
                                 "overlap", "overlap_seconds", "length_km", "level", "score", "state", "process",
                                 "from_file", "to_file", "reason"});
    for (const PlanNetwork& network : plan.networks)
        for (const PlanRow& row : network.rows) {
            const CampaignObservation& origin = facts.Origin(row);
            const auto [fromFile, toFile] = facts.Files(row);
            text += Csv_Line({std::to_string(network.index),
                              row.step > 0 ? std::to_string(row.step) : "",
                              origin.session,
                              facts.After().observations[static_cast<std::size_t>(row.observation)].label,
                              facts.Name(row.fromStation),
                              facts.Name(row.toStation),
                              facts.Iso_Time(origin.startGps),
                              facts.Iso_Time(origin.endGps),
                              min_lumo_field::Display_Scale_Name(scale),
                              Hours_Minutes_Seconds(facts.Common_Seconds(row)),
                              fmt::format("{}", facts.Common_Seconds(row)),
                              row.lengthMetres ? fmt::format("{:.3f}", *row.lengthMetres / metresPerKilometre) : "",
                              row.level >= 0 ? std::to_string(row.level) : "",
                              std::to_string(row.score),
                              row.state,
                              row.selected ? "yes" : "no",
                              fromFile,
                              toFile,
                              row.reason});
        }
    return text;
}

}  // namespace min_lumo_tool

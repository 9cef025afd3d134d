#include "hostkit/iso_time.h"
#include "hostkit/project_model.h"
#include "tool/output/reports.h"

#include <fmt/format.h>

#include "tool/output/text_table.h"

namespace min_lumo_tool {

using min_lumo_kit::Baseline_Ends_Text;
using min_lumo_kit::Format_Iso_Time;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectStation;
using min_lumo_kit::Uses_Calendar_Times;

namespace {

std::string Time_Text(const Project& project, double seconds) {
    return Uses_Calendar_Times(project) ? Format_Iso_Time(seconds) : fmt::format("{}", seconds);
}

std::string Station_Name(const Project& project, int32_t station) {
    return station >= 0 && static_cast<std::size_t>(station) < project.stations.size()
               ? project.stations[static_cast<std::size_t>(station)].name
               : std::string("?");
}

std::string Networks_Table(const Project& before, const MinimiseResult& result) {
    TextTable table({">network", "first start", "last end", ">observations", ">stations"});
    for (const InspectedNetwork& network : result.inspection.networks)
        table.Add_Row({std::to_string(network.index), Time_Text(before, network.earliestStart),
                       Time_Text(before, network.latestEnd), std::to_string(network.observations.size()),
                       std::to_string(network.stations.size())});
    return table.Render();
}

std::string Observations_Table(const Project& before, const MinimiseResult& result, bool explain) {
    std::vector<std::string> columns = {">#", "label", "baseline", ">network", ">score", "state"};
    if (explain) columns.push_back("reason");
    TextTable table(columns);
    for (std::size_t i = 0; i < before.observations.size(); ++i) {
        const ProjectObservation& observation = before.observations[i];
        const InspectedObservation& inspected = result.inspection.observations[i];
        const ObservationResult& outcome = result.observations[i];
        std::vector<std::string> row = {std::to_string(i), observation.label,
                                        Baseline_Ends_Text(before, observation.baseline),
                                        std::to_string(inspected.network), std::to_string(inspected.score),
                                        outcome.rejected ? "REJECTED <<<" : outcome.state};
        if (explain) row.push_back(outcome.reason);
        table.Add_Row(std::move(row));
    }
    return table.Render();
}

}  // namespace

std::string Minimise_Report_Text(const Project& before, const MinimiseResult& result, bool explain) {
    std::size_t rejected = 0;
    for (const ObservationResult& outcome : result.observations)
        if (outcome.rejected) ++rejected;
    std::string text = fmt::format("Time-networks: {}\n", result.inspection.networks.size());
    text += Networks_Table(before, result);
    text += fmt::format("\nObservations: {} ({} kept, {} rejected)\n", before.observations.size(),
                        before.observations.size() - rejected, rejected);
    text += Observations_Table(before, result, explain);
    if (!result.disagreements.empty())
        text += fmt::format("\nwarning: the library and the tool's own selection differ on {} observations\n",
                            result.disagreements.size());
    return text;
}

std::string Orient_Report_Text(const Project& before, const OrientResult& result) {
    const Project& after = result.after;
    std::string text = fmt::format("Control stations: {}\n", result.controlStations.size());
    TextTable stations({">#", "name", ">level", "control"});
    for (std::size_t i = 0; i < after.stations.size(); ++i) {
        const ProjectStation& station = after.stations[i];
        const bool reached = station.treeLevel >= 0;
        const bool known = station.treeControl >= 0 && static_cast<std::size_t>(station.treeControl) < after.controls.size();
        stations.Add_Row({std::to_string(i), station.name, reached ? std::to_string(station.treeLevel) : "-",
                          reached && known ? after.controls[static_cast<std::size_t>(station.treeControl)].name
                                           : (reached ? std::to_string(station.treeControl) : "unreached")});
    }
    text += fmt::format("\nStations: {} ({} reached)\n", after.stations.size(),
                        after.stations.size() - result.unreachedStations.size());
    text += stations.Render();
    TextTable baselines({">#", "from", "to", ">level", "direction"});
    std::size_t reversedCount = 0;
    for (std::size_t i = 0; i < after.baselines.size(); ++i) {
        const ProjectBaseline& baseline = after.baselines[i];
        if (result.reversed[i]) ++reversedCount;
        baselines.Add_Row({std::to_string(i), Station_Name(after, baseline.fromStation),
                           Station_Name(after, baseline.toStation),
                           baseline.directionLevel >= 0 ? std::to_string(baseline.directionLevel) : "-",
                           result.reversed[i] ? "reversed" : (baseline.directionLevel >= 0 ? "unchanged" : "not oriented")});
    }
    text += fmt::format("\nBaselines: {} ({} reversed)\n", after.baselines.size(), reversedCount);
    text += baselines.Render();
    if (!result.unreachedStations.empty()) {
        std::string names;
        for (const int32_t station : result.unreachedStations)
            names += (names.empty() ? "" : ", ") + Station_Name(before, station);
        text += fmt::format("\nwarning: no control reaches {} station{}: {}\n", result.unreachedStations.size(),
                            result.unreachedStations.size() == 1 ? "" : "s", names);
    }
    return text;
}

std::string Check_Report_Text(const Project& project) {
    return fmt::format("OK: {} sources, {} stations, {} baselines, {} observations, {} controls\n",
                       project.sources.size(), project.stations.size(), project.baselines.size(),
                       project.observations.size(), project.controls.size());
}

}  // namespace min_lumo_tool

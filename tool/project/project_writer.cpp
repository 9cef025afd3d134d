#include "tool/project/project_writer.h"
#include "hostkit/iso_time.h"
#include "hostkit/project_model.h"

#include <charconv>
#include <map>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace min_lumo_tool {

using min_lumo_kit::Parse_Iso_Time;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectControl;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectSource;
using min_lumo_kit::ProjectStation;
using min_lumo_kit::ProjectTime;
using min_lumo_kit::StationBlock;

namespace {

using Json = nlohmann::ordered_json;

// The shortest decimal that reads back as the same float, as a double.
double Float_As_Decimal(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double widened = 0.0;
    std::from_chars(text, end, widened);
    return widened;
}

Json Flag_Value(int32_t value) {
    if (value == 0) return false;
    if (value == 1) return true;
    return value;
}

Json Time_Value(const ProjectTime& time) {
    if (!time.text.empty()) {
        const std::optional<double> seconds = Parse_Iso_Time(time.text);
        if (seconds && *seconds == time.seconds) return time.text;
    }
    return time.seconds;
}

std::string Hex(const StationBlock& block) {
    std::string text;
    for (const uint8_t byte : block) text += fmt::format("{:02x}", byte);
    return text;
}

class ProjectWriter {
public:
    explicit ProjectWriter(const Project& project) : project_(project) {
        for (std::size_t i = 0; i < project.stations.size(); ++i) ++nameUses_[project.stations[i].name];
    }

    Json Write() {
        Json document = Json::object();
        document["sources"] = Json::array();
        for (const ProjectSource& source : project_.sources) document["sources"].push_back(Source(source));
        document["stations"] = Json::array();
        for (const ProjectStation& station : project_.stations) document["stations"].push_back(Station(station));
        document["baselines"] = Json::array();
        for (std::size_t i = 0; i < project_.baselines.size(); ++i) document["baselines"].push_back(Baseline(i));
        document["observations"] = Json::array();
        for (std::size_t i = 0; i < project_.observations.size(); ++i)
            document["observations"].push_back(Observation(i));
        document["controls"] = Json::array();
        for (const ProjectControl& control : project_.controls) {
            Json entry = {{"name", control.name}};
            if (control.inactive != 0) entry["inactive"] = Flag_Value(control.inactive);
            document["controls"].push_back(entry);
        }
        return document;
    }

private:
    static Json Source(const ProjectSource& source) {
        return {{"name", source.name},
                {"ratio", {{"numerator", source.ratioNumerator}, {"denominator", source.ratioDenominator}}}};
    }

    static Json Station(const ProjectStation& station) {
        Json entry = {{"name", station.name},
                      {"latitude", station.latitude},
                      {"longitude", station.longitude},
                      {"height", Float_As_Decimal(station.height)}};
        if (station.positionFlagA != 1) entry["positionFlagA"] = Flag_Value(station.positionFlagA);
        if (station.positionFlagB != 0) entry["positionFlagB"] = Flag_Value(station.positionFlagB);
        if (station.positionFlagC != 0) entry["positionFlagC"] = Flag_Value(station.positionFlagC);
        if (station.treeControl != -1) entry["treeControl"] = station.treeControl;
        if (station.treeLevel != -1) entry["treeLevel"] = station.treeLevel;
        return entry;
    }

    // A station by name when the name finds it again, else by index.
    Json Station_Reference(int32_t index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= project_.stations.size()) return index;
        const std::string& name = project_.stations[static_cast<std::size_t>(index)].name;
        if (nameUses_.at(name) == 1) return name;
        return index;
    }

    int32_t First_Baseline(int32_t from, int32_t to) const {
        for (std::size_t i = 0; i < project_.baselines.size(); ++i)
            if (project_.baselines[i].fromStation == from && project_.baselines[i].toStation == to)
                return static_cast<int32_t>(i);
        return -1;
    }

    std::vector<int32_t> Default_List(std::size_t baseline) const {
        std::vector<int32_t> list;
        for (std::size_t i = 0; i < project_.observations.size(); ++i)
            if (project_.observations[i].baseline == static_cast<int32_t>(baseline))
                list.push_back(static_cast<int32_t>(i));
        return list;
    }

    Json Baseline(std::size_t i) const {
        const ProjectBaseline& baseline = project_.baselines[i];
        Json entry = {{"from", Station_Reference(baseline.fromStation)}, {"to", Station_Reference(baseline.toStation)}};
        if (baseline.fromBlock != StationBlock{}) entry["fromBlock"] = Hex(baseline.fromBlock);
        if (baseline.toBlock != StationBlock{}) entry["toBlock"] = Hex(baseline.toBlock);
        if (baseline.observations != Default_List(i)) entry["observations"] = baseline.observations;
        if (baseline.directionLevel != -1) entry["directionLevel"] = baseline.directionLevel;
        return entry;
    }

    std::string Source_Name(int32_t index) const {
        return index >= 0 && static_cast<std::size_t>(index) < project_.sources.size()
                   ? project_.sources[static_cast<std::size_t>(index)].name
                   : std::string();
    }

    int32_t Default_Slot(std::size_t observation) const {
        const int32_t baseline = project_.observations[observation].baseline;
        if (baseline < 0 || static_cast<std::size_t>(baseline) >= project_.baselines.size()) return 0;
        const auto& list = project_.baselines[static_cast<std::size_t>(baseline)].observations;
        for (std::size_t slot = 0; slot < list.size(); ++slot)
            if (list[slot] == static_cast<int32_t>(observation)) return static_cast<int32_t>(slot);
        return 0;
    }

    Json Observation(std::size_t i) const {
        const ProjectObservation& observation = project_.observations[i];
        Json entry = {{"label", observation.label}};
        // By its two ends when they find the baseline again, else by index.
        const int32_t baseline = observation.baseline;
        const bool known = baseline >= 0 && static_cast<std::size_t>(baseline) < project_.baselines.size();
        const ProjectBaseline* measured = known ? &project_.baselines[static_cast<std::size_t>(baseline)] : nullptr;
        if (measured != nullptr && First_Baseline(measured->fromStation, measured->toStation) == baseline
            && Station_Reference(measured->fromStation).is_string() && Station_Reference(measured->toStation).is_string()) {
            entry["from"] = Station_Reference(measured->fromStation);
            entry["to"] = Station_Reference(measured->toStation);
        } else {
            entry["baseline"] = baseline;
        }
        if (observation.fromSource != 0) entry["fromSource"] = observation.fromSource;
        if (observation.toSource != 0) entry["toSource"] = observation.toSource;
        if (observation.fromSourceName != Source_Name(observation.fromSource))
            entry["fromSourceName"] = observation.fromSourceName;
        if (observation.toSourceName != Source_Name(observation.toSource))
            entry["toSourceName"] = observation.toSourceName;
        entry["start"] = Time_Value(observation.start);
        entry["end"] = Time_Value(observation.end);
        if (observation.timeSpan != observation.end.seconds - observation.start.seconds)
            entry["timeSpan"] = observation.timeSpan;
        if (observation.forced != 0) entry["forced"] = Flag_Value(observation.forced);
        if (observation.solutionStatus != 0) entry["solutionStatus"] = observation.solutionStatus;
        if (observation.removed != 0) entry["removed"] = Flag_Value(observation.removed);
        if (observation.baselineSlot != Default_Slot(i)) entry["baselineSlot"] = observation.baselineSlot;
        return entry;
    }

    const Project& project_;
    std::map<std::string, int> nameUses_;
};

}  // namespace

std::string Project_Text(const Project& project) { return ProjectWriter(project).Write().dump(2) + "\n"; }

}  // namespace min_lumo_tool

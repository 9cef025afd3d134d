#include "tool/plan/observation_labels.h"

#include <map>
#include <set>

#include <fmt/format.h>

#include "hostkit/project_model.h"
#include "tool/plan/campaign_project.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

namespace {

using min_lumo_kit::Default_Label;
using min_lumo_kit::longestLabelToken;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectStation;

// The station's token as a label would hold it: the first token of a
// default label, so white space and overlong names are treated alike.
std::string Station_Token(const std::string& name) { return Label_Tokens(Default_Label(name, "S", "T", 1)).at(0); }

std::vector<std::string> Distinct_Station_Tokens(const std::vector<std::string>& names) {
    std::vector<std::string> tokens;
    std::map<std::string, std::vector<std::size_t>> byLowered;
    for (std::size_t i = 0; i < names.size(); ++i) {
        tokens.push_back(Station_Token(names[i]));
        byLowered[Ascii_Lowered(tokens.back())].push_back(i);
    }
    for (const auto& [lowered, stations] : byLowered) {
        if (stations.size() < 2) continue;
        for (std::size_t k = 0; k < stations.size(); ++k) {
            const std::string suffix = fmt::format("~{}", k + 1);
            std::string& token = tokens[stations[k]];
            if (token.size() + suffix.size() > longestLabelToken) token.resize(longestLabelToken - suffix.size());
            token += suffix;
        }
    }
    return tokens;
}

}  // namespace

std::vector<std::string> Unique_Observation_Labels(const std::vector<std::string>& stationNames,
                                                   const std::vector<LabelParts>& observations) {
    const std::vector<std::string> tokens = Distinct_Station_Tokens(stationNames);
    std::set<std::string> used;
    std::vector<std::string> labels;
    labels.reserve(observations.size());
    for (const LabelParts& parts : observations) {
        const std::string& from = tokens.at(static_cast<std::size_t>(parts.fromStation));
        const std::string& to = tokens.at(static_cast<std::size_t>(parts.toStation));
        for (int32_t occurrence = parts.occurrence;; ++occurrence) {
            std::string label = Observation_Label(from, parts.session, to, occurrence);
            if (used.insert(Ascii_Lowered(label)).second) {
                labels.push_back(std::move(label));
                break;
            }
        }
    }
    return labels;
}

void Label_Observations_Uniquely(Campaign& campaign) {
    Project& project = campaign.project;
    std::vector<std::string> names;
    for (const ProjectStation& station : project.stations) names.push_back(station.name);
    std::vector<LabelParts> parts;
    for (std::size_t i = 0; i < project.observations.size(); ++i) {
        const ProjectObservation& observation = project.observations[i];
        const ProjectBaseline& baseline = project.baselines[static_cast<std::size_t>(observation.baseline)];
        parts.push_back({baseline.fromStation, baseline.toStation, campaign.observations[i].session,
                         observation.baselineSlot + 1});
    }
    std::vector<std::string> labels = Unique_Observation_Labels(names, parts);
    for (std::size_t i = 0; i < labels.size(); ++i) project.observations[i].label = std::move(labels[i]);
}

}  // namespace min_lumo_tool

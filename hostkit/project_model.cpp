#include "hostkit/project_model.h"

namespace min_lumo_kit {

namespace {

// White space and NUL would split or end the label: they become '_'.
std::string Token(const std::string& text) {
    std::string token;
    for (const char c : text) {
        if (token.size() == longestLabelToken) break;
        const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\0';
        token += space ? '_' : c;
    }
    return token.empty() ? std::string("?") : token;
}

}  // namespace

std::string Default_Label(const std::string& fromStation, const std::string& session, const std::string& toStation,
                          int32_t occurrence) {
    return Token(fromStation) + " " + Token(session) + " " + Token(toStation) + " " + Token(std::to_string(occurrence));
}

bool Uses_Calendar_Times(const Project& project) {
    for (const ProjectObservation& observation : project.observations)
        if (!observation.start.text.empty() || !observation.end.text.empty()) return true;
    return false;
}

std::string Baseline_Ends_Text(const Project& project, int32_t baseline) {
    const auto stationName = [&](int32_t index) -> std::string {
        if (index < 0 || static_cast<std::size_t>(index) >= project.stations.size()) return "?";
        return project.stations[static_cast<std::size_t>(index)].name;
    };
    if (baseline < 0 || static_cast<std::size_t>(baseline) >= project.baselines.size()) return "?";
    const ProjectBaseline& record = project.baselines[static_cast<std::size_t>(baseline)];
    return stationName(record.fromStation) + "-" + stationName(record.toStation);
}

}  // namespace min_lumo_kit

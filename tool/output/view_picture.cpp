#include "tool/output/view_picture.h"

#include <algorithm>
#include <map>

#include <fmt/format.h>

namespace min_lumo_tool {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectStation;

PlanPicture Map_View_Picture(const MapView& view, const std::string& title) {
    const Project& project = *view.project;
    PlanPicture picture;
    picture.title = title;
    picture.directed = view.oriented;
    const std::vector<bool> controls = Control_Stations(project);
    for (std::size_t i = 0; i < project.stations.size(); ++i) {
        const ProjectStation& station = project.stations[i];
        PictureStation shown;
        shown.name = station.name;
        shown.positioned = Has_Usable_Position(station);
        shown.latitude = station.latitude;
        shown.longitude = station.longitude;
        shown.height = static_cast<double>(station.height);
        shown.control = controls[i];
        shown.level = view.oriented ? station.treeLevel : -1;
        picture.stations.push_back(std::move(shown));
    }
    std::map<int32_t, int32_t> sessionOfNetwork;
    for (const MapObservation& observation : view.observations)
        if (observation.network >= 0) sessionOfNetwork[observation.network] = 0;
    for (auto& [network, session] : sessionOfNetwork) {
        session = static_cast<int32_t>(picture.sessions.size());
        picture.sessions.push_back({fmt::format("network {}", network), 0.0, 0.0, network});
    }
    std::vector<bool> timed(picture.sessions.size(), false);
    for (std::size_t i = 0; i < project.observations.size(); ++i) {
        const ProjectObservation& observation = project.observations[i];
        const MapObservation& shown = view.observations[i];
        if (!shown.shown) continue;  // of a session left out
        const ProjectBaseline& baseline = project.baselines[static_cast<std::size_t>(observation.baseline)];
        PictureObservation entry;
        entry.from = baseline.fromStation;
        entry.to = baseline.toStation;
        entry.session = shown.network >= 0 ? sessionOfNetwork[shown.network] : -1;
        entry.kept = !shown.rejected && shown.state != "excluded";
        entry.label = observation.label;
        entry.state = shown.state;
        entry.start = observation.start.text;
        entry.end = observation.end.text;
        entry.overlapSeconds = observation.timeSpan;
        if (view.oriented) entry.level = baseline.directionLevel;
        if (shown.scored) entry.score = shown.score;
        if (entry.session >= 0) {
            PictureSession& session = picture.sessions[static_cast<std::size_t>(entry.session)];
            const auto index = static_cast<std::size_t>(entry.session);
            session.startSeconds = timed[index] ? std::min(session.startSeconds, observation.start.seconds)
                                                : observation.start.seconds;
            session.endSeconds = timed[index] ? std::max(session.endSeconds, observation.end.seconds)
                                              : observation.end.seconds;
            timed[index] = true;
        }
        picture.observations.push_back(std::move(entry));
    }
    return picture;
}

}  // namespace min_lumo_tool

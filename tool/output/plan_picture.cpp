#include "tool/output/plan_picture.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <fmt/format.h>

#include "hostkit/iso_time.h"

namespace min_lumo_tool {

void Keep_Sessions(PlanPicture& picture, const std::vector<std::string>& names) {
    if (names.empty()) return;
    std::vector<int32_t> sessionIndex(picture.sessions.size(), -1);
    std::vector<PictureSession> sessions;
    for (std::size_t i = 0; i < picture.sessions.size(); ++i)
        if (std::find(names.begin(), names.end(), picture.sessions[i].name) != names.end()) {
            sessionIndex[i] = static_cast<int32_t>(sessions.size());
            sessions.push_back(picture.sessions[i]);
        }
    std::vector<PictureObservation> observations;
    for (PictureObservation& observation : picture.observations) {
        if (observation.session < 0 || sessionIndex[static_cast<std::size_t>(observation.session)] < 0) continue;
        observation.session = sessionIndex[static_cast<std::size_t>(observation.session)];
        observations.push_back(std::move(observation));
    }
    // An occupation belongs when it runs during a kept session.
    std::vector<PictureOccupation> occupations;
    for (PictureOccupation& occupation : picture.occupations) {
        const bool during = std::any_of(sessions.begin(), sessions.end(), [&](const PictureSession& session) {
            return std::any_of(occupation.spans.begin(), occupation.spans.end(), [&](const PictureSpan& span) {
                return span.startSeconds < session.endSeconds && session.startSeconds < span.endSeconds;
            });
        });
        if (during) occupations.push_back(std::move(occupation));
    }
    // Stations that take part, renumbered in their order.
    std::vector<int32_t> stationIndex(picture.stations.size(), -1);
    for (const PictureObservation& observation : observations)
        for (const int32_t station : {observation.from, observation.to})
            if (station >= 0) stationIndex[static_cast<std::size_t>(station)] = 0;
    for (const PictureOccupation& occupation : occupations)
        if (occupation.station >= 0) stationIndex[static_cast<std::size_t>(occupation.station)] = 0;
    std::vector<PictureStation> stations;
    for (std::size_t i = 0; i < picture.stations.size(); ++i)
        if (stationIndex[i] == 0) {
            stationIndex[i] = static_cast<int32_t>(stations.size());
            stations.push_back(std::move(picture.stations[i]));
        }
    const auto renumber = [&](int32_t& station) {
        if (station >= 0) station = stationIndex[static_cast<std::size_t>(station)];
    };
    for (PictureObservation& observation : observations) {
        renumber(observation.from);
        renumber(observation.to);
    }
    for (PictureOccupation& occupation : occupations) renumber(occupation.station);
    picture.sessions = std::move(sessions);
    picture.observations = std::move(observations);
    picture.occupations = std::move(occupations);
    picture.stations = std::move(stations);
}

std::string Picture_Time_Text(double seconds) {
    const min_lumo_kit::CivilDateTime time =
        min_lumo_kit::Civil_From_Seconds(static_cast<int64_t>(std::floor(seconds / 60.0)) * 60);
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}", time.year, time.month, time.day, time.hour, time.minute);
}

}  // namespace min_lumo_tool

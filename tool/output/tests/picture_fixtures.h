// Hand-made pictures for the tests: stations on a small grid near 47 N.
#pragma once

#include <string>
#include <vector>

#include "tool/output/plan_picture.h"

namespace min_lumo_tool::test {

inline PictureStation Station(std::string name, double latitude, double longitude, bool control = false) {
    PictureStation station;
    station.name = std::move(name);
    station.positioned = true;
    station.latitude = latitude;
    station.longitude = longitude;
    station.control = control;
    return station;
}

inline PictureObservation Observation(int32_t from, int32_t to, int32_t session, bool kept) {
    PictureObservation observation;
    observation.from = from;
    observation.to = to;
    observation.session = session;
    observation.kept = kept;
    return observation;
}

// `sessions` sessions of an hour each from 2024-05-14 08:00 UTC, each
// observing stations 0-1 (kept) and 0-2 (redundant).
inline PlanPicture Three_Stations(int sessions) {
    constexpr double start = 1715673600.0;  // 2024-05-14T08:00:00Z
    PlanPicture picture;
    picture.title = "three stations";
    picture.stations = {Station("BASE", 47.05, 8.30, true), Station("KAPF", 47.06, 8.29), Station("HOLZ", 47.07, 8.32)};
    for (int s = 0; s < sessions; ++s) {
        picture.sessions.push_back({"S" + std::to_string(s), start + 3600.0 * s, start + 3600.0 * s + 3000.0, s});
        picture.observations.push_back(Observation(0, 1, s, true));
        picture.observations.push_back(Observation(0, 2, s, false));
    }
    return picture;
}

inline std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
    return count;
}

}  // namespace min_lumo_tool::test

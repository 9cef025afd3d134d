// What the drawings (SVG) and the GeoJSON export show of a run: the project
// as the call left it, plus per-observation and per-baseline details.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hostkit/project_model.h"

namespace min_lumo_tool {

struct MapObservation {
    int32_t network = -1;
    int32_t score = 0;
    bool scored = false;
    std::string state;  // selected, rejected, undecided, forced, excluded, kept
    bool rejected = false;
};

struct MapView {
    const min_lumo_kit::Project* project = nullptr;  // records after the call
    std::vector<MapObservation> observations;        // by observation index
    std::vector<bool> reversed;                      // by baseline index; empty before orientation
    bool oriented = false;                           // baselines carry a direction to draw
};

// Stations named by an active control record, matched as the library does.
std::vector<bool> Control_Stations(const min_lumo_kit::Project& project);

// A station the library takes as positioned (any of its three flags set);
// the others are not drawn, since their latitude and longitude mean nothing.
bool Has_Usable_Position(const min_lumo_kit::ProjectStation& station);
// Both ends of the baseline have one, so it can be drawn.
bool Has_Usable_Ends(const min_lumo_kit::Project& project, const min_lumo_kit::ProjectBaseline& baseline);

}  // namespace min_lumo_tool

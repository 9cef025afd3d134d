// The picture of a project file's run (minimise, orient): the map drawing
// reads a PlanPicture, and a project file's run has time-networks where a
// plan has sessions.
#pragma once

#include <string>

#include "tool/output/map_view.h"
#include "tool/output/plan_picture.h"

namespace min_lumo_tool {

// Each time-network becomes a session named "network N"; rejected and
// excluded observations are the redundant ones; after orientation the
// observations run in their baseline's direction.
PlanPicture Map_View_Picture(const MapView& view, const std::string& title);

}  // namespace min_lumo_tool

// A drawing of the network: stations at their positions, observations as
// lines coloured by time-network (rejected ones dashed in a warning colour),
// control stations marked, and after orientation an arrow on every oriented
// baseline pointing away from the control side.
#pragma once

#include <string>

#include "tool/output/map_view.h"

namespace min_lumo_tool {

std::string Svg_Text(const MapView& view, const std::string& title);

}  // namespace min_lumo_tool

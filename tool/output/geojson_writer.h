// GeoJSON export: stations as points, observations and baselines as lines
// with their network, score, state and direction.
#pragma once

#include <string>

#include "tool/output/map_view.h"

namespace min_lumo_tool {

std::string Geojson_Text(const MapView& view);

}  // namespace min_lumo_tool

// The plan for GIS users: the stations, baselines and observations shown
// (plan.scope), in the GeoJSON layers every command writes.
#pragma once

#include "tool/output/geojson_writer.h"
#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"

namespace min_lumo_tool {

// Observations in the order of the plan; baselines and stations with a shown
// observation (all stations without a session filter).
GeoLayers Plan_Geo_Layers(const Campaign& campaign, const ProcessingPlan& plan);

// The time both receivers of an observation recorded data, in seconds.
}  // namespace min_lumo_tool

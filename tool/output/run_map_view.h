// The map view of a run: a minimisation's networks, scores and decisions, or
// an orientation's directions over the networks of the project before it.
#pragma once

#include "hostkit/project_model.h"
#include "tool/output/map_view.h"
#include "tool/run/minimise_run.h"
#include "tool/run/orient_run.h"

namespace min_lumo_tool {

MapView Minimise_View(const MinimiseResult& result);
MapView Orient_View(const min_lumo_kit::Project& before, const OrientResult& result);

}  // namespace min_lumo_tool

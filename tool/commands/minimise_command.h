// `minimise`: group a project's observations into time-networks and reject
// the redundant ones, reported and optionally explained, written and drawn.
#pragma once

#include "tool/commands/project_loading.h"

namespace min_lumo_tool {

// Returns the process exit code.
int Run_Minimise(const RunOptions& options);

}  // namespace min_lumo_tool

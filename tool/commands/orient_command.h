// `orient`: level a project's stations from its controls and orient its
// baselines, reported, written and drawn.
#pragma once

#include "tool/commands/project_loading.h"

namespace min_lumo_tool {

// Returns the process exit code.
int Run_Orient(const RunOptions& options);

}  // namespace min_lumo_tool

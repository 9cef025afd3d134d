// `check`: a project file against everything the library relies on.
#pragma once

#include "tool/commands/project_loading.h"

namespace min_lumo_tool {

// Returns the process exit code.
int Run_Check(const RunOptions& options);

}  // namespace min_lumo_tool

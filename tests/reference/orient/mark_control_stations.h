// The roots of the control trees: stations named by active control records.
#pragma once

#include "min_lumo.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// For each active control k in index order, every station whose name matches
// k's name gets treeLevel 0 and treeControl k; a station several controls
// name thus ends with the highest of them.  Inactive controls match nothing.
// True when at least one station was marked.
bool Mark_Control_Stations(const ProjectHeader* project);

}  // namespace min_lumo_reference

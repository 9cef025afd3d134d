// The yardstick of the differential tests (reference_minimisation.cpp): the
// same three entry points under their own names, with their own message,
// so that the library and the reference can run side by side in one
// process on identical copies of a project.  Only for projects that keep
// every host promise: the reference checks nothing.
#pragma once

#include <cstdint>

#include "min_lumo.h"

namespace min_lumo_reference {

int32_t Reference_Min_Lumo(const int32_t structSizes[MIN_LUMO_STRUCT_SIZE_COUNT], ProjectHeader* project);
int32_t Reference_Fix_Baseline_Direction(ProjectHeader* project);
int32_t Reference_Get_Error_Message(char* buffer);

}  // namespace min_lumo_reference

// The straightforward implementation, step for step as the library was first
// written, kept as the yardstick for the optimised library: the same three
// entry points under their own names, with their own message buffer, tables
// and heap, so that both can run side by side in one process.
#pragma once

#include <cstdint>

#include "min_lumo.h"

namespace min_lumo_reference {

int32_t Reference_Min_Lumo(const int32_t structSizes[6], ProjectHeader* project);
int32_t Reference_Fix_Baseline_Direction(ProjectHeader* project);
int32_t Reference_Get_Error_Message(char* buffer);

// Alarms the reference would have sounded so far.
extern int32_t ReferenceAlarmCount;

}  // namespace min_lumo_reference

// The checks DLL_Min_Lumo makes before it follows any index of the host's
// data.  The host promises valid counts and indices; a host bug or a damaged
// project must not make us read or write outside its arrays.  The check
// refuses exactly what minimisation would follow out of an array and nothing
// more: a project that keeps the promises minimisation relies on always
// passes, whatever its sourceCount, controls or unnamed baselines hold.
#pragma once

#include "min_lumo.h"

namespace min_lumo {

// True when minimisation can follow every count and index it reads.
// Otherwise sets one message naming the record kind, its index, the field
// and the value, and returns false.  Refused, in this order: a null header;
// a negative station, baseline or observation count, or such a count
// without its array; observations without a source array; then, observation
// by observation, a baseline index outside the baseline array, a negative
// fromSource or toSource, and an end of its baseline outside the station
// array.
bool Check_Project_For_Minimisation(const ProjectHeader* project);

// The same in two parts, for a caller that walks the observations anyway:
// first the header, then each observation in index order.  The observation
// check reads only the fields the caller is about to read itself, so they
// come from the cache the second time.
bool Check_Project_Header(const ProjectHeader* project);
bool Check_Observation(const ProjectHeader* project, int32_t index);

}  // namespace min_lumo

// The checks DLL_Min_Lumo makes before it follows any index of the host's
// data.  The host promises valid counts and indices; a host bug or a damaged
// project must not make us read or write outside its arrays.
#pragma once

#include "interface/min_lumo.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// True when every count and index that the minimisation follows lies within
// its array.  Otherwise sets one message naming the record kind, its index,
// the field and the value, and returns false.  Reads only the header, the
// observations' baseline and source indices and the baselines' station indices.
bool Check_Project_For_Minimisation(const ProjectHeader* project);

}  // namespace min_lumo_reference

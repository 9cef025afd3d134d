// The two source names of an observation trading places on reversal.
#pragma once

#include "host/host_records.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Exchanges the texts of fromSourceName and toSourceName through a buffer of
// one field's size.  Each copy moves a text and its terminator only, so the
// bytes after a field's new terminator keep their old values.  A text with
// no terminator inside its field is moved as the whole field.
void Exchange_Source_Names(ObservationRef observation);

}  // namespace min_lumo_reference

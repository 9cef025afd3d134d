// The audible alarm for a baseline with a negative station index.
#pragma once

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Windows: MessageBeep(MB_OK), result ignored.  Elsewhere: calls the host
// process's MessageBeep(0) if it provides one, so tests can observe it.
void Sound_Alarm();

}  // namespace min_lumo_reference

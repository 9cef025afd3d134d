// Deciding every time-network of the current call and writing the rejections
// into the host's observation records.
#pragma once

#include <cstdint>

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Runs the selection on every network of NetworkTable, in order.  Always 0.
int32_t Minimize_Time_Networks();

// Marks every Rejected observation in the host's records: removed = 1, then
// solutionStatus = -1.  Nothing else is written.
void Write_Back_Rejections();

}  // namespace min_lumo_reference

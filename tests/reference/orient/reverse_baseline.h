// Turning a baseline end for end in the host's records.
#pragma once

#include <cstdint>

#include "min_lumo.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

// Reverses baseline `baselineIndex` in place: clears positionFlagB and
// positionFlagC of both stations; in each of its observations exchanges the
// source names and indices, swaps the first and third label tokens, clears
// the solution block and records the observation's slot in the list; then
// exchanges the baseline's end blocks and stations and clears its solution.
//
// A baseline with a negative station index sounds the alarm and is left
// exactly as it is: half a reversal, or flags cleared at a station that does
// not exist, would be worse than none.  One whose station index lies past the
// station array is left as it is too, without the alarm.  List entries that
// name no observation are skipped.
void Reverse_Baseline(const ProjectHeader* project, int32_t baselineIndex);

}  // namespace min_lumo_reference

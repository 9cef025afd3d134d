// The structure-size handshake that guards DLL_Min_Lumo.
#pragma once

#include <cstdint>

#include "min_lumo.h"

namespace min_lumo {

inline constexpr int32_t AcceptedStructSizes[MIN_LUMO_STRUCT_SIZE_COUNT] = MIN_LUMO_STRUCT_SIZES;

// True when the host's six sizes equal ours.  On a mismatch sets the
// handshake message and returns false.
bool Check_Struct_Sizes(const int32_t structSizes[MIN_LUMO_STRUCT_SIZE_COUNT]);

// Puts the handshake message into the message buffer.
void Report_Handshake_Mismatch();

}  // namespace min_lumo

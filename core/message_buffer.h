// The library's single message buffer: the last failure message, read by the
// host through Get_Error_Message.  The only state that outlives a call.
#pragma once

#include <cstdint>

#include "min_lumo.h"

namespace min_lumo {

inline constexpr int32_t MessageBufferSize = MIN_LUMO_MESSAGE_CAPACITY;

// Zero at load, so it reads as the empty text until the first failure.
extern char MessageBuffer[MessageBufferSize];

// Replaces the buffer's text with `text` (copied with its terminator).
void Set_Message(const char* text);

}  // namespace min_lumo

#include <cstring>

#include "interface/message_buffer.h"
#include "min_lumo.h"

// The copy is not bounded by the caller: a buffer of MIN_LUMO_MESSAGE_CAPACITY
// bytes always suffices, since every message fits ours.
extern "C" MIN_LUMO_API int32_t MIN_LUMO_CALL Get_Error_Message(char* buffer) {
    using min_lumo::MessageBuffer;
    const std::size_t length = strnlen(MessageBuffer, sizeof MessageBuffer - 1);
    std::memcpy(buffer, MessageBuffer, length);
    buffer[length] = '\0';
    return static_cast<int32_t>(length + 1);
}

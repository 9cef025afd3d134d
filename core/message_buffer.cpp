#include "core/message_buffer.h"

#include <cstring>

namespace min_lumo {

char MessageBuffer[MessageBufferSize];

void Set_Message(const char* text) {
    std::size_t length = std::strlen(text);
    if (length >= static_cast<std::size_t>(MessageBufferSize)) length = MessageBufferSize - 1;
    std::memcpy(MessageBuffer, text, length);
    MessageBuffer[length] = '\0';
}

}  // namespace min_lumo

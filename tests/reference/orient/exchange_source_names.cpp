#include "tests/reference/orient/exchange_source_names.h"

#include <cstring>

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

constexpr int32_t SourceNameCapacity = observation::fromSourceName.capacity;
static_assert(observation::toSourceName.capacity == SourceNameCapacity);

// A NUL-terminated copy that reads and writes at most `capacity` bytes.
void Copy_Text(char* target, const char* text, int32_t capacity) {
    const void* end = std::memchr(text, '\0', static_cast<std::size_t>(capacity));
    const std::size_t length =
        end == nullptr ? static_cast<std::size_t>(capacity)
                       : static_cast<std::size_t>(static_cast<const char*>(end) - text) + 1;
    std::memcpy(target, text, length);
}

}  // namespace

void Exchange_Source_Names(ObservationRef observation) {
    char buffer[SourceNameCapacity] = {};
    char* fromName = Text_Field(observation, observation::fromSourceName);
    char* toName = Text_Field(observation, observation::toSourceName);
    Copy_Text(buffer, fromName, SourceNameCapacity);
    Copy_Text(fromName, toName, SourceNameCapacity);
    Copy_Text(toName, buffer, SourceNameCapacity);
}

}  // namespace min_lumo_reference

#include "tests/reference/interface/struct_size_handshake.h"

#include <cstring>

#include "host/host_layout.h"
#include "tests/reference/interface/message_buffer.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

static_assert(AcceptedStructSizes[2] == RecordStride<RecordKind::Source>);
static_assert(AcceptedStructSizes[3] == RecordStride<RecordKind::Observation>);
static_assert(AcceptedStructSizes[4] == RecordStride<RecordKind::Baseline>);
static_assert(AcceptedStructSizes[5] == RecordStride<RecordKind::Control>);

// Two spaces after "min_lumo." and no final full stop: hosts compare it.
inline constexpr char HandshakeMessage[] =
    "Invalid structure size in min_lumo.  This DLL version does not match Orvanta's";
static_assert(sizeof HandshakeMessage == 79, "78 characters and the terminator");

void Report_Handshake_Mismatch() {
    // Written as one fixed block, terminator included.
    std::memcpy(MessageBuffer, HandshakeMessage, sizeof HandshakeMessage);
}

bool Check_Struct_Sizes(const int32_t structSizes[MIN_LUMO_STRUCT_SIZE_COUNT]) {
    for (int32_t position = 0; position < MIN_LUMO_STRUCT_SIZE_COUNT; ++position) {
        if (structSizes[position] != AcceptedStructSizes[position]) {
            Report_Handshake_Mismatch();
            return false;
        }
    }
    return true;
}

}  // namespace min_lumo_reference

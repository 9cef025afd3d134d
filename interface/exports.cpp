// The library's three entry points: the whole boundary towards the host.
#include <cstring>

#include "core/message_buffer.h"
#include "host/check_project.h"
#include "host/host_layout.h"
#include "min_lumo.h"
#include "minimise/minimisation_pipeline.h"
#include "orient/orient_baselines.h"

namespace min_lumo {

namespace {

constexpr int32_t AcceptedStructSizes[MIN_LUMO_STRUCT_SIZE_COUNT] = MIN_LUMO_STRUCT_SIZES;
static_assert(AcceptedStructSizes[2] == RecordStride<RecordKind::Source>);
static_assert(AcceptedStructSizes[3] == RecordStride<RecordKind::Observation>);
static_assert(AcceptedStructSizes[4] == RecordStride<RecordKind::Baseline>);
static_assert(AcceptedStructSizes[5] == RecordStride<RecordKind::Control>);

// Two spaces after "min_lumo." and no final full stop: hosts compare it.
constexpr char HandshakeMessage[] = "Invalid structure size in min_lumo.  This DLL version does not match Orvanta's";
static_assert(sizeof HandshakeMessage == 79, "78 characters and the terminator");

// The host's six sizes equal ours, compared from the first.  A host that
// passes no sizes at all fails like one with wrong sizes.
bool Sizes_Match(const int32_t structSizes[MIN_LUMO_STRUCT_SIZE_COUNT]) {
    bool match = structSizes != nullptr;
    for (int32_t position = 0; match && position < MIN_LUMO_STRUCT_SIZE_COUNT; ++position)
        match = structSizes[position] == AcceptedStructSizes[position];
    if (!match) Set_Message(HandshakeMessage);
    return match;
}

}  // namespace

}  // namespace min_lumo

extern "C" MIN_LUMO_API int32_t MIN_LUMO_CALL DLL_Min_Lumo(const int32_t structSizes[MIN_LUMO_STRUCT_SIZE_COUNT],
                                                           ProjectHeader* project) {
    if (!min_lumo::Sizes_Match(structSizes)) return 1;
    // The observations are checked as the build reads them.
    if (!min_lumo::Check_Project_Header(project)) return 1;
    return min_lumo::Run_Minimisation_Pipeline(project);
}

// No handshake here, and no library-global state: orientation works on the
// host's arrays alone.
extern "C" MIN_LUMO_API int32_t MIN_LUMO_CALL DLL_Fix_Baseline_Direction(ProjectHeader* project) {
    return min_lumo::Orient_Baselines(project);
}

// The copy is not bounded by the caller: a buffer of MIN_LUMO_MESSAGE_CAPACITY
// bytes always suffices, since every message fits ours.
extern "C" MIN_LUMO_API int32_t MIN_LUMO_CALL Get_Error_Message(char* buffer) {
    using min_lumo::MessageBuffer;
    const std::size_t length = strnlen(MessageBuffer, sizeof MessageBuffer - 1);
    std::memcpy(buffer, MessageBuffer, length);
    buffer[length] = '\0';
    return static_cast<int32_t>(length + 1);
}

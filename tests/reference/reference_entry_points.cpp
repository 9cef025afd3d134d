#include "tests/reference/reference_entry_points.h"

#include <cstring>

#include "tests/reference/interface/message_buffer.h"
#include "tests/reference/interface/struct_size_handshake.h"
#include "tests/reference/minimise/minimisation_pipeline.h"
#include "tests/reference/orient/orient_baselines.h"

namespace min_lumo_reference {

int32_t ReferenceAlarmCount = 0;

int32_t Reference_Min_Lumo(const int32_t structSizes[6], ProjectHeader* project) {
    if (structSizes == nullptr) {
        Report_Handshake_Mismatch();
        return 1;
    }
    if (!Check_Struct_Sizes(structSizes)) return 1;
    return Run_Minimisation_Pipeline(project);
}

int32_t Reference_Fix_Baseline_Direction(ProjectHeader* project) { return Orient_Baselines(project); }

int32_t Reference_Get_Error_Message(char* buffer) {
    const std::size_t length = strnlen(MessageBuffer, sizeof MessageBuffer - 1);
    std::memcpy(buffer, MessageBuffer, length);
    buffer[length] = '\0';
    return static_cast<int32_t>(length + 1);
}

}  // namespace min_lumo_reference

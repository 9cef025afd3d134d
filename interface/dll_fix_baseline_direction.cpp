#include "min_lumo.h"
#include "orient/orient_baselines.h"

// No handshake here, and no library-global state: orientation works on the
// host's arrays alone.
extern "C" MIN_LUMO_API int32_t MIN_LUMO_CALL DLL_Fix_Baseline_Direction(ProjectHeader* project) {
    return min_lumo::Orient_Baselines(project);
}

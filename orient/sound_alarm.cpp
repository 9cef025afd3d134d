#include "orient/sound_alarm.h"

#ifdef _WIN32
#include <windows.h>
#else
// Resolved from the host process when it defines it; absent otherwise.
extern "C" __attribute__((weak, visibility("default"))) int MessageBeep(unsigned int type);
#endif

namespace min_lumo {

void Sound_Alarm() {
#ifdef _WIN32
    (void)MessageBeep(MB_OK);
#else
    if (MessageBeep != nullptr) (void)MessageBeep(0);
#endif
}

}  // namespace min_lumo

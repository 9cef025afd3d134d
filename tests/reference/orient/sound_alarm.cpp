#include "tests/reference/orient/sound_alarm.h"

#include "tests/reference/reference_entry_points.h"

namespace min_lumo_reference {

// The reference counts its alarms instead of sounding them, so a comparison
// can set them against the library's.
void Sound_Alarm() { ++ReferenceAlarmCount; }

}  // namespace min_lumo_reference

// ISO 8601 UTC times as seconds since 1970-01-01T00:00:00Z, the time axis the
// tool hands the host when a project file gives calendar times.
#pragma once

#include <optional>
#include <string>

namespace min_lumo_kit {

// Accepts YYYY-MM-DDThh:mm[:ss[.fff]] followed by Z or a +hh:mm / -hh:mm
// offset (a space may stand for the T).  Nothing else: no week dates, no
// local times without an offset.
std::optional<double> Parse_Iso_Time(const std::string& text);

// The time in the form YYYY-MM-DDThh:mm:ssZ, with a fraction when the time
// has one (to the millisecond).
std::string Format_Iso_Time(double seconds);

}  // namespace min_lumo_kit

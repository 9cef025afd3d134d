// How reports round what they give: positions to 1e-9 degrees (0.1 mm) and
// lengths and heights to the millimetre.  The last bits of a conversion
// differ between mathematical libraries, and no survey needs them.
#pragma once

#include <cmath>

namespace min_lumo_tool {

inline constexpr double millimetresPerMetre = 1000.0;
inline constexpr double reportedDegreeSteps = 1e9;

inline double To_Millimetre(double metres) { return std::round(metres * millimetresPerMetre) / millimetresPerMetre; }
inline double To_Reported_Degrees(double degrees) {
    return std::round(degrees * reportedDegreeSteps) / reportedDegreeSteps;
}

}  // namespace min_lumo_tool

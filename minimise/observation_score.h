// The integer score by which the selection ranks a time-network's
// observations, and the geodetic conversion behind its distance term.
#pragma once

#include <cstdint>

#include "network/time_network.h"

namespace min_lumo {

struct CartesianPosition {
    double x;  // metres, Earth-centred, Earth-fixed
    double y;
    double z;
};

// Latitude and longitude in degrees, height above the ellipsoid in metres.
// No range check or normalisation of the angles is made.
CartesianPosition Geodetic_To_Cartesian(double latitude, double longitude, double height);

// Score of host observation `observation` of the run's project: time points,
// the source bonus, the distance term (or the penalty for a station without
// a usable position) and the forced bonus.  Reads host records only.
int32_t Score_Observation(const MinimisationRun& run, int32_t observation);

}  // namespace min_lumo

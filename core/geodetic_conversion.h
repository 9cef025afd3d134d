// Geodetic position to Earth-centred, Earth-fixed Cartesian coordinates on
// the host's ellipsoid, for the baseline length in the observation score.
#pragma once

namespace min_lumo {

struct CartesianPosition {
    double x;  // metres, Earth-centred, Earth-fixed
    double y;
    double z;
};

// Latitude and longitude in degrees, height above the ellipsoid in metres.
// No range check or normalisation of the angles is made.
CartesianPosition Geodetic_To_Cartesian(double latitude, double longitude, double height);

}  // namespace min_lumo

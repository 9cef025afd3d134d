// --control-coordinates, read until the vector exchange layer
// (tool/vectors) brings its reader: a CSV file whose heading is
// station,X,Y,Z (metres, Earth-centred) or station,latitude,longitude,height
// (degrees, metres on WGS 84), one control a line.  Interim: deleted when
// that reader lands.
#pragma once

#include <string>
#include <vector>

#include "tool/vectors/processed_vector.h"

namespace min_lumo_tool {

// Throws FieldFileError (tool/field) naming the file, line and field of
// anything else.
std::vector<min_lumo_vectors::ControlCoordinate> Read_Control_Coordinates_Interim(const std::string& file);

}  // namespace min_lumo_tool

// A processed vector as a JSON object, the element of the `vectors` array
// of `process --json`.  Interim: the vector exchange layer (tool/vectors)
// owns this object and its reader; its writer replaces this one.
#pragma once

#include <nlohmann/json.hpp>

#include "tool/vectors/processed_vector.h"

namespace min_lumo_tool {

nlohmann::ordered_json Vector_Json(const min_lumo_vectors::ProcessedVector& vector);

}  // namespace min_lumo_tool

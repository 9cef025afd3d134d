#include "tool/process/vector_json.h"

#include "tool/process/solution_file.h"

namespace min_lumo_tool {

nlohmann::ordered_json Vector_Json(const min_lumo_vectors::ProcessedVector& vector) {
    using Json = nlohmann::ordered_json;
    const bool solved = vector.solution != min_lumo_vectors::SolutionKind::failed;
    const auto number = [&](double value) { return solved ? Json(value) : Json(nullptr); };
    Json object = {{"from", vector.from},
                   {"to", vector.to},
                   {"session", vector.session},
                   {"label", vector.label},
                   {"dX", number(vector.dX)},
                   {"dY", number(vector.dY)},
                   {"dZ", number(vector.dZ)},
                   {"covariance",
                    solved ? Json({{"xx", vector.covariance.xx},
                                   {"xy", vector.covariance.xy},
                                   {"xz", vector.covariance.xz},
                                   {"yy", vector.covariance.yy},
                                   {"yz", vector.covariance.yz},
                                   {"zz", vector.covariance.zz}})
                           : Json(nullptr)},
                   {"solution", Solution_Kind_Name(vector.solution)},
                   {"ratio", vector.ratio && solved ? Json(*vector.ratio) : Json(nullptr)},
                   {"satellites", solved ? Json(vector.satellites) : Json(nullptr)},
                   {"epochs", solved ? Json(vector.epochs) : Json(nullptr)}};
    object["basePosition"] = vector.basePosition ? Json({{"X", vector.basePosition->x},
                                                        {"Y", vector.basePosition->y},
                                                        {"Z", vector.basePosition->z}})
                                                 : Json(nullptr);
    object["baseFrom"] = vector.baseFrom;
    object["engineSeconds"] = vector.engineSeconds;
    return object;
}

}  // namespace min_lumo_tool

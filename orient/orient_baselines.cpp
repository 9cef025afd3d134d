#include "orient/orient_baselines.h"

namespace min_lumo {

int32_t Orient_Baselines(ProjectHeader*) { return 0; }

}  // namespace min_lumo

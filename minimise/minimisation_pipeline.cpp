#include "minimise/minimisation_pipeline.h"

namespace min_lumo {

int32_t Run_Minimisation_Pipeline(ProjectHeader*) { return 0; }

}  // namespace min_lumo

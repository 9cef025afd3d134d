#include "host/check_project.h"
#include "min_lumo.h"
#include "interface/struct_size_handshake.h"
#include "minimise/minimisation_pipeline.h"

extern "C" MIN_LUMO_API int32_t MIN_LUMO_CALL DLL_Min_Lumo(const int32_t structSizes[6],
                                                           ProjectHeader* project) {
    // A host that passes no sizes at all fails the handshake like a wrong one.
    if (structSizes == nullptr) {
        min_lumo::Report_Handshake_Mismatch();
        return 1;
    }
    if (!min_lumo::Check_Struct_Sizes(structSizes)) return 1;
    if (!min_lumo::Check_Project_For_Minimisation(project)) return 1;
    return min_lumo::Run_Minimisation_Pipeline(project);
}

#include "host/host_records.h"
#include "tests/reference/network/network_tables.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

BaselineEnds Read_Baseline_Ends(const ProjectHeader* project, int32_t observation) {
    const int32_t baselineIndex =
        Read_Field(Locate_Observation(project, observation), observation::baseline);
    const BaselineRef baseline = Locate_Baseline(project, baselineIndex);
    return {Read_Field(baseline, baseline::fromStation), Read_Field(baseline, baseline::toStation)};
}

}  // namespace min_lumo_reference

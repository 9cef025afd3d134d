// The processed network as one self-contained HTML file: the map (the
// plan's map drawing) of the vectors coloured by quality, the vectors, the
// loops with their misclosures, the repeats, the processing checks and the
// suspects.
#pragma once

#include <string>

#include "tool/process/baseline_processing.h"
#include "tool/process/network_checks.h"
#include "tool/process/process_report.h"
#include "tool/process/processing_order.h"

namespace min_lumo_tool {

std::string Process_Html(const ProcessingContext& context, const ProcessingOrder& order, const ProcessingResult& result,
                         const NetworkChecks& checks);

}  // namespace min_lumo_tool

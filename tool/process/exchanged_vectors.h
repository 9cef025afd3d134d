// What the exchange files of a processing (--vectors-csv, --gfile, --gama,
// tool/vectors) carry: the fixed and float vectors -- a code-only solution
// has metre-level sigmas, a failed one none -- and the controls at the
// positions processing held them.
#pragma once

#include <cstddef>
#include <vector>

#include "tool/process/baseline_processing.h"
#include "tool/process/processing_order.h"

namespace min_lumo_tool {

struct ExchangedVectors {
    std::vector<ProcessedVector> vectors;
    std::vector<ControlCoordinate> controls;  // each control: its coordinates given, else where it was held
    std::size_t leftOut = 0;                  // single and failed vectors
};

ExchangedVectors Exchanged_Vectors(const ProcessingResult& result, const ProcessingOrder& order,
                                   const std::vector<ControlCoordinate>& given);

}  // namespace min_lumo_tool

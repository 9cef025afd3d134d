#include "tool/process/process_html.h"

namespace min_lumo_tool {

std::string Process_Html(const ProcessingContext&, const ProcessingOrder&, const ProcessingResult&,
                         const NetworkChecks&) {
    return "<!DOCTYPE html>\n";
}

}  // namespace min_lumo_tool

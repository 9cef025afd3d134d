#include "tool/process/exchanged_vectors.h"

#include <algorithm>
#include <string>

namespace min_lumo_tool {

namespace {

using min_lumo_vectors::SolutionKind;

std::string Lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

ExchangedVectors Exchanged_Vectors(const ProcessingResult& result, const ProcessingOrder& order,
                                   const std::vector<ControlCoordinate>& given) {
    ExchangedVectors exchanged;
    for (const VectorRun& run : result.runs) {
        const SolutionKind kind = run.vector.solution;
        if (kind == SolutionKind::fixed || kind == SolutionKind::floating)
            exchanged.vectors.push_back(run.vector);
        else
            ++exchanged.leftOut;
    }
    for (std::size_t s = 0; s < order.stations.size(); ++s) {
        const OrderedStation& station = order.stations[s];
        if (!station.control) continue;
        const auto known = std::find_if(given.begin(), given.end(), [&](const ControlCoordinate& control) {
            return Lowered(control.station) == Lowered(station.name);
        });
        if (known != given.end()) {
            ControlCoordinate control = *known;
            control.station = station.name;
            exchanged.controls.push_back(control);
        } else if (s < result.placements.size() && result.placements[s].position) {
            ControlCoordinate control;
            control.station = station.name;
            control.position = *result.placements[s].position;
            exchanged.controls.push_back(control);
        }
    }
    return exchanged;
}

}  // namespace min_lumo_tool

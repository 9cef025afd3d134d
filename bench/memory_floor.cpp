#include "bench/memory_floor.h"

#include <cmath>
#include <vector>

#include "core/geodetic_conversion.h"
#include "host/host_records.h"

namespace min_lumo_bench {

namespace {

using namespace min_lumo;

struct ConvertedStation {
    bool converted = false;
    bool usable = false;
    CartesianPosition position{};
};

const ConvertedStation& Station_Once(const ProjectHeader* project, std::vector<ConvertedStation>& stations,
                                     int32_t index) {
    ConvertedStation& cached = stations[static_cast<std::size_t>(index)];
    if (cached.converted) return cached;
    const StationRef record = Locate_Station(project, index);
    cached.converted = true;
    cached.usable = Read_Field(record, station::positionFlagA) != 0 || Read_Field(record, station::positionFlagB) != 0
                    || Read_Field(record, station::positionFlagC) != 0;
    cached.position = Geodetic_To_Cartesian(Read_Field(record, station::latitude),
                                            Read_Field(record, station::longitude),
                                            static_cast<double>(Read_Field(record, station::height)));
    return cached;
}

bool Ratio_Passes(const ProjectHeader* project, int32_t index) {
    const SourceRef record = Locate_Source(project, index);
    const int32_t denominator = Read_Field(record, source::ratioDenominator);
    return denominator != 0 && Read_Field(record, source::ratioNumerator) / denominator >= 1;
}

}  // namespace

int64_t Memory_Floor_Pass(ProjectHeader* project) {
    std::vector<ConvertedStation> stations(static_cast<std::size_t>(project->stationCount));
    int64_t sum = 0;
    for (int32_t i = 0; i < project->observationCount; ++i) {
        const ObservationRef record = Locate_Observation(project, i);
        const double start = Read_Field(record, observation::startTime);
        const double end = Read_Field(record, observation::endTime);
        const int32_t state = Read_Field(record, observation::solutionStatus);
        const int32_t forced = Read_Field(record, observation::forced);
        const BaselineRef line = Locate_Baseline(project, Read_Field(record, observation::baseline));
        const ConvertedStation& from = Station_Once(project, stations, Read_Field(line, baseline::fromStation));
        const ConvertedStation& to = Station_Once(project, stations, Read_Field(line, baseline::toStation));
        int32_t score = static_cast<int32_t>(Read_Field(record, observation::timeSpan) * 0.0011111111111111111);
        if (Ratio_Passes(project, Read_Field(record, observation::fromSource))
            && Ratio_Passes(project, Read_Field(record, observation::toSource)))
            score += 3;
        if (from.usable && to.usable) {
            const double dx = from.position.x - to.position.x;
            const double dy = from.position.y - to.position.y;
            const double dz = from.position.z - to.position.z;
            score += static_cast<int32_t>(std::sqrt((dx * dx + dy * dy) + dz * dz) * -0.04);
        } else {
            score -= 3;
        }
        if (forced != 0) score += 22000;
        sum += score + state + static_cast<int64_t>(end - start);
    }
    for (int32_t i = 0; i < project->observationCount; i += 2) {
        const ObservationRef record = Locate_Observation(project, i);
        Write_Field(record, observation::removed, 1);
        Write_Field(record, observation::solutionStatus, -1);
    }
    return sum;
}

}  // namespace min_lumo_bench

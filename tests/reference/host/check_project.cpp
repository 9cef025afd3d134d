#include "tests/reference/host/check_project.h"

#include <cstdio>

#include "host/host_records.h"
#include "tests/reference/interface/message_buffer.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

// The host states no size for the source array when sourceCount is 0: such a
// project is valid as long as the sources it names exist, so only the sign of
// a source index can be checked then.
constexpr int32_t SourceCountNotStated = 0;

// "Error: observation 17 names baseline 52, but the project has 40 baselines"
bool Report_Bad_Index(const char* kind, int32_t index, const char* field, int32_t value, int32_t count,
                      const char* countedKind) {
    char text[MessageBufferSize];
    std::snprintf(text, sizeof text, "Error: %s %d names %s %d, but the project has %d %s", kind, index,
                  field, value, count, countedKind);
    Set_Message(text);
    return false;
}

bool Check_Counts(const ProjectHeader* project) {
    struct Count {
        const char* name;
        int32_t value;
        const void* array;
    };
    const Count counts[] = {
        {"sources", project->sourceCount, project->sources},
        {"stations", project->stationCount, project->stations},
        {"baselines", project->baselineCount, project->baselines},
        {"observations", project->observationCount, project->observations},
        {"controls", project->controlCount, project->controls},
    };
    for (const Count& count : counts) {
        char text[MessageBufferSize];
        if (count.value < 0) {
            std::snprintf(text, sizeof text, "Error: the project header gives %d %s", count.value,
                          count.name);
            Set_Message(text);
            return false;
        }
        if (count.value > 0 && count.array == nullptr) {
            std::snprintf(text, sizeof text, "Error: the project header gives %d %s but no array of them",
                          count.value, count.name);
            Set_Message(text);
            return false;
        }
    }
    return true;
}

bool Check_Observation(const ProjectHeader* project, int32_t index) {
    const ObservationRef record = Locate_Observation(project, index);
    const int32_t baselineIndex = Read_Field(record, observation::baseline);
    if (baselineIndex < 0 || baselineIndex >= project->baselineCount)
        return Report_Bad_Index("observation", index, "baseline", baselineIndex, project->baselineCount,
                    "baselines");
    const struct {
        const char* name;
        int32_t value;
    } sources[] = {{"fromSource", Read_Field(record, observation::fromSource)},
                   {"toSource", Read_Field(record, observation::toSource)}};
    // Without a source array no source exists, whatever the count says.
    const bool noSources = project->sources == nullptr;
    for (const auto& source : sources) {
        const bool beyondCount =
            noSources || (project->sourceCount != SourceCountNotStated && source.value >= project->sourceCount);
        if (source.value < 0 || beyondCount)
            return Report_Bad_Index("observation", index, source.name, source.value, project->sourceCount,
                        "sources");
    }
    return true;
}

bool Check_Baseline(const ProjectHeader* project, int32_t index) {
    const BaselineRef record = Locate_Baseline(project, index);
    const struct {
        const char* name;
        int32_t value;
    } ends[] = {{"fromStation", Read_Field(record, baseline::fromStation)},
                {"toStation", Read_Field(record, baseline::toStation)}};
    for (const auto& end : ends) {
        if (end.value < 0 || end.value >= project->stationCount)
            return Report_Bad_Index("baseline", index, end.name, end.value, project->stationCount,
                        "stations");
    }
    return true;
}

}  // namespace

bool Check_Project_For_Minimisation(const ProjectHeader* project) {
    if (project == nullptr) {
        Set_Message("Error: no project header was passed");
        return false;
    }
    if (!Check_Counts(project)) return false;
    for (int32_t i = 0; i < project->observationCount; ++i)
        if (!Check_Observation(project, i)) return false;
    for (int32_t i = 0; i < project->baselineCount; ++i)
        if (!Check_Baseline(project, i)) return false;
    return true;
}

}  // namespace min_lumo_reference

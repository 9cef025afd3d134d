#include "host/check_project.h"

#include <cstdarg>
#include <cstdio>

#include "host/host_records.h"
#include "core/message_buffer.h"

namespace min_lumo {

namespace {

// Sets the message, formatted as printf does, and refuses.
[[gnu::format(printf, 1, 2)]] bool Refuse(const char* format, ...) {
    char text[MessageBufferSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    Set_Message(text);
    return false;
}

// "Error: observation 17 names baseline 52, but the project has 40 baselines"
bool Report_Bad_Index(const char* kind, int32_t index, const char* field, int32_t value, int32_t count,
                      const char* countedKind) {
    return Refuse("Error: %s %d names %s %d, but the project has %d %s", kind, index, field, value, count,
                  countedKind);
}

// "Error: the project header gives -4 observations"
bool Report_Negative_Count(int32_t count, const char* kind) {
    return Refuse("Error: the project header gives %d %s", count, kind);
}

// "Error: the project header gives 2 baselines but no array of them"
bool Report_Missing_Array(int32_t count, const char* kind) {
    return Refuse("Error: the project header gives %d %s but no array of them", count, kind);
}

// Only the arrays minimisation walks by their counts.  sourceCount and the
// controls are never read by it, so whatever they hold is no violation.
bool Check_Counts(const ProjectHeader* project) {
    const struct {
        const char* name;
        int32_t value;
        const void* array;
    } counts[] = {
        {"stations", project->stationCount, project->stations},
        {"baselines", project->baselineCount, project->baselines},
        {"observations", project->observationCount, project->observations},
    };
    for (const auto& count : counts) {
        if (count.value < 0) return Report_Negative_Count(count.value, count.name);
        if (count.value > 0 && count.array == nullptr) return Report_Missing_Array(count.value, count.name);
    }
    return true;
}

// Observations name sources, and none can exist without an array.  The
// message names the stated count when there is one, else the first index
// that cannot be followed.
bool Check_Source_Array(const ProjectHeader* project) {
    if (project->observationCount == 0 || project->sources != nullptr) return true;
    if (project->sourceCount > 0)
        return Report_Missing_Array(project->sourceCount, "sources");
    return Report_Bad_Index("observation", 0, "fromSource",
                            Read_Field(Locate_Observation(project, 0), observation::fromSource),
                            project->sourceCount, "sources");
}

// An index field of a record, with its name for the message.
struct NamedIndex {
    const char* name;
    int32_t value;
};

// The ends of a baseline that an observation names are followed into the
// station array; baselines no observation names are never read.
bool Check_Baseline_Ends(const ProjectHeader* project, int32_t index) {
    const BaselineRef record = Locate_Baseline(project, index);
    const NamedIndex ends[] = {{"fromStation", Read_Field(record, baseline::fromStation)},
                               {"toStation", Read_Field(record, baseline::toStation)}};
    for (const NamedIndex& end : ends)
        if (end.value < 0 || end.value >= project->stationCount)
            return Report_Bad_Index("baseline", index, end.name, end.value, project->stationCount, "stations");
    return true;
}

}  // namespace

// A source index is only refused when negative: the host may leave
// sourceCount stale, so an index past it may still name a source that exists.
bool Check_Observation(const ProjectHeader* project, int32_t index) {
    const ObservationRef record = Locate_Observation(project, index);
    const int32_t baselineIndex = Read_Field(record, observation::baseline);
    if (baselineIndex < 0 || baselineIndex >= project->baselineCount)
        return Report_Bad_Index("observation", index, "baseline", baselineIndex, project->baselineCount,
                                "baselines");
    const NamedIndex sources[] = {{"fromSource", Read_Field(record, observation::fromSource)},
                                  {"toSource", Read_Field(record, observation::toSource)}};
    for (const NamedIndex& source : sources)
        if (source.value < 0)
            return Report_Bad_Index("observation", index, source.name, source.value, project->sourceCount,
                                    "sources");
    return Check_Baseline_Ends(project, baselineIndex);
}

bool Check_Project_Header(const ProjectHeader* project) {
    if (project == nullptr) {
        Set_Message("Error: no project header was passed");
        return false;
    }
    return Check_Counts(project) && Check_Source_Array(project);
}

bool Check_Project_For_Minimisation(const ProjectHeader* project) {
    if (!Check_Project_Header(project)) return false;
    for (int32_t i = 0; i < project->observationCount; ++i)
        if (!Check_Observation(project, i)) return false;
    return true;
}

}  // namespace min_lumo

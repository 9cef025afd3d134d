// A host project as records: what a project file says, record by record,
// with every reference already resolved to a zero-based index.  The host
// memory (host_memory.h) is laid out from this model and read back into it;
// the tool's reader, writer and validator and the shape generator all speak it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace min_lumo_kit {

struct ProjectSource {
    std::string name;  // the tool's own name for it; the host record has none
    int32_t ratioNumerator = 1;
    int32_t ratioDenominator = 1;
};

struct ProjectStation {
    std::string name;
    double latitude = 0.0;   // degrees
    double longitude = 0.0;  // degrees
    float height = 0.0F;     // metres above the ellipsoid
    int32_t positionFlagA = 1;
    int32_t positionFlagB = 0;
    int32_t positionFlagC = 0;
    int32_t treeControl = -1;
    int32_t treeLevel = -1;
};

using StationBlock = std::array<uint8_t, 16>;

struct ProjectBaseline {
    int32_t fromStation = -1;
    int32_t toStation = -1;
    StationBlock fromBlock{};
    StationBlock toBlock{};
    std::vector<int32_t> observations;  // the host's observationIndex list
    int32_t directionLevel = -1;
};

// A time on the project's axis, in seconds.  `text` keeps the ISO 8601 form
// when the file gave one, so that writing the project back keeps it.
struct ProjectTime {
    double seconds = 0.0;
    std::string text;
};

struct ProjectObservation {
    std::string label;
    std::string fromSourceName;
    std::string toSourceName;
    int32_t fromSource = 0;
    int32_t toSource = 0;
    int32_t baseline = -1;
    int32_t baselineSlot = 0;
    ProjectTime start;
    ProjectTime end;
    double timeSpan = 0.0;
    int32_t forced = 0;
    int32_t solutionStatus = 0;
    int32_t removed = 0;
};

struct ProjectControl {
    std::string name;
    int32_t inactive = 0;
};

struct Project {
    std::vector<ProjectSource> sources;
    std::vector<ProjectStation> stations;
    std::vector<ProjectBaseline> baselines;
    std::vector<ProjectObservation> observations;
    std::vector<ProjectControl> controls;
};

// An observation's label: this many whitespace-separated tokens, each of at
// most this many characters.
inline constexpr std::size_t labelTokenCount = 4;
inline constexpr std::size_t longestLabelToken = 11;

// The label of an observation that was given none: four tokens
// FROM SESSION TO N, each cut to the characters a token may hold.
std::string Default_Label(const std::string& fromStation, const std::string& session,
                          const std::string& toStation, int32_t occurrence);

// True when any observation time was given as ISO 8601 text: reports then
// show times in that form too.
bool Uses_Calendar_Times(const Project& project);

// "FROM–TO" for a baseline, with "?" for an index out of range.
std::string Baseline_Ends_Text(const Project& project, int32_t baseline);

}  // namespace min_lumo_kit

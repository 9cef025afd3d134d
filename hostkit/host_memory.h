// A host project laid out in memory exactly as the host lays it out: five
// arrays of records at their strides, every field at its offset, written and
// read through host/host_records.h only.  Bytes that no field covers hold a
// fill value: zero, as in a host's fresh records, or a pattern that lets
// tests prove they stay untouched.
//
// Records are added one at a time, either from the record model
// (project_model.h) or in the tests' shorthand, which fills in the rest;
// a whole model can be laid out at once and read back after a call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/host_records.h"
#include "hostkit/project_model.h"
#include "min_lumo.h"

namespace min_lumo_kit {

// Asks the system to back a large block with large pages where it can
// (Linux: transparent huge pages), so that writing it takes a fraction of
// the page faults; elsewhere, and for small blocks, nothing.
void Prefer_Large_Pages(void* memory, std::size_t bytes) noexcept;

// The structure sizes this version of the library accepts, ready to pass.
inline constexpr int32_t acceptedStructSizes[MIN_LUMO_STRUCT_SIZE_COUNT] = MIN_LUMO_STRUCT_SIZES;

// Shorthand for a station: the fields a test sets, everything else as given here.
struct StationFields {
    std::string name;
    double latitude = 0.0;   // degrees
    double longitude = 0.0;  // degrees
    float height = 0.0F;     // metres
    int32_t positionFlagA = 1;
    int32_t positionFlagB = 0;
    int32_t positionFlagC = 0;
    int32_t treeControl = 0;
    int32_t treeLevel = 0;
};

// Shorthand for an observation; it joins the list of its baseline when that
// baseline exists.
struct ObservationFields {
    int32_t baseline = 0;
    double startTime = 0.0;
    double endTime = 0.0;
    double timeSpan = -1.0;  // negative: endTime - startTime
    int32_t fromSource = 0;
    int32_t toSource = 0;
    int32_t forced = 0;
    int32_t solutionStatus = 0;
    int32_t removed = 0;
    std::string label = "P1 A1 P2 B1";
    std::string fromSourceName = "from";
    std::string toSourceName = "to";
};

// Header fields that differ from what the arrays hold: what a host may leave
// stale or broken in the parts of the header a job never reads.
struct HeaderEdits {
    std::optional<int32_t> sourceCount;
    std::optional<int32_t> controlCount;
    bool withoutControls = false;  // a null control array, whatever the count
};

class HostMemory {
public:
    // An empty project; `fill` is the value of every byte no field covers.
    explicit HostMemory(std::byte fill = std::byte{0xA5});
    // Every record of `project`, every byte no field covers zero.  The
    // project must have passed the tool's validation: a text too long for its
    // field or a list longer than a baseline holds throws std::logic_error.
    explicit HostMemory(const Project& project);

    // One record from the model, every field as given; returns its index.
    int32_t Append(const ProjectSource& source);
    int32_t Append(const ProjectStation& station);
    int32_t Append(const ProjectBaseline& baseline);
    int32_t Append(const ProjectObservation& observation);
    int32_t Append(const ProjectControl& control);

    // The tests' shorthand.  Texts are cut to fit their fields.
    int32_t Add_Source(int32_t ratioNumerator = 1, int32_t ratioDenominator = 1);
    int32_t Add_Station(const StationFields& fields);
    int32_t Add_Station(const std::string& name, double latitude = 0.0, double longitude = 0.0);
    // A baseline with an empty observation list (Add_Observation appends to
    // it), directionLevel 0, and both blocks left at the fill value.
    int32_t Add_Baseline(int32_t fromStation, int32_t toStation);
    int32_t Add_Observation(const ObservationFields& fields);
    int32_t Add_Control(const std::string& name, int32_t inactive = 0);

    // The header the host hands to the library, with `headerEdits` applied
    // (an empty array is handed as none); valid until the next record is
    // added or this object is copied or moved.
    ProjectHeader* Header();

    min_lumo::SourceRef Source(int32_t i) { return min_lumo::Locate_Source(Header(), i); }
    min_lumo::StationRef Station(int32_t i) { return min_lumo::Locate_Station(Header(), i); }
    min_lumo::BaselineRef Baseline(int32_t i) { return min_lumo::Locate_Baseline(Header(), i); }
    min_lumo::ObservationRef Observation(int32_t i) { return min_lumo::Locate_Observation(Header(), i); }
    min_lumo::ControlRef Control(int32_t i) { return min_lumo::Locate_Control(Header(), i); }

    // Copies every record field back into `project`, which holds as many
    // records of each kind as this memory.
    void Read_Back(Project& project) const;

    // Every host byte, the five arrays one after another.
    std::vector<std::byte> Snapshot() const;

    // How many records of kind K its array holds, whatever headerEdits say.
    template <min_lumo::RecordKind K> int32_t Count() const {
        using enum min_lumo::RecordKind;
        const std::vector<std::byte>& array = K == Source        ? sources
                                              : K == Station     ? stations
                                              : K == Baseline    ? baselines
                                              : K == Observation ? observations
                                                                 : controls;
        return static_cast<int32_t>(array.size() / static_cast<std::size_t>(min_lumo::RecordStride<K>));
    }

    std::vector<std::byte> sources, stations, baselines, observations, controls;
    HeaderEdits headerEdits;

private:
    std::byte fill_;
    ProjectHeader header_{};
};

// One byte that differs between two snapshots of the same project.
struct ByteChange {
    std::string array;  // "source", "station", ...
    int32_t record;
    int32_t offset;     // within the record
};

// The differences between two snapshots of `memory` (same record counts).
std::vector<ByteChange> Changed_Bytes(const HostMemory& memory, const std::vector<std::byte>& before,
                                      const std::vector<std::byte>& after);

}  // namespace min_lumo_kit

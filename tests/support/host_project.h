// A host project laid out in memory exactly as the host lays it out: five
// arrays of records at their strides, every field at its offset.  Bytes that
// no field covers hold a fill pattern, so tests can prove they stay untouched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/host_records.h"
#include "min_lumo.h"

namespace min_lumo_test {

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

// Header fields that differ from what the arrays hold: what a host may leave
// stale or broken in the parts of the header a job never reads.
struct HeaderEdits {
    std::optional<int32_t> sourceCount;
    std::optional<int32_t> controlCount;
    bool withoutControls = false;  // a null control array, whatever the count
};

class HostProject {
public:
    // `fill` is the value of every byte that no field covers.
    explicit HostProject(std::byte fill = std::byte{0xA5});

    int32_t Add_Source(int32_t ratioNumerator = 1, int32_t ratioDenominator = 1);
    int32_t Add_Station(const StationFields& fields);
    int32_t Add_Station(const std::string& name, double latitude = 0.0, double longitude = 0.0);
    // A baseline with an empty observation list; Add_Observation appends to it.
    int32_t Add_Baseline(int32_t fromStation, int32_t toStation);
    int32_t Add_Observation(const ObservationFields& fields);
    int32_t Add_Control(const std::string& name, int32_t inactive = 0);

    // The header the host hands to the library, with `headerEdits` applied;
    // valid until the next Add_.
    ProjectHeader* Header();

    min_lumo::SourceRef Source(int32_t i) { return min_lumo::Locate_Source(Header(), i); }
    min_lumo::StationRef Station(int32_t i) { return min_lumo::Locate_Station(Header(), i); }
    min_lumo::BaselineRef Baseline(int32_t i) { return min_lumo::Locate_Baseline(Header(), i); }
    min_lumo::ObservationRef Observation(int32_t i) { return min_lumo::Locate_Observation(Header(), i); }
    min_lumo::ControlRef Control(int32_t i) { return min_lumo::Locate_Control(Header(), i); }

    // Every host byte, the five arrays one after another.
    std::vector<std::byte> Snapshot() const;

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

// The differences between two snapshots of `project` (same record counts).
std::vector<ByteChange> Changed_Bytes(const HostProject& project, const std::vector<std::byte>& before,
                                      const std::vector<std::byte>& after);

// The accepted structure sizes, ready to pass.
extern const int32_t AcceptedSizes[MIN_LUMO_STRUCT_SIZE_COUNT];

}  // namespace min_lumo_test

#include "tests/support/host_project.h"

#include <algorithm>
#include <cstring>

namespace min_lumo_test {

using namespace min_lumo;

const int32_t AcceptedSizes[MIN_LUMO_STRUCT_SIZE_COUNT] = MIN_LUMO_STRUCT_SIZES;

namespace {
template <RecordKind K> Record<K> Append(std::vector<std::byte>& array, std::byte fill) {
    array.resize(array.size() + RecordStride<K>, fill);
    return {array.data() + array.size() - RecordStride<K>};
}
template <RecordKind K> void Put_Text(Record<K> record, TextField<K> field, const std::string& text) {
    const std::size_t length = std::min<std::size_t>(text.size(), static_cast<std::size_t>(field.capacity) - 1);
    std::memcpy(Text_Field(record, field), text.data(), length);
    Text_Field(record, field)[length] = '\0';
}
template <RecordKind K> int32_t Count(const std::vector<std::byte>& array) {
    return static_cast<int32_t>(array.size() / RecordStride<K>);
}
}  // namespace

HostProject::HostProject(std::byte fill) : fill_(fill) {}

int32_t HostProject::Add_Source(int32_t ratioNumerator, int32_t ratioDenominator) {
    SourceRef record = Append<RecordKind::Source>(sources, fill_);
    Write_Field(record, source::ratioNumerator, ratioNumerator);
    Write_Field(record, source::ratioDenominator, ratioDenominator);
    return Count<RecordKind::Source>(sources) - 1;
}

int32_t HostProject::Add_Station(const StationFields& fields) {
    StationRef record = Append<RecordKind::Station>(stations, fill_);
    Put_Text(record, station::name, fields.name);
    Write_Field(record, station::latitude, fields.latitude);
    Write_Field(record, station::longitude, fields.longitude);
    Write_Field(record, station::height, fields.height);
    Write_Field(record, station::positionFlagA, fields.positionFlagA);
    Write_Field(record, station::positionFlagB, fields.positionFlagB);
    Write_Field(record, station::positionFlagC, fields.positionFlagC);
    Write_Field(record, station::treeControl, fields.treeControl);
    Write_Field(record, station::treeLevel, fields.treeLevel);
    return Count<RecordKind::Station>(stations) - 1;
}

int32_t HostProject::Add_Station(const std::string& name, double latitude, double longitude) {
    StationFields fields;
    fields.name = name;
    fields.latitude = latitude;
    fields.longitude = longitude;
    return Add_Station(fields);
}

int32_t HostProject::Add_Baseline(int32_t fromStation, int32_t toStation) {
    BaselineRef record = Append<RecordKind::Baseline>(baselines, fill_);
    Write_Field(record, baseline::fromStation, fromStation);
    Write_Field(record, baseline::toStation, toStation);
    Write_Field(record, baseline::observationCount, 0);
    Write_Field(record, baseline::directionLevel, 0);
    return Count<RecordKind::Baseline>(baselines) - 1;
}

int32_t HostProject::Add_Observation(const ObservationFields& fields) {
    ObservationRef record = Append<RecordKind::Observation>(observations, fill_);
    const int32_t index = Count<RecordKind::Observation>(observations) - 1;
    Put_Text(record, observation::label, fields.label);
    Put_Text(record, observation::fromSourceName, fields.fromSourceName);
    Put_Text(record, observation::toSourceName, fields.toSourceName);
    Write_Field(record, observation::timeSpan,
                fields.timeSpan < 0.0 ? fields.endTime - fields.startTime : fields.timeSpan);
    Write_Field(record, observation::fromSource, fields.fromSource);
    Write_Field(record, observation::toSource, fields.toSource);
    Write_Field(record, observation::baseline, fields.baseline);
    Write_Field(record, observation::solutionStatus, fields.solutionStatus);
    Write_Field(record, observation::removed, fields.removed);
    Write_Field(record, observation::forced, fields.forced);
    Write_Field(record, observation::startTime, fields.startTime);
    Write_Field(record, observation::endTime, fields.endTime);
    // The observation joins its baseline's list, when that baseline exists.
    if (fields.baseline >= 0 && fields.baseline < Count<RecordKind::Baseline>(baselines)) {
        BaselineRef owner{baselines.data()
                          + static_cast<std::size_t>(fields.baseline) * RecordStride<RecordKind::Baseline>};
        const int32_t slot = Read_Field(owner, baseline::observationCount);
        Write_Field(record, observation::baselineSlot, slot);
        if (slot < baseline::observationIndexCapacity) {
            Write_Baseline_Observation(owner, slot, index);
            Write_Field(owner, baseline::observationCount, slot + 1);
        }
    }
    return index;
}

int32_t HostProject::Add_Control(const std::string& name, int32_t inactive) {
    ControlRef record = Append<RecordKind::Control>(controls, fill_);
    Put_Text(record, control::name, name);
    Write_Field(record, control::inactive, inactive);
    return Count<RecordKind::Control>(controls) - 1;
}

ProjectHeader* HostProject::Header() {
    header_.sourceCount = Count<RecordKind::Source>(sources);
    header_.sources = reinterpret_cast<SourceRecord*>(sources.data());
    header_.stationCount = Count<RecordKind::Station>(stations);
    header_.stations = reinterpret_cast<StationRecord*>(stations.data());
    header_.baselineCount = Count<RecordKind::Baseline>(baselines);
    header_.baselines = reinterpret_cast<BaselineRecord*>(baselines.data());
    header_.observationCount = Count<RecordKind::Observation>(observations);
    header_.observations = reinterpret_cast<ObservationRecord*>(observations.data());
    header_.controlCount = Count<RecordKind::Control>(controls);
    header_.controls = reinterpret_cast<ControlRecord*>(controls.data());
    if (headerEdits.sourceCount) header_.sourceCount = *headerEdits.sourceCount;
    if (headerEdits.controlCount) header_.controlCount = *headerEdits.controlCount;
    if (headerEdits.withoutControls) header_.controls = nullptr;
    return &header_;
}

std::vector<std::byte> HostProject::Snapshot() const {
    std::vector<std::byte> all;
    for (const auto* array : {&sources, &stations, &baselines, &observations, &controls})
        all.insert(all.end(), array->begin(), array->end());
    return all;
}

std::vector<ByteChange> Changed_Bytes(const HostProject& project, const std::vector<std::byte>& before,
                                      const std::vector<std::byte>& after) {
    struct ArrayInfo {
        const char* name;
        std::size_t size;
        int32_t stride;
    };
    const ArrayInfo arrays[] = {
        {"source", project.sources.size(), RecordStride<RecordKind::Source>},
        {"station", project.stations.size(), RecordStride<RecordKind::Station>},
        {"baseline", project.baselines.size(), RecordStride<RecordKind::Baseline>},
        {"observation", project.observations.size(), RecordStride<RecordKind::Observation>},
        {"control", project.controls.size(), RecordStride<RecordKind::Control>},
    };
    std::vector<ByteChange> changes;
    std::size_t start = 0;
    for (const ArrayInfo& array : arrays) {
        for (std::size_t i = 0; i < array.size && start + i < before.size() && start + i < after.size(); ++i) {
            if (before[start + i] != after[start + i])
                changes.push_back({array.name, static_cast<int32_t>(i / static_cast<std::size_t>(array.stride)),
                                   static_cast<int32_t>(i % static_cast<std::size_t>(array.stride))});
        }
        start += array.size;
    }
    return changes;
}

}  // namespace min_lumo_test

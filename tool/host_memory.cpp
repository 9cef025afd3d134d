#include "tool/host_memory.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "host/host_records.h"

namespace min_lumo_tool {

using namespace min_lumo;

namespace {

template <RecordKind K> Record<K> Record_At(const std::vector<std::byte>& array, std::size_t index) {
    return {const_cast<std::byte*>(array.data()) + index * static_cast<std::size_t>(RecordStride<K>)};
}

template <RecordKind K> void Put_Text(Record<K> record, TextField<K> field, const std::string& text) {
    if (text.size() >= static_cast<std::size_t>(field.capacity))
        throw std::logic_error("a text does not fit its host field; validate the project first");
    std::memcpy(Text_Field(record, field), text.data(), text.size());
    Text_Field(record, field)[text.size()] = '\0';
}

template <RecordKind K> std::string Get_Text(Record<K> record, TextField<K> field) {
    const char* text = Text_Field(record, field);
    const void* end = std::memchr(text, '\0', static_cast<std::size_t>(field.capacity));
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - text)
                       : static_cast<std::size_t>(field.capacity);
    return {text, length};
}

template <RecordKind K> void Put_Block(Record<K> record, BlockField<K> field, const StationBlock& block) {
    std::memcpy(Block_Field(record, field), block.data(), block.size());
}

template <RecordKind K> StationBlock Get_Block(Record<K> record, BlockField<K> field) {
    StationBlock block{};
    std::memcpy(block.data(), Block_Field(record, field), block.size());
    return block;
}

void Lay_Out_Source(SourceRef record, const ProjectSource& source) {
    Write_Field(record, source::ratioNumerator, source.ratioNumerator);
    Write_Field(record, source::ratioDenominator, source.ratioDenominator);
}

void Lay_Out_Station(StationRef record, const ProjectStation& station) {
    Put_Text(record, station::name, station.name);
    Write_Field(record, station::positionFlagA, station.positionFlagA);
    Write_Field(record, station::latitude, station.latitude);
    Write_Field(record, station::longitude, station.longitude);
    Write_Field(record, station::height, station.height);
    Write_Field(record, station::positionFlagB, station.positionFlagB);
    Write_Field(record, station::positionFlagC, station.positionFlagC);
    Write_Field(record, station::treeControl, station.treeControl);
    Write_Field(record, station::treeLevel, station.treeLevel);
}

void Lay_Out_Baseline(BaselineRef record, const ProjectBaseline& baseline) {
    if (baseline.observations.size() > static_cast<std::size_t>(baseline::observationIndexCapacity))
        throw std::logic_error("a baseline lists more observations than the host record holds");
    Put_Block(record, baseline::fromBlock, baseline.fromBlock);
    Put_Block(record, baseline::toBlock, baseline.toBlock);
    Write_Field(record, baseline::fromStation, baseline.fromStation);
    Write_Field(record, baseline::toStation, baseline.toStation);
    Write_Field(record, baseline::observationCount, static_cast<int32_t>(baseline.observations.size()));
    for (std::size_t slot = 0; slot < baseline.observations.size(); ++slot)
        Write_Baseline_Observation(record, static_cast<int32_t>(slot), baseline.observations[slot]);
    Write_Field(record, baseline::directionLevel, baseline.directionLevel);
}

void Lay_Out_Observation(ObservationRef record, const ProjectObservation& observation) {
    Put_Text(record, observation::label, observation.label);
    Put_Text(record, observation::fromSourceName, observation.fromSourceName);
    Put_Text(record, observation::toSourceName, observation.toSourceName);
    Write_Field(record, observation::timeSpan, observation.timeSpan);
    Write_Field(record, observation::fromSource, observation.fromSource);
    Write_Field(record, observation::toSource, observation.toSource);
    Write_Field(record, observation::baseline, observation.baseline);
    Write_Field(record, observation::baselineSlot, observation.baselineSlot);
    Write_Field(record, observation::solutionStatus, observation.solutionStatus);
    Write_Field(record, observation::removed, observation.removed);
    Write_Field(record, observation::forced, observation.forced);
    Write_Field(record, observation::startTime, observation.start.seconds);
    Write_Field(record, observation::endTime, observation.end.seconds);
}

void Lay_Out_Control(ControlRef record, const ProjectControl& control) {
    Put_Text(record, control::name, control.name);
    Write_Field(record, control::inactive, control.inactive);
}

void Read_Back_Station(StationRef record, ProjectStation& station) {
    station.name = Get_Text(record, station::name);
    station.positionFlagA = Read_Field(record, station::positionFlagA);
    station.latitude = Read_Field(record, station::latitude);
    station.longitude = Read_Field(record, station::longitude);
    station.height = Read_Field(record, station::height);
    station.positionFlagB = Read_Field(record, station::positionFlagB);
    station.positionFlagC = Read_Field(record, station::positionFlagC);
    station.treeControl = Read_Field(record, station::treeControl);
    station.treeLevel = Read_Field(record, station::treeLevel);
}

void Read_Back_Baseline(BaselineRef record, ProjectBaseline& baseline) {
    baseline.fromBlock = Get_Block(record, baseline::fromBlock);
    baseline.toBlock = Get_Block(record, baseline::toBlock);
    baseline.fromStation = Read_Field(record, baseline::fromStation);
    baseline.toStation = Read_Field(record, baseline::toStation);
    const int32_t count =
        std::clamp(Read_Field(record, baseline::observationCount), 0, baseline::observationIndexCapacity);
    baseline.observations.resize(static_cast<std::size_t>(count));
    for (int32_t slot = 0; slot < count; ++slot)
        baseline.observations[static_cast<std::size_t>(slot)] = Read_Baseline_Observation(record, slot);
    baseline.directionLevel = Read_Field(record, baseline::directionLevel);
}

// A time keeps its ISO text only while the value is the one the text gave.
void Read_Back_Time(double seconds, ProjectTime& time) {
    if (seconds != time.seconds) time.text.clear();
    time.seconds = seconds;
}

void Read_Back_Observation(ObservationRef record, ProjectObservation& observation) {
    observation.label = Get_Text(record, observation::label);
    observation.fromSourceName = Get_Text(record, observation::fromSourceName);
    observation.toSourceName = Get_Text(record, observation::toSourceName);
    observation.timeSpan = Read_Field(record, observation::timeSpan);
    observation.fromSource = Read_Field(record, observation::fromSource);
    observation.toSource = Read_Field(record, observation::toSource);
    observation.baseline = Read_Field(record, observation::baseline);
    observation.baselineSlot = Read_Field(record, observation::baselineSlot);
    observation.solutionStatus = Read_Field(record, observation::solutionStatus);
    observation.removed = Read_Field(record, observation::removed);
    observation.forced = Read_Field(record, observation::forced);
    Read_Back_Time(Read_Field(record, observation::startTime), observation.start);
    Read_Back_Time(Read_Field(record, observation::endTime), observation.end);
}

template <RecordKind K, typename Item, typename LayOut>
std::vector<std::byte> Lay_Out_Array(const std::vector<Item>& items, LayOut layOut) {
    std::vector<std::byte> array(items.size() * static_cast<std::size_t>(RecordStride<K>), std::byte{0});
    for (std::size_t i = 0; i < items.size(); ++i) layOut(Record_At<K>(array, i), items[i]);
    return array;
}

template <typename Pointer> Pointer* Array_Pointer(std::vector<std::byte>& array) {
    return array.empty() ? nullptr : reinterpret_cast<Pointer*>(array.data());
}

}  // namespace

HostMemory::HostMemory(const Project& project)
    : sources_(Lay_Out_Array<RecordKind::Source>(project.sources, Lay_Out_Source)),
      stations_(Lay_Out_Array<RecordKind::Station>(project.stations, Lay_Out_Station)),
      baselines_(Lay_Out_Array<RecordKind::Baseline>(project.baselines, Lay_Out_Baseline)),
      observations_(Lay_Out_Array<RecordKind::Observation>(project.observations, Lay_Out_Observation)),
      controls_(Lay_Out_Array<RecordKind::Control>(project.controls, Lay_Out_Control)) {
    header_.sourceCount = static_cast<int32_t>(project.sources.size());
    header_.sources = Array_Pointer<SourceRecord>(sources_);
    header_.stationCount = static_cast<int32_t>(project.stations.size());
    header_.stations = Array_Pointer<StationRecord>(stations_);
    header_.baselineCount = static_cast<int32_t>(project.baselines.size());
    header_.baselines = Array_Pointer<BaselineRecord>(baselines_);
    header_.observationCount = static_cast<int32_t>(project.observations.size());
    header_.observations = Array_Pointer<ObservationRecord>(observations_);
    header_.controlCount = static_cast<int32_t>(project.controls.size());
    header_.controls = Array_Pointer<ControlRecord>(controls_);
}

void HostMemory::Read_Back(Project& project) const {
    for (std::size_t i = 0; i < project.sources.size(); ++i) {
        const SourceRef record = Record_At<RecordKind::Source>(sources_, i);
        project.sources[i].ratioNumerator = Read_Field(record, source::ratioNumerator);
        project.sources[i].ratioDenominator = Read_Field(record, source::ratioDenominator);
    }
    for (std::size_t i = 0; i < project.stations.size(); ++i)
        Read_Back_Station(Record_At<RecordKind::Station>(stations_, i), project.stations[i]);
    for (std::size_t i = 0; i < project.baselines.size(); ++i)
        Read_Back_Baseline(Record_At<RecordKind::Baseline>(baselines_, i), project.baselines[i]);
    for (std::size_t i = 0; i < project.observations.size(); ++i)
        Read_Back_Observation(Record_At<RecordKind::Observation>(observations_, i), project.observations[i]);
    for (std::size_t i = 0; i < project.controls.size(); ++i) {
        const ControlRef record = Record_At<RecordKind::Control>(controls_, i);
        project.controls[i].name = Get_Text(record, control::name);
        project.controls[i].inactive = Read_Field(record, control::inactive);
    }
}

std::vector<std::byte> HostMemory::Snapshot() const {
    std::vector<std::byte> all;
    for (const auto* array : {&sources_, &stations_, &baselines_, &observations_, &controls_})
        all.insert(all.end(), array->begin(), array->end());
    return all;
}

}  // namespace min_lumo_tool

#include "hostkit/host_memory.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace min_lumo_kit {

using namespace min_lumo;

namespace {

template <RecordKind K> Record<K> Record_At(const std::vector<std::byte>& array, int32_t index) {
    return {const_cast<std::byte*>(array.data()) + static_cast<std::size_t>(index) * RecordStride<K>};
}

template <RecordKind K> Record<K> Append_Record(std::vector<std::byte>& array, std::byte fill) {
    array.resize(array.size() + RecordStride<K>, fill);
    return {array.data() + (array.size() - static_cast<std::size_t>(RecordStride<K>))};
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
    const std::size_t length = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - text)
                                              : static_cast<std::size_t>(field.capacity);
    return {text, length};
}

// The shorthand's texts: as much as fits before the terminator.
template <RecordKind K> std::string Fitted(const std::string& text, TextField<K> field) {
    return text.substr(0, static_cast<std::size_t>(field.capacity) - 1);
}

template <RecordKind K> void Put_Block(Record<K> record, BlockField<K> field, const StationBlock& block) {
    std::memcpy(Block_Field(record, field), block.data(), block.size());
}

template <RecordKind K> StationBlock Get_Block(Record<K> record, BlockField<K> field) {
    StationBlock block{};
    std::memcpy(block.data(), Block_Field(record, field), block.size());
    return block;
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

template <typename Pointer> Pointer* Array_Pointer(std::vector<std::byte>& array) {
    return array.empty() ? nullptr : reinterpret_cast<Pointer*>(array.data());
}

}  // namespace

void Prefer_Large_Pages(void* memory, std::size_t bytes) noexcept {
#if defined(__linux__)
    constexpr std::uintptr_t largePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t first = (start + largePage - 1) / largePage * largePage;
    const std::uintptr_t end = (start + bytes) / largePage * largePage;
    // A hint only: where it is refused, ordinary pages serve.
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)memory;
    (void)bytes;
#endif
}

HostMemory::HostMemory(std::byte fill) : fill_(fill) {}

HostMemory::HostMemory(const Project& project) : fill_(std::byte{0}) {
    // Each array at its final size at once: a large project's records take
    // hundreds of megabytes, which growing by appending would copy again
    // and again, and which large pages fill with far fewer page faults.
    const auto reserve = [](std::vector<std::byte>& array, std::size_t records, int32_t stride) {
        array.reserve(records * static_cast<std::size_t>(stride));
        Prefer_Large_Pages(array.data(), array.capacity());
    };
    reserve(sources, project.sources.size(), RecordStride<RecordKind::Source>);
    reserve(stations, project.stations.size(), RecordStride<RecordKind::Station>);
    reserve(baselines, project.baselines.size(), RecordStride<RecordKind::Baseline>);
    reserve(observations, project.observations.size(), RecordStride<RecordKind::Observation>);
    reserve(controls, project.controls.size(), RecordStride<RecordKind::Control>);
    for (const ProjectSource& source : project.sources) Append(source);
    for (const ProjectStation& station : project.stations) Append(station);
    for (const ProjectBaseline& baseline : project.baselines) Append(baseline);
    for (const ProjectObservation& observation : project.observations) Append(observation);
    for (const ProjectControl& control : project.controls) Append(control);
}

int32_t HostMemory::Append(const ProjectSource& source) {
    const SourceRef record = Append_Record<RecordKind::Source>(sources, fill_);
    Write_Field(record, source::ratioNumerator, source.ratioNumerator);
    Write_Field(record, source::ratioDenominator, source.ratioDenominator);
    return Count<RecordKind::Source>() - 1;
}

int32_t HostMemory::Append(const ProjectStation& station) {
    const StationRef record = Append_Record<RecordKind::Station>(stations, fill_);
    Put_Text(record, station::name, station.name);
    Write_Field(record, station::positionFlagA, station.positionFlagA);
    Write_Field(record, station::latitude, station.latitude);
    Write_Field(record, station::longitude, station.longitude);
    Write_Field(record, station::height, station.height);
    Write_Field(record, station::positionFlagB, station.positionFlagB);
    Write_Field(record, station::positionFlagC, station.positionFlagC);
    Write_Field(record, station::treeControl, station.treeControl);
    Write_Field(record, station::treeLevel, station.treeLevel);
    return Count<RecordKind::Station>() - 1;
}

int32_t HostMemory::Append(const ProjectBaseline& baseline) {
    if (baseline.observations.size() > static_cast<std::size_t>(baseline::observationIndexCapacity))
        throw std::logic_error("a baseline lists more observations than the host record holds");
    const BaselineRef record = Append_Record<RecordKind::Baseline>(baselines, fill_);
    Put_Block(record, baseline::fromBlock, baseline.fromBlock);
    Put_Block(record, baseline::toBlock, baseline.toBlock);
    Write_Field(record, baseline::fromStation, baseline.fromStation);
    Write_Field(record, baseline::toStation, baseline.toStation);
    Write_Field(record, baseline::observationCount, static_cast<int32_t>(baseline.observations.size()));
    for (std::size_t slot = 0; slot < baseline.observations.size(); ++slot)
        Write_Baseline_Observation(record, static_cast<int32_t>(slot), baseline.observations[slot]);
    Write_Field(record, baseline::directionLevel, baseline.directionLevel);
    return Count<RecordKind::Baseline>() - 1;
}

int32_t HostMemory::Append(const ProjectObservation& observation) {
    const ObservationRef record = Append_Record<RecordKind::Observation>(observations, fill_);
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
    return Count<RecordKind::Observation>() - 1;
}

int32_t HostMemory::Append(const ProjectControl& control) {
    const ControlRef record = Append_Record<RecordKind::Control>(controls, fill_);
    Put_Text(record, control::name, control.name);
    Write_Field(record, control::inactive, control.inactive);
    return Count<RecordKind::Control>() - 1;
}

int32_t HostMemory::Add_Source(int32_t ratioNumerator, int32_t ratioDenominator) {
    return Append(ProjectSource{.name = {}, .ratioNumerator = ratioNumerator, .ratioDenominator = ratioDenominator});
}

int32_t HostMemory::Add_Station(const StationFields& fields) {
    return Append(ProjectStation{.name = Fitted(fields.name, station::name),
                                 .latitude = fields.latitude,
                                 .longitude = fields.longitude,
                                 .height = fields.height,
                                 .positionFlagA = fields.positionFlagA,
                                 .positionFlagB = fields.positionFlagB,
                                 .positionFlagC = fields.positionFlagC,
                                 .treeControl = fields.treeControl,
                                 .treeLevel = fields.treeLevel});
}

int32_t HostMemory::Add_Station(const std::string& name, double latitude, double longitude) {
    return Add_Station(StationFields{.name = name, .latitude = latitude, .longitude = longitude});
}

int32_t HostMemory::Add_Baseline(int32_t fromStation, int32_t toStation) {
    StationBlock untouched;
    untouched.fill(std::to_integer<uint8_t>(fill_));
    return Append(ProjectBaseline{.fromStation = fromStation,
                                  .toStation = toStation,
                                  .fromBlock = untouched,
                                  .toBlock = untouched,
                                  .observations = {},
                                  .directionLevel = 0});
}

int32_t HostMemory::Add_Observation(const ObservationFields& fields) {
    const int32_t index = Count<RecordKind::Observation>();
    // The observation joins its baseline's list, when that baseline exists
    // and its list has room.
    int32_t slot = 0;
    if (fields.baseline >= 0 && fields.baseline < Count<RecordKind::Baseline>()) {
        const BaselineRef owner = Record_At<RecordKind::Baseline>(baselines, fields.baseline);
        slot = Read_Field(owner, baseline::observationCount);
        if (slot < baseline::observationIndexCapacity) {
            Write_Baseline_Observation(owner, slot, index);
            Write_Field(owner, baseline::observationCount, slot + 1);
        }
    }
    return Append(ProjectObservation{
        .label = Fitted(fields.label, observation::label),
        .fromSourceName = Fitted(fields.fromSourceName, observation::fromSourceName),
        .toSourceName = Fitted(fields.toSourceName, observation::toSourceName),
        .fromSource = fields.fromSource,
        .toSource = fields.toSource,
        .baseline = fields.baseline,
        .baselineSlot = slot,
        .start = {.seconds = fields.startTime, .text = {}},
        .end = {.seconds = fields.endTime, .text = {}},
        .timeSpan = fields.timeSpan < 0.0 ? fields.endTime - fields.startTime : fields.timeSpan,
        .forced = fields.forced,
        .solutionStatus = fields.solutionStatus,
        .removed = fields.removed});
}

int32_t HostMemory::Add_Control(const std::string& name, int32_t inactive) {
    return Append(ProjectControl{.name = Fitted(name, control::name), .inactive = inactive});
}

ProjectHeader* HostMemory::Header() {
    header_.sourceCount = Count<RecordKind::Source>();
    header_.sources = Array_Pointer<SourceRecord>(sources);
    header_.stationCount = Count<RecordKind::Station>();
    header_.stations = Array_Pointer<StationRecord>(stations);
    header_.baselineCount = Count<RecordKind::Baseline>();
    header_.baselines = Array_Pointer<BaselineRecord>(baselines);
    header_.observationCount = Count<RecordKind::Observation>();
    header_.observations = Array_Pointer<ObservationRecord>(observations);
    header_.controlCount = Count<RecordKind::Control>();
    header_.controls = Array_Pointer<ControlRecord>(controls);
    if (headerEdits.sourceCount) header_.sourceCount = *headerEdits.sourceCount;
    if (headerEdits.controlCount) header_.controlCount = *headerEdits.controlCount;
    if (headerEdits.withoutControls) header_.controls = nullptr;
    return &header_;
}

void HostMemory::Read_Back(Project& project) const {
    for (int32_t i = 0; i < Count<RecordKind::Source>(); ++i) {
        const SourceRef record = Record_At<RecordKind::Source>(sources, i);
        ProjectSource& source = project.sources[static_cast<std::size_t>(i)];
        source.ratioNumerator = Read_Field(record, source::ratioNumerator);
        source.ratioDenominator = Read_Field(record, source::ratioDenominator);
    }
    for (int32_t i = 0; i < Count<RecordKind::Station>(); ++i)
        Read_Back_Station(Record_At<RecordKind::Station>(stations, i), project.stations[static_cast<std::size_t>(i)]);
    for (int32_t i = 0; i < Count<RecordKind::Baseline>(); ++i)
        Read_Back_Baseline(Record_At<RecordKind::Baseline>(baselines, i),
                           project.baselines[static_cast<std::size_t>(i)]);
    for (int32_t i = 0; i < Count<RecordKind::Observation>(); ++i)
        Read_Back_Observation(Record_At<RecordKind::Observation>(observations, i),
                              project.observations[static_cast<std::size_t>(i)]);
    for (int32_t i = 0; i < Count<RecordKind::Control>(); ++i) {
        const ControlRef record = Record_At<RecordKind::Control>(controls, i);
        ProjectControl& control = project.controls[static_cast<std::size_t>(i)];
        control.name = Get_Text(record, control::name);
        control.inactive = Read_Field(record, control::inactive);
    }
}

std::vector<std::byte> HostMemory::Snapshot() const {
    std::vector<std::byte> all;
    for (const auto* array : {&sources, &stations, &baselines, &observations, &controls})
        all.insert(all.end(), array->begin(), array->end());
    return all;
}

std::vector<ByteChange> Changed_Bytes(const HostMemory& memory, const std::vector<std::byte>& before,
                                      const std::vector<std::byte>& after) {
    struct ArrayInfo {
        const char* name;
        std::size_t size;
        int32_t stride;
    };
    const ArrayInfo arrays[] = {
        {"source", memory.sources.size(), RecordStride<RecordKind::Source>},
        {"station", memory.stations.size(), RecordStride<RecordKind::Station>},
        {"baseline", memory.baselines.size(), RecordStride<RecordKind::Baseline>},
        {"observation", memory.observations.size(), RecordStride<RecordKind::Observation>},
        {"control", memory.controls.size(), RecordStride<RecordKind::Control>},
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

}  // namespace min_lumo_kit

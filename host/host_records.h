// Locating host records and reading or writing their fields.  Every access to
// host memory goes through these few operations; they know nothing but the
// layout table in host_layout.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/host_layout.h"
#include "min_lumo.h"

namespace min_lumo {

static_assert(sizeof(int32_t) == 4 && sizeof(double) == 8 && sizeof(float) == 4);
#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(ProjectHeader) == 40, "the host hands a 40-byte header on 32-bit x86");
static_assert(offsetof(ProjectHeader, sources) == 4);
static_assert(offsetof(ProjectHeader, stationCount) == 8);
static_assert(offsetof(ProjectHeader, stations) == 12);
static_assert(offsetof(ProjectHeader, baselineCount) == 16);
static_assert(offsetof(ProjectHeader, baselines) == 20);
static_assert(offsetof(ProjectHeader, observationCount) == 24);
static_assert(offsetof(ProjectHeader, observations) == 28);
static_assert(offsetof(ProjectHeader, controlCount) == 32);
static_assert(offsetof(ProjectHeader, controls) == 36);
#endif

// One host record of a kind: the address of its first byte.
template <RecordKind Kind> struct Record {
    std::byte* bytes;
};
using SourceRef = Record<RecordKind::Source>;
using StationRef = Record<RecordKind::Station>;
using BaselineRef = Record<RecordKind::Baseline>;
using ObservationRef = Record<RecordKind::Observation>;
using ControlRef = Record<RecordKind::Control>;

template <RecordKind Kind> std::byte* Array_Base(const ProjectHeader* project) {
    if constexpr (Kind == RecordKind::Source) return reinterpret_cast<std::byte*>(project->sources);
    if constexpr (Kind == RecordKind::Station) return reinterpret_cast<std::byte*>(project->stations);
    if constexpr (Kind == RecordKind::Baseline) return reinterpret_cast<std::byte*>(project->baselines);
    if constexpr (Kind == RecordKind::Observation)
        return reinterpret_cast<std::byte*>(project->observations);
    if constexpr (Kind == RecordKind::Control) return reinterpret_cast<std::byte*>(project->controls);
}

// The record at a zero-based index: array base plus index times stride.  The
// index is not compared with the count.
template <RecordKind Kind> Record<Kind> Locate_Record(const ProjectHeader* project, int32_t index) {
    return {Array_Base<Kind>(project) + static_cast<std::ptrdiff_t>(index) * RecordStride<Kind>};
}
inline SourceRef Locate_Source(const ProjectHeader* p, int32_t i) {
    return Locate_Record<RecordKind::Source>(p, i);
}
inline StationRef Locate_Station(const ProjectHeader* p, int32_t i) {
    return Locate_Record<RecordKind::Station>(p, i);
}
inline BaselineRef Locate_Baseline(const ProjectHeader* p, int32_t i) {
    return Locate_Record<RecordKind::Baseline>(p, i);
}
inline ObservationRef Locate_Observation(const ProjectHeader* p, int32_t i) {
    return Locate_Record<RecordKind::Observation>(p, i);
}
inline ControlRef Locate_Control(const ProjectHeader* p, int32_t i) {
    return Locate_Record<RecordKind::Control>(p, i);
}

// A scalar field at its offset, moved with memcpy: offsets do not follow
// natural alignment.  A value is written in the field's own type.
template <RecordKind K, typename Value> Value Read_Field(Record<K> record, ScalarField<K, Value> field) {
    Value value;
    std::memcpy(&value, record.bytes + field.offset, sizeof value);
    return value;
}
template <RecordKind K, typename Value>
void Write_Field(Record<K> record, ScalarField<K, Value> field, std::type_identity_t<Value> value) {
    std::memcpy(record.bytes + field.offset, &value, sizeof value);
}
// A text field in place; `capacity` bytes are available at the address.
template <RecordKind K> char* Text_Field(Record<K> record, TextField<K> field) {
    return reinterpret_cast<char*>(record.bytes + field.offset);
}
// A raw block in place; `width` bytes are available at the address.
template <RecordKind K> std::byte* Block_Field(Record<K> record, BlockField<K> field) {
    return record.bytes + field.offset;
}

// Entry `slot` of a baseline's observationIndex list.
inline int32_t Read_Baseline_Observation(BaselineRef record, int32_t slot) {
    int32_t value;
    std::memcpy(&value,
                record.bytes + baseline::observationIndexOffset
                    + static_cast<std::ptrdiff_t>(slot) * int32_t{sizeof value},
                sizeof value);
    return value;
}
inline void Write_Baseline_Observation(BaselineRef record, int32_t slot, int32_t value) {
    std::memcpy(record.bytes + baseline::observationIndexOffset
                    + static_cast<std::ptrdiff_t>(slot) * int32_t{sizeof value},
                &value, sizeof value);
}

}  // namespace min_lumo

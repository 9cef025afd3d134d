// The byte layout of the host's records: the one place that knows strides,
// offsets and widths.  The host shares these records with us in its own
// memory, so every number here is binding.  Offsets are bytes from the start
// of a record and do not follow natural alignment (a station's latitude sits
// at 5172), so fields are always moved with memcpy, never through a cast.
#pragma once

#include <cstdint>

namespace min_lumo {

enum class RecordKind { Source, Station, Baseline, Observation, Control };

// Distance in bytes between consecutive records of each kind.
template <RecordKind Kind> inline constexpr int32_t RecordStride = 0;
template <> inline constexpr int32_t RecordStride<RecordKind::Source> = 2708;
template <> inline constexpr int32_t RecordStride<RecordKind::Station> = 13640;
template <> inline constexpr int32_t RecordStride<RecordKind::Baseline> = 1584;
template <> inline constexpr int32_t RecordStride<RecordKind::Observation> = 2680;
template <> inline constexpr int32_t RecordStride<RecordKind::Control> = 84;

// Field descriptors.  The record kind is part of the type, so a field can only
// be used on a record of its own kind; a scalar field's value type is too.
template <RecordKind Kind, typename Value> struct ScalarField { int32_t offset; };
template <RecordKind Kind> using I32Field = ScalarField<Kind, int32_t>;
template <RecordKind Kind> using F64Field = ScalarField<Kind, double>;
template <RecordKind Kind> using F32Field = ScalarField<Kind, float>;
// A NUL-terminated text that the host guarantees ends within `capacity` bytes.
template <RecordKind Kind> struct TextField { int32_t offset; int32_t capacity; };
// Raw bytes that the library only moves or clears.
template <RecordKind Kind> struct BlockField { int32_t offset; int32_t width; };

namespace source {
inline constexpr I32Field<RecordKind::Source> ratioDenominator{420};
inline constexpr I32Field<RecordKind::Source> ratioNumerator{424};
}  // namespace source

namespace station {
// The name runs from 0 and ends before positionFlagA; the host guarantees its
// terminator lies inside that stretch.
inline constexpr TextField<RecordKind::Station> name{0, 5168};
inline constexpr I32Field<RecordKind::Station> positionFlagA{5168};
inline constexpr F64Field<RecordKind::Station> latitude{5172};   // degrees
inline constexpr F64Field<RecordKind::Station> longitude{5180};  // degrees
inline constexpr F32Field<RecordKind::Station> height{5188};     // metres above the ellipsoid
inline constexpr I32Field<RecordKind::Station> positionFlagB{5192};
inline constexpr I32Field<RecordKind::Station> positionFlagC{5280};
inline constexpr I32Field<RecordKind::Station> treeControl{5436};
inline constexpr I32Field<RecordKind::Station> treeLevel{5440};
}  // namespace station

namespace baseline {
inline constexpr BlockField<RecordKind::Baseline> fromBlock{0, 16};
inline constexpr BlockField<RecordKind::Baseline> toBlock{32, 16};
inline constexpr I32Field<RecordKind::Baseline> fromStation{64};
inline constexpr I32Field<RecordKind::Baseline> toStation{68};
inline constexpr I32Field<RecordKind::Baseline> observationCount{72};
inline constexpr int32_t observationIndexOffset = 76;
// Room between the list and directionLevel: at most this many entries.
inline constexpr int32_t observationIndexCapacity = 259;
inline constexpr I32Field<RecordKind::Baseline> directionLevel{1112};
inline constexpr BlockField<RecordKind::Baseline> solution{1116, 468};
}  // namespace baseline

namespace observation {
inline constexpr TextField<RecordKind::Observation> label{0, 32};
inline constexpr TextField<RecordKind::Observation> fromSourceName{32, 256};
inline constexpr TextField<RecordKind::Observation> toSourceName{288, 256};
inline constexpr F64Field<RecordKind::Observation> timeSpan{544};
inline constexpr I32Field<RecordKind::Observation> fromSource{552};
inline constexpr I32Field<RecordKind::Observation> toSource{556};
inline constexpr I32Field<RecordKind::Observation> baseline{560};
inline constexpr I32Field<RecordKind::Observation> baselineSlot{564};
inline constexpr BlockField<RecordKind::Observation> solution{2188, 468};
// The first word of the solution block.
inline constexpr I32Field<RecordKind::Observation> solutionStatus{2188};
// The host's solutionStatus of an observation taken out of processing; the
// library writes it with each rejection, so later calls see it Excluded.
inline constexpr int32_t excludedSolutionStatus = -1;
inline constexpr I32Field<RecordKind::Observation> removed{2656};
inline constexpr I32Field<RecordKind::Observation> forced{2660};
inline constexpr F64Field<RecordKind::Observation> startTime{2664};
inline constexpr F64Field<RecordKind::Observation> endTime{2672};
}  // namespace observation

namespace control {
inline constexpr TextField<RecordKind::Control> name{0, 16};
inline constexpr I32Field<RecordKind::Control> inactive{16};
}  // namespace control

// ---- Layout checks: every field lies inside its record, and neighbours do
// ---- not overlap.
template <RecordKind K> constexpr bool Fits(int32_t offset, int32_t width) {
    return offset >= 0 && width > 0 && offset + width <= RecordStride<K>;
}
static_assert(Fits<RecordKind::Source>(source::ratioNumerator.offset, 4));
static_assert(source::ratioDenominator.offset + 4 == source::ratioNumerator.offset);
static_assert(station::positionFlagA.offset == station::name.capacity);
static_assert(station::latitude.offset == station::positionFlagA.offset + 4);
static_assert(station::latitude.offset % 8 != 0, "latitude is deliberately unaligned");
static_assert(station::longitude.offset == station::latitude.offset + 8);
static_assert(station::height.offset == station::longitude.offset + 8);
static_assert(station::positionFlagB.offset == station::height.offset + 4);
static_assert(station::treeLevel.offset == station::treeControl.offset + 4);
static_assert(Fits<RecordKind::Station>(station::treeLevel.offset, 4));
static_assert(baseline::toBlock.offset == baseline::fromBlock.offset + 32);
static_assert(baseline::observationIndexOffset + 4 * baseline::observationIndexCapacity
                  <= baseline::directionLevel.offset);
static_assert(baseline::observationIndexOffset + 4 * (baseline::observationIndexCapacity + 1)
                  > baseline::directionLevel.offset);
static_assert(baseline::solution.offset == baseline::directionLevel.offset + 4);
static_assert(baseline::solution.offset + baseline::solution.width
                  == RecordStride<RecordKind::Baseline>,
              "the baseline solution runs to the end of the record");
static_assert(observation::fromSourceName.offset == observation::label.capacity);
static_assert(observation::toSourceName.offset
                  == observation::fromSourceName.offset + observation::fromSourceName.capacity);
static_assert(observation::timeSpan.offset
                  == observation::toSourceName.offset + observation::toSourceName.capacity);
static_assert(observation::solution.offset + observation::solution.width
                  == observation::removed.offset,
              "the observation solution ends where removed begins");
static_assert(observation::solutionStatus.offset == observation::solution.offset);
static_assert(observation::endTime.offset + 8 == RecordStride<RecordKind::Observation>,
              "endTime is the last field of an observation");
static_assert(control::inactive.offset == control::name.capacity);
static_assert(Fits<RecordKind::Control>(control::inactive.offset, 4));

}  // namespace min_lumo

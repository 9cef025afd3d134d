#include "tests/reference/orient/reverse_baseline.h"

#include <cstring>

#include "host/host_records.h"
#include "tests/reference/orient/baseline_observations.h"
#include "tests/reference/orient/exchange_source_names.h"
#include "tests/reference/orient/reverse_label.h"
#include "tests/reference/orient/sound_alarm.h"
#include "tests/reference/orient/station_tree.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

constexpr int32_t EndBlockWidth = baseline::fromBlock.width;
static_assert(baseline::toBlock.width == EndBlockWidth);

void Clear_Block(std::byte* block, int32_t width) {
    std::memset(block, 0, static_cast<std::size_t>(width));
}

// A reversal invalidates the positions derived for both ends.  Both B flags
// go first, then both C flags.
void Clear_Position_Flags(const ProjectHeader* project, int32_t fromStation, int32_t toStation) {
    Write_Field(Locate_Station(project, fromStation), station::positionFlagB, 0);
    Write_Field(Locate_Station(project, toStation), station::positionFlagB, 0);
    Write_Field(Locate_Station(project, fromStation), station::positionFlagC, 0);
    Write_Field(Locate_Station(project, toStation), station::positionFlagC, 0);
}

void Reverse_Observation(ObservationRef observation, int32_t slot) {
    Exchange_Source_Names(observation);
    (void)Reverse_Label(Text_Field(observation, observation::label), observation::label.capacity);
    const int32_t fromSource = Read_Field(observation, observation::fromSource);
    Write_Field(observation, observation::fromSource, Read_Field(observation, observation::toSource));
    Write_Field(observation, observation::toSource, fromSource);
    Clear_Block(Block_Field(observation, observation::solution), observation::solution.width);
    Write_Field(observation, observation::baselineSlot, slot);
}

void Reverse_Observations(const ProjectHeader* project, BaselineRef record) {
    const int32_t count = Listed_Observation_Count(record);
    for (int32_t slot = 0; slot < count; ++slot) {
        const int32_t index = Listed_Observation(project, record, slot);
        if (index != NotAnObservation) Reverse_Observation(Locate_Observation(project, index), slot);
    }
}

// Only the two 16-byte blocks trade places; the bytes between and after them
// stay where they are.
void Exchange_End_Blocks(BaselineRef record) {
    std::byte held[EndBlockWidth];
    std::byte* fromBlock = Block_Field(record, baseline::fromBlock);
    std::byte* toBlock = Block_Field(record, baseline::toBlock);
    std::memcpy(held, fromBlock, sizeof held);
    std::memcpy(fromBlock, toBlock, sizeof held);
    std::memcpy(toBlock, held, sizeof held);
}

}  // namespace

void Reverse_Baseline(const ProjectHeader* project, int32_t baselineIndex) {
    const BaselineRef record = Locate_Baseline(project, baselineIndex);
    const int32_t fromStation = Read_Field(record, baseline::fromStation);
    const int32_t toStation = Read_Field(record, baseline::toStation);
    if (fromStation < 0 || toStation < 0) {
        Sound_Alarm();
        return;
    }
    // Past the station array: nothing to reverse through, and no alarm, which
    // the host knows for negative indices only.
    if (!Names_A_Station(project, fromStation) || !Names_A_Station(project, toStation)) return;
    Clear_Position_Flags(project, fromStation, toStation);
    Reverse_Observations(project, record);
    Exchange_End_Blocks(record);
    Write_Field(record, baseline::fromStation, toStation);
    Write_Field(record, baseline::toStation, fromStation);
    Clear_Block(Block_Field(record, baseline::solution), baseline::solution.width);
}

}  // namespace min_lumo_reference

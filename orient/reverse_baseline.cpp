// Baseline reversal: a baseline and each of its observations turned end for
// end in the host's records, in place.  The two stations, their 16-byte
// blocks, each observation's sources, source names and label tokens trade
// places; the result blocks are cleared and both stations' derived position
// flags dropped.
#include "orient/reverse_baseline.h"

#include <cstring>

#include "host/host_records.h"
#include "orient/orientation_records.h"

#ifdef _WIN32
#include <windows.h>
#else
// Resolved from the host process when it defines it; absent otherwise.
extern "C" __attribute__((weak, visibility("default"))) int MessageBeep(unsigned int type);
#endif

namespace min_lumo {

namespace {

// ---- The alarm for a negative station index ----

// Windows: MessageBeep(MB_OK), result ignored.  Elsewhere: the host
// process's MessageBeep(0) if it provides one, so tests can observe it.
void Sound_Alarm() {
#ifdef _WIN32
    (void)MessageBeep(MB_OK);
#else
    if (MessageBeep != nullptr) (void)MessageBeep(0);
#endif
}

// ---- The label: four tokens, the first and third trading places ----

constexpr int32_t LabelTokenCount = 4;
// Longest token the label format allows, and its buffer with the terminator.
constexpr int32_t LabelTokenMaxLength = 11;
constexpr int32_t LabelTokenCapacity = LabelTokenMaxLength + 1;

struct LabelTokens {
    char text[LabelTokenCount][LabelTokenCapacity];
    int32_t length[LabelTokenCount];
};

// The white space of the "C" locale; bytes outside ASCII are never space.
bool Is_Label_Space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Index of the first byte at or after `at` that is not white space, or the
// position of the text's end.
int32_t Skip_Space(const char* label, int32_t capacity, int32_t at) {
    while (at < capacity && label[at] != '\0' && Is_Label_Space(label[at])) ++at;
    return at;
}

// Index just past the token that starts at `start`.
int32_t Token_End(const char* label, int32_t capacity, int32_t start) {
    int32_t at = start;
    while (at < capacity && label[at] != '\0' && !Is_Label_Space(label[at])) ++at;
    return at;
}

// The order in which the tokens are written back: 3, 2, 1, 4.
constexpr int32_t ReversedTokenOrder[LabelTokenCount] = {2, 1, 0, 3};

// Reads the first four tokens the way "%s %s %s %s" scanning does: any run
// of white space (space, \t, \n, \v, \f, \r) before and between tokens is
// skipped, a token runs to the next white space or the end of the text.  The
// text ends at its first NUL or after `capacity` bytes, whichever comes
// first; nothing beyond is read.  False, with `tokens` partly filled, when
// fewer than four tokens are present or one of them is longer than
// LabelTokenMaxLength.
bool Scan_Label_Tokens(const char* label, int32_t capacity, LabelTokens& tokens) {
    int32_t at = 0;
    for (int32_t t = 0; t < LabelTokenCount; ++t) {
        const int32_t start = Skip_Space(label, capacity, at);
        at = Token_End(label, capacity, start);
        const int32_t length = at - start;
        if (length == 0 || length > LabelTokenMaxLength) return false;
        std::memcpy(tokens.text[t], label + start, static_cast<std::size_t>(length));
        tokens.text[t][length] = '\0';
        tokens.length[t] = length;
    }
    return true;
}

// Rewrites the label as tokens 3, 2, 1, 4 joined by single spaces and a
// terminator; what followed the fourth token is dropped and the bytes after
// the new terminator keep their values.  A label outside the format, or one
// whose rewrite would not fit in `capacity` bytes, is left unchanged.
bool Reverse_Label(char* label, int32_t capacity) {
    LabelTokens tokens;
    if (!Scan_Label_Tokens(label, capacity, tokens)) return false;
    // Four tokens and three single spaces.  Within a terminated label this
    // never exceeds the old text; only an unterminated field could make it
    // too long for the terminator.
    int32_t written = LabelTokenCount - 1;
    for (const int32_t length : tokens.length) written += length;
    if (written >= capacity) return false;

    int32_t at = 0;
    for (int32_t t = 0; t < LabelTokenCount; ++t) {
        if (t > 0) label[at++] = ' ';
        const int32_t from = ReversedTokenOrder[t];
        std::memcpy(label + at, tokens.text[from], static_cast<std::size_t>(tokens.length[from]));
        at += tokens.length[from];
    }
    label[at] = '\0';
    return true;
}

// ---- The source names ----

constexpr int32_t SourceNameCapacity = observation::fromSourceName.capacity;
static_assert(observation::toSourceName.capacity == SourceNameCapacity);

// A NUL-terminated copy that reads and writes at most `capacity` bytes.
void Copy_Text(char* target, const char* text, int32_t capacity) {
    const void* end = std::memchr(text, '\0', static_cast<std::size_t>(capacity));
    const std::size_t length =
        end == nullptr ? static_cast<std::size_t>(capacity)
                       : static_cast<std::size_t>(static_cast<const char*>(end) - text) + 1;
    std::memcpy(target, text, length);
}

// Exchanges the texts of fromSourceName and toSourceName through a buffer of
// one field's size.  Each copy moves a text and its terminator only, so the
// bytes after a field's new terminator keep their old values.  A text with
// no terminator inside its field is moved as the whole field.
void Exchange_Source_Names(ObservationRef observation) {
    char buffer[SourceNameCapacity] = {};
    char* fromName = Text_Field(observation, observation::fromSourceName);
    char* toName = Text_Field(observation, observation::toSourceName);
    Copy_Text(buffer, fromName, SourceNameCapacity);
    Copy_Text(fromName, toName, SourceNameCapacity);
    Copy_Text(toName, buffer, SourceNameCapacity);
}

// ---- The baseline and its observations ----

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

}  // namespace min_lumo

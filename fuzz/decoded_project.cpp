#include "fuzz/decoded_project.h"

#include <cstring>
#include <limits>
#include <string>

#include "host/host_records.h"

namespace min_lumo_fuzz {

namespace {

using namespace min_lumo;

// Small projects: enough for several time-networks, reversals and sweeps,
// small enough that every input runs in well under a millisecond.
constexpr int32_t MostRecords[ArrayKindCount] = {4, 6, 7, 12, 3};
constexpr int32_t Strides[ArrayKindCount] = {
    RecordStride<RecordKind::Source>, RecordStride<RecordKind::Station>, RecordStride<RecordKind::Baseline>,
    RecordStride<RecordKind::Observation>, RecordStride<RecordKind::Control>};
constexpr int32_t Int32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t Int32Max = std::numeric_limits<int32_t>::max();

// Names that exercise the case-insensitive match: ASCII case pairs, a byte
// outside ASCII in both cases of Latin-1, the longest control name and one
// byte more.
const char* const NamePool[] = {"BASE", "base", "KAPF", "Kapf", "TURM", "\xC4RZ", "\xE4RZ", "A",
                                "a",    "",     "CONTROL_NAME_15", "CONTROL_NAME_16X"};
constexpr int32_t NamePoolSize = static_cast<int32_t>(sizeof NamePool / sizeof NamePool[0]);

int32_t Interesting_Int(FuzzInput& input) {
    const int32_t table[] = {0, 1, -1, 2, 7, 10, 259, 260, Int32Min, Int32Max, Int32Min + 1, -2};
    const int32_t choice = input.Below(14);
    if (choice < 12) return table[choice];
    return input.Int32();
}

// Mostly a valid index below `count`; otherwise just outside, far outside or
// anything at all.
int32_t Index_Into(FuzzInput& input, int32_t count) {
    const uint8_t choice = input.Byte();
    if (choice < 232 && count > 0) return choice % count;
    switch (choice % 6) {
    case 0: return -1;
    case 1: return count;
    case 2: return count + 1;
    case 3: return Int32Min;
    case 4: return Int32Max;
    default: return input.Int32();
    }
}

double Interesting_Double(FuzzInput& input) {
    const double table[] = {0.0,
                            -0.0,
                            1.0,
                            -1.0,
                            1e9,
                            -1e9,
                            std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::max(),
                            -std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::denorm_min(),
                            1e300,
                            2147483648.0 * 900.0};
    constexpr int32_t tableSize = static_cast<int32_t>(sizeof table / sizeof table[0]);
    const int32_t choice = input.Below(tableSize + 1);
    if (choice < tableSize) return table[choice];
    return input.Raw_Double();
}

// A start time and an end time: mostly ordinary seconds on a shared axis so
// that networks overlap, sometimes anything.
void Decode_Times(FuzzInput& input, double& start, double& end) {
    const uint8_t choice = input.Byte();
    if (choice < 200) {
        start = static_cast<double>(input.Byte()) * 600.0;
        end = start + static_cast<double>(input.Byte()) * 120.0;
        return;
    }
    start = choice % 2 == 0 ? Interesting_Double(input) : static_cast<double>(input.Byte()) * 600.0;
    end = choice % 3 == 0 ? start + Interesting_Double(input) : Interesting_Double(input);
}

// A text in its field: usually terminated, sometimes filling the whole field
// without a terminator.
void Write_Text(FuzzInput& input, char* field, int32_t capacity, const std::string& text) {
    const auto room = static_cast<std::size_t>(capacity);
    if (input.Chance(8)) {
        std::memset(field, 'X', room);
        std::memcpy(field, text.data(), text.size() < room ? text.size() : room);
        return;
    }
    const std::size_t length = text.size() < room ? text.size() : room - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

std::string Pool_Name(FuzzInput& input) { return NamePool[input.Below(NamePoolSize)]; }

// Raw bytes from the input, NULs and bytes outside ASCII included.
std::string Raw_Text(FuzzInput& input, int32_t longest) {
    std::string text;
    const int32_t length = input.Below(longest + 1);
    for (int32_t i = 0; i < length; ++i) text.push_back(static_cast<char>(input.Byte()));
    return text;
}

// Mostly four tokens of at most eleven characters; sometimes fewer or more
// tokens, longer tokens, other white space.
std::string Label_Text(FuzzInput& input) {
    if (input.Chance(16)) return Raw_Text(input, 40);
    const char* const separators[] = {" ", " ", " ", "\t", "  ", "\n", "\v\f\r"};
    const int32_t tokens = input.Chance(32) ? input.Below(7) : 4;
    std::string text = input.Chance(16) ? " " : "";
    for (int32_t t = 0; t < tokens; ++t) {
        if (t > 0) text += separators[input.Below(7)];
        const int32_t length = input.Chance(24) ? 1 + input.Below(14) : 1 + input.Below(4);
        for (int32_t i = 0; i < length; ++i) text.push_back(static_cast<char>('A' + (t * 5 + i) % 26));
    }
    return text;
}

std::string Name_Text(FuzzInput& input) { return input.Chance(24) ? Raw_Text(input, 24) : Pool_Name(input); }

void Decode_Source(FuzzInput& input, SourceRef record) {
    const bool ordinary = !input.Chance(40);
    Write_Field(record, source::ratioNumerator, ordinary ? 1 + input.Below(12) : Interesting_Int(input));
    Write_Field(record, source::ratioDenominator, ordinary ? 1 + input.Below(12) : Interesting_Int(input));
}

void Decode_Station(FuzzInput& input, StationRef record) {
    Write_Text(input, Text_Field(record, station::name), station::name.capacity, Name_Text(input));
    const uint8_t flags = input.Byte();
    Write_Field(record, station::positionFlagA, flags & 1 ? 0 : 1);
    Write_Field(record, station::positionFlagB, flags & 2 ? Interesting_Int(input) : 0);
    Write_Field(record, station::positionFlagC, flags & 4 ? Interesting_Int(input) : 0);
    const bool ordinary = !input.Chance(40);
    Write_Field(record, station::latitude, ordinary ? 47.0 + input.Byte() / 1000.0 : Interesting_Double(input));
    Write_Field(record, station::longitude, ordinary ? 8.0 + input.Byte() / 1000.0 : Interesting_Double(input));
    Write_Field(record, station::height,
                ordinary ? 400.0F + static_cast<float>(input.Byte()) : static_cast<float>(Interesting_Double(input)));
    Write_Field(record, station::treeControl, Interesting_Int(input));
    Write_Field(record, station::treeLevel, Interesting_Int(input));
}

// A source index inside the source array, or a negative one.  The library
// cannot know the array's length (the host may leave sourceCount stale), so
// an index past the array is a broken promise it has no way to catch.
int32_t Source_Index(FuzzInput& input, int32_t count) {
    const int32_t index = Index_Into(input, count);
    return index >= count ? -1 - (index % 7) : index;
}

void Decode_Observation(FuzzInput& input, const DecodedProject& project, ObservationRef record) {
    Write_Text(input, Text_Field(record, observation::label), observation::label.capacity, Label_Text(input));
    Write_Text(input, Text_Field(record, observation::fromSourceName), observation::fromSourceName.capacity,
               input.Chance(16) ? Raw_Text(input, 255) + Raw_Text(input, 255) : Pool_Name(input));
    Write_Text(input, Text_Field(record, observation::toSourceName), observation::toSourceName.capacity,
               Pool_Name(input));
    double start = 0.0;
    double end = 0.0;
    Decode_Times(input, start, end);
    Write_Field(record, observation::startTime, start);
    Write_Field(record, observation::endTime, end);
    Write_Field(record, observation::timeSpan, input.Chance(32) ? Interesting_Double(input) : end - start);
    Write_Field(record, observation::fromSource, Source_Index(input, project.records[SourceArray]));
    Write_Field(record, observation::toSource, Source_Index(input, project.records[SourceArray]));
    Write_Field(record, observation::baseline, Index_Into(input, project.records[BaselineArray]));
    Write_Field(record, observation::baselineSlot, Interesting_Int(input));
    const uint8_t flags = input.Byte();
    Write_Field(record, observation::solutionStatus, flags & 1 ? -1 : flags & 2 ? Interesting_Int(input) : 0);
    Write_Field(record, observation::removed, flags & 4 ? 1 : 0);
    Write_Field(record, observation::forced, flags & 8 ? (flags & 16 ? Interesting_Int(input) : 1) : 0);
}

// The observations that name baseline j, in index order: what a host keeps.
void List_Own_Observations(const DecodedProject& project, BaselineRef record, int32_t j) {
    int32_t count = 0;
    for (int32_t i = 0; i < project.records[ObservationArray]; ++i) {
        const ObservationRef observation = Locate_Observation(&project.header, i);
        if (Read_Field(observation, observation::baseline) != j) continue;
        Write_Baseline_Observation(record, count++, i);
    }
    Write_Field(record, baseline::observationCount, count);
}

// Any list: a count that may be negative or too long for the record, and
// entries that may name no observation.
void List_Any_Observations(FuzzInput& input, const DecodedProject& project, BaselineRef record) {
    const int32_t observations = project.records[ObservationArray];
    const int32_t count = input.Chance(64) ? Interesting_Int(input) : input.Below(observations + 2);
    Write_Field(record, baseline::observationCount, count);
    const int32_t written = count < 0 ? 0 : count < baseline::observationIndexCapacity ? count : baseline::observationIndexCapacity;
    for (int32_t slot = 0; slot < written; ++slot)
        Write_Baseline_Observation(record, slot, Index_Into(input, observations));
}

void Decode_Baseline(FuzzInput& input, const DecodedProject& project, BaselineRef record, int32_t j) {
    Write_Field(record, baseline::fromStation, Index_Into(input, project.records[StationArray]));
    Write_Field(record, baseline::toStation, Index_Into(input, project.records[StationArray]));
    if (input.Chance(32)) List_Any_Observations(input, project, record);
    else List_Own_Observations(project, record, j);
    Write_Field(record, baseline::directionLevel, Interesting_Int(input));
}

void Decode_Control(FuzzInput& input, ControlRef record) {
    Write_Text(input, Text_Field(record, control::name), control::name.capacity, Name_Text(input));
    Write_Field(record, control::inactive, input.Chance(48) ? Interesting_Int(input) : 0);
}

// The header's count: mostly the number of records, sometimes fewer or
// negative, never more (the library cannot tell an overstated count).
int32_t Header_Count(FuzzInput& input, int32_t records) {
    const uint8_t choice = input.Byte();
    if (choice < 224) return records;
    switch (choice % 4) {
    case 0: return records > 0 ? records - 1 : 0;
    case 1: return -1;
    case 2: return Int32Min;
    default: return -records - 1;
    }
}

bool Text_Is_Terminated(const char* text, int32_t capacity) {
    return std::memchr(text, '\0', static_cast<std::size_t>(capacity)) != nullptr;
}

bool Below_Count(int32_t index, int32_t count) { return index >= 0 && index < count; }

// Every array the header counts is there.
bool Arrays_Present(const DecodedProject& project) {
    for (int32_t kind = 0; kind < ArrayKindCount; ++kind)
        if (project.withoutArray[kind] && project.records[kind] > 0) return false;
    const ProjectHeader& h = project.header;
    return h.stationCount >= 0 && h.baselineCount >= 0 && h.observationCount >= 0 && h.controlCount >= 0;
}

bool Baseline_Safe_For_Orientation(const ProjectHeader& h, BaselineRef record) {
    if (Read_Field(record, baseline::fromStation) >= h.stationCount) return false;
    if (Read_Field(record, baseline::toStation) >= h.stationCount) return false;
    const int32_t count = Read_Field(record, baseline::observationCount);
    if (count > baseline::observationIndexCapacity) return false;
    for (int32_t slot = 0; slot < count; ++slot)
        if (!Below_Count(Read_Baseline_Observation(record, slot), h.observationCount)) return false;
    return true;
}

bool Label_Has_Four_Short_Tokens(const char* label) {
    int32_t tokens = 0;
    int32_t length = 0;
    for (const char* c = label;; ++c) {
        const bool space = *c == ' ' || *c == '\t' || *c == '\n' || *c == '\v' || *c == '\f' || *c == '\r';
        if (*c != '\0' && !space) {
            ++length;
            continue;
        }
        if (length > 0) {
            if (tokens < 4 && length > 11) return false;
            ++tokens;
        }
        length = 0;
        if (*c == '\0') break;
    }
    return tokens >= 4;
}

bool Observation_Keeps_Promises(const DecodedProject& project, int32_t i) {
    const ProjectHeader& h = project.header;
    const ObservationRef record = Locate_Observation(&h, i);
    if (!Text_Is_Terminated(Text_Field(record, observation::label), observation::label.capacity)
        || !Text_Is_Terminated(Text_Field(record, observation::fromSourceName), observation::fromSourceName.capacity)
        || !Text_Is_Terminated(Text_Field(record, observation::toSourceName), observation::toSourceName.capacity))
        return false;
    if (!Below_Count(Read_Field(record, observation::baseline), h.baselineCount)) return false;
    // Minimisation follows the ends of every baseline an observation names.
    const BaselineRef line = Locate_Baseline(&h, Read_Field(record, observation::baseline));
    if (Read_Field(line, baseline::fromStation) < 0 || Read_Field(line, baseline::toStation) < 0) return false;
    for (const int32_t source : {Read_Field(record, observation::fromSource), Read_Field(record, observation::toSource)}) {
        // The sources an observation names must exist, whatever sourceCount says.
        if (!Below_Count(source, project.records[SourceArray]) || project.withoutArray[SourceArray]) return false;
        if (Read_Field(Locate_Source(&h, source), source::ratioDenominator) == 0) return false;
    }
    return true;
}

}  // namespace

DecodedProject::DecodedProject(const DecodedProject& other) {
    for (int32_t kind = 0; kind < ArrayKindCount; ++kind) {
        arrays[kind] = other.arrays[kind];
        records[kind] = other.records[kind];
        withoutArray[kind] = other.withoutArray[kind];
    }
    header = other.header;
    Point_Header();
}

void DecodedProject::Point_Header() {
    // An empty array is handed over as no array at all.
    auto pointer = [this](ArrayKind kind) {
        return withoutArray[kind] || arrays[kind].empty() ? nullptr : arrays[kind].data();
    };
    header.sources = reinterpret_cast<SourceRecord*>(pointer(SourceArray));
    header.stations = reinterpret_cast<StationRecord*>(pointer(StationArray));
    header.baselines = reinterpret_cast<BaselineRecord*>(pointer(BaselineArray));
    header.observations = reinterpret_cast<ObservationRecord*>(pointer(ObservationArray));
    header.controls = reinterpret_cast<ControlRecord*>(pointer(ControlArray));
}

DecodedProject Decode_Project(FuzzInput& input) {
    DecodedProject project;
    const std::byte fill{input.Byte()};
    for (int32_t kind = 0; kind < ArrayKindCount; ++kind) {
        // Zero bytes left still give a project with one record of each kind.
        project.records[kind] = input.Exhausted() ? 1 : input.Below(MostRecords[kind] + 1);
        const auto bytes = static_cast<std::size_t>(project.records[kind]) * static_cast<std::size_t>(Strides[kind]);
        project.arrays[kind].assign(bytes, fill);
    }
    project.Point_Header();
    ProjectHeader& h = project.header;
    for (int32_t i = 0; i < project.records[SourceArray]; ++i) Decode_Source(input, Locate_Source(&h, i));
    for (int32_t i = 0; i < project.records[StationArray]; ++i) Decode_Station(input, Locate_Station(&h, i));
    for (int32_t i = 0; i < project.records[ObservationArray]; ++i)
        Decode_Observation(input, project, Locate_Observation(&h, i));
    for (int32_t j = 0; j < project.records[BaselineArray]; ++j)
        Decode_Baseline(input, project, Locate_Baseline(&h, j), j);
    for (int32_t k = 0; k < project.records[ControlArray]; ++k) Decode_Control(input, Locate_Control(&h, k));

    // Neither job reads sourceCount: it may be stale, zero, negative or huge.
    h.sourceCount = input.Chance(64) ? input.Int32() : Header_Count(input, project.records[SourceArray]);
    h.stationCount = Header_Count(input, project.records[StationArray]);
    h.baselineCount = Header_Count(input, project.records[BaselineArray]);
    h.observationCount = Header_Count(input, project.records[ObservationArray]);
    h.controlCount = Header_Count(input, project.records[ControlArray]);
    if (input.Chance(6)) project.withoutArray[input.Below(ArrayKindCount)] = true;
    project.Point_Header();
    return project;
}

bool Safe_For_Orientation(const DecodedProject& project) {
    if (!Arrays_Present(project)) return false;
    const ProjectHeader& h = project.header;
    for (int32_t j = 0; j < h.baselineCount; ++j)
        if (!Baseline_Safe_For_Orientation(h, Locate_Baseline(&h, j))) return false;
    return true;
}

bool Keeps_Host_Promises(const DecodedProject& project) {
    if (!Safe_For_Orientation(project)) return false;
    const ProjectHeader& h = project.header;
    for (int32_t i = 0; i < h.observationCount; ++i)
        if (!Observation_Keeps_Promises(project, i)) return false;
    for (int32_t j = 0; j < h.baselineCount; ++j) {
        // A negative end of a baseline no observation names is left in:
        // minimisation never reads it and orientation sounds the alarm.
        const BaselineRef record = Locate_Baseline(&h, j);
        const int32_t count = Read_Field(record, baseline::observationCount);
        for (int32_t slot = 0; slot < count; ++slot) {
            const ObservationRef listed = Locate_Observation(&h, Read_Baseline_Observation(record, slot));
            if (!Label_Has_Four_Short_Tokens(Text_Field(listed, observation::label))) return false;
        }
    }
    for (int32_t i = 0; i < h.stationCount; ++i)
        if (!Text_Is_Terminated(Text_Field(Locate_Station(&h, i), station::name), station::name.capacity))
            return false;
    for (int32_t k = 0; k < h.controlCount; ++k)
        if (!Text_Is_Terminated(Text_Field(Locate_Control(&h, k), control::name), control::name.capacity))
            return false;
    return true;
}

}  // namespace min_lumo_fuzz

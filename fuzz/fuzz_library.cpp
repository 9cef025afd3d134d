// Fuzz target for the library's three entry points.  The input decodes into a
// small host project (decoded_project.h) and a sequence of calls.  Whatever
// the data, the library must stay inside the host's arrays, and every call
// must keep what the host can see: results 0 or 1, one terminated line in the
// message buffer, a minimisation that changes nothing on failure and only the
// rejection marks on success, an orientation that writes only its own
// fields.  When the project keeps every host guarantee, the same sequence
// also runs through the reference implementation on an identical copy, and
// results, messages and every host byte must agree.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/decoded_project.h"
#include "host/host_records.h"
#include "hostkit/host_memory.h"
#include "min_lumo.h"

#if MIN_LUMO_FUZZ_WITH_REFERENCE
#include "tests/reference/reference_entry_points.h"
#endif

namespace {

using namespace min_lumo_fuzz;
using min_lumo::RecordKind;
using min_lumo::RecordStride;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_library: %s\n", what.c_str());
    std::abort();
}

constexpr const auto& AcceptedSizes = min_lumo_kit::acceptedStructSizes;

enum class Call { Minimise, WrongSizes, NoSizes, NoProject, WithoutObservations, Orient, Message };
constexpr int32_t CallKindCount = 7;
constexpr int32_t MostCalls = 6;

const char* Call_Name(Call call) {
    switch (call) {
    case Call::Minimise: return "minimise";
    case Call::WrongSizes: return "minimise with wrong sizes";
    case Call::NoSizes: return "minimise without sizes";
    case Call::NoProject: return "minimise without project";
    case Call::WithoutObservations: return "minimise without observations";
    case Call::Orient: return "orient";
    case Call::Message: return "read message";
    }
    return "?";
}

// The three entry points of one implementation, in the default calling
// convention (the library's own use __stdcall on 32-bit x86).
struct EntryPoints {
    int32_t (*minLumo)(const int32_t*, ProjectHeader*);
    int32_t (*fix)(ProjectHeader*);
    int32_t (*message)(char*);
};

const EntryPoints Library = {
    +[](const int32_t* sizes, ProjectHeader* project) { return DLL_Min_Lumo(sizes, project); },
    +[](ProjectHeader* project) { return DLL_Fix_Baseline_Direction(project); },
    +[](char* buffer) { return Get_Error_Message(buffer); }};

#if MIN_LUMO_FUZZ_WITH_REFERENCE
const EntryPoints Reference = {min_lumo_reference::Reference_Min_Lumo,
                               min_lumo_reference::Reference_Fix_Baseline_Direction,
                               min_lumo_reference::Reference_Get_Error_Message};
#endif

struct Outcome {
    int32_t result = 0;
    int32_t messageResult = 0;
    std::string message;
};

// The message as the host reads it, into a buffer of exactly the documented
// size, so that a longer copy is caught.
std::string Read_Message(const EntryPoints& side, int32_t& messageResult) {
    std::vector<char> buffer(MIN_LUMO_MESSAGE_CAPACITY, 'x');
    messageResult = side.message(buffer.data());
    if (messageResult < 1 || messageResult > MIN_LUMO_MESSAGE_CAPACITY)
        Fail("Get_Error_Message returned " + std::to_string(messageResult));
    const auto length = static_cast<std::size_t>(messageResult - 1);
    if (buffer[length] != '\0' || std::memchr(buffer.data(), '\0', length) != nullptr)
        Fail("Get_Error_Message's result does not match the text it copied");
    std::string text(buffer.data(), length);
    if (text.find('\n') != std::string::npos || text.find('\r') != std::string::npos)
        Fail("the message is not a single line: " + text);
    return text;
}

Outcome Run_Call(const EntryPoints& side, Call call, DecodedProject& project, const int32_t* wrongSizes) {
    Outcome outcome;
    ProjectHeader withoutObservations = project.header;
    withoutObservations.observationCount = 0;
    switch (call) {
    case Call::Minimise: outcome.result = side.minLumo(AcceptedSizes, &project.header); break;
    case Call::WrongSizes: outcome.result = side.minLumo(wrongSizes, &project.header); break;
    case Call::NoSizes: outcome.result = side.minLumo(nullptr, &project.header); break;
    case Call::NoProject: outcome.result = side.minLumo(AcceptedSizes, nullptr); break;
    case Call::WithoutObservations: outcome.result = side.minLumo(AcceptedSizes, &withoutObservations); break;
    case Call::Orient: outcome.result = side.fix(&project.header); break;
    case Call::Message: break;
    }
    outcome.message = Read_Message(side, outcome.messageResult);
    return outcome;
}

// ---- What the library alone must keep --------------------------------------

struct ByteRange {
    int32_t from;  // first byte
    int32_t to;    // one past the last
};

// Every changed byte of every record lies in one of `allowed`.
bool Changed_Only_Within(const std::vector<std::byte>& before, const std::vector<std::byte>& after, int32_t stride,
                         std::initializer_list<ByteRange> allowed) {
    if (before == after) return true;
    for (std::size_t at = 0; at < before.size(); ++at) {
        if (before[at] == after[at]) continue;
        const auto offset = static_cast<int32_t>(at % static_cast<std::size_t>(stride));
        bool inside = false;
        for (const ByteRange& range : allowed) inside = inside || (offset >= range.from && offset < range.to);
        if (!inside) return false;
    }
    return true;
}

void Check_Minimisation_Writes(const DecodedProject& before, const DecodedProject& after, int32_t result) {
    if (result != 0 && result != 1) Fail("DLL_Min_Lumo returned " + std::to_string(result));
    for (int32_t kind = 0; kind < ArrayKindCount; ++kind) {
        if (kind == ObservationArray && result == 0) continue;
        if (before.arrays[kind] != after.arrays[kind])
            Fail(result == 0 ? "a successful minimisation changed a record other than an observation"
                             : "a failed minimisation changed host memory");
    }
    if (result != 0) return;
    constexpr int32_t stride = RecordStride<RecordKind::Observation>;
    const auto& old = before.arrays[ObservationArray];
    const auto& now = after.arrays[ObservationArray];
    for (int32_t i = 0; i < after.records[ObservationArray]; ++i) {
        const auto start = static_cast<std::size_t>(i) * stride;
        if (std::memcmp(old.data() + start, now.data() + start, stride) == 0) continue;
        const min_lumo::ObservationRef record = min_lumo::Locate_Observation(&after.header, i);
        if (min_lumo::Read_Field(record, min_lumo::observation::removed) != 1
            || min_lumo::Read_Field(record, min_lumo::observation::solutionStatus) != -1)
            Fail("observation " + std::to_string(i) + " changed without being marked rejected");
    }
    if (!Changed_Only_Within(old, now, stride, {{2188, 2192}, {2656, 2660}}))
        Fail("a successful minimisation wrote outside removed and solutionStatus");
}

void Check_Orientation_Writes(const DecodedProject& before, const DecodedProject& after, int32_t result) {
    if (result != 0) Fail("DLL_Fix_Baseline_Direction returned " + std::to_string(result));
    if (before.arrays[SourceArray] != after.arrays[SourceArray]) Fail("orientation changed a source");
    if (before.arrays[ControlArray] != after.arrays[ControlArray]) Fail("orientation changed a control");
    // positionFlagB, positionFlagC, treeControl and treeLevel.
    if (!Changed_Only_Within(before.arrays[StationArray], after.arrays[StationArray],
                             RecordStride<RecordKind::Station>, {{5192, 5196}, {5280, 5284}, {5436, 5444}}))
        Fail("orientation wrote a station field it does not own");
    // Both end blocks, both ends, directionLevel and the solution.
    if (!Changed_Only_Within(before.arrays[BaselineArray], after.arrays[BaselineArray],
                             RecordStride<RecordKind::Baseline>, {{0, 16}, {32, 48}, {64, 72}, {1112, 1584}}))
        Fail("orientation wrote a baseline field it does not own");
    // Label and source names, both source indices and baselineSlot, the solution.
    if (!Changed_Only_Within(before.arrays[ObservationArray], after.arrays[ObservationArray],
                             RecordStride<RecordKind::Observation>, {{0, 544}, {552, 568}, {2188, 2656}}))
        Fail("orientation wrote an observation field it does not own");
}

void Check_Library_Call(Call call, const DecodedProject& before, const DecodedProject& after,
                        const Outcome& outcome, const std::string& messageBefore) {
    switch (call) {
    case Call::Orient:
        Check_Orientation_Writes(before, after, outcome.result);
        if (outcome.message != messageBefore) Fail("orientation changed the message");
        return;
    case Call::Message:
        if (outcome.message != messageBefore) Fail("reading the message changed it");
        return;
    case Call::Minimise:
        Check_Minimisation_Writes(before, after, outcome.result);
        break;
    default:
        // Wrong sizes, no sizes, no project, no observations: all fail.
        if (outcome.result != 1) Fail(std::string(Call_Name(call)) + " did not fail");
        Check_Minimisation_Writes(before, after, outcome.result);
        break;
    }
    if (outcome.result == 0 && outcome.message != messageBefore) Fail("a successful minimisation changed the message");
    if (outcome.result == 1 && outcome.message.empty()) Fail("a failure left no message");
}

// ---- The call sequence -------------------------------------------------------

struct Plan {
    std::vector<Call> calls;
    int32_t wrongSizes[MIN_LUMO_STRUCT_SIZE_COUNT];
};

Plan Decode_Plan(FuzzInput& input, bool orientationSafe) {
    Plan plan;
    std::memcpy(plan.wrongSizes, AcceptedSizes, sizeof plan.wrongSizes);
    const int32_t position = input.Below(MIN_LUMO_STRUCT_SIZE_COUNT);
    plan.wrongSizes[position] = input.Chance(128) ? AcceptedSizes[position] + 4 : input.Int32();
    const int32_t count = 1 + input.Below(MostCalls);
    for (int32_t i = 0; i < count; ++i) {
        const auto call = static_cast<Call>(input.Below(CallKindCount));
        // Orientation checks nothing; it gets only data that keeps its
        // index guarantees.
        if (call == Call::Orient && !orientationSafe) continue;
        plan.calls.push_back(call);
    }
    return plan;
}

void Run_Library_Alone(DecodedProject& project, const Plan& plan) {
    int32_t ignored = 0;
    std::string message = Read_Message(Library, ignored);
    for (const Call call : plan.calls) {
        const DecodedProject before(project);
        const Outcome outcome = Run_Call(Library, call, project, plan.wrongSizes);
        Check_Library_Call(call, before, project, outcome, message);
        message = outcome.message;
    }
}

#if MIN_LUMO_FUZZ_WITH_REFERENCE
void Compare_With_Reference(DecodedProject& ours, const Plan& plan) {
    DecodedProject theirs(ours);
    int32_t ignored = 0;
    std::string message;
    // A handshake failure puts both message buffers into one state.
    const auto resynchroniseMessages = [&] {
        (void)Library.minLumo(nullptr, &ours.header);
        (void)Reference.minLumo(nullptr, &theirs.header);
        message = Read_Message(Library, ignored);
    };
    resynchroniseMessages();
    for (std::size_t i = 0; i < plan.calls.size(); ++i) {
        const Call call = plan.calls[i];
        const DecodedProject before(ours);
        const Outcome mine = Run_Call(Library, call, ours, plan.wrongSizes);
        if (call == Call::NoProject) {
            // The reference runs only projects that keep the host's promises,
            // and a missing header keeps none: the library alone is checked,
            // then both message buffers are put into one state again.
            Check_Library_Call(call, before, ours, mine, message);
            resynchroniseMessages();
            continue;
        }
        const Outcome expected = Run_Call(Reference, call, theirs, plan.wrongSizes);
        Check_Library_Call(call, before, ours, mine, message);
        message = mine.message;
        const std::string where = "call " + std::to_string(i) + " (" + Call_Name(call) + "): ";
        if (mine.result != expected.result)
            Fail(where + "result " + std::to_string(mine.result) + ", reference " + std::to_string(expected.result));
        if (mine.message != expected.message || mine.messageResult != expected.messageResult)
            Fail(where + "message \"" + mine.message + "\", reference \"" + expected.message + "\"");
        for (int32_t kind = 0; kind < ArrayKindCount; ++kind)
            if (ours.arrays[kind] != theirs.arrays[kind])
                Fail(where + "host bytes differ in array " + std::to_string(kind));
    }
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    DecodedProject project = Decode_Project(input);
    const Plan plan = Decode_Plan(input, Safe_For_Orientation(project));
#if MIN_LUMO_FUZZ_WITH_REFERENCE
    if (Keeps_Host_Promises(project)) {
        Compare_With_Reference(project, plan);
        return 0;
    }
#endif
    Run_Library_Alone(project, plan);
    return 0;
}

#include "tests/reference/differential_run.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/reference/reference_entry_points.h"

namespace min_lumo_test {

namespace {

// The reference's entry points in the calling convention of the exports.
int32_t MIN_LUMO_CALL Reference_Min_Lumo(const int32_t* sizes, ProjectHeader* project) {
    return min_lumo_reference::Reference_Min_Lumo(sizes, project);
}
int32_t MIN_LUMO_CALL Reference_Fix_Baseline_Direction(ProjectHeader* project) {
    return min_lumo_reference::Reference_Fix_Baseline_Direction(project);
}
int32_t MIN_LUMO_CALL Reference_Get_Error_Message(char* buffer) {
    return min_lumo_reference::Reference_Get_Error_Message(buffer);
}

constexpr int32_t DefaultProjectCount = 2000;
constexpr int32_t EmulatedProjectCount = 200;

enum class Call { Minimise, Orient, WrongSizes, NoSizes, MinimiseEmpty };

// The call sequences a seed picks from.  Each starts with a handshake
// failure, which puts both message buffers into the same state.
const std::vector<std::vector<Call>> Sequences = {
    {Call::WrongSizes, Call::Minimise, Call::Minimise},
    {Call::WrongSizes, Call::MinimiseEmpty, Call::Minimise},
    {Call::WrongSizes, Call::Orient, Call::Minimise},
    {Call::WrongSizes, Call::Minimise, Call::Orient, Call::Orient},
    {Call::NoSizes, Call::Minimise, Call::WrongSizes, Call::Minimise},
    {Call::WrongSizes, Call::MinimiseEmpty, Call::Orient, Call::Minimise, Call::Minimise},
};

const char* Call_Name(Call call) {
    switch (call) {
    case Call::Minimise: return "minimise";
    case Call::Orient: return "orient";
    case Call::WrongSizes: return "wrong sizes";
    case Call::NoSizes: return "no sizes";
    case Call::MinimiseEmpty: return "minimise without observations";
    }
    return "?";
}

// One side of the comparison: its entry points and its own copy of the host.
struct Side {
    EntryPoints calls;
    HostProject project;
};

struct Outcome {
    int32_t result;
    int32_t messageResult;
    std::string message;
};

Outcome Run(Side& side, Call call, const int32_t wrongSizes[6]) {
    Outcome outcome{};
    ProjectHeader* header = side.project.Header();
    ProjectHeader empty = *header;
    empty.observationCount = 0;
    switch (call) {
    case Call::Minimise: outcome.result = side.calls.minLumo(AcceptedSizes, header); break;
    case Call::Orient: outcome.result = side.calls.fixBaselineDirection(header); break;
    case Call::WrongSizes: outcome.result = side.calls.minLumo(wrongSizes, header); break;
    case Call::NoSizes: outcome.result = side.calls.minLumo(nullptr, header); break;
    case Call::MinimiseEmpty: outcome.result = side.calls.minLumo(AcceptedSizes, &empty); break;
    }
    char text[MIN_LUMO_MESSAGE_CAPACITY + 8];
    std::memset(text, 'x', sizeof text);
    outcome.messageResult = side.calls.getErrorMessage(text);
    outcome.message = text;
    return outcome;
}

std::string Describe_Byte_Difference(const HostProject& project, const std::vector<std::byte>& library,
                                     const std::vector<std::byte>& reference) {
    const std::vector<ByteChange> changes = Changed_Bytes(project, reference, library);
    if (changes.empty()) return "host sizes differ";
    const ByteChange& first = changes.front();
    return std::to_string(changes.size()) + " host bytes differ, first in " + first.array + " "
           + std::to_string(first.record) + " at offset " + std::to_string(first.offset);
}

bool Same_Host_Bytes(const HostProject& a, const HostProject& b) {
    return a.observations == b.observations && a.baselines == b.baselines && a.stations == b.stations
           && a.sources == b.sources && a.controls == b.controls;
}

bool Orients(const std::vector<Call>& sequence) {
    for (const Call call : sequence)
        if (call == Call::Orient) return true;
    return false;
}

}  // namespace

std::string Compare_With_Reference(const EntryPoints& library, uint64_t seed, const RandomProjectOptions& options) {
    const std::vector<Call>& sequence = Sequences[static_cast<std::size_t>(seed % Sequences.size())];
    HostProject original = Random_Project(seed, options);
    if (!Orients(sequence)) Break_What_Minimisation_Never_Reads(original, seed ^ 0xB40CE5ULL);
    Side ours{library, original};
    Side theirs{{Reference_Min_Lumo, Reference_Fix_Baseline_Direction, Reference_Get_Error_Message}, original};
    SeededRandom random(seed ^ 0x5EEDULL);
    int32_t wrongSizes[6];
    std::memcpy(wrongSizes, AcceptedSizes, sizeof wrongSizes);
    wrongSizes[random.Between(0, 5)] += random.Chance(50) ? 4 : -1;
    const std::string where = "seed " + std::to_string(seed) + ", call ";
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        const Outcome mine = Run(ours, sequence[i], wrongSizes);
        const Outcome expected = Run(theirs, sequence[i], wrongSizes);
        const std::string call = where + std::to_string(i) + " (" + Call_Name(sequence[i]) + "): ";
        if (mine.result != expected.result)
            return call + "result " + std::to_string(mine.result) + ", reference " + std::to_string(expected.result);
        if (mine.messageResult != expected.messageResult || mine.message != expected.message)
            return call + "message \"" + mine.message + "\", reference \"" + expected.message + "\"";
        if (!Same_Host_Bytes(ours.project, theirs.project))
            return call + Describe_Byte_Difference(ours.project, ours.project.Snapshot(), theirs.project.Snapshot());
    }
    return "";
}

int32_t Differential_Project_Count() {
    const char* text = std::getenv("MIN_LUMO_DIFFERENTIAL_PROJECTS");
    if (text != nullptr && *text != '\0') return static_cast<int32_t>(std::strtol(text, nullptr, 10));
#ifdef _WIN32
    return EmulatedProjectCount;
#else
    (void)EmulatedProjectCount;
    return DefaultProjectCount;
#endif
}

}  // namespace min_lumo_test

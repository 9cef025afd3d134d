// Runs a fuzz target over saved inputs without libFuzzer, so that a crash
// found by the fuzzer reproduces in any build (with GCC, under a debugger,
// with or without sanitizers):
//
//   fuzz_library_replay crash-1234abcd          one input
//   fuzz_library_replay fuzz/corpus/library     every file of a folder
//
// Exit status 0 when every input ran; a failing input aborts the program
// after its name has been printed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

constexpr int exitUsage = 2;

std::vector<fs::path> Inputs_Of(const fs::path& argument) {
    std::vector<fs::path> inputs;
    if (!fs::is_directory(argument)) return {argument};
    for (const fs::directory_entry& entry : fs::directory_iterator(argument))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

bool Replay(const fs::path& input) {
    std::ifstream file(input, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "replay: cannot read %s\n", input.string().c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "replay: %s (%zu bytes)\n", input.string().c_str(), bytes.size());
    std::fflush(stderr);
    (void)LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s INPUT_OR_FOLDER...\n", argv[0]);
        return exitUsage;
    }
    int replayed = 0;
    for (int i = 1; i < argc; ++i)
        for (const fs::path& input : Inputs_Of(argv[i])) {
            if (!Replay(input)) return exitUsage;
            ++replayed;
        }
    std::printf("replay: %d inputs ran\n", replayed);
    return replayed > 0 ? 0 : exitUsage;
}

// Fuzz target for what processing reads besides the field files: the
// engine's solution file, RINEX navigation files, RTKLIB options files
// (--engine-options) and ANTEX files (--antex).  The first byte chooses the
// reader, the rest is the file.  Nothing may crash; each reader throws only
// its own error, naming the file; what it reads must make sense.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tool/field/occupation.h"
#include "tool/process/antenna_models.h"
#include "tool/process/engine_options.h"
#include "tool/process/navigation_files.h"
#include "tool/process/solution_file.h"

namespace {

using namespace min_lumo_tool;

const std::string fileName = "fuzzed.file";

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_processing_inputs: %s\n", what.c_str());
    std::abort();
}

void Check_Names_File(const std::string& text, const char* what) {
    if (text.rfind(fileName + ":", 0) != 0) Fail(std::string(what) + " does not name the file: " + text);
}

void Solution(std::string_view text) {
    try {
        const EngineSolution solution = Parse_Solution_Text(fileName, text);
        if (solution.last.has_value() != (solution.epochs > 0)) Fail("a solution without epochs, or epochs without one");
        if (!solution.last) return;
        const EngineSolutionLine& last = *solution.last;
        if (last.satellites < 0) Fail("a negative satellite count");
        if (last.covariance.xx < 0.0 || last.covariance.yy < 0.0 || last.covariance.zz < 0.0)
            Fail("a negative variance");
        if (!std::isfinite(last.position.x) || !std::isfinite(last.gpsSeconds)) Fail("a position or time not finite");
        const auto quality = static_cast<int32_t>(last.quality);
        if (quality < 1 || quality > 6) Fail("a quality outside 1 to 6");
    } catch (const SolutionFileError& error) {
        Check_Names_File(error.what(), "a solution file error");
    }
}

void Navigation(std::string_view bytes) {
    try {
        const NavigationFile file = Read_Navigation_Bytes(fileName, bytes);
        if (file.records <= 0) Fail("a navigation file without records");
        if (!(file.firstGps <= file.lastGps)) Fail("the first record after the last");
        if (!Covers(file, file.firstGps, file.lastGps)) Fail("a file that does not cover its own records");
    } catch (const min_lumo_field::FieldFileError& error) {
        Check_Names_File(error.what(), "a navigation file error");
    }
}

void Options(std::string_view text) {
    try {
        const UserEngineOptions user = Parse_Engine_Options(fileName, text);
        for (const EngineOption& option : user.options)
            if (option.key.empty() || option.key.find_first_of(" \t\n#=") != std::string::npos)
                Fail("a key that RTKLIB would read otherwise: '" + option.key + "'");
        // The run's file sets the tool's keys once, after the user's.
        const std::string run = Engine_Options_Text(&user, EngineRunSettings{});
        if (run.find("pos1-posmode       =static") == std::string::npos) Fail("the static mode lost");
    } catch (const EngineOptionsError& error) {
        Check_Names_File(error.what(), "an options file error");
    }
}

void Antex(std::string_view bytes) {
    try {
        const AntennaTypes types = Antex_Antenna_Types_Of_Bytes(fileName, bytes);
        for (const std::string& type : types)
            if (type.empty() || !Antex_Has_Model(types, type)) Fail("a type the file holds is not found in it");
    } catch (const min_lumo_field::FieldFileError& error) {
        Check_Names_File(error.what(), "an ANTEX file error");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 4) {
        case 0: Solution(bytes); break;
        case 1: Navigation(bytes); break;
        case 2: Options(bytes); break;
        default: Antex(bytes); break;
    }
    return 0;
}

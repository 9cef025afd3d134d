// Fuzz target for the tool's project loader: the input is the contents of a
// project file.  It is read and validated exactly as the tool's commands do
// before they run anything; nothing may crash, and the only exceptions
// allowed are those the commands turn into exit status 2 (bad input), none
// that they report as an internal error.  A project that
// passes validation must then be safe to hand to the library (both entry
// points run on its host memory), and writing it out must give a file that
// reads back to the same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "hostkit/host_memory.h"
#include "hostkit/project_model.h"
#include "min_lumo.h"
#include "tool/project/project_reader.h"
#include "tool/project/project_writer.h"
#include "tool/project/validator.h"
#include "tool/project/violation.h"

using min_lumo_kit::HostMemory;
using min_lumo_kit::Project;

namespace {

using namespace min_lumo_tool;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_project_loader: %s\n", what.c_str());
    std::abort();
}

constexpr const auto& AcceptedSizes = min_lumo_kit::acceptedStructSizes;

// What the commands do first: read, then validate what was read completely.
// Empty violations mean the project would be handed to the library.
Violations Load_And_Validate(const std::string& text, Project& project) {
    ReadResult read = Read_Project_Text(text);
    if (read.violations.empty()) read.violations = Validate_Project(read.project);
    for (const Violation& violation : read.violations)
        if (Format_Violation(violation).empty()) Fail("a violation formats as an empty line");
    project = std::move(read.project);
    return read.violations;
}

void Run_Library(const Project& project) {
    HostMemory minimised(project);
    const int32_t result = DLL_Min_Lumo(AcceptedSizes, minimised.Header());
    if (result != 0 && result != 1) Fail("DLL_Min_Lumo returned " + std::to_string(result));
    Project after = project;
    minimised.Read_Back(after);
    HostMemory oriented(project);
    if (DLL_Fix_Baseline_Direction(oriented.Header()) != 0) Fail("DLL_Fix_Baseline_Direction returned non-zero");
    oriented.Read_Back(after);
}

void Check_Written_Project(const Project& project) {
    const std::string written = Project_Text(project);
    Project again;
    const Violations violations = Load_And_Validate(written, again);
    if (!violations.empty())
        Fail("a valid project, once written, reads back with: " + Format_Violation(violations.front()));
    if (Project_Text(again) != written) Fail("a written project reads back to a different project");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Project project;
    try {
        if (!Load_And_Validate(text, project).empty()) return 0;
    } catch (const std::invalid_argument&) {
        // The commands report these as "min_lumo: ..." and exit with 2
        // (tool/commands/guard.h); anything else is an internal error there.
        return 0;
    } catch (const std::logic_error& error) {
        Fail(std::string("loading ended in an internal error: ") + error.what());
    } catch (const std::runtime_error&) {
        return 0;
    } catch (const std::exception& error) {
        Fail(std::string("loading ended in an internal error: ") + error.what());
    }
    // From here on the tool promises the library valid data: any exception
    // or failure is a fault.
    try {
        Run_Library(project);
        Check_Written_Project(project);
    } catch (const std::exception& error) {
        Fail(std::string("a validated project failed: ") + error.what());
    }
    return 0;
}

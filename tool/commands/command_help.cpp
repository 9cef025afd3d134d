#include "tool/commands/command_help.h"

#include <exception>

#include <fmt/format.h>

#include "hostkit/module_loader.h"
#include "tool/commands/exit_codes.h"
#include "tool/output/text_table.h"

// Set by CMake for this file alone: the project's version, the compiler and
// the build type, and whether the sanitizers are in.
#ifndef MIN_LUMO_VERSION
#error "MIN_LUMO_VERSION must be defined by the build"
#endif

namespace min_lumo_tool {

namespace {

constexpr std::size_t helpColumns = 100;
constexpr const char* exampleIndent = "  ";
constexpr const char* doesIndent = "      ";

constexpr const char* System_Name() {
#if defined(_WIN32)
    return "Windows";
#elif defined(__linux__)
    return "Linux";
#else
    return "an unnamed system";
#endif
}

constexpr const char* Processor_Name() {
#if defined(__x86_64__) || defined(_M_X64)
    return "x86-64";
#elif defined(__i386__) || defined(_M_IX86)
    return "i386 (32-bit x86)";
#else
    return "an unnamed processor";
#endif
}

}  // namespace

std::string Help_Footer(const std::vector<HelpExample>& examples) {
    std::string text = "Examples:\n";
    for (const HelpExample& example : examples)
        text += exampleIndent + example.commandLine + "\n" + Wrap_Text(example.does, helpColumns, doesIndent, doesIndent);
    return text + "\n" + Wrap_Text(exitStatusHelp, helpColumns, "", "");
}

std::string Version_Text(const std::string& libraryPath) {
    std::string text = fmt::format("min_lumo {}\nbuild: {} {}, {}, {}{}\n", MIN_LUMO_VERSION, System_Name(),
                                   Processor_Name(), MIN_LUMO_COMPILER, MIN_LUMO_BUILD_TYPE,
                                   MIN_LUMO_SANITIZED ? ", with AddressSanitizer and UndefinedBehaviorSanitizer" : "");
    const std::string path = libraryPath.empty() ? min_lumo_kit::Default_Library_Path() : libraryPath;
    try {
        const min_lumo_kit::LoadedModule library(path);
        text += fmt::format("library: {}, loaded with its three entry points", library.Path());
    } catch (const std::exception& error) {
        // The message names the path and why it cannot be used.
        text += fmt::format("library: {} (minimise, orient and plan need it; their --library PATH names another)",
                            error.what());
    }
    return text;
}

}  // namespace min_lumo_tool

// What --help ends with and what --version says.  Every command's help
// ends with examples -- each a command line and, under it, what it does --
// and the exit statuses.  A new command gets its examples where main.cpp
// declares its options:
//   command->footer(Help_Footer({
//       {"min_lumo plan field/ --control BASE", "plan every field file in the folder field/"},
//   }));
// (tool/tests/help_and_version.cmake fails for a command without examples,
// or with an example that names an option the command does not have).
#pragma once

#include <string>
#include <vector>

namespace min_lumo_tool {

struct HelpExample {
    std::string commandLine;  // as typed, starting with "min_lumo COMMAND"
    std::string does;         // what it does, a sentence without a full stop
};

// "Examples:", each example's line and, wrapped under it, what it does;
// then the exit statuses.
std::string Help_Footer(const std::vector<HelpExample>& examples);

// The tool's version, the build (system, processor, compiler, build type,
// sanitizers) and the library module a command loads by default, with
// whether it loads and exports the three entry points: three lines, the
// last without a line end (the command line's parser adds it).
std::string Version_Text(const std::string& libraryPath = "");

}  // namespace min_lumo_tool

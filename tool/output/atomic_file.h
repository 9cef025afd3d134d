// Output files that either appear whole or not at all, alone or as the set
// of outputs of one run.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace min_lumo_tool {

// An output that could not be written (a file, a folder for one, standard
// output): the tool's write failure, not bad input.  what() names the
// target and the reason.
class OutputWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One output of a run: where it goes and what it holds.  An empty path means
// the output was not asked for and is skipped.
struct PendingOutput {
    std::string path;
    std::string content;
};

// Writes every output, or none: each is written to a temporary file beside
// its target (the target's name + ".tmp"), and only when all of them were
// written whole are they renamed into place.  When any step fails, every
// temporary is removed, every target that existed holds its old bytes again
// and no new target is left; then OutputWriteError names the target and
// the reason.  Two outputs to one path are refused (std::invalid_argument)
// before anything is written.
void Write_All_Or_None(const std::vector<PendingOutput>& outputs);

// One output on its own: Write_All_Or_None of it.
void Write_File_Atomically(const std::string& path, const std::string& content);

}  // namespace min_lumo_tool

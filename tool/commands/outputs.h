// Writing a command's output files: all prepared first, then written all or
// none (Write_All_Or_None), so that a failure while preparing or writing
// leaves no file behind and no existing one changed.
#pragma once

#include <string>
#include <vector>

#include "tool/output/atomic_file.h"

namespace min_lumo_tool {

// Each output: its path (empty: not asked for) and content.
void Write_All(const std::vector<PendingOutput>& files);

// A drawing's title: the file's name and what was done to it.
std::string Title(const std::string& path, const char* what);

}  // namespace min_lumo_tool

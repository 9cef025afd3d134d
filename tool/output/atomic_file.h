// Output files that either appear whole or not at all.
#pragma once

#include <string>

namespace min_lumo_tool {

// Writes `content` to a temporary file in the folder of `path`, then renames
// it over `path`.  Throws std::runtime_error when either step fails; the
// temporary file is removed then.
void Write_File_Atomically(const std::string& path, const std::string& content);

}  // namespace min_lumo_tool

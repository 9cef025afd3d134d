// Writing a command's output files: all prepared first, then each written
// whole, so that a failure while preparing leaves no file behind.
#pragma once

#include <string>
#include <vector>

namespace min_lumo_tool {

struct PendingFile {
    std::string path;  // empty: not asked for
    std::string content;
};

void Write_All(const std::vector<PendingFile>& files);

// A drawing's title: the file's name and what was done to it.
std::string Title(const std::string& path, const char* what);

}  // namespace min_lumo_tool

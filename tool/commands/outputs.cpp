#include "tool/commands/outputs.h"

#include <filesystem>

#include <fmt/format.h>

#include "tool/output/atomic_file.h"

namespace min_lumo_tool {

void Write_All(const std::vector<PendingFile>& files) {
    for (const PendingFile& file : files)
        if (!file.path.empty()) Write_File_Atomically(file.path, file.content);
}

std::string Title(const std::string& path, const char* what) {
    return fmt::format("{}: {}", std::filesystem::path(path).filename().string(), what);
}

}  // namespace min_lumo_tool

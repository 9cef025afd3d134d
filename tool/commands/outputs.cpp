#include "tool/commands/outputs.h"

#include <filesystem>

#include <fmt/format.h>

#include "tool/output/atomic_file.h"

namespace min_lumo_tool {

void Write_All(const std::vector<PendingOutput>& files) { Write_All_Or_None(files); }

std::string Title(const std::string& path, const char* what) {
    return fmt::format("{}: {}", std::filesystem::path(path).filename().string(), what);
}

}  // namespace min_lumo_tool

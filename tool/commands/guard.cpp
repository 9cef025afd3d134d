#include "tool/commands/guard.h"

#include <cstdio>

namespace min_lumo_tool {

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void Print_Error(const std::string& text) {
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace min_lumo_tool

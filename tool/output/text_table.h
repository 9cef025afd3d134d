// Plain text tables with aligned columns for the human-readable reports.
#pragma once

#include <string>
#include <vector>

namespace min_lumo_tool {

class TextTable {
public:
    // A column whose name starts with '>' is right-aligned (numbers).
    explicit TextTable(std::vector<std::string> columns);
    void Add_Row(std::vector<std::string> cells);
    // The header and every row, each line indented by two spaces.
    std::string Render() const;

private:
    std::vector<std::string> columns_;
    std::vector<bool> rightAligned_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace min_lumo_tool

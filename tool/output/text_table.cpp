#include "tool/output/text_table.h"

#include <algorithm>

namespace min_lumo_tool {

namespace {

// Width in characters; UTF-8 continuation bytes take no column.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

TextTable::TextTable(std::vector<std::string> columns) {
    for (std::string& column : columns) {
        const bool right = !column.empty() && column.front() == '>';
        rightAligned_.push_back(right);
        columns_.push_back(right ? column.substr(1) : column);
    }
}

void TextTable::Add_Row(std::vector<std::string> cells) {
    cells.resize(columns_.size());
    rows_.push_back(std::move(cells));
}

std::string TextTable::Render() const {
    std::vector<std::size_t> widths;
    for (const std::string& column : columns_) widths.push_back(Width(column));
    for (const auto& row : rows_)
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Width(row[c]));
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string text = " ";
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::string padding(widths[c] - Width(cells[c]), ' ');
            text += ' ';
            text += rightAligned_[c] ? padding + cells[c] : cells[c] + (c + 1 < cells.size() ? padding : "");
            if (c + 1 < cells.size()) text += ' ';
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text + "\n";
    };
    std::string text = line(columns_);
    for (const auto& row : rows_) text += line(row);
    return text;
}

}  // namespace min_lumo_tool

#include "tool/output/text_table.h"

#include <algorithm>

#include <fmt/format.h>

namespace min_lumo_tool {

std::size_t Text_Width(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

namespace {

// The first `characters` characters of a UTF-8 text.
std::string Leading_Characters(const std::string& text, std::size_t characters) {
    std::size_t end = 0, counted = 0;
    while (end < text.size()) {
        const bool starts = (static_cast<unsigned char>(text[end]) & 0xC0) != 0x80;
        if (starts && counted++ == characters) break;
        ++end;
    }
    return text.substr(0, end);
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
    for (const std::string& column : columns_) widths.push_back(Text_Width(column));
    for (const auto& row : rows_)
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Text_Width(row[c]));
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string text = " ";
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::string padding(widths[c] - Text_Width(cells[c]), ' ');
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

std::size_t TextTable::Column_Width(std::size_t column) const {
    std::size_t width = Text_Width(columns_.at(column));
    for (const auto& row : rows_) width = std::max(width, Text_Width(row[column]));
    return width;
}

std::size_t TextTable::Width() const {
    const std::string text = Render();
    std::size_t widest = 0, start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start))
        widest = std::max(widest, Text_Width(text.substr(start, end - start)));
    return widest;
}

std::string Wrap_Text(const std::string& text, std::size_t columns, const std::string& firstIndent,
                      const std::string& nextIndent) {
    std::string wrapped, line = firstIndent;
    bool lineHasWord = false;
    const auto finish = [&] {
        wrapped += line + "\n";
        line = nextIndent;
        lineHasWord = false;
    };
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t space = text.find(' ', start);
        std::string word = text.substr(start, space == std::string::npos ? std::string::npos : space - start);
        start = space == std::string::npos ? text.size() : space + 1;
        if (word.empty()) continue;
        if (lineHasWord && Text_Width(line) + 1 + Text_Width(word) > columns) finish();
        // A word wider than a whole line goes in pieces.
        while (Text_Width(line) + (lineHasWord ? 1 : 0) + Text_Width(word) > columns) {
            const std::size_t room = columns - std::min(columns - 1, Text_Width(line) + (lineHasWord ? 1 : 0));
            const std::string piece = Leading_Characters(word, room);
            line += (lineHasWord ? " " : "") + piece;
            word = word.substr(piece.size());
            finish();
        }
        if (word.empty()) continue;
        line += (lineHasWord ? " " : "") + word;
        lineHasWord = true;
    }
    if (lineHasWord || wrapped.empty()) finish();
    return wrapped;
}

TableNames::TableNames(const std::vector<std::string>& names, std::size_t room) : names_(names) {
    constexpr std::size_t shortestCut = 3;  // characters of the name kept before the mark
    std::size_t cuts = 0;
    const auto taken = [&](const std::string& candidate) {
        return std::find(names_.begin(), names_.end(), candidate) != names_.end()
               || std::find(shown_.begin(), shown_.end(), candidate) != shown_.end();
    };
    for (const std::string& name : names_) {
        if (Text_Width(name) <= room) {
            shown_.push_back(name);
            continue;
        }
        std::string cut;
        do {
            const std::string mark = "~" + std::to_string(++cuts);
            cut = Leading_Characters(name, std::max(shortestCut, room > mark.size() ? room - mark.size() : 0)) + mark;
        } while (taken(cut));
        shown_.push_back(cut);
    }
}

std::string TableNames::Key() const {
    std::size_t widest = 0;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (shown_[i] != names_[i]) widest = std::max(widest, Text_Width(shown_[i]));
    std::string key;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (shown_[i] != names_[i]) {
            const std::string indent = "  " + shown_[i] + std::string(widest - Text_Width(shown_[i]) + 2, ' ');
            key += Wrap_Text(names_[i], reportColumns, indent, std::string(indent.size(), ' '));
        }
    return key;
}

std::string Plural(std::size_t count, const char* thing) {
    return fmt::format("{} {}{}", count, thing, count == 1 ? "" : "s");
}

}  // namespace min_lumo_tool

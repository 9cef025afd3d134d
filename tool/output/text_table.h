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
    // The widest rendered line, in columns; a column's width in characters.
    std::size_t Width() const;
    std::size_t Column_Width(std::size_t column) const;

private:
    std::vector<std::string> columns_;
    std::vector<bool> rightAligned_;
    std::vector<std::vector<std::string>> rows_;
};

// "1 file", "2 files": a count and its thing, plural with an s.
std::string Plural(std::size_t count, const char* thing);

// Reports keep to this many columns (a terminal, a printed page).
inline constexpr std::size_t reportColumns = 120;

// Width in characters; UTF-8 continuation bytes take no column.
std::size_t Text_Width(const std::string& text);

// `text` in lines of at most `columns` characters, broken at spaces, the
// first line after `firstIndent`, the others after `nextIndent`; a word
// longer than a line is broken where the line ends.  Every line ends in a
// line feed.
std::string Wrap_Text(const std::string& text, std::size_t columns, const std::string& firstIndent,
                      const std::string& nextIndent);

// Names as narrow tables show them: a name longer than the room is cut and
// marked ~N, N counting the names cut, so that no two cut names (nor a cut
// and a whole one) read the same.
class TableNames {
public:
    TableNames(const std::vector<std::string>& names, std::size_t room);
    const std::string& Shown(std::size_t index) const { return shown_[index]; }
    // "  SHOWN  FULL NAME" per name cut, in the order given; empty when none is.
    std::string Key() const;

private:
    std::vector<std::string> names_, shown_;
};

}  // namespace min_lumo_tool

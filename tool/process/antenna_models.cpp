#include "tool/process/antenna_models.h"

#include <sstream>
#include <vector>

#include "tool/field/line_reader.h"
#include "tool/field/occupation.h"
#include "tool/field/rinex_header.h"

namespace min_lumo_tool {

namespace {

using min_lumo_field::FieldFileError;
using min_lumo_field::LineReader;

constexpr std::size_t labelColumn = 60, typeWidth = 20;
constexpr std::string_view versionLabel = "ANTEX VERSION / SYST", typeLabel = "TYPE / SERIAL NO";

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::istringstream in{std::string(text)};
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::string_view Label(std::string_view line) {
    return line.size() > labelColumn ? min_lumo_field::Trimmed(line.substr(labelColumn)) : std::string_view();
}

AntennaTypes Read_From(LineReader& lines) {
    AntennaTypes types;
    std::string_view line;
    if (!lines.Next(line) || Label(line) != versionLabel)
        throw FieldFileError(lines.Name(), 1, "not an ANTEX file: the first line is not ANTEX VERSION / SYST");
    while (lines.Next(line)) {
        if (Label(line) != typeLabel) continue;
        const std::vector<std::string> words = Words(min_lumo_field::Columns(line, 0, typeWidth));
        std::string joined;
        for (const std::string& word : words) joined += (joined.empty() ? "" : " ") + word;
        if (!joined.empty()) types.insert(joined);
    }
    return types;
}

}  // namespace

AntennaTypes Antex_Antenna_Types(const std::string& file) {
    LineReader lines(file);
    return Read_From(lines);
}

AntennaTypes Antex_Antenna_Types_Of_Bytes(const std::string& name, std::string_view bytes) {
    LineReader lines(name, bytes);
    return Read_From(lines);
}

bool Antex_Has_Model(const AntennaTypes& types, const std::string& type) {
    const std::vector<std::string> words = Words(type);
    if (words.empty()) return false;
    for (const std::string& known : types) {
        bool all = true;
        for (const std::string& word : words) all = all && known.find(word) != std::string::npos;
        if (all) return true;
    }
    for (const std::string& known : types)
        if (known.rfind(words.front(), 0) == 0) return true;
    return false;
}

}  // namespace min_lumo_tool

#include "tool/field/field_file.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "tool/field/gnss_time.h"
#include "tool/field/line_reader.h"
#include "tool/field/occupation.h"
#include "tool/field/occupation_log.h"
#include "tool/field/rinex_header.h"
#include "tool/field/rinex_reader.h"

namespace min_lumo_field {

namespace {

constexpr std::size_t labelColumn = 60, fileTypeColumn = 20;

bool Label_Starts(std::string_view line, std::string_view label) {
    return line.size() > labelColumn && Trimmed(line.substr(labelColumn)).substr(0, label.size()) == label;
}

bool Is_Observation_Type_Line(std::string_view line) {
    return Label_Starts(line, "RINEX VERSION") && line.size() > fileTypeColumn
           && (line[fileTypeColumn] == 'O' || line[fileTypeColumn] == 'o');
}

bool Is_Log_Line(std::string_view line) {
    const std::size_t firstComma = line.find(',');
    if (firstComma == std::string_view::npos) return false;
    std::string first(Trimmed(line.substr(0, firstComma)));
    std::transform(first.begin(), first.end(), first.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (first == "station") return true;
    const std::size_t secondComma = line.find(',', firstComma + 1);
    if (secondComma == std::string_view::npos) return false;
    return Parse_Iso_Utc(Trimmed(line.substr(firstComma + 1, secondComma - firstComma - 1))).has_value();
}

// What the first lines of the data are; the reader is left somewhere after them.
FieldFileKind Kind_Of(LineReader& lines) {
    std::string_view line;
    if (!lines.Next(line)) return FieldFileKind::Other;
    // A byte order mark before the text.
    if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    if (Label_Starts(line, "CRINEX VERS")) {
        if (!lines.Next(line) || !lines.Next(line)) return FieldFileKind::Other;
        return Is_Observation_Type_Line(line) ? FieldFileKind::RinexObservation : FieldFileKind::Other;
    }
    if (Is_Observation_Type_Line(line)) return FieldFileKind::RinexObservation;
    for (;;) {
        const std::string_view text = Trimmed(line);
        if (!text.empty() && text.front() != '#')
            return Is_Log_Line(text) ? FieldFileKind::OccupationLog : FieldFileKind::Other;
        if (!lines.Next(line)) return FieldFileKind::Other;
    }
}

std::vector<Occupation> Read_As(FieldFileKind kind, LineReader& lines) {
    if (kind == FieldFileKind::OccupationLog) return Read_Occupation_Log(lines);
    std::vector<Occupation> occupations;
    occupations.push_back(Read_Occupation(lines));
    return occupations;
}

}  // namespace

FieldFile Read_Field_File(const std::string& path, std::optional<FieldFileKind> kind) {
    FieldFile file;
    if (kind) {
        LineReader lines(path);
        file.kind = *kind;
        file.occupations = Read_As(*kind, lines);
        return file;
    }
    std::optional<LineReader> lines;
    try {
        lines.emplace(path);
        file.kind = Kind_Of(*lines);
    } catch (const DamagedFieldFile&) {
        throw;
    } catch (const FieldFileError& error) {
        // Cannot be opened, or packed in a way not read: named, not read.
        file.notRead = error.reason;
        return file;
    }
    if (file.kind == FieldFileKind::Other) {
        // Compressed data cut before its first lines: a damaged file, not
        // some other kind.
        if (!lines->Stream_Problem().empty())
            throw DamagedFieldFile(path, lines->Line_Number(), lines->Stream_Problem());
        file.notRead = "neither RINEX observation data nor an occupation log";
        return file;
    }
    // The lines looked at are still in the buffer, unless the first were
    // very long: then the file is opened again.
    if (!lines->Rewind()) lines.emplace(path);
    file.occupations = Read_As(file.kind, *lines);
    return file;
}

}  // namespace min_lumo_field

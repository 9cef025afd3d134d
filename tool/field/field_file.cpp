#include "tool/field/field_file_kind.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "tool/field/gnss_time.h"
#include "tool/field/line_reader.h"
#include "tool/field/occupation.h"
#include "tool/field/rinex_header.h"

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

}  // namespace

FieldFileKind Field_File_Kind(const std::string& path) {
    try {
        LineReader lines(path);
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
            if (!text.empty() && text.front() != '#') return Is_Log_Line(text) ? FieldFileKind::OccupationLog : FieldFileKind::Other;
            if (!lines.Next(line)) return FieldFileKind::Other;
        }
    } catch (const FieldFileError&) {
        return FieldFileKind::Other;
    }
}

}  // namespace min_lumo_field

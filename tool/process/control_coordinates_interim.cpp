#include "tool/process/control_coordinates_interim.h"

#include <cmath>
#include <sstream>

#include <fmt/format.h>

#include "tool/field/line_reader.h"
#include "tool/field/occupation.h"
#include "tool/field/rinex_header.h"
#include "tool/field/wgs84_conversion.h"

namespace min_lumo_tool {

namespace {

using min_lumo_field::FieldFileError;

std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = line.find(',', at);
        fields.emplace_back(min_lumo_field::Trimmed(line.substr(at, comma == std::string_view::npos ? comma : comma - at)));
        if (comma == std::string_view::npos) break;
        at = comma + 1;
    }
    return fields;
}

std::string Lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::vector<min_lumo_vectors::ControlCoordinate> Read_Control_Coordinates_Interim(const std::string& file) {
    min_lumo_field::LineReader lines(file);
    std::string_view line;
    std::vector<min_lumo_vectors::ControlCoordinate> controls;
    bool geodetic = false, headed = false;
    while (lines.Next(line)) {
        const std::string_view text = min_lumo_field::Trimmed(line);
        if (text.empty() || text.front() == '#') continue;
        const std::vector<std::string> fields = Fields(text);
        const int64_t number = lines.Line_Number();
        if (!headed) {
            std::string heading;
            for (const std::string& field : fields) heading += (heading.empty() ? "" : ",") + Lowered(field);
            if (heading == "station,x,y,z") geodetic = false;
            else if (heading == "station,latitude,longitude,height") geodetic = true;
            else
                throw FieldFileError(file, number, "the heading must be station,X,Y,Z or station,latitude,longitude,height");
            headed = true;
            continue;
        }
        if (fields.size() != 4)
            throw FieldFileError(file, number, fmt::format("{} fields; a line holds a station and three numbers", fields.size()));
        double values[3] = {};
        for (std::size_t i = 0; i < 3; ++i) {
            std::istringstream in(fields[i + 1]);
            in.imbue(std::locale::classic());
            if (!(in >> values[i]) || !in.eof() || !std::isfinite(values[i]))
                throw FieldFileError(file, number, fmt::format("field {} ('{}') is not a number", i + 2, fields[i + 1]));
        }
        if (fields[0].empty()) throw FieldFileError(file, number, "no station name");
        min_lumo_vectors::ControlCoordinate control;
        control.station = fields[0];
        control.file = file;
        control.line = number;
        if (geodetic) {
            const auto position = min_lumo_field::Earth_Centred_From_Geodetic(values[0], values[1], values[2]);
            control.position = {position.x, position.y, position.z};
        } else {
            control.position = {values[0], values[1], values[2]};
        }
        controls.push_back(control);
    }
    if (!headed) throw FieldFileError(file, 0, "no heading and no control");
    return controls;
}

}  // namespace min_lumo_tool

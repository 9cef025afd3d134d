#include "tool/field/occupation_log.h"

#include <array>
#include <cmath>
#include <map>
#include <string>

#include <fmt/format.h>

#include "tool/field/gnss_time.h"
#include "tool/field/line_reader.h"
#include "tool/field/rinex_header.h"

namespace min_lumo_field {

namespace {

constexpr std::size_t fieldsWithoutPosition = 3;
constexpr std::size_t fieldsWithPosition = 6;
constexpr std::array<const char*, fieldsWithPosition> fieldNames = {"station", "start", "end",
                                                                     "latitude", "longitude", "height"};
// Heights on WGS 84 from the deepest land depression to above the highest peak.
constexpr double lowestHeightMetres = -1000.0;
constexpr double highestHeightMetres = 10000.0;
constexpr std::string_view utf8ByteOrderMark = "\xef\xbb\xbf";
constexpr std::string_view logFormat = "occupation log (CSV)";

char Ascii_Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool Equal_Ignoring_Case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Ascii_Lower(a[i]) != Ascii_Lower(b[i])) return false;
    return true;
}

std::vector<std::string_view> Split_Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = line.find(',');
        fields.push_back(Trimmed(line.substr(0, comma)));
        if (comma == std::string_view::npos) return fields;
        line.remove_prefix(comma + 1);
    }
}

class LogReader {
public:
    explicit LogReader(LineReader& lines) : lines_(lines) {}

    std::vector<Occupation> Read() {
        std::vector<Occupation> occupations;
        std::string_view line;
        bool first = true;
        while (lines_.Next(line)) {
            if (first && line.substr(0, utf8ByteOrderMark.size()) == utf8ByteOrderMark)
                line.remove_prefix(utf8ByteOrderMark.size());
            const std::string_view content = Trimmed(line);
            if (content.empty() || content.front() == '#') continue;
            const std::vector<std::string_view> fields = Split_Fields(content);
            const bool heading = first && Equal_Ignoring_Case(fields.front(), "station");
            first = false;
            if (heading) {
                Refuse_Repeated_Columns(fields);
                continue;
            }
            occupations.push_back(Read_Line(fields));
        }
        if (!lines_.Stream_Problem().empty())
            throw DamagedFieldFile(lines_.Name(), lines_.Line_Number(), lines_.Stream_Problem());
        if (occupations.empty()) Fail(0, "the log holds no occupation");
        return occupations;
    }

private:
    [[noreturn]] void Fail(int64_t line, const std::string& reason) const {
        throw FieldFileError(lines_.Name(), line, reason);
    }

    // A heading naming a column twice leaves the surveyor's meaning open
    // (the heading is matched ignoring case, so "Start" repeats "start").
    void Refuse_Repeated_Columns(const std::vector<std::string_view>& heading) const {
        std::map<std::string, std::size_t> seen;  // lower-case name: its field index
        for (std::size_t i = 0; i < heading.size(); ++i) {
            if (heading[i].empty()) continue;
            std::string name(heading[i]);
            for (char& c : name) c = Ascii_Lower(c);
            const auto [first, fresh] = seen.emplace(std::move(name), i);
            if (!fresh)
                Fail(lines_.Line_Number(), fmt::format("the heading names the column '{}' twice (fields {} and {})",
                                                       heading[i], first->second + 1, i + 1));
        }
    }

    [[noreturn]] void Fail_Field(std::size_t index, std::string_view value, const std::string& what) const {
        Fail(lines_.Line_Number(), fmt::format("field {} ({}): '{}' {}", index + 1, fieldNames[index], value, what));
    }

    double Read_Time(const std::vector<std::string_view>& fields, std::size_t index) const {
        const std::optional<double> utc = Parse_Iso_Utc(fields[index]);
        if (!utc) Fail_Field(index, fields[index], "is not an ISO 8601 time such as 2024-05-14T07:30:00Z");
        return Gps_Seconds_From_Utc(*utc);
    }

    double Read_Number(const std::vector<std::string_view>& fields, std::size_t index, double low, double high) const {
        const std::optional<double> value = Parse_Real_Field(fields[index]);
        if (!value) Fail_Field(index, fields[index], "is not a number");
        if (*value < low || *value > high) Fail_Field(index, fields[index], fmt::format("is outside {} to {}", low, high));
        return *value;
    }

    Occupation Read_Line(const std::vector<std::string_view>& fields) const {
        if (fields.size() != fieldsWithoutPosition && fields.size() != fieldsWithPosition)
            Fail(lines_.Line_Number(),
                 fmt::format("{} fields; a line holds station,start,end or station,start,end,latitude,longitude,height",
                             fields.size()));
        Occupation occupation;
        occupation.file = lines_.Name();
        occupation.format = logFormat;
        occupation.station = std::string(fields[0]);
        if (occupation.station.empty()) Fail_Field(0, fields[0], "is empty");
        occupation.firstGps = Read_Time(fields, 1);
        occupation.lastGps = Read_Time(fields, 2);
        if (occupation.lastGps < occupation.firstGps) Fail_Field(2, fields[2], "is before the start");
        occupation.hasEpochs = true;
        occupation.files = {occupation.file};
        occupation.markerName = occupation.station;
        // Data at every instant from start to end: one continuous run.
        occupation.epochRuns = {{occupation.firstGps, occupation.lastGps, 0}};
        if (fields.size() == fieldsWithPosition) {
            const double latitude = Read_Number(fields, 3, -90.0, 90.0);
            const double longitude = Read_Number(fields, 4, -180.0, 180.0);
            const double height = Read_Number(fields, 5, lowestHeightMetres, highestHeightMetres);
            Set_Geodetic_Position(occupation, latitude, longitude, height);
        }
        return occupation;
    }

    LineReader& lines_;
};

}  // namespace

std::vector<Occupation> Read_Occupation_Log(LineReader& lines) { return LogReader(lines).Read(); }

std::vector<Occupation> Read_Occupation_Log(const std::string& path) {
    LineReader lines(path);
    return LogReader(lines).Read();
}

std::vector<Occupation> Read_Occupation_Log_From_Memory(const std::string& name, std::string_view bytes) {
    LineReader lines(name, bytes);
    return LogReader(lines).Read();
}

}  // namespace min_lumo_field

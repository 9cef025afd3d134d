// The tool's vectors CSV, read and written (see vector_files.h).
#include <array>
#include <map>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "tool/vectors/vector_files.h"
#include "tool/vectors/vector_records.h"

namespace min_lumo_vectors {

namespace {

// The columns read, in the order the writer writes them.
enum Column : std::size_t {
    from, to, session, dX, dY, dZ, sXX, sXY, sXZ, sYY, sYZ, sZZ,
    label, solution, ratio, satellites, epochs, start, end, engineSeconds, baseX, baseY, baseZ, columnCount
};
constexpr std::array<const char*, columnCount> columnNames = {
    "from", "to", "session", "dX", "dY", "dZ", "sXX", "sXY", "sXZ", "sYY", "sYZ", "sZZ",
    "label", "solution", "ratio", "satellites", "epochs", "start", "end", "engineSeconds", "baseX", "baseY", "baseZ"};
constexpr std::array<Column, 11> requiredColumns = {from, to, dX, dY, dZ, sXX, sXY, sXZ, sYY, sYZ, sZZ};
// The writer's columns: the required ones and what a vector commonly knows.
constexpr Column lastWrittenColumn = end;
constexpr std::size_t absentColumn = static_cast<std::size_t>(-1);

class CsvReader {
public:
    CsvReader(const std::string& name, std::string_view bytes) : name_(name), bytes_(bytes) {}

    VectorFile Read() {
        VectorFile read;
        bool headingRead = false;
        for (const TextLine& line : Text_Lines(bytes_)) {
            const std::string_view content = min_lumo_field::Trimmed(line.text);
            if (content.empty() || content.front() == '#') continue;
            line_ = line.number;
            const std::vector<std::string_view> cells = Csv_Cells(content);
            if (!headingRead) {
                Read_Heading(cells, read.warnings);
                headingRead = true;
                continue;
            }
            read.vectors.push_back(Read_Row(cells));
        }
        if (!headingRead) throw VectorFileError(name_, 0, "", "has no heading line (from,to,session,dX,...)");
        return read;
    }

private:
    [[noreturn]] void Fail(const std::string& field, const std::string& reason) const {
        throw VectorFileError(name_, line_, field, reason);
    }

    void Read_Heading(const std::vector<std::string_view>& cells, std::vector<std::string>& warnings) {
        index_.fill(absentColumn);
        std::map<std::string, std::size_t> seen;  // lower-cased name: its cell
        std::vector<std::string> unread;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            std::string lower(cells[i]);
            for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            if (!lower.empty()) {
                const auto [first, fresh] = seen.emplace(lower, i);
                if (!fresh)
                    Fail("", fmt::format("the heading names the column {} twice (columns {} and {})", Quoted(cells[i]),
                                         first->second + 1, i + 1));
            }
            bool known = false;
            for (std::size_t c = 0; c < columnCount; ++c)
                if (Equal_Ignoring_Case(cells[i], columnNames[c])) {
                    index_[c] = i;
                    known = true;
                }
            if (!known) unread.push_back(cells[i].empty() ? fmt::format("(column {})", i + 1) : std::string(cells[i]));
        }
        headingCells_ = cells.size();
        std::string missing;
        for (const Column c : requiredColumns)
            if (index_[c] == absentColumn) missing += (missing.empty() ? "" : ", ") + std::string(columnNames[c]);
        if (!missing.empty())
            Fail("", fmt::format("the heading lacks the column{} {}; a vectors CSV starts "
                                 "from,to,session,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ",
                                 missing.find(',') == std::string::npos ? "" : "s", missing));
        const int present = (index_[baseX] != absentColumn) + (index_[baseY] != absentColumn) + (index_[baseZ] != absentColumn);
        if (present != 0 && present != 3) Fail("", "the heading names some of baseX, baseY, baseZ: all three or none");
        if (!unread.empty()) {
            std::string list;
            for (const std::string& column : unread) list += (list.empty() ? "" : ", ") + column;
            warnings.push_back(min_lumo_field::Located(name_, line_, "columns not read: " + list));
        }
    }

    std::string_view Cell(const std::vector<std::string_view>& cells, Column column) const {
        return index_[column] == absentColumn ? std::string_view() : cells[index_[column]];
    }

    double Number(const std::vector<std::string_view>& cells, Column column) const {
        const std::string_view text = Cell(cells, column);
        if (text.empty()) Fail(columnNames[column], "is empty");
        const std::optional<double> value = Strict_Number(text);
        if (!value) Fail(columnNames[column], fmt::format("{} is not a number", Quoted(text)));
        return *value;
    }

    std::optional<double> Optional_Number(const std::vector<std::string_view>& cells, Column column) const {
        if (Cell(cells, column).empty()) return std::nullopt;
        return Number(cells, column);
    }

    int64_t Count(const std::vector<std::string_view>& cells, Column column, int64_t largest) const {
        const std::string_view text = Cell(cells, column);
        if (text.empty()) return 0;
        const std::optional<int64_t> value = Strict_Integer(text);
        if (!value || *value < 0 || *value > largest)
            Fail(columnNames[column], fmt::format("{} is not a whole number from 0 to {}", Quoted(text), largest));
        return *value;
    }

    double Time(const std::vector<std::string_view>& cells, Column column) const {
        const std::string_view text = Cell(cells, column);
        if (text.empty()) return 0.0;
        const std::optional<double> seconds = Gps_Seconds_From_Iso(text);
        if (!seconds) Fail(columnNames[column], fmt::format("{} is not a GPS time YYYY-MM-DDThh:mm:ss", Quoted(text)));
        return *seconds;
    }

    ProcessedVector Read_Row(const std::vector<std::string_view>& cells) const {
        if (cells.size() != headingCells_)
            Fail("", fmt::format("{} cells, but the heading has {} columns", cells.size(), headingCells_));
        ProcessedVector vector;
        vector.file = name_;
        vector.line = line_;
        vector.from = std::string(Cell(cells, from));
        vector.to = std::string(Cell(cells, to));
        vector.session = std::string(Cell(cells, session));
        vector.label = std::string(Cell(cells, label));
        vector.dX = Number(cells, dX);
        vector.dY = Number(cells, dY);
        vector.dZ = Number(cells, dZ);
        vector.covariance = {Number(cells, sXX), Number(cells, sXY), Number(cells, sXZ),
                             Number(cells, sYY), Number(cells, sYZ), Number(cells, sZZ)};
        if (const std::string_view text = Cell(cells, solution); !text.empty()) {
            const std::optional<SolutionKind> kind = Solution_From_Name(text);
            if (!kind) Fail("solution", fmt::format("{} is none of fixed, float, single, failed", Quoted(text)));
            vector.solution = *kind;
        }
        vector.ratio = Optional_Number(cells, ratio);
        if (vector.ratio && *vector.ratio < 0.0) Fail("ratio", "is negative");
        vector.satellites = static_cast<int32_t>(Count(cells, satellites, 1000));
        vector.epochs = Count(cells, epochs, int64_t{1} << 40);
        vector.startGps = Time(cells, start);
        vector.endGps = Time(cells, end);
        if (vector.endGps < vector.startGps) Fail("end", "is before the start");
        if (const std::optional<double> seconds = Optional_Number(cells, engineSeconds)) {
            if (*seconds < 0.0) Fail("engineSeconds", "is negative");
            vector.engineSeconds = *seconds;
        }
        if (index_[baseX] != absentColumn && !Cell(cells, baseX).empty())
            vector.basePosition = EarthCentred{Number(cells, baseX), Number(cells, baseY), Number(cells, baseZ)};
        Check_Vector(vector, {"from", "to", "dX", "dY", "dZ", "covariance (sXX ... sZZ)"});
        return vector;
    }

    const std::string& name_;
    std::string_view bytes_;
    int64_t line_ = 0;
    std::array<std::size_t, columnCount> index_{};
    std::size_t headingCells_ = 0;
};

void Refuse_Comma(const std::string& text, const char* what, const ProcessedVector& vector) {
    if (text.find_first_of(",\r\n") != std::string::npos)
        throw std::invalid_argument(fmt::format("vector {}: the {} {} holds a comma or a line break, which the CSV "
                                                "cannot hold",
                                                Vector_Name(vector), what, Quoted(text)));
}

}  // namespace

VectorFile Read_Vectors_Csv(const std::string& name, std::string_view bytes) { return CsvReader(name, bytes).Read(); }

std::string Vectors_Csv_Text(const std::vector<ProcessedVector>& vectors) {
    std::string text;
    for (std::size_t c = 0; c <= lastWrittenColumn; ++c) text += (c == 0 ? "" : ",") + std::string(columnNames[c]);
    text += '\n';
    for (const ProcessedVector& v : vectors) {
        Refuse_Comma(v.from, "station", v);
        Refuse_Comma(v.to, "station", v);
        Refuse_Comma(v.session, "session", v);
        Refuse_Comma(v.label, "label", v);
        const VectorCovariance& c = v.covariance;
        text += fmt::format("{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{}\n", v.from, v.to, v.session, v.dX,
                            v.dY, v.dZ, c.xx, c.xy, c.xz, c.yy, c.yz, c.zz, v.label, Solution_Name(v.solution),
                            v.ratio ? fmt::format("{}", *v.ratio) : "", v.satellites, v.epochs,
                            v.startGps != 0.0 ? Gps_Iso_Text(v.startGps) : "",
                            v.endGps != 0.0 ? Gps_Iso_Text(v.endGps) : "");
    }
    return text;
}

}  // namespace min_lumo_vectors

// Control coordinates CSV, read and written (see vector_files.h).
#include <array>
#include <cmath>
#include <map>
#include <string>

#include <fmt/format.h>

#include "tool/field/wgs84_conversion.h"
#include "tool/vectors/vector_files.h"
#include "tool/vectors/vector_records.h"

namespace min_lumo_vectors {

namespace {

enum Column : std::size_t { station, x, y, z, latitude, longitude, height, sigmaEast, sigmaNorth, sigmaUp, columnCount };
constexpr std::array<const char*, columnCount> columnNames = {
    "station", "X", "Y", "Z", "latitude", "longitude", "height", "sigmaEast", "sigmaNorth", "sigmaUp"};
constexpr std::size_t absentColumn = static_cast<std::size_t>(-1);
// A control is a mark on the ground: from the deepest land depression to
// above the highest peak, as the occupation logs take heights.
constexpr double lowestHeightMetres = -1000.0;
constexpr double highestHeightMetres = 10000.0;
constexpr double largestSigmaMetres = 100.0;

class ControlReader {
public:
    ControlReader(const std::string& name, std::string_view bytes) : name_(name), bytes_(bytes) {}

    std::vector<ControlCoordinate> Read(std::vector<std::string>* warnings) {
        std::vector<ControlCoordinate> controls;
        std::map<std::string, int64_t> lineOf;
        bool headingRead = false;
        for (const TextLine& line : Text_Lines(bytes_)) {
            const std::string_view content = min_lumo_field::Trimmed(line.text);
            if (content.empty() || content.front() == '#') continue;
            line_ = line.number;
            const std::vector<std::string_view> cells = Csv_Cells(content);
            if (!headingRead) {
                Read_Heading(cells, warnings);
                headingRead = true;
                continue;
            }
            ControlCoordinate control = Read_Row(cells);
            const auto [first, fresh] = lineOf.emplace(control.station, line_);
            if (!fresh)
                Fail("station", fmt::format("{} is given twice, on lines {} and {}", control.station, first->second, line_));
            controls.push_back(std::move(control));
        }
        if (!headingRead) throw VectorFileError(name_, 0, "", "has no heading line (station,X,Y,Z or station,latitude,longitude,height)");
        if (controls.empty()) throw VectorFileError(name_, 0, "", "holds no control");
        return controls;
    }

private:
    [[noreturn]] void Fail(const std::string& field, const std::string& reason) const {
        throw VectorFileError(name_, line_, field, reason);
    }

    void Read_Heading(const std::vector<std::string_view>& cells, std::vector<std::string>* warnings) {
        index_.fill(absentColumn);
        std::string unread;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            bool known = false;
            for (std::size_t c = 0; c < columnCount; ++c)
                if (Equal_Ignoring_Case(cells[i], columnNames[c])) {
                    if (index_[c] != absentColumn)
                        Fail("", fmt::format("the heading names the column {} twice (columns {} and {})", Quoted(cells[i]),
                                             index_[c] + 1, i + 1));
                    index_[c] = i;
                    known = true;
                }
            if (!known) unread += (unread.empty() ? "" : ", ") + (cells[i].empty() ? fmt::format("(column {})", i + 1)
                                                                                     : std::string(cells[i]));
        }
        cells_ = cells.size();
        const auto has = [&](std::initializer_list<Column> columns) {
            for (const Column c : columns)
                if (index_[c] == absentColumn) return false;
            return true;
        };
        if (index_[station] == absentColumn) Fail("", "the heading lacks the column station");
        earthCentred_ = has({x, y, z});
        if (!earthCentred_ && !has({latitude, longitude, height}))
            Fail("", "the heading names neither X, Y, Z nor latitude, longitude, height");
        const int sigmas = (index_[sigmaEast] != absentColumn) + (index_[sigmaNorth] != absentColumn)
                           + (index_[sigmaUp] != absentColumn);
        if (sigmas != 0 && sigmas != 3) Fail("", "the heading names some of sigmaEast, sigmaNorth, sigmaUp: all three or none");
        if (earthCentred_ && has({latitude, longitude, height})) unread += std::string(unread.empty() ? "" : ", ") +
                                                                       "latitude, longitude, height (X, Y, Z are read)";
        if (!unread.empty() && warnings != nullptr)
            warnings->push_back(min_lumo_field::Located(name_, line_, "columns not read: " + unread));
    }

    double Number(const std::vector<std::string_view>& cells, Column column) const {
        const std::string_view text = cells[index_[column]];
        if (text.empty()) Fail(columnNames[column], "is empty");
        const std::optional<double> value = Strict_Number(text);
        if (!value) Fail(columnNames[column], fmt::format("{} is not a number", Quoted(text)));
        return *value;
    }

    double Ranged(const std::vector<std::string_view>& cells, Column column, double low, double high) const {
        const double value = Number(cells, column);
        if (value < low || value > high) Fail(columnNames[column], fmt::format("{} is outside {} to {}", value, low, high));
        return value;
    }

    ControlCoordinate Read_Row(const std::vector<std::string_view>& cells) const {
        if (cells.size() != cells_) Fail("", fmt::format("{} cells, but the heading has {} columns", cells.size(), cells_));
        ControlCoordinate control;
        control.file = name_;
        control.line = line_;
        control.station = std::string(cells[index_[station]]);
        Check_Station_Name(control.station, name_, line_, "station");
        if (earthCentred_) {
            control.position = {Number(cells, x), Number(cells, y), Number(cells, z)};
            const min_lumo_field::GeodeticPosition geodetic =
                min_lumo_field::Geodetic_From_Earth_Centred(control.position.x, control.position.y, control.position.z);
            if (geodetic.height < lowestHeightMetres || geodetic.height > highestHeightMetres)
                Fail("X, Y, Z", fmt::format("the position lies {:.0f} m from the ellipsoid, not on the Earth's surface",
                                            geodetic.height));
        } else {
            const double lat = Ranged(cells, latitude, -90.0, 90.0);
            const double lon = Ranged(cells, longitude, -180.0, 360.0);
            const double h = Ranged(cells, height, lowestHeightMetres, highestHeightMetres);
            const min_lumo::CartesianPosition p = min_lumo_field::Earth_Centred_From_Geodetic(lat, lon, h);
            control.position = {p.x, p.y, p.z};
        }
        if (index_[sigmaEast] != absentColumn) {
            const Column sigmaColumns[] = {sigmaEast, sigmaNorth, sigmaUp};
            int given = 0;
            for (const Column c : sigmaColumns) given += !cells[index_[c]].empty();
            if (given != 0 && given != 3) Fail("sigmaEast, sigmaNorth, sigmaUp", "give all three (weighted) or none (held)");
            if (given == 3) {
                std::array<double, 3> sigmas{};
                for (std::size_t k = 0; k < 3; ++k) {
                    sigmas[k] = Number(cells, sigmaColumns[k]);
                    if (!(sigmas[k] > 0.0) || sigmas[k] > largestSigmaMetres)
                        Fail(columnNames[sigmaColumns[k]], fmt::format("{} m is not a standard deviation from above 0 to {} m",
                                                                       sigmas[k], largestSigmaMetres));
                }
                control.sigmasMetres = sigmas;
            }
        }
        return control;
    }

    const std::string& name_;
    std::string_view bytes_;
    int64_t line_ = 0;
    std::array<std::size_t, columnCount> index_{};
    std::size_t cells_ = 0;
    bool earthCentred_ = true;
};

}  // namespace

std::vector<ControlCoordinate> Read_Control_Coordinates_From_Memory(const std::string& name, std::string_view bytes,
                                                                    std::vector<std::string>* warnings) {
    return ControlReader(name, bytes).Read(warnings);
}

std::vector<ControlCoordinate> Read_Control_Coordinates(const std::string& path, std::vector<std::string>* warnings) {
    return Read_Control_Coordinates_From_Memory(path, File_Bytes(path), warnings);
}

std::string Control_Coordinates_Csv_Text(const std::vector<ControlCoordinate>& controls) {
    bool sigmas = false;
    for (const ControlCoordinate& control : controls) sigmas = sigmas || control.sigmasMetres.has_value();
    std::string text = sigmas ? "station,X,Y,Z,sigmaEast,sigmaNorth,sigmaUp\n" : "station,X,Y,Z\n";
    for (const ControlCoordinate& c : controls) {
        text += fmt::format("{},{},{},{}", c.station, c.position.x, c.position.y, c.position.z);
        if (sigmas)
            text += c.sigmasMetres ? fmt::format(",{},{},{}", (*c.sigmasMetres)[0], (*c.sigmasMetres)[1], (*c.sigmasMetres)[2])
                                   : ",,,";
        text += '\n';
    }
    return text;
}

}  // namespace min_lumo_vectors

#include "tool/process/solution_file.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include <fmt/format.h>

#include "hostkit/iso_time.h"

namespace min_lumo_tool {

namespace {

// GPS week 0 began 1980-01-06 00:00:00 GPS time.
constexpr int64_t gpsEpochDays = min_lumo_kit::Days_From_Civil(1980, 1, 6);
constexpr double secondsPerWeek = 7.0 * static_cast<double>(min_lumo_kit::secondsPerDay);
// Week numbers a solution may carry: from 1980 to far beyond any receiver.
constexpr double latestGpsWeek = 10000.0;

constexpr std::size_t solutionFieldCount = 15;
constexpr std::string_view refPosTag = "ref pos";

enum Field : std::size_t { week, seconds, x, y, z, quality, satellites, sdx, sdy, sdz, sdxy, sdyz, sdzx, age, ratio };

bool Is_Space(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string_view> Split_Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && Is_Space(line[at])) ++at;
        const std::size_t start = at;
        while (at < line.size() && !Is_Space(line[at])) ++at;
        if (at > start) fields.push_back(line.substr(start, at - start));
    }
    return fields;
}

std::optional<double> Number(std::string_view text) {
    // from_chars takes no leading '+'; the engine never writes one, but a
    // hand-edited file might.
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The covariance from a signed square root.
double From_Signed_Root(double root) { return root * std::fabs(root); }

class SolutionReader {
public:
    SolutionReader(const std::string& file, std::string_view text) : file_(file), text_(text) {}

    EngineSolution Read() {
        EngineSolution solution;
        std::size_t at = 0;
        int64_t lineNumber = 0;
        while (at < text_.size()) {
            std::size_t end = text_.find('\n', at);
            if (end == std::string_view::npos) end = text_.size();
            std::string_view line = text_.substr(at, end - at);
            at = end + 1;
            ++lineNumber;
            while (!line.empty() && Is_Space(line.back())) line.remove_suffix(1);
            if (line.empty()) continue;
            if (line.front() == '%') {
                Header_Line(line.substr(1), lineNumber, solution);
                continue;
            }
            EngineSolutionLine read = Solution_Line(line, lineNumber);
            if (solution.last && read.gpsSeconds < solution.last->gpsSeconds)
                throw SolutionFileError(file_, lineNumber, "the epochs go back in time");
            solution.last = read;
            ++solution.epochs;
        }
        return solution;
    }

private:
    void Header_Line(std::string_view line, int64_t lineNumber, EngineSolution& solution) const {
        const std::size_t tag = line.find(refPosTag);
        if (tag == std::string_view::npos) return;
        const std::size_t colon = line.find(':', tag);
        if (colon == std::string_view::npos) return;
        const std::vector<std::string_view> fields = Split_Fields(line.substr(colon + 1));
        std::array<double, 3> values{};
        if (fields.size() != values.size())
            throw SolutionFileError(file_, lineNumber, "the base position (ref pos) does not hold three numbers");
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::optional<double> value = Number(fields[i]);
            if (!value)
                throw SolutionFileError(file_, lineNumber,
                                        fmt::format("the base position (ref pos) holds '{}', not a number", fields[i]));
            values[i] = *value;
        }
        solution.basePosition = EarthCentred{values[0], values[1], values[2]};
    }

    EngineSolutionLine Solution_Line(std::string_view line, int64_t lineNumber) const {
        const std::vector<std::string_view> fields = Split_Fields(line);
        if (fields.size() != solutionFieldCount)
            throw SolutionFileError(file_, lineNumber,
                                    fmt::format("{} fields; a solution line holds {} (week, seconds, x, y, z, Q, ns, six "
                                                "standard deviations, age, ratio)",
                                                fields.size(), solutionFieldCount));
        std::array<double, solutionFieldCount> values{};
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::optional<double> value = Number(fields[i]);
            if (!value)
                throw SolutionFileError(file_, lineNumber,
                                        fmt::format("field {} is '{}', not a finite number", i + 1, fields[i]));
            values[i] = *value;
        }
        const double quality = values[Field::quality];
        if (quality != std::floor(quality) || quality < static_cast<double>(EngineQuality::fixed)
            || quality > static_cast<double>(EngineQuality::ppp))
            throw SolutionFileError(file_, lineNumber, fmt::format("quality flag {} is not one of 1 to 6", fields[Field::quality]));
        if (values[Field::satellites] < 0.0 || values[Field::satellites] != std::floor(values[Field::satellites])
            || values[Field::satellites] > 1000.0)
            throw SolutionFileError(file_, lineNumber,
                                    fmt::format("satellite count {} is not a count", fields[Field::satellites]));
        for (const Field sigma : {Field::sdx, Field::sdy, Field::sdz})
            if (values[sigma] < 0.0)
                throw SolutionFileError(file_, lineNumber,
                                        fmt::format("standard deviation {} is negative", fields[sigma]));
        if (values[Field::week] < 0.0 || values[Field::week] > latestGpsWeek
            || values[Field::week] != std::floor(values[Field::week]) || values[Field::seconds] < 0.0
            || values[Field::seconds] > secondsPerWeek)
            throw SolutionFileError(file_, lineNumber,
                                    fmt::format("time {} {} is not a GPS week and seconds of week", fields[Field::week],
                                                fields[Field::seconds]));
        EngineSolutionLine solution;
        solution.gpsSeconds = static_cast<double>(gpsEpochDays) * static_cast<double>(min_lumo_kit::secondsPerDay)
                              + values[Field::week] * secondsPerWeek + values[Field::seconds];
        solution.position = EarthCentred{values[Field::x], values[Field::y], values[Field::z]};
        solution.quality = static_cast<EngineQuality>(static_cast<int32_t>(quality));
        solution.satellites = static_cast<int32_t>(values[Field::satellites]);
        solution.covariance.xx = From_Signed_Root(values[Field::sdx]);
        solution.covariance.yy = From_Signed_Root(values[Field::sdy]);
        solution.covariance.zz = From_Signed_Root(values[Field::sdz]);
        solution.covariance.xy = From_Signed_Root(values[Field::sdxy]);
        solution.covariance.yz = From_Signed_Root(values[Field::sdyz]);
        solution.covariance.xz = From_Signed_Root(values[Field::sdzx]);
        solution.ageSeconds = values[Field::age];
        solution.ratio = values[Field::ratio];
        return solution;
    }

    const std::string& file_;
    std::string_view text_;
};

}  // namespace

SolutionFileError::SolutionFileError(const std::string& file, int64_t line, const std::string& reason)
    : std::runtime_error(fmt::format("{}:{}: {}", file, line, reason)) {}

EngineSolution Parse_Solution_Text(const std::string& file, std::string_view text) {
    return SolutionReader(file, text).Read();
}

SolutionKind Solution_Kind_Of(EngineQuality quality) {
    switch (quality) {
        case EngineQuality::fixed: return SolutionKind::fixed;
        case EngineQuality::floating: return SolutionKind::floating;
        default: return SolutionKind::single;
    }
}


}  // namespace min_lumo_tool

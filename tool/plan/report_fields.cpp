#include "tool/plan/report_fields.h"

#include <cmath>
#include <cstdint>

#include <fmt/format.h>

#include "tool/field/gnss_time.h"

namespace min_lumo_tool {

std::string Hours_Minutes_Seconds(double seconds) {
    if (!std::isfinite(seconds)) return fmt::format("{}", seconds);
    const auto whole = static_cast<int64_t>(std::floor(seconds + 0.5));
    const int64_t sign = whole < 0 ? -1 : 1;
    const int64_t size = whole * sign;
    return fmt::format("{}{}:{:02}:{:02}", sign < 0 ? "-" : "", size / min_lumo_field::secondsPerHour,
                       size % min_lumo_field::secondsPerHour / min_lumo_field::secondsPerMinute,
                       size % min_lumo_field::secondsPerMinute);
}

std::string Joined_Files(const std::vector<std::string>& files) {
    std::string text;
    for (const std::string& file : files) text += (text.empty() ? "" : " + ") + file;
    return text;
}

std::string Csv_Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Csv_Line(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i == 0 ? "" : ",") + Csv_Field(fields[i]);
    return line + "\n";
}

std::pair<std::string, std::string> Compared_Texts(double measured, double required, int decimals) {
    constexpr int mostDecimals = 9;
    const auto sign = [](double difference) { return (difference > 0.0) - (difference < 0.0); };
    for (;; ++decimals) {
        std::string measuredText = fmt::format("{:.{}f}", measured, decimals);
        std::string requiredText = fmt::format("{:.{}f}", required, decimals);
        if (decimals >= mostDecimals
            || sign(std::stod(measuredText) - std::stod(requiredText)) == sign(measured - required))
            return {std::move(measuredText), std::move(requiredText)};
    }
}

}  // namespace min_lumo_tool

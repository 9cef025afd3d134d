#include "hostkit/iso_time.h"

#include <cmath>

#include <fmt/format.h>

namespace min_lumo_kit {

namespace {

bool Is_Leap_Year(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int64_t Days_In_Month(int64_t year, int64_t month) {
    static constexpr int64_t days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && Is_Leap_Year(year) ? 29 : days[month - 1];
}

// Reads exactly `width` digits at `position`.
bool Read_Digits(std::string_view text, std::size_t& position, std::size_t width, int64_t& value) {
    if (position + width > text.size()) return false;
    value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const char c = text[position + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    position += width;
    return true;
}

bool Expect(std::string_view text, std::size_t& position, char wanted) {
    if (position >= text.size() || text[position] != wanted) return false;
    ++position;
    return true;
}

// Seconds east of UTC from what ends the text: Z, an offset, or (when
// allowed) nothing.
std::optional<int64_t> Read_Zone(std::string_view text, std::size_t position, IsoZone zone) {
    if (position == text.size()) return zone == IsoZone::UtcWhenAbsent ? std::optional<int64_t>(0) : std::nullopt;
    if (position + 1 == text.size() && (text[position] == 'Z' || text[position] == 'z')) return 0;
    if (text[position] != '+' && text[position] != '-') return std::nullopt;
    const int64_t sign = text[position] == '-' ? -1 : 1;
    ++position;
    int64_t hours = 0, minutes = 0;
    if (!Read_Digits(text, position, 2, hours)) return std::nullopt;
    if (position < text.size() && text[position] == ':') ++position;
    if (!Read_Digits(text, position, 2, minutes) || position != text.size() || hours > 23 || minutes > 59)
        return std::nullopt;
    return sign * (hours * secondsPerHour + minutes * secondsPerMinute);
}

}  // namespace

CivilDate Civil_From_Days(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

CivilDateTime Civil_From_Seconds(int64_t seconds) {
    int64_t days = seconds / secondsPerDay;
    int64_t rest = seconds % secondsPerDay;
    if (rest < 0) {
        rest += secondsPerDay;
        --days;
    }
    const CivilDate date = Civil_From_Days(days);
    return {date.year,
            date.month,
            date.day,
            rest / secondsPerHour,
            rest % secondsPerHour / secondsPerMinute,
            rest % secondsPerMinute};
}

bool Is_Valid_Civil_Date(int64_t year, int64_t month, int64_t day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= Days_In_Month(year, month);
}

std::optional<double> Parse_Iso_Time(std::string_view text, IsoZone zone) {
    std::size_t position = 0;
    int64_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!Read_Digits(text, position, 4, year) || !Expect(text, position, '-') || !Read_Digits(text, position, 2, month)
        || !Expect(text, position, '-') || !Read_Digits(text, position, 2, day))
        return std::nullopt;
    if (position >= text.size() || (text[position] != 'T' && text[position] != 't' && text[position] != ' '))
        return std::nullopt;
    ++position;
    if (!Read_Digits(text, position, 2, hour) || !Expect(text, position, ':') || !Read_Digits(text, position, 2, minute))
        return std::nullopt;
    double fraction = 0.0;
    if (position < text.size() && text[position] == ':') {
        ++position;
        if (!Read_Digits(text, position, 2, second)) return std::nullopt;
        if (position < text.size() && text[position] == '.') {
            ++position;
            double scale = 0.1;
            const std::size_t first = position;
            while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
                fraction += scale * (text[position] - '0');
                scale /= 10.0;
                ++position;
            }
            if (position == first) return std::nullopt;
        }
    }
    if (!Is_Valid_Civil_Date(year, month, day) || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    const std::optional<int64_t> offset = Read_Zone(text, position, zone);
    if (!offset) return std::nullopt;
    const int64_t whole = Days_From_Civil(year, month, day) * secondsPerDay + hour * secondsPerHour
                          + minute * secondsPerMinute + second - *offset;
    return static_cast<double>(whole) + fraction;
}

std::string Format_Iso_Time(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e14) return fmt::format("{}", seconds);
    const double wholeSeconds = std::floor(seconds);
    const auto milliseconds = static_cast<int64_t>(std::llround((seconds - wholeSeconds) * 1000.0));
    const CivilDateTime time = Civil_From_Seconds(static_cast<int64_t>(wholeSeconds));
    std::string text = fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", time.year, time.month, time.day, time.hour,
                                   time.minute, time.second);
    if (milliseconds != 0) text += fmt::format(".{:03}", milliseconds < 1000 ? milliseconds : 999);
    return text + "Z";
}

}  // namespace min_lumo_kit

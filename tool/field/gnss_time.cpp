#include "tool/field/gnss_time.h"

#include <array>
#include <cmath>

#include <fmt/format.h>

namespace min_lumo_field {

namespace {

constexpr int64_t secondsPerHour = 3600;
constexpr int64_t secondsPerMinute = 60;
// BeiDou time started on 2006-01-01 at UTC, when GPS - UTC was 14 s.
constexpr double beiDouBehindGpsSeconds = 14.0;

constexpr int64_t Civil_Days(int64_t year, int64_t month, int64_t day) {
    // H. Hinnant's days_from_civil.
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct LeapStep {
    int64_t utcStart;  // POSIX seconds at which the new difference holds
    int32_t gpsMinusUtc;
};

constexpr LeapStep Step(int64_t year, int64_t month, int32_t gpsMinusUtc) {
    return {Civil_Days(year, month, 1) * secondsPerDay, gpsMinusUtc};
}

// GPS - UTC since the start of GPS time, from the IERS Bulletin C
// announcements (TAI - UTC minus the 19 s of TAI - GPS).  No leap second has
// been announced after the one at the end of 2016-12-31; a new announcement
// adds a line here.
constexpr std::array<LeapStep, 19> leapSteps = {{
    {Civil_Days(1980, 1, 6) * secondsPerDay, 0},
    Step(1981, 7, 1), Step(1982, 7, 2), Step(1983, 7, 3), Step(1985, 7, 4),
    Step(1988, 1, 5), Step(1990, 1, 6), Step(1991, 1, 7), Step(1992, 7, 8),
    Step(1993, 7, 9), Step(1994, 7, 10), Step(1996, 1, 11), Step(1997, 7, 12),
    Step(1999, 1, 13), Step(2006, 1, 14), Step(2009, 1, 15), Step(2012, 7, 16),
    Step(2015, 7, 17), Step(2017, 1, 18),
}};

bool Is_Leap_Year(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int64_t Days_In_Month(int64_t year, int64_t month) {
    static constexpr int64_t days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && Is_Leap_Year(year) ? 29 : days[month - 1];
}

struct CivilDate {
    int64_t year, month, day;
};

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

// Seconds east of UTC from what ends the text: nothing, Z, or an offset.
std::optional<int64_t> Read_Zone(std::string_view text, std::size_t position) {
    if (position == text.size()) return 0;
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

std::optional<TimeSystem> Time_System_From_Code(std::string_view code) {
    if (code == "GPS") return TimeSystem::Gps;
    if (code == "GLO") return TimeSystem::Glonass;
    if (code == "GAL") return TimeSystem::Galileo;
    if (code == "QZS") return TimeSystem::Qzss;
    if (code == "IRN") return TimeSystem::Irnss;
    if (code == "BDT") return TimeSystem::BeiDou;
    if (code == "UTC") return TimeSystem::Utc;
    return std::nullopt;
}

const char* Time_System_Code(TimeSystem system) {
    switch (system) {
    case TimeSystem::Gps: return "GPS";
    case TimeSystem::Glonass: return "GLO";
    case TimeSystem::Galileo: return "GAL";
    case TimeSystem::Qzss: return "QZS";
    case TimeSystem::Irnss: return "IRN";
    case TimeSystem::BeiDou: return "BDT";
    case TimeSystem::Utc: return "UTC";
    }
    return "GPS";
}

int64_t Days_From_Civil(int64_t year, int64_t month, int64_t day) { return Civil_Days(year, month, day); }

bool Is_Valid_Civil_Date(int64_t year, int64_t month, int64_t day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= Days_In_Month(year, month);
}

double Seconds_Of_Civil(const CivilTime& time) {
    const int64_t whole = Civil_Days(time.year, time.month, time.day) * secondsPerDay + time.hour * secondsPerHour
                          + time.minute * secondsPerMinute;
    return static_cast<double>(whole) + time.second;
}

CivilTime Civil_Of_Seconds(int64_t seconds) {
    int64_t days = seconds / secondsPerDay;
    int64_t rest = seconds % secondsPerDay;
    if (rest < 0) {
        rest += secondsPerDay;
        --days;
    }
    const CivilDate date = Civil_From_Days(days);
    CivilTime time;
    time.year = date.year;
    time.month = date.month;
    time.day = date.day;
    time.hour = rest / secondsPerHour;
    time.minute = rest / secondsPerMinute % 60;
    time.second = static_cast<double>(rest % secondsPerMinute);
    return time;
}

int32_t Leap_Seconds_At_Utc(double utcSeconds) {
    int32_t difference = 0;
    for (const LeapStep& step : leapSteps)
        if (utcSeconds >= static_cast<double>(step.utcStart)) difference = step.gpsMinusUtc;
    return difference;
}

int32_t Leap_Seconds_At_Gps(double gpsSeconds) {
    // A step taking effect at UTC u takes effect at GPS u + the new difference.
    int32_t difference = 0;
    for (const LeapStep& step : leapSteps)
        if (gpsSeconds >= static_cast<double>(step.utcStart + step.gpsMinusUtc)) difference = step.gpsMinusUtc;
    return difference;
}

double Gps_Seconds_From_Utc(double utcSeconds) { return utcSeconds + Leap_Seconds_At_Utc(utcSeconds); }

double Utc_Seconds_From_Gps(double gpsSeconds) { return gpsSeconds - Leap_Seconds_At_Gps(gpsSeconds); }

double Gps_Seconds_From_Civil(const CivilTime& time, TimeSystem system) {
    const double seconds = Seconds_Of_Civil(time);
    switch (system) {
    case TimeSystem::Gps:
    case TimeSystem::Galileo:
    case TimeSystem::Qzss:
    case TimeSystem::Irnss: return seconds;
    case TimeSystem::BeiDou: return seconds + beiDouBehindGpsSeconds;
    case TimeSystem::Glonass:
    case TimeSystem::Utc: return Gps_Seconds_From_Utc(seconds);
    }
    return seconds;
}

std::string Format_Utc_Iso(double utcSeconds) {
    if (!std::isfinite(utcSeconds) || std::fabs(utcSeconds) > 1e14) return fmt::format("{}", utcSeconds);
    const CivilTime time = Civil_Of_Seconds(static_cast<int64_t>(std::floor(utcSeconds + 0.5)));
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", time.year, time.month, time.day, time.hour, time.minute,
                       static_cast<int64_t>(time.second));
}

std::optional<double> Parse_Iso_Utc(std::string_view text) {
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
    const std::optional<int64_t> offset = Read_Zone(text, position);
    if (!offset) return std::nullopt;
    const int64_t whole = Civil_Days(year, month, day) * secondsPerDay + hour * secondsPerHour
                          + minute * secondsPerMinute + second - *offset;
    return static_cast<double>(whole) + fraction;
}

}  // namespace min_lumo_field

#include "tool/field/gnss_time.h"

#include <array>
#include <cmath>

#include <fmt/format.h>

namespace min_lumo_field {

namespace {

// BeiDou time started on 2006-01-01 at UTC, when GPS - UTC was 14 s.
constexpr double beiDouBehindGpsSeconds = 14.0;

struct LeapStep {
    int64_t utcStart;  // POSIX seconds at which the new difference holds
    int32_t gpsMinusUtc;
};

constexpr LeapStep Step(int64_t year, int64_t month, int32_t gpsMinusUtc) {
    return {Days_From_Civil(year, month, 1) * secondsPerDay, gpsMinusUtc};
}

// GPS - UTC since the start of GPS time, from the IERS Bulletin C
// announcements (TAI - UTC minus the 19 s of TAI - GPS).  No leap second has
// been announced after the one at the end of 2016-12-31; a new announcement
// adds a line here.
constexpr std::array<LeapStep, 19> leapSteps = {{
    {Days_From_Civil(1980, 1, 6) * secondsPerDay, 0},
    Step(1981, 7, 1), Step(1982, 7, 2), Step(1983, 7, 3), Step(1985, 7, 4),
    Step(1988, 1, 5), Step(1990, 1, 6), Step(1991, 1, 7), Step(1992, 7, 8),
    Step(1993, 7, 9), Step(1994, 7, 10), Step(1996, 1, 11), Step(1997, 7, 12),
    Step(1999, 1, 13), Step(2006, 1, 14), Step(2009, 1, 15), Step(2012, 7, 16),
    Step(2015, 7, 17), Step(2017, 1, 18),
}};

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

double Seconds_Of_Civil(const CivilTime& time) {
    const int64_t whole = Days_From_Civil(time.year, time.month, time.day) * secondsPerDay + time.hour * secondsPerHour
                          + time.minute * secondsPerMinute;
    return static_cast<double>(whole) + time.second;
}

CivilTime Civil_Of_Seconds(int64_t seconds) {
    const min_lumo_kit::CivilDateTime civil = min_lumo_kit::Civil_From_Seconds(seconds);
    return {civil.year, civil.month, civil.day, civil.hour, civil.minute, static_cast<double>(civil.second)};
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
    return min_lumo_kit::Format_Iso_Time(std::floor(utcSeconds + 0.5));
}

}  // namespace min_lumo_field

namespace min_lumo_field {

namespace {

// Date and time of day of whole seconds on a scale without leap seconds,
// with `separator` between them, and `second` in place of the clock's.
std::string Date_And_Time(int64_t seconds, char separator, int64_t second) {
    const min_lumo_kit::CivilDateTime civil = min_lumo_kit::Civil_From_Seconds(seconds);
    return fmt::format("{:04}-{:02}-{:02}{}{:02}:{:02}:{:02}", civil.year, civil.month, civil.day, separator, civil.hour,
                       civil.minute, second);
}

std::string Scaled_Time(double gpsSeconds, DisplayScale scale, char separator) {
    if (!std::isfinite(gpsSeconds) || std::fabs(gpsSeconds) > 1e14) return fmt::format("{}", gpsSeconds);
    const auto gps = static_cast<int64_t>(std::floor(gpsSeconds + 0.5));
    if (scale == DisplayScale::Gps) return Date_And_Time(gps, separator, min_lumo_kit::Civil_From_Seconds(gps).second);
    const auto gpsValue = static_cast<double>(gps);
    const int32_t difference = Leap_Seconds_At_Gps(gpsValue);
    // The second before a new difference takes effect is the inserted one:
    // UTC counts it as 23:59:60 of the day before.
    if (Leap_Seconds_At_Gps(gpsValue + 1.0) > difference)
        return Date_And_Time(gps - difference - 1, separator, secondsPerMinute);
    const int64_t utc = gps - difference;
    return Date_And_Time(utc, separator, min_lumo_kit::Civil_From_Seconds(utc).second);
}

}  // namespace

const char* Display_Scale_Name(DisplayScale scale) { return scale == DisplayScale::Gps ? "GPST" : "UTC"; }

std::string Display_Time(double gpsSeconds, DisplayScale scale) { return Scaled_Time(gpsSeconds, scale, ' '); }

std::string Display_Time_Named(double gpsSeconds, DisplayScale scale) {
    return Display_Time(gpsSeconds, scale) + " " + Display_Scale_Name(scale);
}

std::string Display_Time_Iso(double gpsSeconds, DisplayScale scale) {
    return Scaled_Time(gpsSeconds, scale, 'T') + (scale == DisplayScale::Utc ? "Z" : "");
}

}  // namespace min_lumo_field

// The proleptic Gregorian calendar, and ISO 8601 UTC times as seconds since
// 1970-01-01T00:00:00Z: the time axis the tool hands the host when a project
// file gives calendar times, and the one field files are brought onto.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace min_lumo_kit {

inline constexpr int64_t secondsPerDay = 86400;
inline constexpr int64_t secondsPerHour = 3600;
inline constexpr int64_t secondsPerMinute = 60;

// Days since 1970-01-01 of a date, negative before (H. Hinnant's
// days_from_civil, valid for every date a survey meets and far beyond).
constexpr int64_t Days_From_Civil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    int64_t year, month, day;
};

// The date `days` after 1970-01-01 (its inverse, civil_from_days).
CivilDate Civil_From_Days(int64_t days);

// The day of the date within its year, 1 for January 1st.
constexpr int64_t Day_Of_Year(const CivilDate& date) {
    return Days_From_Civil(date.year, date.month, date.day) - Days_From_Civil(date.year, 1, 1) + 1;
}

struct CivilDateTime {
    int64_t year, month, day, hour, minute, second;
};

// The date and time of day `seconds` after 1970-01-01T00:00:00 (before it
// when negative), with no leap seconds on the way.
CivilDateTime Civil_From_Seconds(int64_t seconds);

bool Is_Valid_Civil_Date(int64_t year, int64_t month, int64_t day);

// Whether a time without a zone is refused or read as UTC.
enum class IsoZone { Required, UtcWhenAbsent };

// Accepts YYYY-MM-DDThh:mm[:ss[.fff]] (a space or a lower-case t may stand
// for the T) followed by Z, +hh:mm, -hh:mm, +hhmm or -hhmm, or, with
// UtcWhenAbsent, by nothing.  Nothing else: no week dates, no local times.
// Returns seconds since 1970 (UTC), nullopt for anything else or a field
// out of range.
std::optional<double> Parse_Iso_Time(std::string_view text, IsoZone zone = IsoZone::Required);

// The time in the form YYYY-MM-DDThh:mm:ssZ, with a fraction when the time
// has one (to the millisecond).
std::string Format_Iso_Time(double seconds);

}  // namespace min_lumo_kit

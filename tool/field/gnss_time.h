// The common time axis of field files: GPS seconds, i.e. the GPS calendar
// date and time of day counted as seconds since 1970-01-01T00:00:00 on the
// GPS time scale (days_from_civil(date) * 86400 + seconds of day, no leap
// seconds inside it).  Times of the other satellite systems and of UTC are
// brought onto it here; UTC POSIX seconds and ISO 8601 text come back out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hostkit/iso_time.h"

namespace min_lumo_field {

// The calendar is the host kit's.
using min_lumo_kit::Days_From_Civil;
using min_lumo_kit::Is_Valid_Civil_Date;
using min_lumo_kit::secondsPerDay;
using min_lumo_kit::secondsPerHour;
using min_lumo_kit::secondsPerMinute;

// The time systems a RINEX file may state in TIME OF FIRST OBS.
enum class TimeSystem { Gps, Glonass, Galileo, Qzss, Irnss, BeiDou, Utc };

// "GPS", "GLO", "GAL", "QZS", "IRN", "BDT", "UTC"; nullopt for anything else.
std::optional<TimeSystem> Time_System_From_Code(std::string_view code);
const char* Time_System_Code(TimeSystem system);

// A calendar date and time of day as read from a file.  `second` may reach
// 60.0 and beyond: the surplus simply carries into the next minute.
struct CivilTime {
    int64_t year = 1980, month = 1, day = 6, hour = 0, minute = 0;
    double second = 0.0;
};

// Seconds since 1970 of the civil time read on its own scale, without any
// conversion between scales, and back (whole seconds).
double Seconds_Of_Civil(const CivilTime& time);
CivilTime Civil_Of_Seconds(int64_t seconds);

// GPS - UTC in whole seconds at a UTC instant, or at a GPS instant.  Before
// 1980-01-06 (the start of GPS time) both give 0.
int32_t Leap_Seconds_At_Utc(double utcSeconds);
int32_t Leap_Seconds_At_Gps(double gpsSeconds);

// The civil time, read in `system`, as GPS seconds: GPS, Galileo, QZSS and
// IRNSS time are GPS time; BeiDou time is GPS time - 14 s; GLONASS time in
// RINEX is UTC(SU), taken as UTC, so that one and UTC get GPS - UTC added.
double Gps_Seconds_From_Civil(const CivilTime& time, TimeSystem system);

double Gps_Seconds_From_Utc(double utcSeconds);
// POSIX seconds (UTC, leap seconds not counted) of a GPS instant.
double Utc_Seconds_From_Gps(double gpsSeconds);

// UTC seconds as YYYY-MM-DDThh:mm:ssZ.  Whole seconds only: a fraction is
// rounded to the nearest second (half a second up), so 07:29:59.6 reads
// 07:30:00 -- receivers log on whole seconds, and a clock offset of a few
// milliseconds should not show as the second before.
std::string Format_Utc_Iso(double utcSeconds);

// ISO 8601 date and time YYYY-MM-DDThh:mm[:ss[.fff]] (a space or lower-case
// t may stand for the T) followed by Z, +hh:mm, -hh:mm, +hhmm or -hhmm, or by
// nothing: a time without a zone is UTC.  Returns UTC seconds, nullopt when
// the text is anything else or a field is out of range.
inline std::optional<double> Parse_Iso_Utc(std::string_view text) {
    return min_lumo_kit::Parse_Iso_Time(text, min_lumo_kit::IsoZone::UtcWhenAbsent);
}

}  // namespace min_lumo_field

namespace min_lumo_field {

// The scale in which reports show times: GPS time, the scale of RINEX file
// names and of the receivers, or UTC.
enum class DisplayScale { Gps, Utc };

// "GPST" or "UTC", as reports name the scale.
const char* Display_Scale_Name(DisplayScale scale);

// A GPS instant as date and time of day in `scale`, to the whole second
// (half a second up): "2024-05-14 08:00:00".  In UTC an instant inside an
// inserted leap second reads 23:59:60.
std::string Display_Time(double gpsSeconds, DisplayScale scale);

// The same followed by the scale's name: "2024-05-14 08:00:00 GPST".
std::string Display_Time_Named(double gpsSeconds, DisplayScale scale);

// ISO 8601 for machines: "2024-05-14T08:00:00" in GPS time (no zone: GPS time
// is no offset from UTC, so the scale is named beside it), and
// "2024-05-14T08:00:00Z" in UTC.
std::string Display_Time_Iso(double gpsSeconds, DisplayScale scale);

}  // namespace min_lumo_field

// The time axis: leap seconds, time systems, ISO 8601 in and out.  Expected
// seconds were worked out apart from this code (calendar arithmetic and the
// published leap-second dates).
#include <algorithm>
#include <chrono>
#include <vector>

#include <gtest/gtest.h>

#include "tool/field/gnss_time.h"

namespace min_lumo_field {
namespace {

constexpr double may14At0730 = 1715671800.0;        // 2024-05-14T07:30:00
constexpr double gpsStart = 315964800.0;             // 1980-01-06T00:00:00
constexpr double lastLeapUtc = 1483228800.0;         // 2017-01-01T00:00:00
constexpr double firstLeapUtc = 362793600.0;         // 1981-07-01T00:00:00

TEST(GnssTime, LeapSecondsStepOnTheirDates) {
    struct Case {
        double utc;
        int32_t gpsMinusUtc;
    } cases[] = {
        {0.0, 0},                   // before GPS time: none
        {gpsStart, 0},
        {firstLeapUtc - 1.0, 0},
        {firstLeapUtc, 1},
        {1136073599.0, 13},         // 2005-12-31T23:59:59
        {1136073600.0, 14},         // 2006-01-01
        {lastLeapUtc - 1.0, 17},
        {lastLeapUtc, 18},
        {may14At0730, 18},
    };
    for (const Case& c : cases) EXPECT_EQ(Leap_Seconds_At_Utc(c.utc), c.gpsMinusUtc) << c.utc;
}

// The whole table, from the IERS Bulletin C announcements as the IERS
// leap-second list gathers them: each UTC day after a positive leap second
// since GPS time began, with TAI - UTC from then on.  GPS - UTC is TAI - UTC
// less the 19 s by which TAI was ahead of GPS time at its start.  Dates are
// turned into seconds by the standard library's calendar, not the tool's.
TEST(GnssTime, EveryLeapSecondSinceGpsTimeBegan) {
    using namespace std::chrono;
    struct Step {
        year_month_day utcDay;  // 00:00:00 UTC of this day is the first second under the new difference
        int taiMinusUtc;
    };
    const Step steps[] = {
        {1981y / July / 1, 20},    {1982y / July / 1, 21},    {1983y / July / 1, 22},    {1985y / July / 1, 23},
        {1988y / January / 1, 24}, {1990y / January / 1, 25}, {1991y / January / 1, 26}, {1992y / July / 1, 27},
        {1993y / July / 1, 28},    {1994y / July / 1, 29},    {1996y / January / 1, 30}, {1997y / July / 1, 31},
        {1999y / January / 1, 32}, {2006y / January / 1, 33}, {2009y / January / 1, 34}, {2012y / July / 1, 35},
        {2015y / July / 1, 36},    {2017y / January / 1, 37},
    };
    constexpr int taiAheadOfGps = 19;
    const auto seconds_of = [](year_month_day day) {
        return static_cast<double>(duration_cast<seconds>(sys_days{day}.time_since_epoch()).count());
    };
    std::vector<double> stepSeconds;
    for (const Step& step : steps) {
        const double utc = seconds_of(step.utcDay);
        const int32_t difference = step.taiMinusUtc - taiAheadOfGps;
        SCOPED_TRACE(static_cast<int>(step.utcDay.year()));
        EXPECT_EQ(Leap_Seconds_At_Utc(utc - 1.0), difference - 1);
        EXPECT_EQ(Leap_Seconds_At_Utc(utc), difference);
        // On the GPS axis the step lies later by the new difference.
        EXPECT_EQ(Leap_Seconds_At_Gps(utc + difference - 1.0), difference - 1);
        EXPECT_EQ(Leap_Seconds_At_Gps(utc + difference), difference);
        stepSeconds.push_back(utc);
    }
    // No other step: across every other 1 January and 1 July from 1980 to
    // 2040 the difference stays as it was.
    for (int y = 1980; y <= 2040; ++y)
        for (const month m : {January, July}) {
            const double utc = seconds_of(year{y} / m / 1);
            if (std::find(stepSeconds.begin(), stepSeconds.end(), utc) != stepSeconds.end()) continue;
            EXPECT_EQ(Leap_Seconds_At_Utc(utc - 1.0), Leap_Seconds_At_Utc(utc)) << y << "-" << static_cast<unsigned>(m);
        }
    EXPECT_EQ(Leap_Seconds_At_Utc(seconds_of(2040y / December / 31)), 18);
}

TEST(GnssTime, GpsInstantsOfTheStepLieLaterByTheNewDifference) {
    // UTC 2017-01-01T00:00:00 is GPS 00:00:18; GPS 00:00:17 is still UTC 2016.
    EXPECT_EQ(Leap_Seconds_At_Gps(lastLeapUtc + 17.0), 17);
    EXPECT_EQ(Leap_Seconds_At_Gps(lastLeapUtc + 18.0), 18);
    EXPECT_DOUBLE_EQ(Utc_Seconds_From_Gps(lastLeapUtc + 18.0), lastLeapUtc);
    EXPECT_DOUBLE_EQ(Utc_Seconds_From_Gps(lastLeapUtc + 16.0), lastLeapUtc - 1.0);
    for (const double utc : {gpsStart, firstLeapUtc, lastLeapUtc - 1.0, lastLeapUtc, may14At0730})
        EXPECT_DOUBLE_EQ(Utc_Seconds_From_Gps(Gps_Seconds_From_Utc(utc)), utc);
}

TEST(GnssTime, EveryTimeSystemComesToGpsSeconds) {
    const CivilTime time{2024, 5, 14, 7, 30, 0.0};
    struct Case {
        TimeSystem system;
        const char* code;
        double gps;
    } cases[] = {
        {TimeSystem::Gps, "GPS", may14At0730},      {TimeSystem::Galileo, "GAL", may14At0730},
        {TimeSystem::Qzss, "QZS", may14At0730},     {TimeSystem::Irnss, "IRN", may14At0730},
        {TimeSystem::BeiDou, "BDT", may14At0730 + 14.0},
        {TimeSystem::Glonass, "GLO", may14At0730 + 18.0}, {TimeSystem::Utc, "UTC", may14At0730 + 18.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(Gps_Seconds_From_Civil(time, c.system), c.gps) << c.code;
        EXPECT_EQ(Time_System_From_Code(c.code), c.system);
        EXPECT_STREQ(Time_System_Code(c.system), c.code);
    }
    EXPECT_FALSE(Time_System_From_Code("GPT"));
    EXPECT_FALSE(Time_System_From_Code(""));
}

TEST(GnssTime, SixtySecondsRollIntoTheNextMinuteAndDay) {
    EXPECT_DOUBLE_EQ(Seconds_Of_Civil({2010, 3, 5, 0, 0, 60.0}), 1267747260.0);  // 2010-03-05T00:01:00
    EXPECT_DOUBLE_EQ(Seconds_Of_Civil({2010, 3, 4, 23, 59, 60.0}), 1267747200.0);  // 2010-03-05T00:00:00
    const CivilTime back = Civil_Of_Seconds(1267747260);
    EXPECT_EQ(back.day, 5);
    EXPECT_EQ(back.minute, 1);
    EXPECT_EQ(back.second, 0.0);
}

TEST(GnssTime, IsoTextRoundsToTheNearestSecond) {
    EXPECT_EQ(Format_Utc_Iso(may14At0730), "2024-05-14T07:30:00Z");
    EXPECT_EQ(Format_Utc_Iso(may14At0730 - 0.4), "2024-05-14T07:30:00Z");
    EXPECT_EQ(Format_Utc_Iso(may14At0730 + 0.49), "2024-05-14T07:30:00Z");
    EXPECT_EQ(Format_Utc_Iso(may14At0730 + 0.5), "2024-05-14T07:30:01Z");
    EXPECT_EQ(Format_Utc_Iso(-1.0), "1969-12-31T23:59:59Z");
    EXPECT_EQ(Format_Utc_Iso(951782400.0), "2000-02-29T00:00:00Z");
}

TEST(GnssTime, IsoTextParses) {
    struct Case {
        const char* text;
        double utc;
    } good[] = {
        {"2024-05-14T07:30:00Z", may14At0730},       {"2024-05-14T07:30:00", may14At0730},
        {"2024-05-14T07:30Z", may14At0730},          {"2024-05-14 07:30:00", may14At0730},
        {"2024-05-14T09:30:00+02:00", may14At0730},  {"2024-05-14T02:30:00-0500", may14At0730},
        {"2024-05-14t07:30:00.25z", may14At0730 + 0.25},
    };
    for (const Case& c : good) {
        const std::optional<double> parsed = Parse_Iso_Utc(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_DOUBLE_EQ(*parsed, c.utc) << c.text;
    }
    for (const char* bad : {"", "2024-05-14", "2024-05-14T7:30Z", "2024-13-01T00:00Z", "2023-02-29T00:00Z",
                            "2024-05-14T24:00Z", "2024-05-14T07:60Z", "2024-05-14T07:30:60Z", "2024-05-14T07:30:00+24:00",
                            "2024-05-14T07:30:00Zjunk", "2024-05-14T07:30:00.Z", "2024/05/14T07:30Z"})
        EXPECT_FALSE(Parse_Iso_Utc(bad)) << bad;
}

// Times as reports show them.  GPS instants are written as their GPS
// calendar text; UTC lies 18 s behind since 2017, 17 s before, and the
// inserted second at the end of 2016-12-31 reads 23:59:60.
TEST(GnssTime, ReportsShowAGpsInstantInEitherScale) {
    struct Case {
        double gps;
        const char* gpst;
        const char* utc;
    } cases[] = {
        {may14At0730, "2024-05-14 07:30:00", "2024-05-14 07:29:42"},
        {may14At0730 + 0.49, "2024-05-14 07:30:00", "2024-05-14 07:29:42"},
        {may14At0730 + 0.5, "2024-05-14 07:30:01", "2024-05-14 07:29:43"},
        // Just after GPS midnight it is still the day before in UTC.
        {1715644810.0, "2024-05-14 00:00:10", "2024-05-13 23:59:52"},
        {1715644818.0, "2024-05-14 00:00:18", "2024-05-14 00:00:00"},
        // Year's end in GPS time, still 23:59:32 of the same day in UTC.
        {1735689590.0, "2024-12-31 23:59:50", "2024-12-31 23:59:32"},
        // Around the leap second: GPS 00:00:16, :17 and :18 of 2017-01-01.
        {lastLeapUtc + 16.0, "2017-01-01 00:00:16", "2016-12-31 23:59:59"},
        {lastLeapUtc + 17.0, "2017-01-01 00:00:17", "2016-12-31 23:59:60"},
        {lastLeapUtc + 18.0, "2017-01-01 00:00:18", "2017-01-01 00:00:00"},
        {lastLeapUtc + 19.0, "2017-01-01 00:00:19", "2017-01-01 00:00:01"},
        // Before the first leap second GPS and UTC agree.
        {gpsStart + 60.0, "1980-01-06 00:01:00", "1980-01-06 00:01:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Display_Time(c.gps, DisplayScale::Gps), c.gpst) << c.gps;
        EXPECT_EQ(Display_Time(c.gps, DisplayScale::Utc), c.utc) << c.gps;
    }
}

TEST(GnssTime, ReportsNameTheScale) {
    EXPECT_EQ(Display_Time_Named(may14At0730, DisplayScale::Gps), "2024-05-14 07:30:00 GPST");
    EXPECT_EQ(Display_Time_Named(may14At0730, DisplayScale::Utc), "2024-05-14 07:29:42 UTC");
    // For machines: ISO 8601, Z only for UTC (GPS time is no offset from it).
    EXPECT_EQ(Display_Time_Iso(may14At0730, DisplayScale::Gps), "2024-05-14T07:30:00");
    EXPECT_EQ(Display_Time_Iso(may14At0730, DisplayScale::Utc), "2024-05-14T07:29:42Z");
    EXPECT_EQ(Display_Time_Iso(lastLeapUtc + 17.0, DisplayScale::Utc), "2016-12-31T23:59:60Z");
    EXPECT_STREQ(Display_Scale_Name(DisplayScale::Gps), "GPST");
    EXPECT_STREQ(Display_Scale_Name(DisplayScale::Utc), "UTC");
}

}  // namespace
}  // namespace min_lumo_field

// Occupation logs in CSV: what a good log gives, and how a bad one is named.
#include <string>

#include <gtest/gtest.h>

#include "tool/field/occupation_log.h"

namespace min_lumo_field {
namespace {

constexpr double may14At0730Utc = 1715671800.0;  // 2024-05-14T07:30:00Z
constexpr double gpsMinusUtc2024 = 18.0;

TEST(OccupationLog, ReadsStationsTimesAndPositions) {
    const std::string log =
        "\xef\xbb\xbf# field log, 14 May\r\n"
        "Station, Start, End, Latitude, Longitude, Height\r\n"
        "\r\n"
        "BASE,2024-05-14T07:30:00Z,2024-05-14T10:30:00Z,47.05,8.30,450\r\n"
        "  # a comment between lines\n"
        "KAPF , 2024-05-14T09:35:00+02:00 , 2024-05-14T12:25:00+02:00\n"
        "HOLZ,2024-05-14T07:40,2024-05-14T07:40\n";
    const std::vector<Occupation> occupations = Read_Occupation_Log_From_Memory("log.csv", log);
    ASSERT_EQ(occupations.size(), 3u);

    const Occupation& base = occupations[0];
    EXPECT_EQ(base.file, "log.csv");
    EXPECT_EQ(base.station, "BASE");
    EXPECT_EQ(base.format, "occupation log (CSV)");
    EXPECT_TRUE(base.hasEpochs);
    EXPECT_EQ(base.epochCount, 0);
    EXPECT_EQ(base.firstGps, may14At0730Utc + gpsMinusUtc2024);
    EXPECT_EQ(base.lastGps, may14At0730Utc + 3 * 3600 + gpsMinusUtc2024);
    ASSERT_TRUE(base.positionKnown);
    EXPECT_NEAR(base.x, 4308323.4356, 1e-3);  // 47.05 N, 8.30 E, 450 m, converted apart from this code
    EXPECT_NEAR(base.y, 628516.4174, 1e-3);
    EXPECT_NEAR(base.z, 4645883.3246, 1e-3);

    const Occupation& kapf = occupations[1];
    EXPECT_EQ(kapf.station, "KAPF");
    EXPECT_EQ(kapf.firstGps, may14At0730Utc + 5 * 60 + gpsMinusUtc2024);  // 09:35+02:00 is 07:35Z
    EXPECT_FALSE(kapf.positionKnown);

    const Occupation& holz = occupations[2];  // no zone: UTC
    EXPECT_EQ(holz.firstGps, may14At0730Utc + 10 * 60 + gpsMinusUtc2024);
    EXPECT_EQ(holz.lastGps, holz.firstGps);
}

TEST(OccupationLog, NamesTheLineAndFieldOfEveryMistake) {
    const std::string good = "2024-05-14T07:30:00Z,2024-05-14T08:30:00Z";
    const struct {
        std::string log;
        int64_t line;
        const char* reason;
    } cases[] = {
        {"A,2024-05-14T07:30:00Z\n", 1, "2 fields; a line holds station,start,end"},
        {"# heading comes next\nA," + good + ",47\n", 2, "4 fields"},
        {"A,notatime,2024-05-14T08:30:00Z\n", 1, "field 2 (start): 'notatime' is not an ISO 8601 time"},
        {"A,2024-05-14T07:30:00Z,2024-05-14T07:29:59Z\n", 1, "field 3 (end): '2024-05-14T07:29:59Z' is before the start"},
        {"A," + good + "\nB," + good + ",91,8,400\n", 2, "field 4 (latitude): '91' is outside -90 to 90"},
        {"A," + good + ",47,abc,400\n", 1, "field 5 (longitude): 'abc' is not a number"},
        {"A," + good + ",47,8,20000\n", 1, "field 6 (height): '20000' is outside"},
        {"," + good + "\n", 1, "field 1 (station): '' is empty"},
        {"A," + good + "\nstation,start,end\n", 2, "field 2 (start): 'start'"},
        {"# nothing\n\n", 0, "the log holds no occupation"},
        {"", 0, "the log holds no occupation"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log);
        try {
            Read_Occupation_Log_From_Memory("log.csv", c.log);
            ADD_FAILURE() << "no error";
        } catch (const FieldFileError& error) {
            EXPECT_EQ(error.line, c.line) << error.what();
            EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.what();
        }
    }
}

TEST(OccupationLog, RefusesAHeadingThatNamesAColumnTwice) {
    // The heading is found ignoring letter case, so "Start" repeats "start".
    const struct {
        const char* heading;
        const char* reason;
    } cases[] = {
        {"station,start,start", "the heading names the column 'start' twice (fields 2 and 3)"},
        {"Station,Start,End,Latitude,Longitude,start", "the heading names the column 'start' twice (fields 2 and 6)"},
        {"station,start,end,height,longitude,HEIGHT", "the heading names the column 'HEIGHT' twice (fields 4 and 6)"},
        {"station , end , end ", "the heading names the column 'end' twice (fields 2 and 3)"},
        {"station,start,end,Station", "the heading names the column 'Station' twice (fields 1 and 4)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.heading);
        const std::string log =
            std::string("# log of 14 May\n") + c.heading + "\nA,2024-05-14T07:30:00Z,2024-05-14T08:30:00Z\n";
        try {
            Read_Occupation_Log_From_Memory("log.csv", log);
            ADD_FAILURE() << "no error";
        } catch (const FieldFileError& error) {
            EXPECT_EQ(error.line, 2) << error.what();
            EXPECT_EQ(error.reason, c.reason) << error.what();
        }
    }
}

TEST(OccupationLog, HeadingNamingEachColumnOnceIsSkipped) {
    for (const char* heading : {"STATION,start,End,latitude,LONGITUDE,height", "station,start,end", "station,,"}) {
        SCOPED_TRACE(heading);
        const std::string log = std::string(heading) + "\nA,2024-05-14T07:30:00Z,2024-05-14T08:30:00Z,47,8,400\n";
        EXPECT_EQ(Read_Occupation_Log_From_Memory("log.csv", log).size(), 1u);
    }
}

TEST(OccupationLog, MissingFileIsAnError) {
    try {
        Read_Occupation_Log("no_such_log.csv");
        ADD_FAILURE() << "no error";
    } catch (const FieldFileError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("no_such_log.csv: cannot be opened", 0), 0u) << error.what();
    }
}

}  // namespace
}  // namespace min_lumo_field

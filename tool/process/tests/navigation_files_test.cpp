// Navigation files told by their content, their records' times read, and
// what is not one refused by file and line.
#include <gtest/gtest.h>

#include <string>

#include "tool/field/occupation.h"
#include "tool/process/navigation_files.h"

namespace min_lumo_tool {
namespace {

const std::string data = MIN_LUMO_PROCESS_TEST_DATA;

// Seconds since 1970 of a date and time on the GPS calendar.
double At(int64_t days, int hour, int minute, double second) {
    return static_cast<double>(days) * 86400.0 + hour * 3600.0 + minute * 60.0 + second;
}
// Days from 1970-01-01: 2010-03-18 and 2005-04-01.
constexpr int64_t march18of2010 = 14686, april1of2005 = 12874;

TEST(NavigationFiles, RealFilesAreToldByContentAndTheirRecordsSpanRead) {
    // Expected values: the record lines of the files (awk over columns 1-22,
    // sorted): 406 records from 00:00:00 to 23:59:44 on 2010-03-18, and 162
    // from 2005-04-01 23:59:44 to 2005-04-03 00:00:00.
    struct Case {
        std::string file;
        int64_t records;
        double first, last;
        const char* version;
    };
    for (const Case& c : {Case{data + "/catalonia2010/brdc0770.10n.gz", 406, At(march18of2010, 0, 0, 0.0),
                               At(march18of2010, 23, 59, 44.0), "2"},
                          Case{data + "/geonet2005/07590920.05n.gz", 162, At(april1of2005, 23, 59, 44.0),
                               At(april1of2005 + 2, 0, 0, 0.0), "2.10"}}) {
        EXPECT_TRUE(Is_Navigation_File(c.file)) << c.file;
        const NavigationFile file = Read_Navigation_File(c.file);
        EXPECT_EQ(file.records, c.records) << c.file;
        EXPECT_DOUBLE_EQ(file.firstGps, c.first) << c.file;
        EXPECT_DOUBLE_EQ(file.lastGps, c.last) << c.file;
        EXPECT_TRUE(file.gzip);
        EXPECT_EQ(file.version, c.version);
        EXPECT_EQ(file.systems, "GPS");
    }
    EXPECT_FALSE(Is_Navigation_File(data + "/catalonia2010/garr077c.10o.gz"));
    EXPECT_FALSE(Is_Navigation_File(data + "/README.md"));
    EXPECT_FALSE(Is_Navigation_File(data + "/no such file"));
}

TEST(NavigationFiles, RinexThreeAndFourRecordsAndTheirSystems) {
    const std::string version3 =
        "     3.04           N: GNSS NAV DATA    M: MIXED            RINEX VERSION / TYPE\n"
        "                                                            END OF HEADER\n"
        "G01 2024 05 14 08 00 00 4.123456789012e-04-1.023181539495e-12 0.000000000000e+00\n"
        "     1.000000000000e+00 2.000000000000e+00 3.000000000000e+00 4.000000000000e+00\n"
        "R05 2024 05 14 07 45 00-1.234567890123e-05 0.000000000000e+00 2.592000000000e+05\n"
        "     1.000000000000e+00 2.000000000000e+00 3.000000000000e+00 4.000000000000e+00\n";
    const NavigationFile file = Read_Navigation_Bytes("mixed.rnx", version3);
    EXPECT_EQ(file.systems, "mixed");
    EXPECT_EQ(file.records, 2);
    // 2024-05-14 is day 19857 from 1970-01-01.
    EXPECT_DOUBLE_EQ(file.firstGps, At(19857, 7, 45, 0.0));
    EXPECT_DOUBLE_EQ(file.lastGps, At(19857, 8, 0, 0.0));
    const std::string version4 =
        "     4.01           NAVIGATION DATA     E: GALILEO          RINEX VERSION / TYPE\n"
        "                                                            END OF HEADER\n"
        "> EPH E11 INAV\n"
        "E11 2024 05 14 10 10 00 4.123456789012e-04-1.023181539495e-12 0.000000000000e+00\n";
    const NavigationFile galileo = Read_Navigation_Bytes("galileo.rnx", version4);
    EXPECT_EQ(galileo.systems, "Galileo");
    EXPECT_EQ(galileo.records, 1);
    EXPECT_DOUBLE_EQ(galileo.firstGps, At(19857, 10, 10, 0.0));
}

TEST(NavigationFiles, CoverageReachesTwoHoursEitherSide) {
    NavigationFile file;
    file.firstGps = At(100, 2, 0, 0.0);
    file.lastGps = At(100, 4, 0, 0.0);
    EXPECT_TRUE(Covers(file, At(100, 0, 0, 0.0), At(100, 0, 59, 30.0)));
    EXPECT_TRUE(Covers(file, At(100, 5, 0, 0.0), At(100, 6, 0, 0.0)));
    EXPECT_FALSE(Covers(file, At(100, 6, 0, 1.0), At(100, 7, 0, 0.0)));
    EXPECT_FALSE(Covers(file, At(99, 22, 0, 0.0), At(99, 23, 59, 59.0)));
}

TEST(NavigationFiles, WhatIsNoNavigationFileIsRefusedByLine) {
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"observations", "     2.11           OBSERVATION DATA    G (GPS)             RINEX VERSION / TYPE\n",
         "bad.nav:1: not a RINEX navigation file"},
        {"version 1", "     1.00           N: GPS NAV DATA                         RINEX VERSION / TYPE\n",
         "bad.nav:1: RINEX version '1.00' is not 2, 3 or 4"},
        {"no header end", "     2.10           N: GPS NAV DATA                         RINEX VERSION / TYPE\nx\n",
         "bad.nav:2: the header never reaches END OF HEADER"},
        {"no record", "     2.10           N: GPS NAV DATA                         RINEX VERSION / TYPE\n"
                      "                                                            END OF HEADER\n"
                      "   junk\n",
         "no navigation record with a readable time"},
    };
    for (const Case& c : cases) {
        try {
            Read_Navigation_Bytes("bad.nav", c.text);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const min_lumo_field::FieldFileError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << c.what << ": " << error.what();
        }
    }
}

TEST(NavigationFiles, AFolderYieldsItsNavigationFilesInPathOrder) {
    const std::vector<std::string> found = Navigation_Files_In_Folder(data + "/geonet2005");
    ASSERT_EQ(found.size(), 2U);
    EXPECT_NE(found[0].find("07590920.05n.gz"), std::string::npos);
    EXPECT_NE(found[1].find("30400920.05n.gz"), std::string::npos);
}

}  // namespace
}  // namespace min_lumo_tool

// The engine's solution file: the last line is the solution, the lines
// count the epochs, the signed roots become covariances, and anything that
// is not what the engine writes is refused naming its line.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tool/process/solution_file.h"

namespace min_lumo_tool {
namespace {

// Two epochs as rnx2rtkp 2.4.3 b34 wrote them for UPC1 from GARRAF (the
// test data), the header cut to what matters.
constexpr const char* twoEpochs =
    "% program   : RTKLIB ver.2.4.3\n"
    "% ref pos   :  4796983.5767    160309.1177   4187340.3773\n"
    "%\n"
    "%  GPST          x-ecef(m)      y-ecef(m)      z-ecef(m)   Q  ns   sdx(m)   sdy(m)   sdz(m)  sdxy(m)  sdyz(m)  "
    "sdzx(m) age(s)  ratio\n"
    "1575 363599.999   4789013.0442    176610.1518   4195034.8263   2   8   0.0097   0.0046   0.0119   0.0046   "
    "0.0056   0.0095   0.00   17.1\n"
    "1575 367170.002   4789013.0627    176610.1528   4195034.8356   1   6   0.0014   0.0007   0.0012  -0.0004   "
    "0.0005   0.0011   0.00   34.1\n";

TEST(SolutionFile, TheLastLineIsTheSolutionAndTheLinesCountTheEpochs) {
    const EngineSolution solution = Parse_Solution_Text("upc1.pos", twoEpochs);
    ASSERT_TRUE(solution.last.has_value());
    EXPECT_EQ(solution.epochs, 2);
    const EngineSolutionLine& last = *solution.last;
    EXPECT_DOUBLE_EQ(last.position.x, 4789013.0627);
    EXPECT_DOUBLE_EQ(last.position.y, 176610.1528);
    EXPECT_DOUBLE_EQ(last.position.z, 4195034.8356);
    EXPECT_EQ(last.quality, EngineQuality::fixed);
    EXPECT_EQ(last.satellites, 6);
    EXPECT_DOUBLE_EQ(last.ratio, 34.1);
    // GPS week 1575, 367170.002 s: 2010-03-18 05:59:30.002 GPST, in seconds
    // since 1970 on the GPS calendar (14,686 days to that date).
    EXPECT_NEAR(last.gpsSeconds, 14686.0 * 86400.0 + 5 * 3600 + 59 * 60 + 30.002, 1e-6);
    ASSERT_TRUE(solution.basePosition.has_value());
    EXPECT_DOUBLE_EQ(solution.basePosition->x, 4796983.5767);
    EXPECT_DOUBLE_EQ(solution.basePosition->z, 4187340.3773);
}

TEST(SolutionFile, SignedRootsBecomeCovariancesWithTheirSigns) {
    const EngineSolutionLine last = *Parse_Solution_Text("upc1.pos", twoEpochs).last;
    // Worked by hand: 0.0014^2, 0.0007^2, 0.0012^2; -(0.0004^2), 0.0005^2, 0.0011^2.
    EXPECT_NEAR(last.covariance.xx, 1.96e-6, 1e-18);
    EXPECT_NEAR(last.covariance.yy, 4.9e-7, 1e-18);
    EXPECT_NEAR(last.covariance.zz, 1.44e-6, 1e-18);
    EXPECT_NEAR(last.covariance.xy, -1.6e-7, 1e-18);
    EXPECT_NEAR(last.covariance.yz, 2.5e-7, 1e-18);
    EXPECT_NEAR(last.covariance.xz, 1.21e-6, 1e-18);
}

TEST(SolutionFile, QualityFlagsNameTheSolution) {
    struct Case {
        EngineQuality quality;
        SolutionKind kind;
    };
    for (const Case& c : {Case{EngineQuality::fixed, SolutionKind::fixed}, Case{EngineQuality::floating, SolutionKind::floating},
                          Case{EngineQuality::sbas, SolutionKind::single}, Case{EngineQuality::dgps, SolutionKind::single},
                          Case{EngineQuality::single, SolutionKind::single}, Case{EngineQuality::ppp, SolutionKind::single}})
        EXPECT_EQ(Solution_Kind_Of(c.quality), c.kind) << static_cast<int>(c.quality);
    EXPECT_STREQ(Solution_Kind_Name(SolutionKind::floating), "float");
}

TEST(SolutionFile, AHeaderAloneHoldsNoSolution) {
    const EngineSolution solution = Parse_Solution_Text("empty.pos", "% program   : RTKLIB ver.2.4.3\n%\n");
    EXPECT_FALSE(solution.last.has_value());
    EXPECT_EQ(solution.epochs, 0);
}

TEST(SolutionFile, WhatTheEngineNeverWritesIsRefusedByLine) {
    const std::string good = "1575 363599.999 4789013.0442 176610.1518 4195034.8263 1 8 0.0097 0.0046 0.0119 0.0046 "
                             "0.0056 0.0095 0.00 17.1";
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"too few fields", "%\n1575 363599.999 4789013.0442\n", "bad.pos:2: 3 fields; a solution line holds 15"},
        {"a word", "1575 363599.999 x 176610.1518 4195034.8263 1 8 0.0097 0.0046 0.0119 0.0046 0.0056 0.0095 0 17\n",
         "bad.pos:1: field 3 is 'x', not a finite number"},
        {"not finite", "1575 363599.999 nan 176610.1518 4195034.8263 1 8 0.0097 0.0046 0.0119 0.0046 0.0056 0.0095 0 1\n",
         "field 3 is 'nan', not a finite number"},
        {"quality 7", "1575 363599.999 1 2 3 7 8 0.0097 0.0046 0.0119 0.0046 0.0056 0.0095 0 17\n",
         "quality flag 7 is not one of 1 to 6"},
        {"quality 1.5", "1575 363599.999 1 2 3 1.5 8 0.0097 0.0046 0.0119 0.0046 0.0056 0.0095 0 17\n",
         "quality flag 1.5 is not one of 1 to 6"},
        {"negative sigma", "1575 363599.999 1 2 3 1 8 -0.0097 0.0046 0.0119 0.0046 0.0056 0.0095 0 17\n",
         "standard deviation -0.0097 is negative"},
        {"negative satellites", "1575 363599.999 1 2 3 1 -8 0.0097 0.0046 0.0119 0.0046 0.0056 0.0095 0 17\n",
         "satellite count -8 is not a count"},
        {"seconds past the week", "1575 604801 1 2 3 1 8 0.0097 0.0046 0.0119 0.0046 0.0056 0.0095 0 17\n",
         "time 1575 604801 is not a GPS week and seconds of week"},
        {"back in time", good + "\n1575 363500 1 2 3 1 8 0.0097 0.0046 0.0119 0.0046 0.0056 0.0095 0 17\n",
         "bad.pos:2: the epochs go back in time"},
        {"a bad base", "% ref pos   :  4796983.5767    here   4187340.3773\n",
         "bad.pos:1: the base position (ref pos) holds 'here', not a number"},
    };
    for (const Case& c : cases) {
        try {
            Parse_Solution_Text("bad.pos", c.text);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const SolutionFileError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << c.what << ": " << error.what();
        }
    }
}

}  // namespace
}  // namespace min_lumo_tool

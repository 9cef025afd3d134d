// Calendar times of the record model: ISO 8601 UTC text to seconds since
// 1970 and back.
#include <gtest/gtest.h>

#include "hostkit/iso_time.h"

namespace min_lumo_kit {
namespace {

TEST(IsoTimeTest, ParsesAndFormatsUtc) {
    EXPECT_EQ(Parse_Iso_Time("1970-01-01T00:00:00Z"), 0.0);
    EXPECT_EQ(Parse_Iso_Time("2024-05-14T08:30:00Z"), 1715675400.0);
    EXPECT_EQ(Parse_Iso_Time("2024-05-14 10:30+02:00"), 1715675400.0);
    EXPECT_EQ(Parse_Iso_Time("1969-12-31T23:59:59Z"), -1.0);
    EXPECT_FALSE(Parse_Iso_Time("2023-02-29T00:00:00Z"));
    EXPECT_FALSE(Parse_Iso_Time("2024-05-14T08:30:00"));
    EXPECT_EQ(Format_Iso_Time(1715675400.0), "2024-05-14T08:30:00Z");
    EXPECT_EQ(Format_Iso_Time(-0.5), "1969-12-31T23:59:59.500Z");
}

}  // namespace
}  // namespace min_lumo_kit

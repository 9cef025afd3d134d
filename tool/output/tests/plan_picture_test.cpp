#include "tool/output/plan_picture.h"

#include <gtest/gtest.h>

#include "tool/output/tests/picture_fixtures.h"

namespace min_lumo_tool {
namespace {

using test::Observation;
using test::Station;

// Four stations, two sessions: S0 observes A-B, S1 observes C-D; an
// occupation of B runs in S0, one of D in S1.
PlanPicture Two_Sessions() {
    PlanPicture picture;
    picture.stations = {Station("A", 47.0, 8.0), Station("B", 47.1, 8.0), Station("C", 47.2, 8.0), Station("D", 47.3, 8.0)};
    picture.sessions = {{"S0", 1000, 2000, 0}, {"S1", 5000, 6000, 1}};
    picture.observations = {Observation(0, 1, 0, true), Observation(2, 3, 1, true)};
    PictureOccupation b, d;
    b.station = 1;
    b.spans = {{1100, 1900, 10}};
    d.station = 3;
    d.spans = {{4000, 4500, 5}, {5100, 5900, 5}};  // a gap; the second span runs in S1
    picture.occupations = {b, d};
    return picture;
}

TEST(KeepSessions, KeepsTheNamedSessionsAndRenumbers) {
    PlanPicture picture = Two_Sessions();
    Keep_Sessions(picture, {"S1"});
    ASSERT_EQ(picture.sessions.size(), 1u);
    EXPECT_EQ(picture.sessions[0].name, "S1");
    ASSERT_EQ(picture.observations.size(), 1u);
    EXPECT_EQ(picture.observations[0].session, 0);
    // C and D remain, as stations 0 and 1.
    ASSERT_EQ(picture.stations.size(), 2u);
    EXPECT_EQ(picture.stations[0].name, "C");
    EXPECT_EQ(picture.observations[0].from, 0);
    EXPECT_EQ(picture.observations[0].to, 1);
    ASSERT_EQ(picture.occupations.size(), 1u);
    EXPECT_EQ(picture.occupations[0].station, 1);
}

TEST(KeepSessions, NoNamesKeepsEverything) {
    PlanPicture picture = Two_Sessions();
    Keep_Sessions(picture, {});
    EXPECT_EQ(picture.sessions.size(), 2u);
    EXPECT_EQ(picture.stations.size(), 4u);
}

TEST(PictureTime, MinutesOfTheDay) {
    EXPECT_EQ(Picture_Time_Text(1715673600.0), "2024-05-14 08:00");
    EXPECT_EQ(Picture_Time_Text(1715673659.9), "2024-05-14 08:00");  // seconds are cut, not rounded
    EXPECT_EQ(Picture_Time_Text(1704067199.0), "2023-12-31 23:59");
}

}  // namespace
}  // namespace min_lumo_tool

#include "tool/output/map_drawing.h"

#include <gtest/gtest.h>

#include "tool/output/tests/picture_fixtures.h"

namespace min_lumo_tool {
namespace {

using test::Count;
using test::Three_Stations;

struct ScaleCase {
    double longestKilometres, expected;
};

// The longest 1, 2 or 5 x 10^n not over the room there is, worked by hand.
TEST(ScaleBar, TakesTheLongestRoundLengthThatFits) {
    const ScaleCase cases[] = {{7.3, 5.0}, {5.0, 5.0}, {4.99, 2.0}, {19.0, 10.0}, {20.0, 20.0}, {0.37, 0.2},
                               {0.0015, 0.001}, {0.0, 0.001}, {230.0, 200.0}, {1.0, 1.0}};
    for (const ScaleCase& c : cases)
        EXPECT_DOUBLE_EQ(Scale_Bar_Kilometres(c.longestKilometres), c.expected) << c.longestKilometres;
}

struct OverlapCase {
    Box first, second;
    bool overlap;
};

TEST(LabelBoxes, OverlapOnlyWhenTheyShareArea) {
    const OverlapCase cases[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 15}, true},   // corners cross
        {{0, 0, 10, 10}, {10, 0, 20, 10}, false},  // touching sides share no area
        {{0, 0, 10, 10}, {2, 2, 4, 4}, true},     // one inside the other
        {{0, 0, 10, 10}, {0, 11, 10, 20}, false},  // one below the other
    };
    for (const OverlapCase& c : cases) {
        EXPECT_EQ(Boxes_Overlap(c.first, c.second), c.overlap);
        EXPECT_EQ(Boxes_Overlap(c.second, c.first), c.overlap);
    }
}

TEST(LabelPlacement, FirstChoiceIsUpAndToTheRight) {
    // A 20 x 10 label of a point at (100, 100): 7 px to the right, its
    // bottom 0.4 x 7 = 2.8 px above the point.
    const std::vector<std::optional<Box>> placed = Place_Labels({{100, 100, 20, 10}}, {}, {0, 0, 400, 400});
    ASSERT_EQ(placed.size(), 1u);
    ASSERT_TRUE(placed[0]);
    EXPECT_DOUBLE_EQ(placed[0]->left, 107.0);
    EXPECT_DOUBLE_EQ(placed[0]->bottom, 97.2);
}

TEST(LabelPlacement, LabelsOfStationsAtOnePointNeverOverlap) {
    // Eight stations at one spot, and a wall of obstacles to their right.
    std::vector<LabelRequest> labels(8, LabelRequest{200, 200, 40, 14});
    const std::vector<Box> obstacles = {{205, 0, 400, 400}};
    const std::vector<std::optional<Box>> placed = Place_Labels(labels, obstacles, {0, 0, 400, 400});
    for (std::size_t i = 0; i < placed.size(); ++i) {
        ASSERT_TRUE(placed[i]) << i;
        EXPECT_FALSE(Boxes_Overlap(*placed[i], obstacles[0])) << i;
        EXPECT_GE(placed[i]->left, 0.0);
        for (std::size_t j = i + 1; j < placed.size(); ++j) EXPECT_FALSE(Boxes_Overlap(*placed[i], *placed[j])) << i << "," << j;
    }
}

TEST(LabelPlacement, StaysInsideTheBounds) {
    // A point at the right edge: the label goes to its left.
    const std::vector<std::optional<Box>> placed = Place_Labels({{395, 200, 30, 12}}, {}, {0, 0, 400, 400});
    ASSERT_TRUE(placed[0]);
    EXPECT_LE(placed[0]->right, 400.0);
    EXPECT_LT(placed[0]->right, 395.0);
}

TEST(LabelPlacement, ACrowdedMapLeavesLabelsOffRatherThanOverlap) {
    // 400 stations on one spot of a small map: the rings around it hold some
    // labels, the rest have no free place and are left off.
    const std::vector<LabelRequest> labels(400, LabelRequest{100, 100, 40, 14});
    const std::vector<std::optional<Box>> placed = Place_Labels(labels, {}, {0, 0, 200, 200});
    std::vector<Box> shown;
    for (const std::optional<Box>& box : placed)
        if (box) shown.push_back(*box);
    EXPECT_GT(shown.size(), 8u);
    EXPECT_LT(shown.size(), labels.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (std::size_t j = i + 1; j < shown.size(); ++j) EXPECT_FALSE(Boxes_Overlap(shown[i], shown[j])) << i << "," << j;
}

struct EscapeCase {
    const char* text;
    const char* escaped;
};

TEST(Escaping, MarkupCharactersBecomeEntities) {
    const EscapeCase cases[] = {{"A&B", "A&amp;B"},
                                {"<b>BOLD", "&lt;b&gt;BOLD"},
                                {"\"QUOTE\"", "&quot;QUOTE&quot;"},
                                {"IT'S", "IT&#39;S"},
                                {"</script>", "&lt;/script&gt;"},
                                {"PLAIN 135A", "PLAIN 135A"}};
    for (const EscapeCase& c : cases) EXPECT_EQ(Xml_Escaped(c.text), c.escaped);
}

TEST(Map, EverySessionDrawnHasALegendEntryBeyondTheColours) {
    // Forty sessions: more than there are colours.
    const std::string svg = Map_Svg(Three_Stations(40), {});
    EXPECT_EQ(Count(svg, "class=\"legend-entry\""), 40u);
    for (int s = 0; s < 40; ++s)
        EXPECT_NE(svg.find("<tspan font-weight=\"bold\">S" + std::to_string(s) + "</tspan>"), std::string::npos) << s;
    // Beyond the colours, the sessions' names are written on the map too.
    EXPECT_EQ(Count(svg, "class=\"session-label\""), 40u);
}

TEST(Map, FewSessionsNeedNoNamesOnTheLines) {
    const std::string svg = Map_Svg(Three_Stations(3), {});
    EXPECT_EQ(Count(svg, "class=\"legend-entry\""), 3u);
    EXPECT_EQ(Count(svg, "class=\"session-label\""), 0u);
}

TEST(Map, RedundantObservationsOnlyWhenAskedFor) {
    const PlanPicture picture = Three_Stations(2);
    EXPECT_EQ(Count(Map_Svg(picture, {}), "class=\"obs redundant\""), 0u);
    MapDrawingOptions options;
    options.showRedundant = true;
    EXPECT_EQ(Count(Map_Svg(picture, options), "class=\"obs redundant\""), 2u);
    EXPECT_EQ(Count(Map_Svg(picture, options), "class=\"obs kept\""), 2u);
}

TEST(Map, ScaleBarNorthArrowAndDatedTitle) {
    const std::string svg = Map_Svg(Three_Stations(2), {});
    EXPECT_EQ(Count(svg, "class=\"scale-bar\""), 1u);
    EXPECT_EQ(Count(svg, "class=\"north-arrow\""), 1u);
    // Two sessions on 2024-05-14, 08:00 to 09:50.
    EXPECT_NE(svg.find("2024-05-14 08:00 to 09:50 UTC"), std::string::npos);
}

TEST(Map, WithoutPositionsSaysSo) {
    PlanPicture picture = Three_Stations(1);
    for (PictureStation& station : picture.stations) station.positioned = false;
    const std::string svg = Map_Svg(picture, {});
    EXPECT_NE(svg.find(Xml_Escaped(noPositionsMessage)), std::string::npos);
    EXPECT_EQ(Count(svg, "class=\"station-label\""), 0u);
    EXPECT_EQ(Count(svg, "class=\"legend-entry\""), 0u);
}

TEST(Map, OneStationIsDrawnWithAScale) {
    PlanPicture picture = Three_Stations(1);
    picture.stations[1].positioned = picture.stations[2].positioned = false;
    const std::string svg = Map_Svg(picture, {});
    EXPECT_EQ(Count(svg, "class=\"station-label\""), 1u);
    // All stations at one point: 200 px a kilometre, so 960 / 5 px gives 0.5 km.
    EXPECT_NE(svg.find("data-kilometres=\"0.5\""), std::string::npos);
}

TEST(Map, HostileNamesAreEscaped) {
    PlanPicture picture = Three_Stations(1);
    picture.stations[0].name = "<b>A&B";
    picture.stations[1].name = "\"Q\"";
    picture.sessions[0].name = "</script>";
    picture.title = "it's <mine>";
    const std::string svg = Map_Svg(picture, {});
    EXPECT_EQ(svg.find("<b>"), std::string::npos);
    EXPECT_EQ(svg.find("</script>"), std::string::npos);
    EXPECT_NE(svg.find("&lt;b&gt;A&amp;B"), std::string::npos);
    EXPECT_NE(svg.find("&quot;Q&quot;"), std::string::npos);
    EXPECT_NE(svg.find("it&#39;s &lt;mine&gt;"), std::string::npos);
}

}  // namespace
}  // namespace min_lumo_tool

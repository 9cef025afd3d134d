#include "tool/output/map_drawing.h"

#include <cmath>
#include <map>
#include <regex>
#include <string>
#include <vector>

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

// The value of `attribute` in each element of the SVG that `pattern`
// matches, with its data-session (or -1): what a reader of the file sees.
std::vector<std::pair<int, std::string>> Attributes(const std::string& svg, const std::string& pattern) {
    std::vector<std::pair<int, std::string>> found;
    const std::regex element(pattern);
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), element); it != std::sregex_iterator(); ++it)
        found.push_back({std::stoi((*it)[1].str()), (*it)[2].str()});
    return found;
}

// A session whose only line ends at a station without a position draws
// nothing and has no legend entry; every other entry keeps the colour of
// its session's lines.
TEST(Map, LegendColoursAreTheirLinesColoursWhenASessionDrawsNothing) {
    PlanPicture picture = Three_Stations(4);
    PictureStation blind = test::Station("BLIND", 0.0, 0.0);
    blind.positioned = false;
    picture.stations.push_back(blind);
    // Session S1 observes only BLIND: nothing of it is drawn.
    picture.observations[2] = test::Observation(0, 3, 1, true);
    picture.observations[3] = test::Observation(0, 3, 1, false);
    const std::string svg = Map_Svg(picture, {});
    const auto legend = Attributes(svg, R"re(<g class="legend-entry" data-session="(\d+)"><line [^>]*stroke="([^"]+)")re");
    const auto lines = Attributes(svg, R"re(<g class="obs kept" data-observation="\d+" data-session="(\d+)"><line [^>]*stroke="([^"]+)")re");
    ASSERT_EQ(legend.size(), 3u);
    EXPECT_EQ(legend[0].first, 0);
    EXPECT_EQ(legend[1].first, 2);
    EXPECT_EQ(legend[2].first, 3);
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t k = 0; k < legend.size(); ++k) {
        EXPECT_EQ(lines[k].first, legend[k].first);
        EXPECT_EQ(lines[k].second, legend[k].second) << "session S" << legend[k].first;
    }
    // And the sessions drawn keep apart: no two of the first colours alike.
    EXPECT_NE(legend[0].second, legend[1].second);
    EXPECT_NE(legend[1].second, legend[2].second);
}

struct ScaleAgainstStations {
    const char* what;
    double latitude, longitude;            // of the first station
    double northDegrees, eastDegrees;      // the second station from the first
    const char* label;                     // the scale bar's label, worked by hand
};

// The bar's drawn length against its label, measured by the two stations
// drawn: their distance on a sphere of 6,371 km (the haversine, worked in
// the test) over the pixels between their markers.
TEST(ScaleBar, ItsDrawnLengthIsWhatItsLabelSays) {
    // A 960 x 653 px map, 56 px margins: a north-south pair fills 541 px, a
    // west-east pair 848 px.  The bar takes the longest 1, 2 or 5 x 10^n not
    // over a fifth of the width, 192 px.
    const ScaleAgainstStations cases[] = {
        // 0.1 degree of latitude, 11.12 km in 541 px: 192 px are 3.95 km.
        {"north to south, 11 km", 47.0, 8.0, 0.1, 0.0, "2 km"},
        // 0.17 degree of longitude at 47 N, 12.89 km in 848 px: 192 px are 2.92 km.
        {"west to east at 47 N, 13 km", 47.0, 8.0, 0.0, 0.17, "2 km"},
        // 89 m in 541 px: 192 px are 31.6 m.
        {"a small site, 89 m", 47.0, 8.0, 0.0008, 0.0, "20 m"},
        // 333.6 km in 541 px: 192 px are 118 km.
        {"a region, 334 km", 45.0, 6.0, 3.0, 0.0, "100 km"},
    };
    for (const ScaleAgainstStations& c : cases) {
        SCOPED_TRACE(c.what);
        PlanPicture picture;
        picture.stations = {test::Station("ONE", c.latitude, c.longitude),
                            test::Station("TWO", c.latitude + c.northDegrees, c.longitude + c.eastDegrees)};
        const std::string svg = Map_Svg(picture, {});
        std::smatch match;
        const std::regex circles(R"re(<circle cx="([-\d.]+)" cy="([-\d.]+)" r="4.5" fill="white" stroke="black" stroke-width="1.4"/>)re");
        std::vector<std::pair<double, double>> markers;
        for (auto it = std::sregex_iterator(svg.begin(), svg.end(), circles); it != std::sregex_iterator(); ++it)
            markers.push_back({std::stod((*it)[1].str()), std::stod((*it)[2].str())});
        ASSERT_EQ(markers.size(), 2u);
        const double pixels = std::hypot(markers[1].first - markers[0].first, markers[1].second - markers[0].second);
        constexpr double radians = 3.14159265358979323846 / 180.0, earthKilometres = 6371.0;
        const double lat1 = c.latitude * radians, lat2 = (c.latitude + c.northDegrees) * radians;
        const double h = std::pow(std::sin((lat2 - lat1) / 2.0), 2.0)
                         + std::cos(lat1) * std::cos(lat2) * std::pow(std::sin(c.eastDegrees * radians / 2.0), 2.0);
        const double kilometres = 2.0 * earthKilometres * std::asin(std::sqrt(h));
        ASSERT_TRUE(std::regex_search(svg, match, std::regex(R"re(<g class="scale-bar" data-kilometres="([\d.e-]+)"><rect x="[\d.]+" y="[\d.]+" width="([\d.]+)" height="5" fill="#212529"/><rect x="[\d.]+" y="[\d.]+" width="([\d.]+)" height="5" fill="white" stroke="#212529"/>.*text-anchor="end">([^<]+)</text></g>)re")));
        EXPECT_EQ(match[4].str(), c.label);
        const double barPixels = std::stod(match[2].str()) + std::stod(match[3].str());
        const double barKilometres = std::stod(match[1].str());
        EXPECT_NEAR(barPixels / barKilometres, pixels / kilometres, 0.005 * pixels / kilometres)
            << barPixels << " px for " << match[4].str() << "; the stations " << pixels << " px for " << kilometres << " km";
    }
}

TEST(Map, TheVerdictAndTheNewSessionsToObserve) {
    PlanPicture picture = Three_Stations(1);
    picture.standard = PictureStandard{"basic", "own", "fails basic: 1 rule", false, {}, {}, {}};
    picture.standard->fieldList = {{1, "KAPF", "HOLZ", 2000.0, 20.0, {"KAPF: occupations 1 of 2"}},
                                   {2, "KAPF", "NOWHERE", std::nullopt, 15.0, {"NOWHERE: occupations 0 of 2"}}};
    const std::string svg = Map_Svg(picture, {});
    EXPECT_NE(svg.find(">Checked against basic: fails basic: 1 rule; 2 new sessions to observe</text>"), std::string::npos);
    // The one whose stations are both on the map is drawn, numbered as the list.
    EXPECT_EQ(Count(svg, "<g class=\"field-session\""), 1u);
    EXPECT_NE(svg.find("<g class=\"field-session\" data-field=\"1\">"), std::string::npos);
    EXPECT_NE(svg.find("<title>observe again #1: KAPF with HOLZ, 20 min</title>"), std::string::npos);
    EXPECT_EQ(Count(svg, "class=\"legend-field\""), 1u);
    EXPECT_EQ(Map_Svg(Three_Stations(1), {}).find("class=\"verdict\""), std::string::npos);
}

TEST(Map, AHostileProfileNameStaysText) {
    PlanPicture picture = Three_Stations(1);
    picture.standard = PictureStandard{"</script><b>P</b> & \"Q\" 'A' <!--", "<i>T</i>",
                                       "fails </script><b>P</b>: 1 rule", false, {}, {}, {}};
    const std::string svg = Map_Svg(picture, {});
    EXPECT_EQ(svg.find("<b>"), std::string::npos);
    EXPECT_EQ(svg.find("</script>"), std::string::npos);
    EXPECT_EQ(svg.find("<!--"), std::string::npos);
    EXPECT_NE(svg.find(">Checked against &lt;/script&gt;&lt;b&gt;P&lt;/b&gt; &amp; &quot;Q&quot; &#39;A&#39; &lt;!--: fails "
                       "&lt;/script&gt;&lt;b&gt;P&lt;/b&gt;: 1 rule</text>"),
              std::string::npos);
}

}  // namespace
}  // namespace min_lumo_tool

#include "tool/output/html_report.h"

#include <gtest/gtest.h>

#include "tool/output/tests/picture_fixtures.h"

namespace min_lumo_tool {
namespace {

using test::Count;
using test::Three_Stations;

TEST(ScriptData, NothingCanCloseTheScriptElement) {
    const struct {
        const char* json;
        const char* safe;
    } cases[] = {{R"({"n":"</script><script>x()</script>"})",
                  R"({"n":"\u003c/script\u003e\u003cscript\u003ex()\u003c/script\u003e"})"},
                 {R"({"n":"<!--"})", R"({"n":"\u003c!--"})"},
                 {R"({"n":"A&B"})", R"({"n":"A\u0026B"})"},
                 {R"({"n":"plain"})", R"({"n":"plain"})"}};
    for (const auto& c : cases) EXPECT_EQ(Script_Safe_Json(c.json), c.safe);
}

TEST(HtmlReport, SelfContained) {
    const std::string html = Html_Report(Three_Stations(2));
    // Nothing that could reach out: no remote address, no file to load.
    for (const char* outward : {"https://", "//cdn", "src=\"", "href=\"http", "@import", "url("})
        EXPECT_EQ(html.find(outward), std::string::npos) << outward;
    // The one http:// is the SVG namespace, which is a name, never fetched.
    EXPECT_EQ(Count(html, "http://"), Count(html, "http://www.w3.org/2000/svg"));
    EXPECT_EQ(Count(html, "<svg"), 1u);        // the map, inline
    EXPECT_EQ(Count(html, "<script"), 2u);     // the data and the script
    EXPECT_EQ(Count(html, "</script>"), 2u);
}

TEST(HtmlReport, HostileNamesStayText) {
    PlanPicture picture = Three_Stations(1);
    picture.stations[0].name = "</script><b>X";
    picture.warnings = {"station <i>Y</i> & \"Z\""};
    const std::string html = Html_Report(picture);
    EXPECT_EQ(Count(html, "</script>"), 2u);
    EXPECT_EQ(html.find("<b>X"), std::string::npos);
    EXPECT_EQ(html.find("<i>Y"), std::string::npos);
    EXPECT_NE(html.find("station &lt;i&gt;Y&lt;/i&gt; &amp; &quot;Z&quot;"), std::string::npos);
}

TEST(HtmlReport, ChecksAndVerdictOnlyWhenGiven) {
    PlanPicture picture = Three_Stations(1);
    EXPECT_EQ(Html_Report(picture).find("id=\"verdict\""), std::string::npos);
    EXPECT_EQ(Html_Report(picture).find("id=\"check-table\""), std::string::npos);
    picture.verdict = "meets the profile";
    picture.checks = {{"common time", "pass", "all over 1 h"}};
    const std::string html = Html_Report(picture);
    EXPECT_NE(html.find("<p class=\"verdict\" id=\"verdict\">meets the profile</p>"), std::string::npos);
    EXPECT_NE(html.find("id=\"check-table\""), std::string::npos);
}

}  // namespace
}  // namespace min_lumo_tool

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

// A standard that fails one rule of two, with one new session to observe.
PictureStandard Failing_Standard() {
    PictureStandard standard;
    standard.profile = "basic";
    standard.title = "the project's own checks";
    standard.verdict = "fails basic: 1 rule";
    standard.rules = {{"occupations", "fails", "required", "each station occupied twice", "own default",
                       {{"station KAPF", "1 occupation", "2 occupations", {"KAPF"}}}},
                      {"controls", "passes", "required", "at least 1 control", "own default", {}}};
    standard.fieldList = {{1, "KAPF", "HOLZ", 1500.0, 20.0, {"KAPF: occupations 1 of 2"}}};
    standard.fieldNotes = {"occupation of KAPF in k.rnx: a gap of 1200 s; occupy it again"};
    return standard;
}

TEST(HtmlReport, TheVerdictChecksAndFieldListOnlyWithAStandard) {
    PlanPicture picture = Three_Stations(1);
    const std::string without = Html_Report(picture);
    for (const char* part : {"id=\"verdict\"", "id=\"checks\"", "id=\"observe-again\"", "href=\"#checks\""})
        EXPECT_EQ(without.find(part), std::string::npos) << part;
    picture.standard = Failing_Standard();
    const std::string html = Html_Report(picture);
    EXPECT_NE(html.find("<div class=\"verdict fails\" id=\"verdict\"><b>Checked against basic: fails basic: 1 rule</b>"
                        "<span>failing: occupations</span>"),
              std::string::npos);
    EXPECT_NE(html.find("what to observe again: 1 new session</a>"), std::string::npos);
    // The rules are in the page itself, not left to the script.
    EXPECT_NE(html.find("<tr class=\"fails\"><td>occupations</td><td class=\"result\">fails</td><td>required</td>"
                        "<td class=\"number\">1</td><td class=\"wrap\">each station occupied twice</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<li><b>occupations, controls</b>: own default</li>"), std::string::npos);
    EXPECT_NE(html.find("<h3>Failing items (1)</h3>"), std::string::npos);
    EXPECT_NE(html.find("<li>occupation of KAPF in k.rnx: a gap of 1200 s; occupy it again</li>"), std::string::npos);
    // The failing items and the field list travel as data for the tables.
    EXPECT_NE(html.find(R"("failures":[{"rule":"occupations","result":"fails","item":"station KAPF")"), std::string::npos);
    EXPECT_NE(html.find(R"("fieldList":[{"no":1,"station":"KAPF","with":"HOLZ","len":1500.0,"minutes":20.0)"),
              std::string::npos);
}

TEST(HtmlReport, AMetCampaignHasNothingToObserveAgain) {
    PlanPicture picture = Three_Stations(1);
    picture.standard = PictureStandard{"basic", "own", "meets basic", true, {}, {}, {}};
    const std::string html = Html_Report(picture);
    EXPECT_NE(html.find("<div class=\"verdict meets\" id=\"verdict\"><b>Checked against basic: meets basic</b>"),
              std::string::npos);
    EXPECT_NE(html.find("<p class=\"note\">Nothing: the campaign meets basic.</p>"), std::string::npos);
    EXPECT_EQ(html.find("id=\"failure-table\""), std::string::npos);
}

// A profile is a user's file: its name, title and sources are text in the
// page, whatever they hold.
TEST(HtmlReport, AHostileProfileStaysText) {
    PlanPicture picture = Three_Stations(1);
    picture.standard = Failing_Standard();
    picture.standard->profile = "</script><b>P</b> & \"Q\" 'A' <!--";
    picture.standard->title = "<i>T</i>";
    picture.standard->verdict = "fails </script><b>P</b>: 1 rule";
    picture.standard->rules[0].source = "<u>S</u>";
    picture.standard->fieldList[0].mends = {"</script><s>M</s>"};
    const std::string html = Html_Report(picture);
    EXPECT_EQ(Count(html, "</script>"), 2u);
    EXPECT_EQ(Count(html, "<!--"), 0u);
    for (const char* markup : {"<b>P", "<i>T", "<u>S", "<s>M"}) EXPECT_EQ(html.find(markup), std::string::npos) << markup;
    EXPECT_NE(html.find("Checked against &lt;/script&gt;&lt;b&gt;P&lt;/b&gt; &amp; &quot;Q&quot; &#39;A&#39; &lt;!--: "),
              std::string::npos);
    EXPECT_NE(html.find("&lt;i&gt;T&lt;/i&gt;"), std::string::npos);
    EXPECT_NE(html.find("&lt;u&gt;S&lt;/u&gt;"), std::string::npos);
    EXPECT_NE(html.find(R"("mends":["\u003c/script\u003e\u003cs\u003eM\u003c/s\u003e"])"), std::string::npos);
}

}  // namespace
}  // namespace min_lumo_tool

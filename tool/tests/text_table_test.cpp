// Text that keeps to the page: wrapping at spaces, and names cut to fit
// without two of them reading the same.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool/output/text_table.h"

namespace min_lumo_tool {
namespace {

struct WrapCase {
    const char* text;
    std::size_t columns;
    const char* first;
    const char* next;
    const char* wrapped;
};

TEST(WrapText, BreaksAtSpacesWithinTheColumns) {
    const WrapCase cases[] = {
        {"short", 20, "  ", "    ", "  short\n"},
        {"one two three four", 10, "", "  ", "one two\n  three\n  four\n"},
        {"one two three four", 9, "1  ", "   ", "1  one\n   two\n   three\n   four\n"},
        {"abcdefghijkl", 5, "", "", "abcde\nfghij\nkl\n"},
        {"a  b", 10, "", "", "a b\n"},
        {"", 10, "> ", "", "> \n"},
    };
    for (const WrapCase& c : cases) EXPECT_EQ(Wrap_Text(c.text, c.columns, c.first, c.next), c.wrapped) << c.text;
}

TEST(WrapText, NoLineIsWiderThanAsked) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "word" + std::to_string(i) + (i % 7 == 0 ? "-a-longer-one " : " ");
    const std::string wrapped = Wrap_Text(text, 40, "  ", "      ");
    std::size_t start = 0;
    for (std::size_t end = wrapped.find('\n'); end != std::string::npos; start = end + 1, end = wrapped.find('\n', start))
        EXPECT_LE(end - start, 40U) << wrapped.substr(start, end - start);
}

struct CutCase {
    std::vector<std::string> names;
    std::size_t room;
    std::vector<std::string> shown;
};

TEST(TableNames, LongNamesAreCutAndMarkedSoNoTwoReadTheSame) {
    const CutCase cases[] = {
        {{"BASE", "KAPF"}, 4, {"BASE", "KAPF"}},
        {{"STATION_NORTH_01", "STATION_NORTH_02", "BASE"}, 10, {"STATION_~1", "STATION_~2", "BASE"}},
        // A cut that would read as a station's whole name takes the next mark.
        {{"LONGNAME_A", "LONGNA~1", "LONGNAME_B"}, 8, {"LONGNA~2", "LONGNA~1", "LONGNA~3"}},
        // Never fewer than three characters of the name.
        {{"ABCDEFGH"}, 2, {"ABC~1"}},
    };
    for (const CutCase& c : cases) {
        const TableNames names(c.names, c.room);
        std::set<std::string> seen;
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_EQ(names.Shown(i), c.shown[i]) << c.names[i];
            EXPECT_TRUE(seen.insert(names.Shown(i)).second) << names.Shown(i);
        }
    }
}

TEST(TableNames, TheKeyGivesEveryCutNameInFull) {
    const TableNames names({"STATION_NORTH_01", "BASE", "STATION_NORTH_02"}, 10);
    EXPECT_EQ(names.Key(), "  STATION_~1  STATION_NORTH_01\n  STATION_~2  STATION_NORTH_02\n");
    EXPECT_EQ(TableNames({"BASE"}, 10).Key(), "");
}

TEST(TextTable, WidthIsTheWidestLine) {
    TextTable table({"name", ">value"});
    table.Add_Row({"BASE", "1"});
    table.Add_Row({"STATION", "12345"});
    // "  STATION  12345": two spaces of indent, two between the columns.
    EXPECT_EQ(table.Width(), 16U);
    EXPECT_EQ(table.Column_Width(0), 7U);
    EXPECT_EQ(table.Column_Width(1), 5U);
}

}  // namespace
}  // namespace min_lumo_tool

// What the plan's outputs promise, worked out by hand: overlaps in hours,
// minutes and seconds; observation labels that stay distinct when long
// names are cut; and the outputs of a run written all or none.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hostkit/project_model.h"
#include "tool/output/atomic_file.h"
#include "tool/plan/observation_labels.h"
#include "tool/plan/report_fields.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {
namespace {

namespace fs = std::filesystem;

TEST(PlanOutputs, OverlapsInHoursMinutesAndSeconds) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "0:00:00"},      {29.4, "0:00:29"},     {29.5, "0:00:30"},     {59.5, "0:01:00"},
        {3599.0, "0:59:59"},   {3600.0, "1:00:00"},   {5400.0, "1:30:00"},   {7500.0, "2:05:00"},
        {86370.0, "23:59:30"},  // was rounded to 24:00 when shown in minutes
        {86400.0, "24:00:00"}, {90061.0, "25:01:01"}, {-90.0, "-0:01:30"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(Hours_Minutes_Seconds(seconds), text) << seconds;
}

TEST(PlanOutputs, CsvFieldsQuoteWhatASpreadsheetWouldSplit) {
    EXPECT_EQ(Csv_Line({"a", "b c", "d,e", "say \"x\"", ""}), "a,b c,\"d,e\",\"say \"\"x\"\"\",\n");
    EXPECT_EQ(Joined_Files({"day1/LOG_0001.24o", "day2/LOG_0001.24o"}), "day1/LOG_0001.24o + day2/LOG_0001.24o");
}

// Labels for observations given as (from, session, to, N) on the stations listed.
struct LabelCase {
    const char* what;
    std::vector<std::string> stations;
    std::vector<LabelParts> observations;
    std::vector<std::string> labels;
};

TEST(PlanOutputs, LabelsStayDistinctWhenLongNamesAreCut) {
    const LabelCase cases[] = {
        {"short names are kept as they are",
         {"A", "B"},
         {{0, 1, "135A", 1}, {0, 1, "135A", 2}},
         {"A 135A B 1", "A 135A B 2"}},
        {"two names that read alike once cut to 11 characters",
         {"BASE_1", "MOUNTAIN_PEAK", "MOUNTAIN_PEAR"},
         {{0, 1, "135A", 1}, {0, 2, "135A", 1}},
         {"BASE_1 135A MOUNTAIN_~1 1", "BASE_1 135A MOUNTAIN_~2 1"}},
        {"a name that is cut but like no other keeps its 11 characters",
         {"BASE_1", "MOUNTAIN_PEAK", "VALLEY"},
         {{0, 1, "135A", 1}, {0, 2, "135A", 1}},
         {"BASE_1 135A MOUNTAIN_PE 1", "BASE_1 135A VALLEY 1"}},
        {"names alike but for letter case, as the library compares them",
         {"LONGSTATION_a", "LONGSTATION_A", "X"},
         {{0, 2, "135A", 1}, {1, 2, "135A", 1}},
         {"LONGSTATI~1 135A X 1", "LONGSTATI~2 135A X 1"}},
        {"white space in names becomes _ and then reads alike",
         {"NORTH HILL", "NORTH_HILL", "X"},
         {{0, 2, "136B", 1}, {1, 2, "136B", 1}},
         {"NORTH_HIL~1 136B X 1", "NORTH_HIL~2 136B X 1"}},
        {"a second baseline of the same two stations counts N on",
         {"A", "B"},
         {{0, 1, "135A", 1}, {0, 1, "135A", 1}, {0, 1, "135A", 2}},
         {"A 135A B 1", "A 135A B 2", "A 135A B 3"}},
        {"a cut that eats the ~ still gives distinct labels",
         {"NORTHERN_RIDGE_1", "NORTHERN_RIDGE_2", "SOUTHERN_VALLEY"},
         {{0, 2, "135AB", 12}, {1, 2, "135AB", 12}},
         {"NORTHERN_~ 135AB SOUTHERN_VA 12", "NORTHERN_~ 135AB SOUTHERN_VA 13"}},
    };
    for (const LabelCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> labels = Unique_Observation_Labels(c.stations, c.observations);
        EXPECT_EQ(labels, c.labels);
        std::set<std::string> distinct;
        for (const std::string& label : labels) {
            EXPECT_LE(label.size(), longestLabel) << label;
            EXPECT_EQ(Label_Tokens(label).size(), min_lumo_kit::labelTokenCount) << label;
            for (const std::string& token : Label_Tokens(label)) EXPECT_LE(token.size(), min_lumo_kit::longestLabelToken) << label;
            distinct.insert(Ascii_Lowered(label));
        }
        EXPECT_EQ(distinct.size(), labels.size());
    }
}

std::string Read_Bytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

fs::path Fresh_Folder(const std::string& name) {
    const fs::path folder = fs::current_path() / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::vector<std::string> Folder_Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Three outputs, one of which cannot be written: none appears, and a target
// that existed keeps its bytes.
TEST(PlanOutputs, AFailedOutputLeavesNoneWrittenAndNothingChanged) {
    struct Case {
        const char* what;
        const char* failing;  // the second output's path, inside the folder
    } cases[] = {
        {"a folder that does not exist", "missing/plan.csv"},
        {"a target that is a folder", "in_the_way"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = Fresh_Folder("all_or_none");
        fs::create_directories(folder / "in_the_way");
        std::ofstream(folder / "project.json", std::ios::binary) << "old project";
        EXPECT_THROW(Write_All_Or_None({{(folder / "project.json").string(), "new project"},
                                        {(folder / c.failing).string(), "plan"},
                                        {(folder / "map.svg").string(), "<svg/>"}}),
                     OutputWriteError);
        EXPECT_EQ(Read_Bytes(folder / "project.json"), "old project");
        EXPECT_EQ(Folder_Listing(folder), (std::vector<std::string>{"in_the_way", "project.json"}));
    }
}

TEST(PlanOutputs, AllOutputsAppearWholeAndReplaceOldOnes) {
    const fs::path folder = Fresh_Folder("all_written");
    std::ofstream(folder / "project.json", std::ios::binary) << "old project";
    Write_All_Or_None({{(folder / "project.json").string(), "new project"},
                       {"", "not asked for"},
                       {(folder / "map.svg").string(), "<svg/>"}});
    EXPECT_EQ(Read_Bytes(folder / "project.json"), "new project");
    EXPECT_EQ(Read_Bytes(folder / "map.svg"), "<svg/>");
    EXPECT_EQ(Folder_Listing(folder), (std::vector<std::string>{"map.svg", "project.json"}));
}

TEST(PlanOutputs, OneFileForTwoOutputsIsRefusedBeforeAnythingIsWritten) {
    const fs::path folder = Fresh_Folder("two_for_one");
    try {
        Write_All_Or_None({{(folder / "out.csv").string(), "plan"}, {(folder / "." / "out.csv").string(), "table"}});
        FAIL() << "two outputs to one file were written";
    } catch (const std::invalid_argument& error) {
        EXPECT_NE(std::string(error.what()).find("given for two outputs of one run"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(Folder_Listing(folder).empty());
}

}  // namespace
}  // namespace min_lumo_tool

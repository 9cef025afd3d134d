// All or none, when the failure comes late: the outputs before it are
// already in place when a rename fails, and must be taken back.
#include "tool/output/atomic_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace min_lumo_tool {
namespace {

namespace fs = std::filesystem;

std::string Bytes_Of(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Four outputs: an existing plan.csv and a new map.svg go into place first;
// then the existing report.html cannot be moved aside, because a folder
// stands where its old bytes would go (report.html.bak.tmp): that rename
// fails.  The ones placed are taken back -- plan.csv holds its old bytes
// again, map.svg is gone -- and neither report.html nor the last output,
// never reached, changes.  No temporary is left.
TEST(AllOrNone, ARenameThatFailsTakesBackTheOutputsAlreadyPlaced) {
    const fs::path folder = fs::current_path() / "rename_fails";
    fs::remove_all(folder);
    fs::create_directories(folder / "report.html.bak.tmp" / "inside");
    std::ofstream(folder / "plan.csv", std::ios::binary) << "old plan";
    std::ofstream(folder / "report.html", std::ios::binary) << "old report";
    std::ofstream(folder / "project.json", std::ios::binary) << "old project";
    try {
        Write_All_Or_None({{(folder / "plan.csv").string(), "new plan"},
                           {(folder / "map.svg").string(), "<svg/>"},
                           {(folder / "report.html").string(), "new report"},
                           {(folder / "project.json").string(), "new project"}});
        FAIL() << "the rename did not fail";
    } catch (const OutputWriteError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("cannot write " + (folder / "report.html").string() + ": cannot move the existing file aside"),
                  std::string::npos)
            << message;
    }
    EXPECT_EQ(Bytes_Of(folder / "plan.csv"), "old plan");
    EXPECT_EQ(Bytes_Of(folder / "report.html"), "old report");
    EXPECT_EQ(Bytes_Of(folder / "project.json"), "old project");
    EXPECT_EQ(Listing(folder), (std::vector<std::string>{"plan.csv", "project.json", "report.html", "report.html.bak.tmp"}));
    EXPECT_EQ(Listing(folder / "report.html.bak.tmp"), (std::vector<std::string>{"inside"}));
}

}  // namespace
}  // namespace min_lumo_tool

// A key given twice in one object of a project file is refused, naming the
// line and column of the repetition and where the key first appeared; keys
// of different objects, or differing in letter case, are not repetitions.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool/project/project_reader.h"
#include "tool/project/violation.h"

namespace min_lumo_tool {
namespace {

struct RepeatedKeyCase {
    const char* name;
    std::string text;
    std::vector<std::string> messages;  // every violation, in order
};

class RepeatedKeyTest : public ::testing::TestWithParam<RepeatedKeyCase> {};

TEST_P(RepeatedKeyTest, ReportsEveryRepeatedKey) {
    const ReadResult read = Read_Project_Text(GetParam().text);
    std::vector<std::string> messages;
    for (const Violation& violation : read.violations) messages.push_back(Format_Violation(violation));
    EXPECT_EQ(messages, GetParam().messages);
}

// Two stations and one observation between them: reads without a problem.
const std::string stations = R"("stations": [{"name": "A"}, {"name": "B"}])";

INSTANTIATE_TEST_SUITE_P(
    Files, RepeatedKeyTest,
    ::testing::Values(
        RepeatedKeyCase{"top_level",
                      "{\n  \"stations\": [{\"name\": \"A\"}],\n  \"description\": \"x\",\n  \"stations\": []\n}",
                      {"JSON: line 4, column 3: key \"stations\" given again in the same object (first on line 2, "
                       "column 3); only one can be meant"}},
        RepeatedKeyCase{"in_a_record_of_an_array",
                      "{\"stations\": [\n  {\"name\": \"A\"},\n  {\"name\": \"B\",\n   \"name\": \"C\"}\n]}",
                      {"JSON: line 4, column 4: key \"name\" given again in the same object (first on line 3, "
                       "column 4); only one can be meant"}},
        RepeatedKeyCase{"nested_object", R"({"sources": [{"name": "G", "ratio": {"numerator": 1, "numerator": 2}}]})",
                      {"JSON: line 1, column 54: key \"numerator\" given again in the same object (first on line 1, "
                       "column 38); only one can be meant"}},
        RepeatedKeyCase{"three_times_and_two_keys", "{\"description\": 1, \"description\": 2,\n\"stations\": [],\n"
                                                  "\"description\": 3, \"stations\": []}",
                      {"JSON: line 1, column 20: key \"description\" given again in the same object (first on line 1, "
                       "column 2); only one can be meant",
                       "JSON: line 3, column 1: key \"description\" given again in the same object (first on line 1, "
                       "column 2); only one can be meant",
                       "JSON: line 3, column 19: key \"stations\" given again in the same object (first on line 2, "
                       "column 1); only one can be meant"}},
        RepeatedKeyCase{"in_a_top_level_array", "[{\"a\": 1}, {\"a\": 2, \"a\": 3}]",
                      {"JSON: line 1, column 21: key \"a\" given again in the same object (first on line 1, "
                       "column 13); only one can be meant"}},
        RepeatedKeyCase{"written_with_an_escape", R"({"stations": [], "st\u0061tions": []})",
                      {"JSON: line 1, column 18: key \"stations\" given again in the same object (first on line 1, "
                       "column 2); only one can be meant"}},
        RepeatedKeyCase{"quote_inside_the_key", R"({"a\"b": 1, "a\"b": 2})",
                      {"JSON: line 1, column 13: key \"a\\\"b\" given again in the same object (first on line 1, "
                       "column 2); only one can be meant"}},
        // Not repetitions: the same key in sibling and nested objects, a
        // value that spells a key, keys differing in letter case (the
        // second is then an unknown field).
        RepeatedKeyCase{"same_key_in_sibling_records", "{" + stations + "}", {}},
        RepeatedKeyCase{"same_key_nested", R"({"description": "d", "stations": [{"name": "A", "description": "e"}]})",
                      {"station 0: description = \"e\": unknown field"}},
        RepeatedKeyCase{"value_spelling_a_key", R"({"description": "stations", "stations": []})", {}},
        RepeatedKeyCase{"differing_in_case", R"({"stations": [{"name": "A", "Name": "B"}]})",
                      {"station 0: Name = \"B\": unknown field"}}),
    [](const ::testing::TestParamInfo<RepeatedKeyCase>& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace min_lumo_tool

// Every guarantee the host gives the library, broken one at a time: the
// validator reports exactly that one violation, in its one-line form.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "hostkit/project_model.h"
#include "tool/project/project_reader.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;

namespace {

// Two stations, one baseline with two observations, one control: valid.
Project Valid_Project() {
    Project project;
    project.sources = {{"GNSS", 1, 1}};
    project.stations = {{"BASE", 47.0, 8.0, 400.0F}, {"KAPF", 47.01, 8.01, 410.0F}};
    ProjectBaseline baseline;
    baseline.fromStation = 0;
    baseline.toStation = 1;
    baseline.observations = {0, 1};
    project.baselines = {baseline};
    for (int32_t i = 0; i < 2; ++i) {
        ProjectObservation observation;
        observation.label = "BASE S1 KAPF " + std::to_string(i + 1);
        observation.baseline = 0;
        observation.baselineSlot = i;
        observation.start.seconds = 0.0;
        observation.end.seconds = 3600.0;
        observation.timeSpan = 3600.0;
        project.observations.push_back(observation);
    }
    project.controls = {{"BASE", 0}};
    return project;
}

struct ValidationCase {
    const char* name;
    std::function<void(Project&)> breakIt;
    const char* message;
};

class ValidationTest : public ::testing::TestWithParam<ValidationCase> {};

TEST_P(ValidationTest, ReportsTheOneBrokenGuarantee) {
    Project project = Valid_Project();
    GetParam().breakIt(project);
    const Violations violations = Validate_Project(project);
    ASSERT_EQ(violations.size(), 1U) << (violations.empty() ? "" : Format_Violation(violations[0]));
    EXPECT_EQ(Format_Violation(violations[0]), GetParam().message);
}

const ValidationCase validationCases[] = {
    {"zero_denominator", [](Project& p) { p.sources[0].ratioDenominator = 0; },
     "source 0 \"GNSS\": ratio = 1/0: denominator is 0"},
    {"overflowing_ratio", [](Project& p) { p.sources[0] = {"X", INT32_MIN, -1}; },
     "source 0 \"X\": ratio = -2147483648/-1: quotient does not fit 32 bits"},
    {"station_name_too_long", [](Project& p) { p.stations[1].name = std::string(5168, 'N'); },
     "station 1: name = \"NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN...\" (5168 characters): "
     "longer than 5167 characters"},
    {"duplicate_station", [](Project& p) { p.stations.push_back(p.stations[0]); },
     "station 2: name = \"BASE\": duplicate of station 0"},
    {"ambiguous_station", [](Project& p) { p.stations.push_back({"base", 0, 0, 0}); },
     "station 2: name = \"base\": ambiguous: equals station 0 \"BASE\" but for letter case"},
    {"from_out_of_range", [](Project& p) { p.baselines[0].fromStation = 2; },
     "baseline 0: from = 2: station index out of range 0..1"},
    {"to_negative", [](Project& p) { p.baselines[0].toStation = -1; },
     "baseline 0: to = -1: station index out of range 0..1"},
    {"same_ends", [](Project& p) { p.baselines[0].toStation = 0; }, "baseline 0: to = 0: same station as from"},
    {"list_entry_out_of_range", [](Project& p) { p.baselines[0].observations[1] = 7; },
     "baseline 0: observations[1] = 7: observation index out of range 0..1"},
    {"list_entry_twice", [](Project& p) { p.baselines[0].observations[1] = 0; },
     "baseline 0: observations[1] = 0: listed twice (also at 0)"},
    {"observation_baseline_out_of_range", [](Project& p) { p.observations[1].baseline = 3; p.baselines[0].observations = {0}; },
     "observation 1: baseline = 3: baseline index out of range 0..0"},
    {"from_source_out_of_range", [](Project& p) { p.observations[0].fromSource = 1; },
     "observation 0: fromSource = 1: source index out of range 0..0"},
    {"label_three_tokens", [](Project& p) { p.observations[0].label = "BASE S1 KAPF"; },
     "observation 0: label = \"BASE S1 KAPF\": must hold 4 tokens, holds 3"},
    {"label_token_too_long", [](Project& p) { p.observations[0].label = "BASE S1 KAPFKAPFKAPF 1"; },
     "observation 0: label = \"BASE S1 KAPFKAPFKAPF 1\": token \"KAPFKAPFKAPF\" longer than 11 characters"},
    {"control_name_too_long", [](Project& p) { p.controls[0].name = "SIXTEEN_CHARS_16"; },
     "control 0: name = \"SIXTEEN_CHARS_16\": longer than 15 characters"},
    {"nul_in_control_name", [](Project& p) { p.controls[0].name = std::string("BA\0SE", 5); },
     "control 0: name = \"BA\\x00SE\": contains a NUL character"},
};

TEST(ValidationTest, LongTextsAreReportedWithTheirLimit) {
    Project project = Valid_Project();
    project.observations[0].label = "BASE SESSION1234 KAPF 1234567890";
    const Violations violations = Validate_Project(project);
    ASSERT_EQ(violations.size(), 1U);
    EXPECT_EQ(violations[0].field, "label");
    EXPECT_EQ(violations[0].problem, "longer than 31 characters");

    project = Valid_Project();
    project.observations[1].toSourceName = std::string(256, 's');
    const Violations sourceName = Validate_Project(project);
    ASSERT_EQ(sourceName.size(), 1U);
    EXPECT_EQ(sourceName[0].field, "toSourceName");
    EXPECT_EQ(sourceName[0].problem, "longer than 255 characters");
}

INSTANTIATE_TEST_SUITE_P(Guarantees, ValidationTest,
                         ::testing::ValuesIn(validationCases),
                         [](const ::testing::TestParamInfo<ValidationCase>& testCase) { return std::string(testCase.param.name); });

TEST(ValidationTest, ValidProjectHasNoViolation) { EXPECT_TRUE(Validate_Project(Valid_Project()).empty()); }

TEST(ValidationTest, OverlongListAndMissingSourcesAreReported) {
    Project project = Valid_Project();
    project.baselines[0].observations.assign(260, 0);
    for (std::size_t i = 0; i < 260; ++i) project.baselines[0].observations[i] = static_cast<int32_t>(i % 2);
    Violations violations = Validate_Project(project);
    ASSERT_FALSE(violations.empty());
    EXPECT_EQ(Format_Violation(violations[0]), "baseline 0: observations = 260: more than 259 observations");

    project = Valid_Project();
    project.sources.clear();
    violations = Validate_Project(project);
    ASSERT_EQ(violations.size(), 4U);
    EXPECT_EQ(Format_Violation(violations[0]), "observation 0: fromSource = 0: no source exists");
}

struct ReaderCase {
    const char* name;
    std::string text;
    const char* message;
};

class ReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderTest, ReportsTheFirstProblem) {
    const ReadResult read = Read_Project_Text(GetParam().text);
    ASSERT_FALSE(read.violations.empty());
    EXPECT_EQ(Format_Violation(read.violations[0]), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderTest,
    ::testing::Values(
        ReaderCase{"syntax", "{\n  \"stations\": [\n    {\"name\": \"A\"}\n    {\"name\": \"B\"}\n  ]\n}",
                   "JSON: line 4, column 5: syntax error while parsing array - unexpected '{'; expected ']'"},
        ReaderCase{"not_an_object", "[1, 2]", "project: project = [2 entries]: must be a JSON object"},
        ReaderCase{"unknown_field", R"({"stations": [{"name": "A", "latitud": 1}]})",
                   "station 0: latitud = 1: unknown field"},
        ReaderCase{"wrong_type", R"({"stations": [{"name": "A", "latitude": "north"}]})",
                   "station 0: latitude = \"north\": must be a number"},
        ReaderCase{"unknown_station", R"({"stations": [{"name": "A"}], "baselines": [{"from": "A", "to": "B"}]})",
                   "baseline 0: to = \"B\": no station has this name"},
        ReaderCase{"bad_time",
                   R"({"stations": [{"name": "A"}, {"name": "B"}],
                       "observations": [{"from": "A", "to": "B", "start": "2024-13-01T00:00:00Z", "end": 5}]})",
                   "observation 0: start = \"2024-13-01T00:00:00Z\": must be seconds or an ISO 8601 UTC time such as "
                   "2024-05-14T08:30:00Z"},
        ReaderCase{"too_deep", "{\"stations\": [{\"name\": \"A\", \"latitude\": " + std::string(100, '[') + "]}",
                   "JSON: line 1, column 102: nested more than 64 levels deep"},
        ReaderCase{"nul_byte", std::string("{\"stations\": []}\n") + '\0' + "{\"sources\": [{\"a\\u0\": 1}]}",
                   "JSON: line 2, column 1: a NUL byte: a project file is text"},
        ReaderCase{"height_beyond_float", R"({"stations": [{"name": "A", "height": 1e39}]})",
                   "station 0: height = 1e+39: does not fit a 32-bit float"},
        ReaderCase{"too_big", R"({"stations": [{"name": "A", "treeLevel": 4294967296}]})",
                   "station 0: treeLevel = 4294967296: must be a whole number that fits 32 bits"},
        ReaderCase{"bad_block", R"({"stations": [{"name": "A"}, {"name": "B"}],
                                   "baselines": [{"from": 0, "to": 1, "fromBlock": "00ff"}]})",
                   "baseline 0: fromBlock = \"00ff\": must be 32 hexadecimal digits (16 bytes)"}),
    [](const ::testing::TestParamInfo<ReaderCase>& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace min_lumo_tool

// Survey standard profiles: every shipped profile loads and cites a source
// for each rule it enables; hostile profiles are refused naming the file,
// the line and the key, lines counted by hand in the fixture below.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool/plan/standard_profile.h"

namespace min_lumo_tool {
namespace {

namespace fs = std::filesystem;

const fs::path shippedFolder = MIN_LUMO_STANDARDS_FOLDER;

TEST(StandardProfile, EveryShippedProfileLoadsWithSources) {
    const std::vector<std::string> names = Shipped_Profile_Names({shippedFolder});
    ASSERT_GE(names.size(), 3U);
    EXPECT_NE(std::find(names.begin(), names.end(), "basic"), names.end());
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const StandardProfile profile = Load_Standard_Profile(name, {shippedFolder});
        EXPECT_EQ(profile.name, name);
        EXPECT_FALSE(profile.title.empty());
        // Each rule cited, or its leaving out explained.
        for (const RuleId rule : All_Rules()) {
            EXPECT_TRUE(profile.Settings(rule).listed) << Rule_Key(rule);
            EXPECT_FALSE(profile.Settings(rule).source.empty()) << Rule_Key(rule);
        }
    }
    // The default is basic; the Corps of Engineers' rule as published.
    EXPECT_EQ(Load_Standard_Profile("", {shippedFolder}).name, "basic");
    const StandardProfile dual = Load_Standard_Profile("usace-dual-frequency", {shippedFolder});
    EXPECT_TRUE(dual.observationTime.settings.enabled);
    EXPECT_EQ(dual.observationTime.baseMinutes, 5.0);
    EXPECT_EQ(dual.observationTime.minutesPerKilometre, 0.5);
    const StandardProfile single = Load_Standard_Profile("usace-single-frequency", {shippedFolder});
    EXPECT_EQ(single.observationTime.baseMinutes, 10.0);
    EXPECT_EQ(single.observationTime.minutesPerKilometre, 1.0);
}

// One rule a line, so that a line number is the rule's place.
const std::vector<std::string> goodProfile = {
    R"({)",                                                                                                  // 1
    R"(  "name": "mine",)",                                                                                  // 2
    R"(  "title": "a surveyor's own",)",                                                                     // 3
    R"(  "rules": {)",                                                                                       // 4
    R"(    "occupations": {"enabled": true, "minimumOccupations": 2, "source": "s"},)",                      // 5
    R"(    "redundancy": {"enabled": true, "minimumSessions": 2, "source": "s"},)",                          // 6
    R"(    "observationTime": {"enabled": true, "baseMinutes": 5, "minutesPerKilometre": 0.5, "source": "s"},)",  // 7
    R"(    "occupationQuality": {"enabled": false, "source": "s"},)",                                        // 8
    R"(    "controls": {"enabled": true, "minimumControls": 1, "source": "s"},)",                            // 9
    R"(    "sessions": {"enabled": true, "severity": "advisory", "source": "s"},)",                          // 10
    R"(    "loops": {"enabled": true, "bridgesAllowed": false, "minimumLoopShare": 0.5, "source": "s"},)",   // 11
    R"(    "nearMisses": {"enabled": false, "source": "s"})",                                                // 12
    R"(  })",                                                                                                // 13
    R"(})",                                                                                                  // 14
};

std::string Profile_Text(std::size_t line, const std::string& replacement) {
    std::string text;
    for (std::size_t i = 0; i < goodProfile.size(); ++i)
        text += (i + 1 == line ? replacement : goodProfile[i]) + "\n";
    return text;
}

TEST(StandardProfile, OwnProfileReads) {
    const StandardProfile profile = Parse_Standard_Profile("mine.json", Profile_Text(0, ""));
    EXPECT_EQ(profile.name, "mine");
    EXPECT_EQ(profile.sessions.settings.severity, RuleSeverity::advisory);
    EXPECT_EQ(profile.loops.minimumLoopShare, 0.5);
    EXPECT_FALSE(profile.nearMisses.settings.enabled);
}

TEST(StandardProfile, HostileProfilesNameFileLineAndKey) {
    struct Case {
        const char* what;
        std::size_t line;         // the fixture line replaced (0: none)
        std::string replacement;  // the whole new line
        int64_t expectedLine;
        std::string expectedKey;
        std::string reasonHas;
    };
    const std::vector<Case> cases = {
        {"a word for a number", 5, R"(    "occupations": {"enabled": true, "minimumOccupations": "two", "source": "s"},)", 5,
         "rules.occupations.minimumOccupations", "expected a whole number"},
        {"a fraction for a count", 6, R"(    "redundancy": {"enabled": true, "minimumSessions": 1.5, "source": "s"},)", 6,
         "rules.redundancy.minimumSessions", "expected a whole number"},
        {"enabled as text", 9, R"(    "controls": {"enabled": "yes", "minimumControls": 1, "source": "s"},)", 9,
         "rules.controls.enabled", "expected true or false"},
        {"an unknown key in a rule", 11,
         R"(    "loops": {"enabled": true, "bridgesAllowed": false, "minimumLoopShare": 0.5, "source": "s", "maxLoops": 3},)",
         11, "rules.loops.maxLoops", "unknown key"},
        {"an unknown key at the top", 3, R"(  "title": "t", "author": "me",)", 3, "author", "unknown key"},
        {"an unknown rule", 12, R"(    "nearMisses": {"enabled": false, "source": "s"}, "closures": {})", 12,
         "rules.closures", "unknown key"},
        {"a misspelt rule", 12, R"(    "sessions2": {"enabled": false, "source": "s"})", 12, "rules.sessions2", "unknown key"},
        {"a rule without its source", 10, R"(    "sessions": {"enabled": true},)", 10, "rules.sessions",
         "missing key source"},
        {"a share over one", 11,
         R"(    "loops": {"enabled": true, "bridgesAllowed": false, "minimumLoopShare": 1.5, "source": "s"},)", 11,
         "rules.loops.minimumLoopShare", "out of range"},
        {"a formula and a table", 7,
         R"(    "observationTime": {"enabled": true, "baseMinutes": 5, "lengthTable": [], "source": "s"},)", 7,
         "rules.observationTime", "not both"},
        {"a severity unknown", 10, R"(    "sessions": {"enabled": true, "severity": "fatal", "source": "s"},)", 10,
         "rules.sessions.severity", "required"},
        {"a missing parameter", 6, R"(    "redundancy": {"enabled": true, "source": "s"},)", 6, "rules.redundancy",
         "missing key minimumSessions"},
        {"rules as a list", 4, R"(  "rules": [)", 0, "", "not JSON"},
        {"not JSON at all", 9, R"(    "controls": {"enabled": true,, "source": "s"},)", 9, "", "not JSON"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        try {
            Parse_Standard_Profile("mine.json", Profile_Text(test.line, test.replacement));
            ADD_FAILURE() << "accepted";
        } catch (const ProfileError& error) {
            EXPECT_EQ(error.file, "mine.json");
            if (test.expectedLine > 0) {
                EXPECT_EQ(error.line, test.expectedLine) << error.what();
            }
            EXPECT_EQ(error.key, test.expectedKey) << error.what();
            EXPECT_NE(std::string(error.what()).find(test.reasonHas), std::string::npos) << error.what();
        }
    }
}

// A rule the profile does not name is left out, as a disabled one is: a
// profile written before a rule was added still reads.
TEST(StandardProfile, RuleNotNamedIsLeftOut) {
    std::string text;
    for (std::size_t i = 0; i < goodProfile.size(); ++i) {
        if (i + 1 == 12) continue;  // nearMisses
        std::string line = goodProfile[i];
        if (i + 1 == 11) line.pop_back();  // the comma before the dropped rule
        text += line + "\n";
    }
    const StandardProfile profile = Parse_Standard_Profile("mine.json", text);
    EXPECT_FALSE(profile.nearMisses.settings.listed);
    EXPECT_FALSE(profile.nearMisses.settings.enabled);
    EXPECT_TRUE(profile.loops.settings.listed);
    EXPECT_TRUE(profile.occupationQuality.settings.listed);
}

// The adjustment's rule: read with the profile, checked by adjust; its
// numbers are millimetres and parts per million, each within range.
TEST(StandardProfile, RelativeAccuracyIsReadForTheAdjustment) {
    const auto profile = [](const std::string& rule) {
        return "{\"name\": \"n\", \"title\": \"t\", \"rules\": {\"relativeAccuracy\": {\"enabled\": true, " + rule +
               ", \"source\": \"s\"}}}";
    };
    const StandardProfile read = Parse_Standard_Profile(
        "mine.json", profile("\"horizontalMillimetres\": 8, \"horizontalPpm\": 1, \"verticalMillimetres\": 16, "
                             "\"verticalPpm\": 2"));
    EXPECT_EQ(Rule_Stage(RuleId::relativeAccuracy), RuleStage::adjustment);
    EXPECT_EQ(read.relativeAccuracy.horizontalMillimetres, 8.0);
    EXPECT_EQ(read.relativeAccuracy.verticalPpm, 2.0);
    try {
        Parse_Standard_Profile("mine.json", profile("\"horizontalMillimetres\": -8, \"horizontalPpm\": 1, "
                                                    "\"verticalMillimetres\": 16, \"verticalPpm\": 2"));
        ADD_FAILURE();
    } catch (const ProfileError& error) {
        EXPECT_EQ(error.key, "rules.relativeAccuracy.horizontalMillimetres");
    }
    EXPECT_THROW(Parse_Standard_Profile("mine.json", profile("\"horizontalMillimetres\": 8")), ProfileError);
}

// Every rule's key reads back to the rule, and no two rules share one.
TEST(StandardProfile, RuleKeysRoundTrip) {
    std::set<std::string> keys;
    for (const RuleId rule : All_Rules()) {
        EXPECT_EQ(Rule_Of_Key(Rule_Key(rule)), rule) << Rule_Key(rule);
        EXPECT_TRUE(keys.insert(Rule_Key(rule)).second) << Rule_Key(rule);
    }
    EXPECT_EQ(All_Rules().back(), lastRule);
    EXPECT_FALSE(Rule_Of_Key("sessions2").has_value());
}

TEST(StandardProfile, UnknownNameListsTheShippedOnes) {
    try {
        Load_Standard_Profile("fgcc", {shippedFolder});
        ADD_FAILURE() << "accepted";
    } catch (const ProfileError& error) {
        EXPECT_NE(std::string(error.what()).find("basic, usace-dual-frequency, usace-single-frequency"),
                  std::string::npos)
            << error.what();
    }
}

}  // namespace
}  // namespace min_lumo_tool

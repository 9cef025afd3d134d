// The options file of a run: the defaults, the user's over them, the
// tool's own keys always the tool's, and the run's base and antennas.
#include <gtest/gtest.h>

#include <string>

#include "tool/process/engine_options.h"

namespace min_lumo_tool {
namespace {

// The value a key has in an options text, as RTKLIB reads it: the last line
// that sets it counts.
std::string Value_Of(const std::string& text, const std::string& key) {
    std::string value = "<unset>";
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t comment = line.find('#');
        if (comment != std::string::npos) line.erase(comment);
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string name = line.substr(0, equals);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (name != key) continue;
        value = line.substr(equals + 1);
        while (!value.empty() && value.back() == ' ') value.pop_back();
    }
    return value;
}

TEST(EngineOptions, TheUsersValuesOverTheDefaultsAndUnknownKeysPassOn) {
    const UserEngineOptions user = Parse_Engine_Options("mine.conf",
                                                        "# elevation mask for a city site\n"
                                                        "pos1-elmask        =10   # degrees\n"
                                                        "\n"
                                                        "pos2-arthres = 2.5\n"
                                                        "pos2-arthres = 4\n"
                                                        "misc-timeinterp   =on\n");
    ASSERT_EQ(user.options.size(), 3U);
    EXPECT_EQ(user.options[0].comment, "mine.conf:2");
    const std::string text = Engine_Options_Text(&user, EngineRunSettings{});
    EXPECT_EQ(Value_Of(text, "pos1-elmask"), "10");
    EXPECT_EQ(Value_Of(text, "pos2-arthres"), "4");  // given twice: the last counts
    EXPECT_EQ(Value_Of(text, "misc-timeinterp"), "on");
    EXPECT_EQ(Value_Of(text, "pos1-frequency"), "2");  // a default the file leaves alone
    const std::vector<std::string> effective = Effective_Engine_Options(&user);
    EXPECT_NE(std::find(effective.begin(), effective.end(), "pos1-elmask=10"), effective.end());
}

TEST(EngineOptions, TheToolsOwnKeysAreNeverTheUsers) {
    const UserEngineOptions user = Parse_Engine_Options("gui.conf",
                                                        "pos1-posmode=kinematic\n"
                                                        "out-solformat=llh\n"
                                                        "ant2-pos1=0\n"
                                                        "ant1-antdelu=1.5\n"
                                                        "out-solformat=enu\n");
    EXPECT_TRUE(user.options.empty());
    EXPECT_EQ(user.ignoredKeys, (std::vector<std::string>{"pos1-posmode", "out-solformat", "ant2-pos1", "ant1-antdelu"}));
    EngineRunSettings run;
    run.basePosition = {4796983.5767, 160309.1177, 4187340.3773};
    run.baseHeight = 0.054;
    run.roverHeight = 0.03;
    run.roverEast = -0.0012;
    run.baseAntenna = "TRM41249.00     NONE";
    const std::string text = Engine_Options_Text(&user, run);
    EXPECT_EQ(Value_Of(text, "pos1-posmode"), "static");
    EXPECT_EQ(Value_Of(text, "out-solformat"), "xyz");
    EXPECT_EQ(Value_Of(text, "out-solstatic"), "all");
    EXPECT_EQ(Value_Of(text, "ant2-postype"), "xyz");
    EXPECT_EQ(Value_Of(text, "ant2-pos1"), "4796983.5767");
    EXPECT_EQ(Value_Of(text, "ant2-pos3"), "4187340.3773");
    EXPECT_EQ(Value_Of(text, "ant2-antdelu"), "0.0540");
    EXPECT_EQ(Value_Of(text, "ant1-antdelu"), "0.0300");
    EXPECT_EQ(Value_Of(text, "ant1-antdele"), "-0.0012");
    EXPECT_EQ(Value_Of(text, "ant2-anttype"), "TRM41249.00     NONE");
    EXPECT_EQ(Value_Of(text, "file-rcvantfile"), "");
}

TEST(EngineOptions, LinesThatSetNothingAreRefusedByLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    for (const Case& c : {Case{"pos1-elmask 10\n", "bad.conf:1: 'pos1-elmask 10' is not an option"},
                          Case{"# fine\n= 10\n", "bad.conf:2: an option without a key"},
                          Case{"pos1 elmask = 10\n", "bad.conf:1: key 'pos1 elmask' holds a space"}}) {
        try {
            Parse_Engine_Options("bad.conf", c.text);
            ADD_FAILURE() << c.text << ": accepted";
        } catch (const EngineOptionsError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
    EXPECT_THROW(Parse_Engine_Options("long.conf", "pos1-elmask=" + std::string(2000, '1') + "\n"), EngineOptionsError);
}

TEST(EngineOptions, TheCommandLineNamesTheWindowInGpsTime) {
    // 2010-03-18 05:00:00 and 05:59:30 on the GPS calendar.
    const double start = 14686.0 * 86400.0 + 5 * 3600.0, end = start + 3570.0;
    const std::vector<std::string> arguments =
        Engine_Arguments("run.conf", start, end, "out.pos", "rover.obs", "base.obs", {"brdc.nav", "glo.nav"});
    EXPECT_EQ(arguments, (std::vector<std::string>{"-k", "run.conf", "-ts", "2010/03/18", "05:00:00", "-te",
                                                   "2010/03/18", "05:59:30", "-o", "out.pos", "rover.obs", "base.obs",
                                                   "brdc.nav", "glo.nav"}));
}

}  // namespace
}  // namespace min_lumo_tool

// Fuzz target for survey standard profiles (the JSON files --standard
// reads): any text either reads as a profile or is refused with a
// ProfileError naming the file and, where one applies, a line within the
// text; no other exception, no crash.  A profile that reads keeps what the
// reader promises: every rule it names has a source, an enabled rule's
// parameters lie within their ranges, and a length table's lengths rise.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "tool/plan/standard_profile.h"

namespace {

using namespace min_lumo_tool;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_standard_profile: %s\n", what.c_str());
    std::abort();
}

int64_t Lines_In(const std::string& text) {
    int64_t lines = 1;
    for (const char c : text) lines += c == '\n';
    return lines;
}

void Check_Profile(const StandardProfile& profile) {
    for (const RuleId rule : All_Rules()) {
        const RuleSettings& settings = profile.Settings(rule);
        if (settings.listed && settings.source.empty() && settings.enabled)
            Fail(std::string("rule ") + Rule_Key(rule) + " read without its source");
        if (!settings.listed && settings.enabled) Fail(std::string("rule ") + Rule_Key(rule) + " enabled unnamed");
    }
    if (profile.antenna.settings.enabled && profile.antenna.minimumHeightMetres > profile.antenna.maximumHeightMetres)
        Fail("an antenna range whose lowest height is above its highest");
    const auto& table = profile.observationTime.lengthTable;
    for (std::size_t i = 1; i < table.size(); ++i)
        if (!(table[i].upToKilometres > table[i - 1].upToKilometres)) Fail("a length table whose lengths do not rise");
    if (!(profile.maximumSessionMinutes > 0.0)) Fail("a session limit of no time");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        Check_Profile(Parse_Standard_Profile("fuzz.json", text));
    } catch (const ProfileError& error) {
        if (error.file != "fuzz.json") Fail("a refusal naming another file: " + std::string(error.what()));
        if (error.line < 0 || error.line > Lines_In(text))
            Fail("a refusal naming a line the text has not: " + std::string(error.what()));
    } catch (const std::exception& error) {
        Fail(std::string("an exception other than ProfileError: ") + error.what());
    }
    return 0;
}

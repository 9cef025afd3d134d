// Control and station names: ASCII letters fold, nothing else does, and a
// text is read only within its field.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "orient/names_match.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

constexpr int32_t ControlNameCapacity = 16;
constexpr int32_t StationNameCapacity = 5168;

struct NameCase {
    std::string control;  // 16 bytes without terminator: unterminated
    std::string station;
    bool match;
};

class NameMatch : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameMatch, ComparesWithinBothFields) {
    const NameCase& c = GetParam();
    char control[ControlNameCapacity];
    std::memset(control, 'x', sizeof control);
    std::memcpy(control, c.control.data(), c.control.size());
    if (c.control.size() < sizeof control) control[c.control.size()] = '\0';
    static char station[StationNameCapacity];
    std::memset(station, 'x', sizeof station);
    std::memcpy(station, c.station.c_str(), c.station.size() + 1);
    EXPECT_EQ(Names_Match(control, ControlNameCapacity, station, StationNameCapacity), c.match);
    EXPECT_EQ(Names_Match(station, StationNameCapacity, control, ControlNameCapacity), c.match);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameMatch,
    ::testing::Values(NameCase{"base1", "BASE1", true}, NameCase{"abc", "ABC", true},
                      NameCase{"", "", true}, NameCase{"base1", "BASE1 ", false},
                      NameCase{"BASE1 ", "base1", false}, NameCase{"AB", "A", false},
                      // Only A to Z fold: '@' and '`', '[' and '{' stay apart.
                      NameCase{"@[", "`{", false},
                      NameCase{"\xC4", "\xE4", false}, NameCase{"\xC4x", "\xC4X", true},
                      NameCase{"ABCDEFGHIJKLMNO", "abcdefghijklmno", true},
                      NameCase{"ABCDEFGHIJKLMNO", "abcdefghijklmnop", false},
                      // A control name filling its field has no terminator:
                      // it matches nothing, not even the same 16 letters.
                      NameCase{"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP", false}));

}  // namespace
}  // namespace min_lumo_test

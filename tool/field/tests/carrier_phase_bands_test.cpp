// The receiver's frequencies as the observation types give them: the
// carrier-phase bands of each satellite system, counted by hand from each
// real file's header (RINEX 2, 3 and 4, Compact, gzip) and from types
// written out below.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool/field/rinex_header.h"
#include "tool/field/rinex_reader.h"

namespace min_lumo_field {
namespace {

TEST(CarrierPhaseBands, FromTheObservationTypes) {
    struct Case {
        std::vector<std::string> types;
        std::string bands;
    };
    const std::vector<Case> cases = {
        {{"L1", "L2", "C1", "P2"}, "12"},          // RINEX 2, dual-frequency
        {{"C1", "L1", "D1", "S1"}, "1"},           // RINEX 2, L1 only
        {{"C1", "P1"}, ""},                        // code only: no phase
        {{"C1C", "L1C", "C2W", "L2W", "L2L"}, "12"},  // L2 twice, counted once
        {{"L5Q", "L1C"}, "51"},                    // in the order met
        {{"LX", "L", "S1C"}, ""},                  // no band digit
    };
    for (const Case& test : cases) {
        const std::vector<char> bands = Carrier_Phase_Bands(test.types);
        EXPECT_EQ(std::string(bands.begin(), bands.end()), test.bands) << test.types.front();
    }
}

// The most bands one system records in each real file of the tests' data.
TEST(CarrierPhaseBands, OfTheRealFiles) {
    struct Case {
        const char* file;
        int32_t bands;
    };
    const std::vector<Case> cases = {
        {"demo3.10o", 2},                                  // G: L1C L2P
        {"rinex2_glonass.10o", 0},                         // C1 only
        {"rinex3_beidou.rnx", 1},                          // C: L2I (B1)
        {"rinex4_mixed.rnx", 1},                           // G and E: L1C each
        {"P43300USA_R_20190012056_17M_15S_MO.crx", 5},    // E: L1C L6C L5Q L7Q L8Q (continued on a second line)
        {"crx1_sample.crx.gz", 1},                         // RINEX 2 in Compact 1.0: C1 L1
    };
    for (const Case& test : cases) {
        const Occupation occupation = Read_Occupation(std::string(MIN_LUMO_FIELD_TEST_DATA) + "/" + test.file);
        EXPECT_EQ(occupation.carrierPhaseBands, test.bands) << test.file;
    }
}

}  // namespace
}  // namespace min_lumo_field

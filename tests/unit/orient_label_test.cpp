// The label tokenizer and rewrite on their own, including fields the host
// failed to terminate, which the export cannot show safely.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "orient/reverse_label.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

constexpr int32_t LabelCapacity = 32;

// A 32-byte label field holding `text` (no terminator when it fills the
// field) and '#' after it up to the field's end, then a guard of letters that an
// overrun would take for part of a token.
struct LabelField {
    char bytes[LabelCapacity + 8];  // the tail guards against reads and writes past the field
    explicit LabelField(const std::string& text) {
        std::memset(bytes, '#', sizeof bytes);
        std::memcpy(bytes, text.data(), text.size());
        if (text.size() < LabelCapacity) bytes[text.size()] = '\0';
        std::memset(bytes + LabelCapacity, 'Z', sizeof bytes - LabelCapacity);
    }
    std::string Field() const { return std::string(bytes, LabelCapacity); }
    std::string Guard() const { return std::string(bytes + LabelCapacity, sizeof bytes - LabelCapacity); }
};

struct ScanCase {
    std::string label;
    bool scanned;
    std::string tokens[4];
};

class LabelScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(LabelScan, ReadsTokensLikePercentSScanning) {
    const ScanCase& c = GetParam();
    const LabelField field(c.label);
    LabelTokens tokens;
    ASSERT_EQ(Scan_Label_Tokens(field.bytes, LabelCapacity, tokens), c.scanned);
    if (!c.scanned) return;
    for (int t = 0; t < LabelTokenCount; ++t) {
        EXPECT_EQ(std::string(tokens.text[t]), c.tokens[t]) << t;
        EXPECT_EQ(tokens.length[t], static_cast<int32_t>(c.tokens[t].size())) << t;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LabelScan,
    ::testing::Values(ScanCase{"P Q R S", true, {"P", "Q", "R", "S"}},
                      ScanCase{"\t\n\v\f\r P\r\rQ R\nS", true, {"P", "Q", "R", "S"}},
                      ScanCase{"P Q R S T", true, {"P", "Q", "R", "S"}},
                      ScanCase{"ABCDEFGHIJK B C D", true, {"ABCDEFGHIJK", "B", "C", "D"}},
                      ScanCase{"P Q R ABCDEFGHIJK ABCDEFGHIJKLMN", true, {"P", "Q", "R", "ABCDEFGHIJK"}},
                      // Byte 0xA0 is white space in some locales, never here.
                      ScanCase{"P\xA0Q R S T", true, {"P\xA0Q", "R", "S", "T"}},
                      ScanCase{"P Q R", false, {}},
                      ScanCase{"P Q R \t ", false, {}},
                      ScanCase{"", false, {}},
                      ScanCase{"P ABCDEFGHIJKL R S", false, {}},
                      // 32 bytes and no terminator: the field's end ends the text.
                      ScanCase{"AAAAAAAAAAA BBBBBBBBBBB CCCC DDD", true, {"AAAAAAAAAAA", "BBBBBBBBBBB", "CCCC", "DDD"}},
                      ScanCase{"AAAAAAAAAAA BBBBBBBBBBB CCCCCCC ", false, {}}));

struct RewriteCase {
    std::string label;
    std::string rewritten;  // empty: unchanged
};

class LabelRewrite : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(LabelRewrite, WritesTokensThreeTwoOneFourWithinTheField) {
    const RewriteCase& c = GetParam();
    LabelField field(c.label);
    const std::string before = field.Field();
    const std::string guard = field.Guard();
    EXPECT_EQ(Reverse_Label(field.bytes, LabelCapacity), !c.rewritten.empty());
    std::string expected = before;
    if (!c.rewritten.empty()) expected.replace(0, c.rewritten.size() + 1, c.rewritten + '\0');
    EXPECT_EQ(field.Field(), expected);
    EXPECT_EQ(field.Guard(), guard);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LabelRewrite,
    ::testing::Values(RewriteCase{"P Q R S", "R Q P S"},
                      RewriteCase{" P  Q\tR S T", "R Q P S"},
                      RewriteCase{"ABCDEFGHIJK B CDEFGHIJKLM D", "CDEFGHIJKLM B ABCDEFGHIJK D"},
                      RewriteCase{"P Q R", ""},
                      RewriteCase{"", ""},
                      RewriteCase{"P Q ABCDEFGHIJKL S", ""},
                      // The longest terminated label: 31 characters.
                      RewriteCase{"AAAAAAAAAAA BBBBBBBBBBB CCCC DD", "CCCC BBBBBBBBBBB AAAAAAAAAAA DD"},
                      // Unterminated 32 bytes: the rewrite and its terminator
                      // would need 33, so the label stays.
                      RewriteCase{"AAAAAAAAAAA BBBBBBBBBBB CCCC DDD", ""},
                      // Unterminated, but the rewrite drops a fifth token and fits.
                      RewriteCase{"AAAAAAAAAAA BBBBBBBBBBB C D EEEE", "C BBBBBBBBBBB AAAAAAAAAAA D"}));

// Reversing twice brings back a label of four tokens joined by single spaces.
TEST(LabelRewrite, TwiceRestoresASingleSpacedLabel) {
    LabelField field("P1 A1 P2 B1");
    ASSERT_TRUE(Reverse_Label(field.bytes, LabelCapacity));
    ASSERT_TRUE(Reverse_Label(field.bytes, LabelCapacity));
    EXPECT_STREQ(field.bytes, "P1 A1 P2 B1");
}

}  // namespace
}  // namespace min_lumo_test

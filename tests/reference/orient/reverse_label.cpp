#include "tests/reference/orient/reverse_label.h"

#include <cstring>

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

// The white space of the "C" locale; bytes outside ASCII are never space.
bool Is_Label_Space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Index of the first byte at or after `at` that is not white space, or the
// position of the text's end.
int32_t Skip_Space(const char* label, int32_t capacity, int32_t at) {
    while (at < capacity && label[at] != '\0' && Is_Label_Space(label[at])) ++at;
    return at;
}

// Index just past the token that starts at `start`.
int32_t Token_End(const char* label, int32_t capacity, int32_t start) {
    int32_t at = start;
    while (at < capacity && label[at] != '\0' && !Is_Label_Space(label[at])) ++at;
    return at;
}

// The order in which the tokens are written back: 3, 2, 1, 4.
constexpr int32_t ReversedTokenOrder[LabelTokenCount] = {2, 1, 0, 3};

}  // namespace

bool Scan_Label_Tokens(const char* label, int32_t capacity, LabelTokens& tokens) {
    int32_t at = 0;
    for (int32_t t = 0; t < LabelTokenCount; ++t) {
        const int32_t start = Skip_Space(label, capacity, at);
        at = Token_End(label, capacity, start);
        const int32_t length = at - start;
        if (length == 0 || length > LabelTokenMaxLength) return false;
        std::memcpy(tokens.text[t], label + start, static_cast<std::size_t>(length));
        tokens.text[t][length] = '\0';
        tokens.length[t] = length;
    }
    return true;
}

bool Reverse_Label(char* label, int32_t capacity) {
    LabelTokens tokens;
    if (!Scan_Label_Tokens(label, capacity, tokens)) return false;
    // Four tokens and three single spaces.  Within a terminated label this
    // never exceeds the old text; only an unterminated field could make it
    // too long for the terminator.
    int32_t written = LabelTokenCount - 1;
    for (const int32_t length : tokens.length) written += length;
    if (written >= capacity) return false;

    int32_t at = 0;
    for (int32_t t = 0; t < LabelTokenCount; ++t) {
        if (t > 0) label[at++] = ' ';
        const int32_t from = ReversedTokenOrder[t];
        std::memcpy(label + at, tokens.text[from], static_cast<std::size_t>(tokens.length[from]));
        at += tokens.length[from];
    }
    label[at] = '\0';
    return true;
}

}  // namespace min_lumo_reference

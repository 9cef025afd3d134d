// The observation label on reversal: four whitespace-separated tokens, the
// first and third of which trade places.
#pragma once

#include <cstdint>

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

inline constexpr int32_t LabelTokenCount = 4;
// Longest token the label format allows, and its buffer with the terminator.
inline constexpr int32_t LabelTokenMaxLength = 11;
inline constexpr int32_t LabelTokenCapacity = LabelTokenMaxLength + 1;

struct LabelTokens {
    char text[LabelTokenCount][LabelTokenCapacity];
    int32_t length[LabelTokenCount];
};

// Reads the first four tokens the way "%s %s %s %s" scanning does: any run
// of white space (space, \t, \n, \v, \f, \r) before and between tokens is
// skipped, a token runs to the next white space or the end of the text.  The
// text ends at its first NUL or after `capacity` bytes, whichever comes
// first; nothing beyond is read.  False, with `tokens` partly filled, when
// fewer than four tokens are present or one of them is longer than
// LabelTokenMaxLength.
bool Scan_Label_Tokens(const char* label, int32_t capacity, LabelTokens& tokens);

// Rewrites the label as tokens 3, 2, 1, 4 joined by single spaces and a
// terminator; what followed the fourth token is dropped and the bytes after
// the new terminator keep their values.  A label outside the format (see
// Scan_Label_Tokens), or one whose rewrite would not fit in `capacity`
// bytes, is left unchanged; the result says whether it was rewritten.
bool Reverse_Label(char* label, int32_t capacity);

}  // namespace min_lumo_reference

#include "tool/project/violation.h"

#include <fmt/format.h>

namespace min_lumo_tool {

namespace {
constexpr std::size_t longestQuotedText = 60;
}

std::string Quote_Value(const std::string& text) {
    std::string shown;
    for (const char c : text.substr(0, longestQuotedText)) {
        if (c == '"' || c == '\\') shown += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            shown += fmt::format("\\x{:02x}", static_cast<unsigned>(static_cast<unsigned char>(c)));
            continue;
        }
        shown += c;
    }
    if (text.size() > longestQuotedText) shown += fmt::format("...\" ({} characters)", text.size());
    else shown += '"';
    return '"' + shown;
}

std::string Format_Violation(const Violation& violation) {
    std::string where = violation.kind;
    if (violation.index >= 0) where += fmt::format(" {}", violation.index);
    if (!violation.name.empty()) where += " " + Quote_Value(violation.name);
    std::string line = where + ": " + violation.field;
    if (!violation.value.empty()) line += " = " + violation.value;
    return line + ": " + violation.problem;
}

}  // namespace min_lumo_tool

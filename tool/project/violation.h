// One problem found in a project: which record, which field, what value and
// what is wrong.  Reader and validator both report in this form, one line each.
#pragma once

#include <string>
#include <vector>

namespace min_lumo_tool {

struct Violation {
    std::string kind;     // "station", "observation", ... or "project"
    long long index = -1;  // record index; -1 when the record has none
    std::string name;     // station or control name, when it helps to find it
    std::string field;    // field name as the project file spells it
    std::string value;    // the offending value, as text
    std::string problem;  // what is wrong with it
};

using Violations = std::vector<Violation>;

// `observation 4: label = "A B C": must hold four tokens`.
std::string Format_Violation(const Violation& violation);

// A value as it appears in a report: texts quoted, shortened when long.
std::string Quote_Value(const std::string& text);

}  // namespace min_lumo_tool

// Reading a project file (JSON) into the tool's project model.  Every problem
// is collected, not just the first: JSON syntax errors with line and column,
// wrong types, unknown fields and names that resolve to nothing.
#pragma once

#include <string>

#include "tool/kit_names.h"
#include "tool/violation.h"

namespace min_lumo_tool {

struct ReadResult {
    Project project;
    Violations violations;  // empty when the file was read completely
};

ReadResult Read_Project_Text(const std::string& text);
ReadResult Read_Project_File(const std::string& path);

// The label the reader gives an observation that has none: four tokens
// FROM SESSION TO N, each cut to the eleven characters a token may hold.
std::string Default_Label(const std::string& fromStation, const std::string& session,
                          const std::string& toStation, int32_t occurrence);

}  // namespace min_lumo_tool

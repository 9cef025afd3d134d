// Reading a project file (JSON) into the tool's project model.  Every problem
// is collected, not just the first: JSON syntax errors with line and column,
// wrong types, unknown fields and names that resolve to nothing.
#pragma once

#include <string>

#include "hostkit/project_model.h"
#include "tool/project/violation.h"

namespace min_lumo_tool {

struct ReadResult {
    min_lumo_kit::Project project;
    Violations violations;  // empty when the file was read completely
};

ReadResult Read_Project_Text(const std::string& text);
ReadResult Read_Project_File(const std::string& path);

}  // namespace min_lumo_tool

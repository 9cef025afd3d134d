#include "tool/commands/project_loading.h"

#include <fmt/format.h>

#include "hostkit/project_model.h"
#include "tool/commands/guard.h"
#include "tool/project/project_reader.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::Project;

std::optional<Project> Load_Valid_Project(const std::string& path, Violations& violations) {
    ReadResult read = Read_Project_File(path);
    violations = std::move(read.violations);
    if (violations.empty()) violations = Validate_Project(read.project);
    if (violations.empty()) return std::move(read.project);
    return std::nullopt;
}

void Print_Violations(const std::string& path, const Violations& violations) {
    for (const Violation& violation : violations) Print_Error(path + ": " + Format_Violation(violation));
    Print_Error(fmt::format("{}: {} problem{}; nothing was run", path, violations.size(), violations.size() == 1 ? "" : "s"));
}

std::optional<Project> Load_Or_Report(const std::string& path) {
    Violations violations;
    std::optional<Project> project = Load_Valid_Project(path, violations);
    if (!project) Print_Violations(path, violations);
    return project;
}

}  // namespace min_lumo_tool

#include "tool/commands/check_command.h"

#include "hostkit/project_model.h"
#include "tool/commands/guard.h"
#include "tool/output/reports.h"
#include "tool/project/violation.h"

namespace min_lumo_tool {

using min_lumo_kit::Project;

int Run_Check(const RunOptions& options) {
    return Guarded([&] {
        Violations violations;
        const std::optional<Project> project = Load_Valid_Project(options.project, violations);
        if (options.json) Print(Check_Report_Json(violations));
        if (!project) {
            for (const Violation& violation : violations) Print_Error(options.project + ": " + Format_Violation(violation));
            return exitBadInput;
        }
        if (!options.json) Print(options.project + ": " + Check_Report_Text(*project));
        return exitSuccess;
    });
}

}  // namespace min_lumo_tool

#include "tool/commands/minimise_command.h"

#include <fmt/format.h>

#include "hostkit/module_loader.h"
#include "hostkit/project_model.h"
#include "tool/commands/guard.h"
#include "tool/commands/outputs.h"
#include "tool/output/geojson_writer.h"
#include "tool/output/reports.h"
#include "tool/output/run_map_view.h"
#include "tool/output/view_picture.h"
#include "tool/project/project_writer.h"
#include "tool/run/explain.h"
#include "tool/run/minimise_run.h"

namespace min_lumo_tool {

using min_lumo_kit::LoadedModule;
using min_lumo_kit::Project;

int Run_Minimise(const RunOptions& options) {
    return Guarded([&] {
        const std::optional<Project> project = Load_Or_Report(options.project);
        if (!project) return exitBadInput;
        const LoadedModule library(options.library);
        MinimiseResult result = Run_Minimisation(*project, library);
        if (result.status != 0) {
            Print_Error(fmt::format("min_lumo: the library reported a failure: {}", result.message));
            return exitLibraryFailure;
        }
        if (options.explain || options.json || !options.svg.empty() || !options.geojson.empty())
            Explain_Decisions(*project, result);
        const MapView view = Minimise_View(result);
        std::vector<std::string> reasons;
        for (const ObservationResult& outcome : result.observations) reasons.push_back(outcome.reason);
        const Pictures pictures = Draw_Pictures(Map_View_Picture(view, Title(options.project, "minimised")),
                                                options.svg, options.html, options.showRedundant);
        Write_All({{options.output, options.output.empty() ? "" : Project_Text(result.after)},
                   {options.svg, pictures.svg},
                   {options.html, pictures.html}},
                  options.geojson,
                  Geojson_Outputs(options.geojson, [&] { return Geo_Layers_From_View(view, &reasons); }));
        Print(options.json ? Minimise_Report_Json(*project, result, options.explain)
                           : Minimise_Report_Text(*project, result, options.explain));
        for (const int32_t observation : result.disagreements)
            Print_Error(fmt::format("warning: observation {}: the library and the tool's own selection disagree",
                                    observation));
        return exitSuccess;
    });
}

}  // namespace min_lumo_tool

#include "tool/commands/orient_command.h"

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
#include "tool/run/orient_run.h"

namespace min_lumo_tool {

using min_lumo_kit::LoadedModule;
using min_lumo_kit::Project;

int Run_Orient(const RunOptions& options) {
    return Guarded([&] {
        const std::optional<Project> project = Load_Or_Report(options.project);
        if (!project) return exitBadInput;
        const LoadedModule library(options.library);
        const OrientResult result = Run_Orientation(*project, library);
        const bool drawn = !options.svg.empty() || !options.geojson.empty() || !options.html.empty();
        const std::optional<MapView> view =
            drawn ? std::optional<MapView>(Orient_View(*project, result)) : std::nullopt;
        const Pictures pictures =
            view ? Draw_Pictures(Map_View_Picture(*view, Title(options.project, "oriented")), options.svg, options.html,
                                 options.showRedundant)
                 : Pictures{};
        Write_All({{options.output, options.output.empty() ? "" : Project_Text(result.after)},
                   {options.svg, pictures.svg},
                   {options.html, pictures.html}},
                  options.geojson, Geojson_Outputs(options.geojson, [&] { return Geo_Layers_From_View(*view, nullptr); }));
        Print(options.json ? Orient_Report_Json(*project, result) : Orient_Report_Text(*project, result));
        if (!result.unreachedStations.empty() && !options.json)
            Print_Error(fmt::format("warning: no control reaches {} of the {} stations", result.unreachedStations.size(),
                                    project->stations.size()));
        return exitSuccess;
    });
}

}  // namespace min_lumo_tool

#include "tool/commands/generate_command.h"

#include <stdexcept>

#include <fmt/format.h>

#include "hostkit/project_model.h"
#include "hostkit/shapes.h"
#include "tool/commands/guard.h"
#include "tool/output/atomic_file.h"
#include "tool/project/project_writer.h"
#ifdef MIN_LUMO_FIELD_FILES
#include "tool/field/rinex_campaign.h"
#endif

namespace min_lumo_tool {

using min_lumo_kit::Generate_Shape;
using min_lumo_kit::Project;
using min_lumo_kit::ShapeOptions;

int Run_Generate(const ShapeOptions& shape, const std::string& output) {
    return Guarded([&] {
        const Project project = Generate_Shape(shape);
        const std::string text = Project_Text(project);
        if (output.empty()) Print(text);
        else Write_File_Atomically(output, text);
        return exitSuccess;
    });
}

#ifdef MIN_LUMO_FIELD_FILES
int Run_Generate_Rinex(const ShapeOptions& shape, const RinexGenerateOptions& options, const std::string& output) {
    return Guarded([&] {
        if (!output.empty() || options.folder.empty())
            throw std::invalid_argument("generate rinex writes a folder of files: give it with --output-dir");
        min_lumo_field::RinexCampaignOptions campaign;
        if (shape.stations != 0) campaign.stations = shape.stations;
        if (options.days != 0) campaign.days = options.days;
        if (shape.sessions != 0) campaign.sessions = shape.sessions;
        if (shape.receivers != 0) campaign.receivers = shape.receivers;
        if (options.interval != 0) campaign.intervalSeconds = options.interval;
        campaign.seed = shape.seed;
        const auto written = min_lumo_field::Write_Rinex_Campaign(campaign, options.folder);
        Print(fmt::format("{}: {} RINEX files, {} day{} of {} session{} with {} receivers on {} stations, {} s epochs\n",
                          options.folder, written.size(), campaign.days, campaign.days == 1 ? "" : "s", campaign.sessions,
                          campaign.sessions == 1 ? "" : "s", campaign.receivers, campaign.stations,
                          campaign.intervalSeconds));
        return exitSuccess;
    });
}
#endif

}  // namespace min_lumo_tool

#include "tool/commands/generate_command.h"

#include <filesystem>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>

#include "hostkit/project_model.h"
#include "hostkit/shapes.h"
#include "tool/commands/guard.h"
#include "tool/output/atomic_file.h"
#include "tool/project/project_writer.h"
#include "tool/field/rinex_campaign.h"

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

int Run_Generate_Rinex(const ShapeOptions& shape, const RinexGenerateOptions& options, const std::string& output) {
    return Guarded([&] {
        if (!output.empty() || options.folder.empty())
            throw std::invalid_argument("generate rinex writes a folder of files: give it with --output-dir");
        min_lumo_field::RinexCampaignOptions campaign;
        // A count given must be one; one not given takes the default.
        const auto take = [](const std::optional<int32_t>& given, const char* option, int32_t& value) {
            if (!given) return;
            if (*given <= 0) throw std::invalid_argument(fmt::format("{} {}: must be at least 1", option, *given));
            value = *given;
        };
        take(options.stations, "--stations", campaign.stations);
        take(options.days, "--days", campaign.days);
        take(options.sessions, "--sessions", campaign.sessions);
        take(options.receivers, "--receivers", campaign.receivers);
        take(options.interval, "--interval", campaign.intervalSeconds);
        campaign.seed = shape.seed;
        campaign.fieldFaults = options.fieldFaults;
        std::error_code error;
        if (!options.force && std::filesystem::is_directory(options.folder, error)
            && !std::filesystem::is_empty(options.folder, error))
            throw std::invalid_argument(fmt::format(
                "--output-dir {}: the folder is not empty, and a campaign written into it would mix with what is "
                "there; give an empty or new folder, or --force to write into it anyway",
                options.folder));
        const auto written = min_lumo_field::Write_Rinex_Campaign(campaign, options.folder);
        Print(fmt::format("{}: {} RINEX files, {} day{} of {} session{} with {} receivers on {} stations, {} s epochs{}\n",
                          options.folder, written.size(), campaign.days, campaign.days == 1 ? "" : "s", campaign.sessions,
                          campaign.sessions == 1 ? "" : "s", campaign.receivers, campaign.stations,
                          campaign.intervalSeconds,
                          campaign.fieldFaults ? ", and a day of field faults" : ""));
        return exitSuccess;
    });
}

}  // namespace min_lumo_tool

#include "tool/commands/adjust_command.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "tool/adjust/adjustment_report.h"
#include "tool/commands/guard.h"
#include "tool/commands/outputs.h"
#include "tool/output/atomic_file.h"
#include "tool/plan/standard_profile.h"
#include "tool/vectors/vector_files.h"

namespace min_lumo_tool {

namespace {

// The profile's relative accuracy, read before anything else so that a bad
// profile stops the run with nothing written.  --strict alone checks
// against the default.  A --standard value that names no profile is a
// vector file that followed the option: it goes back to the files.
std::optional<StandardProfile> Adjust_Standard(const AdjustCommandOptions& options, std::vector<std::string>& files) {
    if (!options.standardGiven && !options.strict) return std::nullopt;
    return Load_Standard_Option(options.standard, files);
}

}  // namespace

std::optional<RelativeAccuracy> Relative_Accuracy_Of(const StandardProfile& profile) {
    const RelativeAccuracyRule& rule = profile.relativeAccuracy;
    if (!rule.settings.enabled) return std::nullopt;
    return RelativeAccuracy{rule.horizontalMillimetres, rule.horizontalPpm, rule.verticalMillimetres, rule.verticalPpm,
                            profile.name, rule.settings.source};
}

int Run_Adjust(const AdjustCommandOptions& options) {
    return Guarded([&] {
        std::vector<std::string> paths = options.files;
        const std::optional<StandardProfile> profile = Adjust_Standard(options, paths);
        if (paths.empty()) throw std::invalid_argument("adjust: name at least one file of vectors");
        std::vector<std::string> warnings;
        std::vector<ProcessedVector> vectors;
        for (const std::string& path : paths) {
            min_lumo_vectors::VectorFile read = min_lumo_vectors::Read_Vector_File(path);
            warnings.insert(warnings.end(), read.warnings.begin(), read.warnings.end());
            vectors.insert(vectors.end(), std::make_move_iterator(read.vectors.begin()),
                           std::make_move_iterator(read.vectors.end()));
        }
        AdjustOptions adjust;
        adjust.controls = options.controls;
        adjust.level = options.level;
        if (!options.controlCoordinates.empty())
            adjust.controlCoordinates = min_lumo_vectors::Read_Control_Coordinates(options.controlCoordinates, &warnings);
        if (profile) {
            adjust.relativeAccuracy = Relative_Accuracy_Of(*profile);
            if (!adjust.relativeAccuracy)
                warnings.push_back(fmt::format("the profile {} has no relativeAccuracy rule: the relative precisions are "
                                               "not judged",
                                               profile->name));
        }
        AdjustmentResult result = Run_Adjustment(vectors, adjust);
        result.warnings.insert(result.warnings.begin(), warnings.begin(), warnings.end());
        const AdjustmentSources sources{paths, options.controlCoordinates};
        std::vector<PendingOutput> outputs = {
            {options.csv, options.csv.empty() ? "" : Adjusted_Coordinates_Csv(result)},
            {options.html, options.html.empty() ? "" : Adjustment_Html_Report(result, sources)}};
        std::vector<PendingOutput> layers;
        if (!options.geojson.empty())
            for (auto& [name, text] : Adjustment_Geojson_Files(result))
                layers.push_back({(std::filesystem::path(options.geojson) / name).string(), std::move(text)});
        Write_All(std::move(outputs), options.geojson, std::move(layers));
        Print(options.json ? Adjustment_Report_Json(result, sources) : Adjustment_Report_Text(result, sources));
        for (const std::string& warning : result.warnings) Print_Error("warning: " + warning);
        if (options.strict && result.relativeAccuracy && !result.relativeMeets) {
            std::size_t failing = 0;
            for (const RelativePrecision& pair : result.relative) failing += !pair.meets;
            Print_Error(fmt::format("min_lumo: --strict: {} of {} vectors fail the relative accuracy of {}", failing,
                                    result.relative.size(), result.relativeAccuracy->standard));
            return exitChecksFailed;
        }
        return exitSuccess;
    });
}

}  // namespace min_lumo_tool

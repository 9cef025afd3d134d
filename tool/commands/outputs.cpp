#include "tool/commands/outputs.h"

#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include <algorithm>

#include "tool/commands/guard.h"
#include "tool/output/atomic_file.h"
#include "tool/output/html_report.h"
#include "tool/output/map_drawing.h"

namespace min_lumo_tool {

void Write_All(const std::vector<PendingOutput>& files) { Write_All_Or_None(files); }

std::vector<PendingOutput> Geojson_Outputs(const std::string& folder, const std::function<GeoLayers()>& layers) {
    if (folder.empty()) return {};
    std::vector<PendingOutput> files;
    for (GeojsonFile& file : Geojson_Files(layers()))
        files.push_back({(std::filesystem::path(folder) / file.name).string(), std::move(file.text)});
    return files;
}

void Write_All(std::vector<PendingOutput> files, const std::string& geojsonFolder, std::vector<PendingOutput> geojson) {
    bool madeFolder = false;
    if (!geojsonFolder.empty()) {
        std::error_code error;
        madeFolder = std::filesystem::create_directories(geojsonFolder, error);
        if (!std::filesystem::is_directory(geojsonFolder))
            throw OutputWriteError(fmt::format("--geojson {}: cannot make the folder{}", geojsonFolder,
                                               error ? ": " + error.message() : ""));
    }
    files.insert(files.end(), std::make_move_iterator(geojson.begin()), std::make_move_iterator(geojson.end()));
    try {
        Write_All(files);
    } catch (...) {
        // Nothing was written: a folder made for the layers goes too.
        std::error_code ignored;
        if (madeFolder) std::filesystem::remove(geojsonFolder, ignored);
        throw;
    }
}

std::string Title(const std::string& path, const char* what) {
    return fmt::format("{}: {}", std::filesystem::path(path).filename().string(), what);
}

Pictures Draw_Pictures(const PlanPicture& picture, const std::string& svgPath, const std::string& htmlPath,
                       bool showRedundant) {
    Pictures drawn;
    if (svgPath.empty() && htmlPath.empty()) return drawn;
    if (std::none_of(picture.stations.begin(), picture.stations.end(),
                     [](const PictureStation& station) { return station.positioned; }))
        Print_Error(std::string("warning: ") + noPositionsMessage);
    MapDrawingOptions options;
    options.showRedundant = showRedundant;
    if (!svgPath.empty()) drawn.svg = Map_Svg(picture, options);
    if (!htmlPath.empty()) drawn.html = Html_Report(picture);
    return drawn;
}

}  // namespace min_lumo_tool

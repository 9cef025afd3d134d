#include "tool/commands/outputs.h"

#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "tool/output/atomic_file.h"

namespace min_lumo_tool {

void Write_All(const std::vector<PendingFile>& files) {
    for (const PendingFile& file : files)
        if (!file.path.empty()) Write_File_Atomically(file.path, file.content);
}

std::vector<PendingFile> Geojson_Outputs(const std::string& folder, const std::function<GeoLayers()>& layers) {
    if (folder.empty()) return {};
    std::vector<PendingFile> files;
    for (GeojsonFile& file : Geojson_Files(layers()))
        files.push_back({(std::filesystem::path(folder) / file.name).string(), std::move(file.text)});
    return files;
}

void Write_All(std::vector<PendingFile> files, const std::string& geojsonFolder, std::vector<PendingFile> geojson) {
    if (!geojsonFolder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(geojsonFolder, error);
        if (!std::filesystem::is_directory(geojsonFolder))
            throw std::runtime_error(fmt::format("--geojson {}: cannot make the folder{}", geojsonFolder,
                                                 error ? ": " + error.message() : ""));
    }
    files.insert(files.end(), std::make_move_iterator(geojson.begin()), std::make_move_iterator(geojson.end()));
    Write_All(files);
}

std::string Title(const std::string& path, const char* what) {
    return fmt::format("{}: {}", std::filesystem::path(path).filename().string(), what);
}

}  // namespace min_lumo_tool

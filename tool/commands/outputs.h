// Writing a command's output files: all prepared first, then each written
// whole, so that a failure while preparing leaves no file behind.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tool/output/geojson_writer.h"

namespace min_lumo_tool {

struct PendingFile {
    std::string path;  // empty: not asked for
    std::string content;
};

void Write_All(const std::vector<PendingFile>& files);

// The GeoJSON layers as the files of a --geojson folder (none when the
// folder is empty: not asked for).
std::vector<PendingFile> Geojson_Outputs(const std::string& folder, const std::function<GeoLayers()>& layers);

// The files, then the GeoJSON files into their folder, made here once
// everything is prepared.
void Write_All(std::vector<PendingFile> files, const std::string& geojsonFolder, std::vector<PendingFile> geojson);

// A drawing's title: the file's name and what was done to it.
std::string Title(const std::string& path, const char* what);

}  // namespace min_lumo_tool

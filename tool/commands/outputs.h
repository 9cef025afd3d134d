// Writing a command's output files: all prepared first, then written all or
// none (Write_All_Or_None), so that a failure while preparing or writing
// leaves no file behind and no existing one changed.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tool/output/atomic_file.h"
#include "tool/output/geojson_writer.h"
#include "tool/output/plan_picture.h"

namespace min_lumo_tool {

// Each output: its path (empty: not asked for) and content; all or none.
void Write_All(const std::vector<PendingOutput>& files);

// The GeoJSON layers as the files of a --geojson folder (none when the
// folder is empty: not asked for).
std::vector<PendingOutput> Geojson_Outputs(const std::string& folder, const std::function<GeoLayers()>& layers);

// The files, then the GeoJSON files into their folder, made here once
// everything is prepared.
void Write_All(std::vector<PendingOutput> files, const std::string& geojsonFolder, std::vector<PendingOutput> geojson);

// A drawing's title: the file's name and what was done to it.
std::string Title(const std::string& path, const char* what);

// The SVG map and the HTML report of a picture, each only when its path is
// given; a map without a single positioned station says so on standard
// error too.
struct Pictures {
    std::string svg, html;
};
Pictures Draw_Pictures(const PlanPicture& picture, const std::string& svgPath, const std::string& htmlPath,
                       bool showRedundant);

}  // namespace min_lumo_tool

// What an adjustment shows: the text report (within 120 columns), the JSON
// report, the adjusted coordinates as CSV, GeoJSON layers and the
// self-contained HTML report.  Lengths in metres in the JSON, CSV and
// GeoJSON; millimetres in the text and HTML tables, as surveyors read them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tool/adjust/network_adjustment.h"

namespace min_lumo_tool {

// Where the adjustment's input came from, for the reports' first lines.
struct AdjustmentSources {
    std::vector<std::string> vectorFiles;  // as given on the command line; none: the vectors just processed
    std::string controlFile;               // empty: none
};

std::string Adjustment_Report_Text(const AdjustmentResult& result, const AdjustmentSources& sources);
std::string Adjustment_Report_Json(const AdjustmentResult& result, const AdjustmentSources& sources);

// station,role,X,Y,Z,latitude,longitude,height,sigmaEast,sigmaNorth,sigmaUp,
// ellipseSemiMajor95,ellipseSemiMinor95,ellipseAzimuth,up95: readable as a
// control coordinates file (held stations leave their sigmas empty).
std::string Adjusted_Coordinates_Csv(const AdjustmentResult& result);

// The GeoJSON files of a --geojson folder, by name: the adjusted stations
// (points), their 95 % error ellipses (polygons, true size) and the vectors
// with their residuals (lines).
inline constexpr const char* adjustedStationsFile = "adjusted_stations.geojson";
inline constexpr const char* errorEllipsesFile = "error_ellipses.geojson";
inline constexpr const char* vectorResidualsFile = "vector_residuals.geojson";
std::vector<std::pair<std::string, std::string>> Adjustment_Geojson_Files(const AdjustmentResult& result);

// One HTML file needing nothing beside itself: summary and verdicts, a map
// with the error ellipses drawn to a stated scale, the vectors by |w|, the
// stations and the relative precisions.
std::string Adjustment_Html_Report(const AdjustmentResult& result, const AdjustmentSources& sources);

// The vectors in the order the reports list them: by largest |w|, those
// without a test last, then as given.
std::vector<std::size_t> Vectors_By_W(const AdjustmentResult& result);

}  // namespace min_lumo_tool

// The map of a run, drawn once for the SVG file and for the HTML report:
// stations at their positions (controls as triangles), the kept
// observations coloured by session with their processing direction, the
// redundant ones faint when asked for, labels that do not collide, a legend
// entry for every session drawn, a scale bar in kilometres, a north arrow
// and a title with the dates.  Without a single positioned station the
// picture says so in words.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tool/output/plan_picture.h"

namespace min_lumo_tool {

struct MapDrawingOptions {
    bool showRedundant = false;  // draw the redundant observations, faintly
    // For the HTML report: the redundant observations are always drawn,
    // hidden until the reader switches them on, and the drawing scales to
    // its box instead of having a fixed size.
    bool forReport = false;
};

std::string Map_Svg(const PlanPicture& picture, const MapDrawingOptions& options);

// What the map says, in the picture and on standard error, when no station
// has a position.
inline constexpr const char* noPositionsMessage =
    "No station has a position (no file gives APPROX POSITION XYZ): there is nothing to place on a map";

// The colour of a session (by its index in the picture), the same on the
// map, in the legend and in the report's timeline.
std::string Session_Colour(int32_t session);
// Sessions beyond this many share colours with earlier ones.
std::size_t Session_Colour_Count();

// ---- Pieces of the drawing, exposed for their tests --------------------

struct Box {
    double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
};
bool Boxes_Overlap(const Box& first, const Box& second);

// A label to place near a point: its size in pixels.
struct LabelRequest {
    double x = 0.0, y = 0.0;
    double width = 0.0, height = 0.0;
};

// Places each label, in order, at the first of a ring of candidate places
// around its point (then rings further out) that overlaps no label placed
// before it, no obstacle and stays inside `bounds`.  Returns each label's
// box, or nothing when no place is free: a crowded map leaves that label
// off rather than write it over another.
std::vector<std::optional<Box>> Place_Labels(const std::vector<LabelRequest>& labels, const std::vector<Box>& obstacles,
                                             const Box& bounds);

// The longest 1, 2 or 5 times a power of ten kilometres that fits in
// `longestKilometres` (at least a metre): the scale bar's length.
double Scale_Bar_Kilometres(double longestKilometres);

// The width in pixels a text of `characters` takes at `fontSize`, taken
// generously (wide capitals) so that boxes built on it do not overlap
// when drawn.
double Text_Width(std::size_t characters, double fontSize);

// The text with <, >, &, " and ' written as entities: safe in SVG and HTML
// text and attribute values alike.
std::string Xml_Escaped(const std::string& text);

}  // namespace min_lumo_tool

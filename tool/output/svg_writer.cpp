#include "tool/output/svg_writer.h"
#include "hostkit/project_model.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include <fmt/format.h>

namespace min_lumo_tool {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectStation;

namespace {

constexpr double drawingWidth = 1000.0;
constexpr double drawingHeight = 720.0;
constexpr double margin = 60.0;
constexpr double legendHeight = 70.0;
constexpr double parallelSpacing = 3.0;  // pixels between repeated observations of one baseline
constexpr double degreesToRadians = 0.017453292519943295;
constexpr const char* warningColour = "#e8590c";
constexpr const char* excludedColour = "#adb5bd";
constexpr const char* networkColours[] = {"#1f77b4", "#2ca02c", "#9467bd", "#17becf", "#8c564b",
                                          "#e377c2", "#7f7f7f", "#bcbd22", "#393b79", "#637939"};

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '<') escaped += "&lt;";
        else if (c == '>') escaped += "&gt;";
        else if (c == '&') escaped += "&amp;";
        else if (c == '"') escaped += "&quot;";
        else escaped += c;
    }
    return escaped;
}

struct Point {
    double x, y;
};

// Stations projected onto the drawing: east to the right, north up, with
// longitudes shrunk by the cosine of the mean latitude.
class Projection {
public:
    explicit Projection(const Project& project) {
        double latitudeSum = 0.0;
        std::size_t positioned = 0;
        for (const ProjectStation& station : project.stations) {
            if (!Has_Usable_Position(station)) continue;
            latitudeSum += station.latitude;
            ++positioned;
        }
        const double meanLatitude = positioned == 0 ? 0.0 : latitudeSum / static_cast<double>(positioned);
        shrink_ = std::cos(meanLatitude * degreesToRadians);
        for (const ProjectStation& station : project.stations) {
            if (!Has_Usable_Position(station)) continue;
            const double x = station.longitude * shrink_;
            minX_ = std::min(minX_, x);
            maxX_ = std::max(maxX_, x);
            minY_ = std::min(minY_, station.latitude);
            maxY_ = std::max(maxY_, station.latitude);
        }
        if (positioned == 0) minX_ = maxX_ = minY_ = maxY_ = 0.0;
        const double spanX = std::max(maxX_ - minX_, 1e-9);
        const double spanY = std::max(maxY_ - minY_, 1e-9);
        scale_ = std::min((drawingWidth - 2 * margin) / spanX, (drawingHeight - 2 * margin) / spanY);
        offsetX_ = (drawingWidth - scale_ * (maxX_ - minX_)) / 2.0;
        offsetY_ = (drawingHeight - scale_ * (maxY_ - minY_)) / 2.0;
    }

    Point At(const ProjectStation& station) const {
        return {offsetX_ + (station.longitude * shrink_ - minX_) * scale_, offsetY_ + (maxY_ - station.latitude) * scale_};
    }

private:
    double shrink_ = 1.0, scale_ = 1.0, offsetX_ = 0.0, offsetY_ = 0.0;
    double minX_ = 1e300, maxX_ = -1e300, minY_ = 1e300, maxY_ = -1e300;
};

class SvgDrawing {
public:
    SvgDrawing(const MapView& view) : view_(view), project_(*view.project), projection_(project_) {}

    std::string Draw(const std::string& title) {
        svg_ = fmt::format(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{1}\" viewBox=\"0 0 {0} {1}\" "
            "font-family=\"sans-serif\">\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
            "<text x=\"20\" y=\"30\" font-size=\"18\">{2}</text>\n",
            drawingWidth, drawingHeight + legendHeight, Escaped(title));
        Draw_Observations();
        if (view_.oriented) Draw_Arrows();
        Draw_Stations();
        Draw_Legend();
        return svg_ + "</svg>\n";
    }

private:
    Point Station_Point(int32_t station) const {
        return projection_.At(project_.stations[static_cast<std::size_t>(station)]);
    }

    void Draw_Observations() {
        std::map<int32_t, int32_t> perBaseline, drawnOnBaseline;
        for (const ProjectObservation& observation : project_.observations) ++perBaseline[observation.baseline];
        svg_ += "<g stroke-width=\"1.6\" fill=\"none\">\n";
        for (std::size_t i = 0; i < project_.observations.size(); ++i) {
            const ProjectObservation& observation = project_.observations[i];
            const ProjectBaseline& baseline = project_.baselines[static_cast<std::size_t>(observation.baseline)];
            if (!Has_Usable_Ends(project_, baseline)) continue;
            const Point a = Station_Point(baseline.fromStation), b = Station_Point(baseline.toStation);
            // Repeated observations of one baseline run side by side.
            const double shift = (drawnOnBaseline[observation.baseline]++
                                  - (perBaseline[observation.baseline] - 1) / 2.0) * parallelSpacing;
            const double length = std::max(std::hypot(b.x - a.x, b.y - a.y), 1e-9);
            const double nx = -(b.y - a.y) / length * shift, ny = (b.x - a.x) / length * shift;
            const MapObservation& shown = view_.observations[i];
            svg_ += fmt::format("<line x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" y2=\"{:.1f}\" {}><title>{}</title></line>\n",
                                a.x + nx, a.y + ny, b.x + nx, b.y + ny, Line_Style(shown),
                                Escaped(fmt::format("{} ({}, network {})", observation.label, shown.state, shown.network)));
            if (shown.network >= 0) networks_.insert(shown.network);
        }
        svg_ += "</g>\n";
    }

    static std::string Line_Style(const MapObservation& shown) {
        if (shown.rejected) return fmt::format("stroke=\"{}\" stroke-dasharray=\"7 4\"", warningColour);
        if (shown.state == "excluded") return fmt::format("stroke=\"{}\" stroke-dasharray=\"2 3\"", excludedColour);
        return fmt::format("stroke=\"{}\"", Network_Colour(shown.network));
    }

    static const char* Network_Colour(int32_t network) {
        constexpr auto count = static_cast<int32_t>(std::size(networkColours));
        return network < 0 ? "#000000" : networkColours[network % count];
    }

    void Draw_Arrows() {
        svg_ += "<g fill=\"#212529\">\n";
        for (const ProjectBaseline& baseline : project_.baselines) {
            if (baseline.directionLevel < 0 || !Has_Usable_Ends(project_, baseline)) continue;
            const Point a = Station_Point(baseline.fromStation), b = Station_Point(baseline.toStation);
            const double length = std::hypot(b.x - a.x, b.y - a.y);
            if (length < 1e-6) continue;
            const double ux = (b.x - a.x) / length, uy = (b.y - a.y) / length;
            const Point tip{(a.x + b.x) / 2 + ux * 6, (a.y + b.y) / 2 + uy * 6};
            const Point back{tip.x - ux * 12, tip.y - uy * 12};
            svg_ += fmt::format("<path d=\"M{:.1f},{:.1f} L{:.1f},{:.1f} L{:.1f},{:.1f} Z\"/>\n", tip.x, tip.y,
                                back.x - uy * 5, back.y + ux * 5, back.x + uy * 5, back.y - ux * 5);
        }
        svg_ += "</g>\n";
    }

    void Draw_Stations() {
        const std::vector<bool> controls = Control_Stations(project_);
        for (std::size_t i = 0; i < project_.stations.size(); ++i) {
            if (!Has_Usable_Position(project_.stations[i])) continue;
            const Point p = projection_.At(project_.stations[i]);
            if (controls[i])
                svg_ += fmt::format("<path d=\"M{:.1f},{:.1f} l8,14 l-16,0 Z\" fill=\"#c92a2a\" stroke=\"black\"/>\n",
                                    p.x, p.y - 9);
            else
                svg_ += fmt::format("<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"4.5\" fill=\"white\" stroke=\"black\"/>\n",
                                    p.x, p.y);
            svg_ += fmt::format("<text x=\"{:.1f}\" y=\"{:.1f}\" font-size=\"12\">{}</text>\n", p.x + 8, p.y - 6,
                                Escaped(project_.stations[i].name));
        }
    }

    void Draw_Legend() {
        double x = 20.0;
        const double y = drawingHeight + 25.0;
        svg_ += "<g font-size=\"12\">\n";
        int shown = 0;
        for (const int32_t network : networks_) {
            if (++shown > 8) break;
            svg_ += fmt::format("<line x1=\"{0}\" y1=\"{1}\" x2=\"{2}\" y2=\"{1}\" stroke=\"{3}\" stroke-width=\"2\"/>"
                                "<text x=\"{4}\" y=\"{5}\">network {6}</text>\n",
                                x, y, x + 24, Network_Colour(network), x + 30, y + 4, network);
            x += 105.0;
        }
        svg_ += fmt::format("<line x1=\"20\" y1=\"{0}\" x2=\"44\" y2=\"{0}\" stroke=\"{1}\" stroke-width=\"2\" "
                            "stroke-dasharray=\"7 4\"/><text x=\"50\" y=\"{2}\">rejected</text>\n",
                            y + 25, warningColour, y + 29);
        svg_ += fmt::format("<path d=\"M136,{0} l8,14 l-16,0 Z\" fill=\"#c92a2a\" stroke=\"black\"/>"
                            "<text x=\"150\" y=\"{1}\">control station</text>\n",
                            y + 16, y + 29);
        if (view_.oriented)
            svg_ += fmt::format("<text x=\"280\" y=\"{}\">arrows: baseline direction, away from the controls</text>\n",
                                y + 29);
        svg_ += "</g>\n";
    }

    const MapView& view_;
    const Project& project_;
    Projection projection_;
    std::set<int32_t> networks_;
    std::string svg_;
};

}  // namespace

std::string Svg_Text(const MapView& view, const std::string& title) { return SvgDrawing(view).Draw(title); }

}  // namespace min_lumo_tool

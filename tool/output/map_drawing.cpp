#include "tool/output/map_drawing.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include <fmt/format.h>

namespace min_lumo_tool {

namespace {

constexpr double degreesToRadians = 0.017453292519943295;
constexpr double metresPerDegreeOfLatitude = 111195.0;  // on a sphere of the Earth's mean radius: for the scale bar
constexpr double headerHeight = 56.0;
constexpr double verdictLineHeight = 20.0;  // the standard's verdict under the subtitle
constexpr double mapMargin = 56.0;
constexpr double stationFontSize = 12.0;
constexpr double sessionFontSize = 11.0;
constexpr double legendFontSize = 12.0;
constexpr double legendEntryWidth = 200.0;
constexpr double legendRowHeight = 20.0;
constexpr double parallelSpacing = 3.0;  // pixels between observations of one baseline in different sessions
constexpr double markerHalfSize = 6.0;
constexpr double leaderLineFromPixels = 24.0;  // a label placed further out than this gets a line to its station
// One kilometre spans this many pixels when every station sits at one point.
constexpr double pixelsPerKilometreAtOnePoint = 200.0;
constexpr const char* controlColour = "#c92a2a";
constexpr const char* redundantColour = "#868e96";
constexpr const char* meetsColour = "#2b8a3e";
constexpr const char* fieldListColour = "#343a40";  // the new sessions to observe, dotted
constexpr double fieldBadgeRadius = 8.0;
// More new sessions than this would bury the plan under dots: the map then
// says so and leaves them to the field list.
constexpr std::size_t mostFieldSessionsDrawn = 60;
// Colours told apart at a glance, none of them grey (redundant) or the
// controls' red; sessions beyond them repeat colours and get their name
// written beside their lines.
constexpr const char* sessionColours[] = {"#1f77b4", "#2ca02c", "#9467bd", "#ff7f0e", "#17becf", "#8c564b",
                                          "#e377c2", "#bcbd22", "#393b79", "#637939", "#d6616b", "#7b4173"};
constexpr std::size_t sessionColourCount = std::size(sessionColours);

struct Point {
    double x = 0.0, y = 0.0;
};


std::string Time_Range_Text(double start, double end, const std::string& scale) {
    const std::string first = Picture_Time_Text(start), last = Picture_Time_Text(end);
    // The same day once: 2024-05-14 07:30 to 09:45.
    if (first.substr(0, 10) == last.substr(0, 10)) return fmt::format("{} to {} {}", first, last.substr(11), scale);
    return fmt::format("{} to {} {}", first, last, scale);
}

// East to the right, north up; longitudes shrunk by the cosine of the mean
// latitude, which keeps a campaign's shapes and distances true enough.
class Projection {
public:
    Projection(const std::vector<PictureStation>& stations, const Box& area) {
        double latitudeSum = 0.0;
        std::size_t positioned = 0;
        for (const PictureStation& station : stations)
            if (station.positioned) {
                latitudeSum += station.latitude;
                ++positioned;
            }
        shrink_ = std::cos((positioned == 0 ? 0.0 : latitudeSum / static_cast<double>(positioned)) * degreesToRadians);
        double minX = 1e300, maxX = -1e300, maxY = -1e300, minY = 1e300;
        for (const PictureStation& station : stations) {
            if (!station.positioned) continue;
            minX = std::min(minX, station.longitude * shrink_);
            maxX = std::max(maxX, station.longitude * shrink_);
            minY = std::min(minY, station.latitude);
            maxY = std::max(maxY, station.latitude);
        }
        if (positioned == 0) minX = maxX = minY = maxY = 0.0;
        const double width = area.right - area.left, height = area.bottom - area.top;
        const double spanX = maxX - minX, spanY = maxY - minY;
        constexpr double tinyDegrees = 1e-7;  // about a centimetre: all stations at one point
        if (spanX < tinyDegrees && spanY < tinyDegrees)
            pixelsPerDegree_ = pixelsPerKilometreAtOnePoint * metresPerDegreeOfLatitude / 1000.0;
        else
            pixelsPerDegree_ = std::min(width / std::max(spanX, tinyDegrees), height / std::max(spanY, tinyDegrees));
        originX_ = area.left + (width - pixelsPerDegree_ * spanX) / 2.0 - minX * pixelsPerDegree_;
        originY_ = area.top + (height - pixelsPerDegree_ * spanY) / 2.0 + maxY * pixelsPerDegree_;
    }

    Point At(const PictureStation& station) const {
        return {originX_ + station.longitude * shrink_ * pixelsPerDegree_, originY_ - station.latitude * pixelsPerDegree_};
    }
    double Kilometres_Per_Pixel() const { return metresPerDegreeOfLatitude / 1000.0 / pixelsPerDegree_; }

private:
    double shrink_ = 1.0, pixelsPerDegree_ = 1.0, originX_ = 0.0, originY_ = 0.0;
};

class MapDrawing {
public:
    MapDrawing(const PlanPicture& picture, const MapDrawingOptions& options) : picture_(picture), options_(options) {
        for (const PictureStation& station : picture.stations) positioned_ += station.positioned ? 1 : 0;
        // The legend names the sessions of the lines drawn: kept, with both ends placed.
        const auto placed = [&](int32_t station) {
            return station >= 0 && picture.stations[static_cast<std::size_t>(station)].positioned;
        };
        for (const PictureObservation& observation : picture.observations)
            if (observation.kept && observation.session >= 0 && placed(observation.from) && placed(observation.to))
                drawnSessions_.push_back(observation.session);
        std::sort(drawnSessions_.begin(), drawnSessions_.end());
        drawnSessions_.erase(std::unique(drawnSessions_.begin(), drawnSessions_.end()), drawnSessions_.end());
        // Larger campaigns get a larger canvas, so that labels find room.
        width_ = std::clamp(std::sqrt(static_cast<double>(positioned_)) * 110.0, 960.0, 2400.0);
        mapHeight_ = std::round(width_ * 0.68);
        const auto perRow = static_cast<std::size_t>(std::max(1.0, std::floor((width_ - 40.0) / legendEntryWidth)));
        legendRows_ = (drawnSessions_.size() + perRow - 1) / perRow;
        legendPerRow_ = perRow;
        header_ = headerHeight + (picture.standard ? verdictLineHeight : 0.0);
        height_ = header_ + mapHeight_ + 24.0 + static_cast<double>(legendRows_ + 1) * legendRowHeight + 16.0;
    }

    std::string Draw() {
        const std::string size = options_.forReport
                                     ? std::string("class=\"map\" preserveAspectRatio=\"xMidYMid meet\"")
                                     : fmt::format("width=\"{0:.0f}\" height=\"{1:.0f}\"", width_, height_);
        svg_ = fmt::format(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" {} viewBox=\"0 0 {:.0f} {:.0f}\" font-family=\"sans-serif\">\n"
            "<rect class=\"background\" width=\"{:.0f}\" height=\"{:.0f}\" fill=\"white\"/>\n",
            size, width_, height_, width_, height_);
        Draw_Title();
        const Box area{0.0, header_, width_, header_ + mapHeight_};
        svg_ += fmt::format("<rect class=\"map-frame\" x=\"0.5\" y=\"{:.1f}\" width=\"{:.0f}\" height=\"{:.0f}\" "
                            "fill=\"#f8f9fa\" stroke=\"#dee2e6\"/>\n",
                            area.top + 0.5, width_ - 1.0, mapHeight_ - 1.0);
        if (positioned_ == 0) {
            svg_ += fmt::format("<text class=\"no-positions\" x=\"{:.0f}\" y=\"{:.0f}\" font-size=\"16\" "
                                "text-anchor=\"middle\" fill=\"{}\">{}</text>\n",
                                width_ / 2.0, area.top + mapHeight_ / 2.0, controlColour, Xml_Escaped(noPositionsMessage));
        } else {
            const Projection projection(picture_.stations,
                                        {mapMargin, area.top + mapMargin, width_ - mapMargin, area.bottom - mapMargin});
            for (const PictureStation& station : picture_.stations) points_.push_back(projection.At(station));
            const Box northArrow = Draw_North_Arrow(area);
            const Box scaleBar = Draw_Scale_Bar(area, projection.Kilometres_Per_Pixel());
            Draw_Observations();
            std::vector<Box> obstacles = {northArrow, scaleBar};
            Draw_Field_List(obstacles);
            Draw_Stations(std::move(obstacles), area);
            if (labelsLeftOff_ > 0)
                svg_ += fmt::format("<text class=\"labels-left-off\" x=\"8\" y=\"{:.0f}\" font-size=\"12\" "
                                    "fill=\"#495057\" stroke=\"white\" stroke-width=\"3\" paint-order=\"stroke\">{} "
                                    "station name{} left off where no room was free; point at a station for its "
                                    "name</text>\n",
                                    area.bottom - 8.0, labelsLeftOff_, labelsLeftOff_ == 1 ? "" : "s");
            if (fieldListLeftOff_ > 0)
                svg_ += fmt::format("<text class=\"field-list-left-off\" x=\"8\" y=\"{:.0f}\" font-size=\"12\" "
                                    "fill=\"#495057\" stroke=\"white\" stroke-width=\"3\" paint-order=\"stroke\">{} new "
                                    "sessions to observe, too many to draw: see the field list</text>\n",
                                    area.top + 18.0, fieldListLeftOff_);
        }
        Draw_Legend(area.bottom + 24.0);
        return svg_ + "</svg>\n";
    }

private:
    void Draw_Title() {
        double first = 0.0, last = 0.0;
        bool any = false;
        for (const PictureSession& session : picture_.sessions) {
            first = any ? std::min(first, session.startSeconds) : session.startSeconds;
            last = any ? std::max(last, session.endSeconds) : session.endSeconds;
            any = true;
        }
        std::size_t kept = 0;
        for (const PictureObservation& observation : picture_.observations) kept += observation.kept ? 1 : 0;
        svg_ += fmt::format("<text class=\"title\" x=\"16\" y=\"24\" font-size=\"18\" font-weight=\"bold\">{}</text>\n",
                            Xml_Escaped(picture_.title));
        svg_ += fmt::format(
            "<text class=\"subtitle\" x=\"16\" y=\"44\" font-size=\"13\" fill=\"#495057\">{}{} stations, {} {}{}, "
            "{} observations to process, {} redundant{}</text>\n",
            any ? Xml_Escaped(Time_Range_Text(first, last, picture_.timeScale)) + "; " : "", picture_.stations.size(),
            picture_.sessions.size(), Xml_Escaped(picture_.groupWord), picture_.sessions.size() == 1 ? "" : "s", kept,
            picture_.observations.size() - kept,
            options_.showRedundant || options_.forReport ? "" : " (not drawn)");
        if (picture_.standard) {
            const PictureStandard& standard = *picture_.standard;
            svg_ += fmt::format("<text class=\"verdict\" x=\"16\" y=\"64\" font-size=\"13\" font-weight=\"bold\" "
                                "fill=\"{}\">Checked against {}: {}{}</text>\n",
                                standard.meets ? meetsColour : controlColour, Xml_Escaped(standard.profile),
                                Xml_Escaped(standard.verdict),
                                standard.fieldList.empty()
                                    ? ""
                                    : fmt::format("; {} new session{} to observe", standard.fieldList.size(),
                                                  standard.fieldList.size() == 1 ? "" : "s"));
        }
    }

    Box Draw_North_Arrow(const Box& area) {
        const double x = width_ - 32.0, y = area.top + 16.0;
        svg_ += fmt::format("<g class=\"north-arrow\"><path d=\"M{0:.0f},{1:.0f} l9,26 l-9,-7 l-9,7 Z\" fill=\"#212529\"/>"
                            "<text x=\"{0:.0f}\" y=\"{2:.0f}\" font-size=\"13\" font-weight=\"bold\" "
                            "text-anchor=\"middle\">N</text></g>\n",
                            x, y + 14.0, y + 10.0);
        return {x - 14.0, y - 4.0, x + 14.0, y + 44.0};
    }

    Box Draw_Scale_Bar(const Box& area, double kilometresPerPixel) {
        const double kilometres = Scale_Bar_Kilometres(width_ / 5.0 * kilometresPerPixel);
        const double length = kilometres / kilometresPerPixel;
        const double x = 20.0, y = area.bottom - 18.0;
        const std::string text = kilometres >= 1.0 ? fmt::format("{:g} km", kilometres)
                                                   : fmt::format("{:g} m", std::round(kilometres * 1000.0));
        svg_ += fmt::format("<g class=\"scale-bar\" data-kilometres=\"{:g}\"><rect x=\"{:.1f}\" y=\"{:.1f}\" width=\"{:.1f}\" "
                            "height=\"5\" fill=\"#212529\"/><rect x=\"{:.1f}\" y=\"{:.1f}\" width=\"{:.1f}\" height=\"5\" "
                            "fill=\"white\" stroke=\"#212529\"/><text x=\"{:.1f}\" y=\"{:.1f}\" font-size=\"12\">0</text>"
                            "<text x=\"{:.1f}\" y=\"{:.1f}\" font-size=\"12\" text-anchor=\"end\">{}</text></g>\n",
                            kilometres, x, y, length / 2.0, x + length / 2.0, y, length / 2.0, x, y - 4.0, x + length,
                            y - 4.0, text);
        return {x - 4.0, y - 18.0, x + length + 4.0, y + 8.0};
    }

    void Draw_Observations() {
        // Observations of one baseline in different sessions run side by side.
        std::map<std::pair<int32_t, int32_t>, int32_t> perBaseline, drawnOnBaseline;
        const auto key = [](const PictureObservation& o) { return std::minmax(o.from, o.to); };
        const auto drawn = [&](const PictureObservation& o) {
            return (o.kept || options_.showRedundant || options_.forReport) && o.from >= 0 && o.to >= 0
                   && picture_.stations[static_cast<std::size_t>(o.from)].positioned
                   && picture_.stations[static_cast<std::size_t>(o.to)].positioned;
        };
        for (const PictureObservation& observation : picture_.observations)
            if (drawn(observation)) ++perBaseline[key(observation)];
        std::string redundant, kept;
        for (std::size_t i = 0; i < picture_.observations.size(); ++i) {
            const PictureObservation& observation = picture_.observations[i];
            if (!drawn(observation)) continue;
            const Point a = points_[static_cast<std::size_t>(observation.from)];
            const Point b = points_[static_cast<std::size_t>(observation.to)];
            const double shift =
                (drawnOnBaseline[key(observation)]++ - (perBaseline[key(observation)] - 1) / 2.0) * parallelSpacing;
            const double length = std::hypot(b.x - a.x, b.y - a.y);
            const double ux = length > 1e-9 ? (b.x - a.x) / length : 0.0, uy = length > 1e-9 ? (b.y - a.y) / length : 0.0;
            // The shift's side is taken along the stored pair, so that two directions stay apart too.
            const double side = observation.from < observation.to ? 1.0 : -1.0;
            const double nx = -uy * shift * side, ny = ux * shift * side;
            const std::string title = Xml_Escaped(Observation_Title(observation));
            const std::string data = fmt::format("data-observation=\"{}\" data-session=\"{}\"", i, observation.session);
            if (!observation.kept) {
                redundant += fmt::format("<line class=\"obs redundant\" {} x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" "
                                         "y2=\"{:.1f}\"><title>{}</title></line>\n",
                                         data, a.x + nx, a.y + ny, b.x + nx, b.y + ny, title);
                continue;
            }
            const std::string colour = Session_Colour(observation.session);
            kept += fmt::format("<g class=\"obs kept\" {}><line x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" y2=\"{:.1f}\" "
                                "stroke=\"{}\"/>",
                                data, a.x + nx, a.y + ny, b.x + nx, b.y + ny, colour);
            if (picture_.directed && length > 24.0) {
                // The processing direction: an arrowhead a little past the middle.
                const Point tip{a.x + nx + (b.x - a.x) * 0.56 + ux * 5.0, a.y + ny + (b.y - a.y) * 0.56 + uy * 5.0};
                const Point back{tip.x - ux * 10.0, tip.y - uy * 10.0};
                kept += fmt::format("<path d=\"M{:.1f},{:.1f} L{:.1f},{:.1f} L{:.1f},{:.1f} Z\" fill=\"{}\"/>", tip.x,
                                    tip.y, back.x - uy * 4.0, back.y + ux * 4.0, back.x + uy * 4.0, back.y - ux * 4.0,
                                    colour);
            }
            kept += fmt::format("<title>{}</title></g>\n", title);
            if (observation.session >= 0 && length > longestInSession_[observation.session].first)
                longestInSession_[observation.session] = {length, {a.x + nx + (b.x - a.x) / 2.0, a.y + ny + (b.y - a.y) / 2.0}};
        }
        svg_ += fmt::format("<g class=\"redundant-layer\" stroke=\"{}\" stroke-width=\"1\" stroke-dasharray=\"4 4\" "
                            "opacity=\"0.55\"{}>\n{}</g>\n",
                            redundantColour, options_.forReport ? " display=\"none\"" : "", redundant);
        svg_ += "<g class=\"kept-layer\" stroke-width=\"2.2\" fill=\"none\">\n" + kept + "</g>\n";
    }

    // The new sessions the standard's field list suggests, dotted, each
    // numbered at its middle as the list numbers it; the numbers are
    // obstacles to the station labels placed after them.
    void Draw_Field_List(std::vector<Box>& obstacles) {
        if (!picture_.standard || picture_.standard->fieldList.empty()) return;
        if (picture_.standard->fieldList.size() > mostFieldSessionsDrawn) {
            fieldListLeftOff_ = picture_.standard->fieldList.size();
            return;
        }
        const auto placed = [&](const std::string& name) -> std::optional<std::size_t> {
            for (std::size_t i = 0; i < picture_.stations.size(); ++i)
                if (picture_.stations[i].name == name && picture_.stations[i].positioned) return i;
            return std::nullopt;
        };
        // Each number where the line passes no station marker and no other
        // number: near its middle if it can.
        std::vector<Box> taken;
        for (std::size_t i = 0; i < picture_.stations.size(); ++i)
            if (picture_.stations[i].positioned)
                taken.push_back({points_[i].x - markerHalfSize, points_[i].y - markerHalfSize,
                                 points_[i].x + markerHalfSize, points_[i].y + markerHalfSize});
        const auto badgeBox = [](const Point& p) {
            return Box{p.x - fieldBadgeRadius, p.y - fieldBadgeRadius, p.x + fieldBadgeRadius, p.y + fieldBadgeRadius};
        };
        std::string lines, badges;
        for (const PictureFieldSession& session : picture_.standard->fieldList) {
            const std::optional<std::size_t> from = placed(session.station), to = placed(session.partner);
            if (!from || !to) continue;
            const Point a = points_[*from], b = points_[*to];
            Point middle{(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
            for (const double along : {0.5, 0.4, 0.6, 0.3, 0.7, 0.25, 0.75}) {
                const Point p{a.x + (b.x - a.x) * along, a.y + (b.y - a.y) * along};
                if (std::none_of(taken.begin(), taken.end(), [&](const Box& box) { return Boxes_Overlap(badgeBox(p), box); })) {
                    middle = p;
                    break;
                }
            }
            taken.push_back(badgeBox(middle));
            const std::string title = Xml_Escaped(fmt::format("observe again #{}: {} with {}, {:g} min", session.number,
                                                              session.station, session.partner, session.minutes));
            lines += fmt::format("<g class=\"field-session\" data-field=\"{}\"><line x1=\"{:.1f}\" y1=\"{:.1f}\" "
                                 "x2=\"{:.1f}\" y2=\"{:.1f}\"/><title>{}</title></g>\n",
                                 session.number, a.x, a.y, b.x, b.y, title);
            badges += fmt::format("<g class=\"field-number\" data-field=\"{0}\"><circle cx=\"{1:.1f}\" cy=\"{2:.1f}\" "
                                  "r=\"{3:g}\" fill=\"white\" stroke=\"{4}\" stroke-width=\"1.5\"/><text x=\"{1:.1f}\" "
                                  "y=\"{5:.1f}\" font-size=\"10\" font-weight=\"bold\" text-anchor=\"middle\" "
                                  "fill=\"{4}\">{0}</text><title>{6}</title></g>\n",
                                  session.number, middle.x, middle.y, fieldBadgeRadius, fieldListColour,
                                  middle.y + 3.5, title);
            obstacles.push_back(badgeBox(middle));
        }
        svg_ += fmt::format("<g class=\"field-layer\" stroke=\"{}\" stroke-width=\"2.5\" stroke-dasharray=\"1 5\" "
                            "stroke-linecap=\"round\">\n{}</g>\n<g class=\"field-numbers\" pointer-events=\"none\">\n{}</g>\n",
                            fieldListColour, lines, badges);
    }

    std::string Observation_Title(const PictureObservation& observation) const {
        std::string text = fmt::format("{} {} {}", Station_Name(observation.from), picture_.directed ? "\u2192" : "-",
                                       Station_Name(observation.to));
        if (observation.session >= 0)
            text += ", session " + picture_.sessions[static_cast<std::size_t>(observation.session)].name;
        if (observation.kept && observation.order > 0) text += fmt::format(", #{} to process", observation.order);
        else if (!observation.kept) text += ", redundant";
        if (observation.lengthMetres) text += fmt::format(", {:.3f} km", *observation.lengthMetres / 1000.0);
        return text;
    }

    std::string Station_Name(int32_t station) const {
        return station >= 0 ? picture_.stations[static_cast<std::size_t>(station)].name : "?";
    }

    void Draw_Stations(std::vector<Box> obstacles, const Box& area) {
        std::vector<LabelRequest> requests;
        std::vector<std::size_t> labelled;
        for (std::size_t i = 0; i < picture_.stations.size(); ++i) {
            if (!picture_.stations[i].positioned) continue;
            const Point p = points_[i];
            obstacles.push_back({p.x - markerHalfSize, p.y - markerHalfSize, p.x + markerHalfSize, p.y + markerHalfSize});
            requests.push_back({p.x, p.y, Text_Width(picture_.stations[i].name.size(), stationFontSize) + 4.0,
                                stationFontSize + 3.0});
            labelled.push_back(i);
        }
        const Box bounds{area.left + 2.0, area.top + 2.0, area.right - 2.0, area.bottom - 2.0};
        const std::vector<std::optional<Box>> boxes = Place_Labels(requests, obstacles, bounds);
        std::string markers, labels;
        for (std::size_t k = 0; k < labelled.size(); ++k) {
            const std::size_t i = labelled[k];
            const PictureStation& station = picture_.stations[i];
            const Point p = points_[i];
            std::string details = station.control ? "control" : station.level >= 0 ? fmt::format("level {}", station.level) : "";
            if (station.occupations > 0)
                details += fmt::format("{}{} occupation{}", details.empty() ? "" : ", ", station.occupations,
                                       station.occupations == 1 ? "" : "s");
            const std::string title =
                Xml_Escaped(details.empty() ? station.name : fmt::format("{} ({})", station.name, details));
            markers += fmt::format("<g class=\"station{}\" data-station=\"{}\">", station.control ? " control" : "", i);
            if (station.control)
                markers += fmt::format("<path d=\"M{:.1f},{:.1f} l7.5,13 l-15,0 Z\" fill=\"{}\" stroke=\"black\"/>", p.x,
                                       p.y - 8.5, controlColour);
            else
                markers += fmt::format("<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"4.5\" fill=\"white\" stroke=\"black\" "
                                       "stroke-width=\"1.4\"/>",
                                       p.x, p.y);
            markers += fmt::format("<title>{}</title></g>\n", title);
            if (!boxes[k]) {
                ++labelsLeftOff_;
                continue;
            }
            const Box& box = *boxes[k];
            const double centreX = (box.left + box.right) / 2.0, centreY = (box.top + box.bottom) / 2.0;
            if (std::hypot(centreX - p.x, centreY - p.y) > leaderLineFromPixels + box.right - box.left)
                labels += fmt::format("<line class=\"leader\" x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" y2=\"{:.1f}\" "
                                      "stroke=\"#adb5bd\" stroke-width=\"0.8\"/>",
                                      p.x, p.y, std::clamp(p.x, box.left, box.right), std::clamp(p.y, box.top, box.bottom));
            labels += fmt::format("<text class=\"station-label\" data-station=\"{}\" x=\"{:.1f}\" y=\"{:.1f}\" "
                                  "font-size=\"{:g}\"{}>{}</text>\n",
                                  i, box.left + 2.0, box.bottom - 4.0, stationFontSize,
                                  station.control ? " font-weight=\"bold\"" : "", Xml_Escaped(station.name));
        }
        // Beyond the colours there are, each session's name is written
        // beside its longest line, placed like the station labels.
        std::string sessionLabels;
        if (drawnSessions_.size() > sessionColourCount) {
            std::vector<Box> taken = obstacles;
            for (const std::optional<Box>& box : boxes)
                if (box) taken.push_back(*box);
            std::vector<LabelRequest> sessionRequests;
            std::vector<int32_t> sessions;
            for (const auto& [session, longest] : longestInSession_) {
                const std::string& name = picture_.sessions[static_cast<std::size_t>(session)].name;
                sessionRequests.push_back({longest.second.x, longest.second.y,
                                           Text_Width(name.size(), sessionFontSize) + 2.0, sessionFontSize + 2.0});
                sessions.push_back(session);
            }
            const std::vector<std::optional<Box>> sessionBoxes = Place_Labels(sessionRequests, taken, bounds);
            for (std::size_t k = 0; k < sessions.size(); ++k)
                if (sessionBoxes[k]) sessionLabels += fmt::format(
                    "<text class=\"session-label\" data-session=\"{}\" x=\"{:.1f}\" y=\"{:.1f}\" font-size=\"{:g}\" "
                    "fill=\"{}\" font-style=\"italic\">{}</text>\n",
                    sessions[k], sessionBoxes[k]->left + 1.0, sessionBoxes[k]->bottom - 3.0, sessionFontSize,
                    Session_Colour(sessions[k]),
                    Xml_Escaped(picture_.sessions[static_cast<std::size_t>(sessions[k])].name));
        }
        svg_ += "<g class=\"stations\">\n" + markers + "</g>\n";
        // A white halo keeps labels readable over lines.
        svg_ += "<g class=\"labels\" stroke=\"white\" stroke-width=\"3\" paint-order=\"stroke\" "
                "stroke-linejoin=\"round\">\n"
                + labels + sessionLabels + "</g>\n";
    }

    void Draw_Legend(double top) {
        svg_ += fmt::format("<g class=\"legend\" font-size=\"{:g}\">\n", legendFontSize);
        for (std::size_t k = 0; k < drawnSessions_.size(); ++k) {
            const int32_t session = drawnSessions_[k];
            const PictureSession& shown = picture_.sessions[static_cast<std::size_t>(session)];
            const double x = 16.0 + static_cast<double>(k % legendPerRow_) * legendEntryWidth;
            const double y = top + static_cast<double>(k / legendPerRow_) * legendRowHeight;
            svg_ += fmt::format("<g class=\"legend-entry\" data-session=\"{}\"><line x1=\"{:.0f}\" y1=\"{:.0f}\" "
                                "x2=\"{:.0f}\" y2=\"{:.0f}\" stroke=\"{}\" stroke-width=\"3\"/><text x=\"{:.0f}\" "
                                "y=\"{:.0f}\"><tspan font-weight=\"bold\">{}</tspan> {}</text></g>\n",
                                session, x, y - 4.0, x + 22.0, y - 4.0, Session_Colour(session), x + 28.0, y,
                                Xml_Escaped(shown.name), Xml_Escaped(Session_Time_Text(shown)));
        }
        const double y = top + static_cast<double>(legendRows_) * legendRowHeight + 4.0;
        svg_ += fmt::format("<g class=\"legend-symbols\" fill=\"#495057\"><path d=\"M24,{0:.0f} l7,12 l-14,0 Z\" fill=\"{1}\" "
                            "stroke=\"black\"/><text x=\"36\" y=\"{2:.0f}\">control station</text>"
                            "<circle cx=\"160\" cy=\"{3:.0f}\" r=\"4.5\" fill=\"white\" stroke=\"black\"/>"
                            "<text x=\"170\" y=\"{2:.0f}\">station</text>",
                            y - 10.0, controlColour, y + 2.0, y - 2.0);
        if (picture_.directed)
            svg_ += fmt::format("<path d=\"M240,{0:.0f} l22,0 M262,{0:.0f} l-8,-4 l0,8 Z\" stroke=\"#212529\" "
                                "fill=\"#212529\"/><text x=\"270\" y=\"{1:.0f}\">to process, in its direction</text>",
                                y - 2.0, y + 2.0);
        if (picture_.standard && !picture_.standard->fieldList.empty() && positioned_ > 0 && fieldListLeftOff_ == 0)
            svg_ += fmt::format("<g class=\"legend-field\"><line x1=\"640\" y1=\"{0:.0f}\" x2=\"664\" y2=\"{0:.0f}\" "
                                "stroke=\"{2}\" stroke-width=\"2.5\" stroke-dasharray=\"1 5\" stroke-linecap=\"round\"/>"
                                "<text x=\"670\" y=\"{1:.0f}\">to observe again, numbered as the field list</text></g>",
                                y - 2.0, y + 2.0, fieldListColour);
        if (options_.showRedundant || options_.forReport)
            svg_ += fmt::format("<g class=\"legend-redundant\"{3}><line x1=\"460\" y1=\"{0:.0f}\" x2=\"484\" y2=\"{0:.0f}\" "
                                "stroke=\"{2}\" stroke-dasharray=\"4 4\"/><text x=\"490\" y=\"{1:.0f}\">redundant, "
                                "not to process</text></g>",
                                y - 2.0, y + 2.0, redundantColour, options_.forReport ? " display=\"none\"" : "");
        svg_ += "</g>\n</g>\n";
    }

    std::string Session_Time_Text(const PictureSession& session) const {
        const std::string first = Picture_Time_Text(session.startSeconds), last = Picture_Time_Text(session.endSeconds);
        return fmt::format("{} {}\u2013{}", first.substr(5, 5), first.substr(11),
                           first.substr(0, 10) == last.substr(0, 10) ? last.substr(11) : last.substr(5));
    }

    const PlanPicture& picture_;
    const MapDrawingOptions& options_;
    std::size_t positioned_ = 0;
    std::vector<int32_t> drawnSessions_;  // sessions with a kept observation, each once, in order
    std::vector<Point> points_;           // by station
    std::map<int32_t, std::pair<double, Point>> longestInSession_;  // length and middle of each session's longest line
    double width_ = 0.0, mapHeight_ = 0.0, height_ = 0.0;
    double header_ = headerHeight;  // title, subtitle and, with a standard, its verdict
    std::size_t legendRows_ = 0, legendPerRow_ = 1;
    std::size_t labelsLeftOff_ = 0;  // station labels with no free place
    std::size_t fieldListLeftOff_ = 0;  // new sessions to observe not drawn: too many
    std::string svg_;
};

}  // namespace

std::string Session_Colour(int32_t session) {
    return session < 0 ? "#212529" : sessionColours[static_cast<std::size_t>(session) % sessionColourCount];
}

std::size_t Session_Colour_Count() { return sessionColourCount; }

bool Boxes_Overlap(const Box& first, const Box& second) {
    return first.left < second.right && second.left < first.right && first.top < second.bottom
           && second.top < first.bottom;
}

std::vector<std::optional<Box>> Place_Labels(const std::vector<LabelRequest>& labels, const std::vector<Box>& obstacles,
                                             const Box& bounds) {
    // Candidates: right, left, above, below and the four corners, first
    // close by, then on rings further out.
    constexpr double gapPixels = 7.0, ringStepPixels = 14.0;
    constexpr int ringCount = 10;
    constexpr double directions[][2] = {{1, -1}, {1, 1}, {-1, -1}, {-1, 1}, {1, 0}, {-1, 0}, {0, -1}, {0, 1}};
    std::vector<Box> taken = obstacles;
    std::vector<std::optional<Box>> placed;
    const auto inside = [&](const Box& box) {
        return box.left >= bounds.left && box.right <= bounds.right && box.top >= bounds.top && box.bottom <= bounds.bottom;
    };
    for (const LabelRequest& label : labels) {
        std::optional<Box> chosen;
        for (int ring = 0; ring < ringCount && !chosen; ++ring) {
            const double distance = gapPixels + ring * ringStepPixels;
            for (const auto& direction : directions) {
                const double dx = direction[0], dy = direction[1];
                // The label's near side or corner sits `distance` away from the point.
                const double left = dx > 0 ? label.x + distance : dx < 0 ? label.x - distance - label.width
                                                                         : label.x - label.width / 2.0;
                const double top = dy > 0 ? label.y + distance * (dx == 0 ? 1.0 : 0.4)
                                   : dy < 0 ? label.y - distance * (dx == 0 ? 1.0 : 0.4) - label.height
                                            : label.y - label.height / 2.0;
                const Box box{left, top, left + label.width, top + label.height};
                if (!inside(box)) continue;
                if (std::none_of(taken.begin(), taken.end(), [&](const Box& other) { return Boxes_Overlap(box, other); })) {
                    chosen = box;
                    break;
                }
            }
        }
        placed.push_back(chosen);
        if (chosen) taken.push_back(*chosen);
    }
    return placed;
}

double Scale_Bar_Kilometres(double longestKilometres) {
    constexpr double shortestKilometres = 0.001;
    if (!(longestKilometres > shortestKilometres)) return shortestKilometres;
    const double power = std::pow(10.0, std::floor(std::log10(longestKilometres)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * power <= longestKilometres * (1.0 + 1e-12)) return step * power;
    return power;
}

double Text_Width(std::size_t characters, double fontSize) {
    constexpr double widestAverageEm = 0.72;  // capitals and digits of a common sans-serif, with room to spare
    return static_cast<double>(characters) * fontSize * widestAverageEm;
}

std::string Xml_Escaped(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '&': escaped += "&amp;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&#39;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string Map_Svg(const PlanPicture& picture, const MapDrawingOptions& options) {
    return MapDrawing(picture, options).Draw();
}

}  // namespace min_lumo_tool

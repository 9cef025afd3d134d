// GNU GaMa gama-local XML, read and written: the manual's section
// "Coordinate differences (vectors)" gives
//
//   <vectors>
//      <vec from="id1" to="id2" dx="..." dy="..." dz="..." />
//      ...
//      <cov-mat dim="..." band="..."> ... </cov-mat>
//   </vectors>
//
// and its section "Set of observations" the band matrix: the upper band of
// the symmetric matrix row by row, band 0 for a diagonal and dim-1 for a
// full matrix.  Coordinates and vectors are in metres, standard deviations
// in millimetres, so variances and covariances in mm².  Parsed with the
// XML parser Boost ships inside Boost.PropertyTree (rapidxml), in place, so
// that every element still points into the text for its line number.
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <boost/property_tree/detail/rapidxml.hpp>
#include <fmt/format.h>

#include "tool/field/wgs84_conversion.h"
#include "tool/vectors/vector_files.h"
#include "tool/vectors/vector_records.h"

namespace min_lumo_vectors {

namespace {

namespace rapidxml = boost::property_tree::detail::rapidxml;
using XmlNode = rapidxml::xml_node<char>;

constexpr double squareMillimetresPerSquareMetre = 1.0e6;
constexpr std::size_t deepestNesting = 64;
constexpr const char* gamaNamespace = "http://www.gnu.org/software/gama/gama-local";
constexpr int64_t largestDimension = 3 * 1000000;

// The first tag nested deeper than deepestNesting, if any: rapidxml parses
// nested elements by recursion.  Comments, declarations and CDATA do not
// nest; a tag ending in "/>" closes itself.
std::optional<std::size_t> Too_Deep(std::string_view text) {
    std::size_t depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '<') continue;
        const std::string_view rest = text.substr(i);
        if (rest.substr(0, 4) == "<!--") {
            const std::size_t end = text.find("-->", i + 4);
            if (end == std::string_view::npos) return std::nullopt;
            i = end + 2;
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            const std::size_t end = text.find("]]>", i + 9);
            if (end == std::string_view::npos) return std::nullopt;
            i = end + 2;
        } else if (rest.substr(0, 2) == "</") {
            if (depth > 0) --depth;
        } else if (rest.substr(0, 2) != "<?" && rest.substr(0, 2) != "<!") {
            const std::size_t end = text.find('>', i);
            if (end == std::string_view::npos) return std::nullopt;
            if (text[end - 1] != '/' && ++depth > deepestNesting) return i;
            i = end;
        }
    }
    return std::nullopt;
}

std::string_view Local_Name(const XmlNode& node) {
    std::string_view name(node.name(), node.name_size());
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

class GamaReader {
public:
    GamaReader(const std::string& name, std::string_view bytes) : name_(name), buffer_(bytes.begin(), bytes.end()) {
        buffer_.push_back('\0');
        // Where each line starts, for the line of any pointer into the text.
        lineStarts_.push_back(0);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\n') lineStarts_.push_back(i + 1);
        if (const std::optional<std::size_t> deep = Too_Deep(bytes))
            throw VectorFileError(name_, Line_At(*deep), "XML", fmt::format("nested more than {} elements deep", deepestNesting));
    }

    VectorFile Read() {
        rapidxml::xml_document<char> document;
        try {
            document.parse<rapidxml::parse_validate_closing_tags>(buffer_.data());
        } catch (const rapidxml::parse_error& error) {
            const char* where = error.where<char>();
            const std::size_t offset = where != nullptr && where >= buffer_.data() && where <= buffer_.data() + buffer_.size()
                                           ? static_cast<std::size_t>(where - buffer_.data())
                                           : 0;
            throw VectorFileError(name_, Line_At(offset), "XML", error.what());
        }
        const XmlNode* root = document.first_node();
        if (root == nullptr) throw VectorFileError(name_, 0, "XML", "holds no element");
        Visit(*root);
        if (crossCovariances_ > 0)
            read_.warnings.push_back(min_lumo_field::Located(
                name_, firstCrossLine_,
                fmt::format("{} covariance{} between different vectors not used: each vector is adjusted with its "
                            "own 3x3 covariance",
                            crossCovariances_, crossCovariances_ == 1 ? "" : "s")));
        return std::move(read_);
    }

private:
    int64_t Line_At(std::size_t offset) const {
        const auto next = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
        return static_cast<int64_t>(next - lineStarts_.begin());
    }

    int64_t Line_Of(const XmlNode& node) const {
        const char* name = node.name();
        if (name < buffer_.data() || name >= buffer_.data() + buffer_.size()) return 0;
        return Line_At(static_cast<std::size_t>(name - buffer_.data()));
    }

    void Visit(const XmlNode& node) {
        for (const XmlNode* child = node.first_node(); child != nullptr; child = child->next_sibling()) {
            if (child->type() != rapidxml::node_element) continue;
            if (Local_Name(*child) == "vectors") Read_Vectors(*child);
            else Visit(*child);
        }
    }

    std::optional<std::string_view> Attribute(const XmlNode& node, const char* name) const {
        const rapidxml::xml_attribute<char>* attribute = node.first_attribute(name);
        if (attribute == nullptr) return std::nullopt;
        return std::string_view(attribute->value(), attribute->value_size());
    }

    double Number(const XmlNode& node, const char* name) const {
        const std::optional<std::string_view> text = Attribute(node, name);
        if (!text) throw VectorFileError(name_, Line_Of(node), name, "missing");
        const std::optional<double> value = Strict_Number(*text);
        if (!value) throw VectorFileError(name_, Line_Of(node), name, fmt::format("{} is not a number", Quoted(*text)));
        return *value;
    }

    int64_t Integer(const XmlNode& node, const char* name) const {
        const std::optional<std::string_view> text = Attribute(node, name);
        if (!text) throw VectorFileError(name_, Line_Of(node), std::string("cov-mat ") + name, "missing");
        const std::optional<int64_t> value = Strict_Integer(*text);
        if (!value || *value < 0 || *value > largestDimension)
            throw VectorFileError(name_, Line_Of(node), std::string("cov-mat ") + name,
                                  fmt::format("{} is not a whole number from 0 to {}", Quoted(*text), largestDimension));
        return *value;
    }

    void Read_Vectors(const XmlNode& vectors) {
        std::vector<ProcessedVector> read;
        const XmlNode* matrix = nullptr;
        for (const XmlNode* child = vectors.first_node(); child != nullptr; child = child->next_sibling()) {
            if (child->type() != rapidxml::node_element) continue;
            const std::string_view name = Local_Name(*child);
            if (name == "vec") {
                read.push_back(Read_Vec(*child));
            } else if (name == "cov-mat") {
                if (matrix != nullptr)
                    throw VectorFileError(name_, Line_Of(*child), "cov-mat", "a second covariance matrix in one <vectors>");
                matrix = child;
            } else {
                throw VectorFileError(name_, Line_Of(*child), "",
                                      fmt::format("<{}> inside <vectors>, which holds <vec> and <cov-mat>",
                                                  std::string(name.substr(0, 40))));
            }
        }
        if (read.empty()) return;
        if (matrix == nullptr)
            throw VectorFileError(name_, Line_Of(vectors), "cov-mat",
                                  "missing: the vectors have no covariance matrix, so no weights");
        Read_Covariances(*matrix, read);
        for (ProcessedVector& vector : read) {
            Check_Vector(vector, {"from", "to", "dx", "dy", "dz", "cov-mat"});
            read_.vectors.push_back(std::move(vector));
        }
    }

    ProcessedVector Read_Vec(const XmlNode& vec) {
        ProcessedVector vector;
        vector.file = name_;
        vector.line = Line_Of(vec);
        for (const char* height : {"from_dh", "to_dh"})
            if (const std::optional<std::string_view> text = Attribute(vec, height)) {
                const std::optional<double> value = Strict_Number(*text);
                if (!value || *value != 0.0)
                    throw VectorFileError(name_, vector.line, height,
                                          fmt::format("{}: instrument and target heights are not applied here; give "
                                                      "the vector from mark to mark",
                                                      Quoted(*text)));
            }
        const std::optional<std::string_view> from = Attribute(vec, "from"), to = Attribute(vec, "to");
        if (!from) throw VectorFileError(name_, vector.line, "from", "missing");
        if (!to) throw VectorFileError(name_, vector.line, "to", "missing");
        vector.from = std::string(*from);
        vector.to = std::string(*to);
        vector.dX = Number(vec, "dx");
        vector.dY = Number(vec, "dy");
        vector.dZ = Number(vec, "dz");
        return vector;
    }

    void Read_Covariances(const XmlNode& matrix, std::vector<ProcessedVector>& vectors) {
        const int64_t line = Line_Of(matrix);
        const int64_t dimension = Integer(matrix, "dim"), band = Integer(matrix, "band");
        const int64_t components = 3 * static_cast<int64_t>(vectors.size());
        if (dimension != components)
            throw VectorFileError(name_, line, "cov-mat dim",
                                  fmt::format("is {}, but the {} vectors have {} components", dimension, vectors.size(),
                                              components));
        if (band >= dimension)
            throw VectorFileError(name_, line, "cov-mat band", fmt::format("is {}, at most dim - 1 = {}", band, dimension - 1));
        std::vector<double> values;
        std::string_view text(matrix.value(), matrix.value_size());
        while (true) {
            const std::size_t start = text.find_first_not_of(" \t\r\n");
            if (start == std::string_view::npos) break;
            text.remove_prefix(start);
            const std::size_t end = text.find_first_of(" \t\r\n");
            const std::string_view word = text.substr(0, end);
            const std::optional<double> value = Strict_Number(word);
            if (!value)
                throw VectorFileError(name_, line, "cov-mat", fmt::format("element {}: {} is not a number", values.size() + 1,
                                                                          Quoted(word)));
            values.push_back(*value / squareMillimetresPerSquareMetre);
            if (end == std::string_view::npos) break;
            text.remove_prefix(end);
        }
        // Row r holds the elements (r, r) ... (r, min(r + band, dim - 1)).
        int64_t expected = 0;
        for (int64_t r = 0; r < dimension; ++r) expected += std::min(band, dimension - 1 - r) + 1;
        if (static_cast<int64_t>(values.size()) != expected)
            throw VectorFileError(name_, line, "cov-mat",
                                  fmt::format("holds {} numbers; a band matrix of dim {} and band {} holds {}", values.size(),
                                              dimension, band, expected));
        std::size_t next = 0;
        for (int64_t r = 0; r < dimension; ++r)
            for (int64_t c = r; c <= std::min(r + band, dimension - 1); ++c) {
                const double value = values[next++];
                if (r / 3 != c / 3) {
                    if (value != 0.0 && crossCovariances_++ == 0) firstCrossLine_ = line;
                    continue;
                }
                VectorCovariance& covariance = vectors[static_cast<std::size_t>(r / 3)].covariance;
                double* elements[3][3] = {{&covariance.xx, &covariance.xy, &covariance.xz},
                                          {&covariance.xy, &covariance.yy, &covariance.yz},
                                          {&covariance.xz, &covariance.yz, &covariance.zz}};
                *elements[r % 3][c % 3] = value;
            }
    }

    const std::string& name_;
    std::vector<char> buffer_;
    std::vector<std::size_t> lineStarts_;
    VectorFile read_;
    int64_t crossCovariances_ = 0, firstCrossLine_ = 0;
};

std::string Xml_Text(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// The covariance of a control's position on Earth-centred axes from its
// east, north and up sigmas (uncorrelated on the local axes).
VectorCovariance Control_Covariance(const ControlCoordinate& control) {
    const min_lumo_field::GeodeticPosition geodetic =
        min_lumo_field::Geodetic_From_Earth_Centred(control.position.x, control.position.y, control.position.z);
    const double pi = std::acos(-1.0);
    const double phi = geodetic.latitude * pi / 180.0, lambda = geodetic.longitude * pi / 180.0;
    const double axes[3][3] = {{-std::sin(lambda), std::cos(lambda), 0.0},
                               {-std::sin(phi) * std::cos(lambda), -std::sin(phi) * std::sin(lambda), std::cos(phi)},
                               {std::cos(phi) * std::cos(lambda), std::cos(phi) * std::sin(lambda), std::sin(phi)}};
    double c[3][3] = {};
    for (int k = 0; k < 3; ++k) {
        const double variance = (*control.sigmasMetres)[static_cast<std::size_t>(k)] * (*control.sigmasMetres)[static_cast<std::size_t>(k)];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) c[i][j] += variance * axes[k][i] * axes[k][j];
    }
    return {c[0][0], c[0][1], c[0][2], c[1][1], c[1][2], c[2][2]};
}

std::string Covariance_Matrix_Text(const VectorCovariance& c) {
    const double s = squareMillimetresPerSquareMetre;
    return fmt::format("<cov-mat dim=\"3\" band=\"2\">\n{} {} {}\n{} {}\n{}\n</cov-mat>\n", c.xx * s, c.xy * s, c.xz * s,
                       c.yy * s, c.yz * s, c.zz * s);
}

}  // namespace

VectorFile Read_Gama_Xml(const std::string& name, std::string_view bytes) { return GamaReader(name, bytes).Read(); }

std::string Gama_Xml_Text(const std::vector<ProcessedVector>& vectors, const std::vector<ControlCoordinate>& controls) {
    std::string text = fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gama-local xmlns=\"{}\">\n<network>\n",
                                   gamaNamespace);
    text += "<description>\nProcessed GNSS vectors written by min_lumo: dx, dy, dz in metres on Earth-centred axes "
            "(WGS 84 / ITRF as processed), covariances in mm².\n</description>\n<points-observations>\n\n";
    std::map<std::string, const ControlCoordinate*> controlOf;
    for (const ControlCoordinate& control : controls) controlOf.emplace(control.station, &control);
    // Every station once, in order of appearance: controls with their
    // coordinates, the others with the position processing gave them, if any.
    std::map<std::string, bool> listed;
    std::map<std::string, EarthCentred> processed;
    for (const ProcessedVector& vector : vectors)
        if (vector.basePosition) processed.emplace(vector.from, *vector.basePosition);
    const auto point = [&](const std::string& station) {
        if (!listed.emplace(station, true).second) return;
        const auto control = controlOf.find(station);
        if (control != controlOf.end()) {
            const EarthCentred& p = control->second->position;
            text += fmt::format("<point id=\"{}\" x=\"{}\" y=\"{}\" z=\"{}\" {}=\"xyz\" />\n", Xml_Text(station), p.x, p.y,
                                p.z, control->second->sigmasMetres ? "adj" : "fix");
        } else if (const auto position = processed.find(station); position != processed.end()) {
            const EarthCentred& p = position->second;
            text += fmt::format("<point id=\"{}\" x=\"{}\" y=\"{}\" z=\"{}\" adj=\"xyz\" />\n", Xml_Text(station), p.x, p.y, p.z);
        } else {
            text += fmt::format("<point id=\"{}\" adj=\"xyz\" />\n", Xml_Text(station));
        }
    };
    for (const ProcessedVector& vector : vectors) {
        point(vector.from);
        point(vector.to);
    }
    for (const ControlCoordinate& control : controls) {
        if (!listed.count(control.station) || !control.sigmasMetres) continue;
        const EarthCentred& p = control.position;
        text += fmt::format("\n<coordinates>\n<point id=\"{}\" x=\"{}\" y=\"{}\" z=\"{}\" />\n", Xml_Text(control.station),
                            p.x, p.y, p.z);
        text += Covariance_Matrix_Text(Control_Covariance(control)) + "</coordinates>\n";
    }
    for (const ProcessedVector& v : vectors) {
        text += fmt::format("\n<vectors>\n<vec from=\"{}\" to=\"{}\" dx=\"{}\" dy=\"{}\" dz=\"{}\" />\n", Xml_Text(v.from),
                            Xml_Text(v.to), v.dX, v.dY, v.dZ);
        text += Covariance_Matrix_Text(v.covariance) + "</vectors>\n";
    }
    text += "\n</points-observations>\n</network>\n</gama-local>\n";
    return text;
}

}  // namespace min_lumo_vectors

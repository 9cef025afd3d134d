// The tool's JSON vector objects and files, read and written (see
// vector_files.h).
#include <cmath>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "tool/vectors/vector_files.h"
#include "tool/vectors/vector_records.h"

namespace min_lumo_vectors {

namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

// A vectors document nests four levels deep; anything far deeper is
// refused before parsing, so that no recursion exhausts the stack.
constexpr std::size_t deepestNesting = 64;
// Two covariance elements that should be one may differ by rounding only.
constexpr double asymmetryTolerance = 1.0e-9;

const char* Type_Name(const Json& value) {
    if (value.is_null()) return "null";
    if (value.is_boolean()) return "true or false";
    if (value.is_number()) return "a number";
    if (value.is_string()) return "text";
    if (value.is_array()) return "a list";
    return "an object";
}

int64_t Line_Of(std::string_view text, std::size_t offset) {
    int64_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        if (text[i] == '\n') ++line;
    return line;
}

std::optional<std::size_t> Too_Deep(std::string_view text) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > deepestNesting) return i;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return std::nullopt;
}

// The offsets of the elements of the vectors list: the "vectors" array of
// the top-level object, or the top-level array.  `text` parsed as JSON.
std::vector<std::size_t> Element_Offsets(std::string_view text) {
    std::vector<std::size_t> offsets;
    std::size_t depth = 0;
    std::size_t listDepth = 0;  // the depth inside the vectors list; 0 outside it
    bool topObject = false;
    std::string_view lastKey;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            const std::size_t start = i;
            for (++i; i < text.size() && text[i] != '"'; ++i)
                if (text[i] == '\\') ++i;
            if (depth == listDepth && listDepth > 0) offsets.push_back(start);
            if (depth == 1 && topObject) lastKey = text.substr(start + 1, i - start - 1);
            continue;
        }
        if (c == '{' || c == '[') {
            if (depth == 0) {
                topObject = c == '{';
                if (!topObject) listDepth = 1;
            } else if (depth == listDepth) {
                offsets.push_back(i);
            } else if (depth == 1 && topObject && c == '[' && lastKey == "vectors") {
                listDepth = 2;
            }
            ++depth;
        } else if (c == '}' || c == ']') {
            if (depth == listDepth) listDepth = 0;
            --depth;
        } else if (depth == listDepth && listDepth > 0 && c != ',' && c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            // A number, true, false or null in the list: its first character.
            offsets.push_back(i);
            while (i + 1 < text.size() && text[i + 1] != ',' && text[i + 1] != ']') ++i;
        }
    }
    return offsets;
}

class ObjectReader {
public:
    ObjectReader(const Json& object, const std::string& file, int64_t line) : object_(object), file_(file), line_(line) {}

    [[noreturn]] void Fail(const std::string& key, const std::string& reason) const {
        throw VectorFileError(file_, line_, key, reason);
    }

    const Json* Find(const char* key) const {
        const auto found = object_.find(key);
        return found == object_.end() || found->is_null() ? nullptr : &*found;
    }

    const Json& Required(const char* key) const {
        const Json* value = Find(key);
        if (value == nullptr) Fail(key, "missing");
        return *value;
    }

    double Number(const Json& value, const std::string& key) const {
        if (!value.is_number()) Fail(key, fmt::format("must be a number, is {}", Type_Name(value)));
        const double number = value.get<double>();
        if (!std::isfinite(number)) Fail(key, "is not a finite number");
        return number;
    }

    double Number(const char* key) const { return Number(Required(key), key); }

    std::optional<double> Optional_Number(const char* key) const {
        const Json* value = Find(key);
        return value == nullptr ? std::nullopt : std::optional<double>(Number(*value, key));
    }

    std::string Text(const char* key, bool required) const {
        const Json* value = required ? &Required(key) : Find(key);
        if (value == nullptr) return {};
        if (!value->is_string()) Fail(key, fmt::format("must be text, is {}", Type_Name(*value)));
        return value->get<std::string>();
    }

    int64_t Count(const char* key, int64_t largest) const {
        const Json* value = Find(key);
        if (value == nullptr) return 0;
        if (!value->is_number_integer() || value->get<int64_t>() < 0 || value->get<int64_t>() > largest
            || (value->is_number_unsigned() && value->get<uint64_t>() > static_cast<uint64_t>(largest)))
            Fail(key, fmt::format("must be a whole number from 0 to {}", largest));
        return value->get<int64_t>();
    }

    double Time(const char* key) const {
        const std::string text = Text(key, false);
        if (text.empty()) return 0.0;
        const std::optional<double> seconds = Gps_Seconds_From_Iso(text);
        if (!seconds) Fail(key, fmt::format("{} is not a GPS time YYYY-MM-DDThh:mm:ss", Quoted(text)));
        return *seconds;
    }

    VectorCovariance Covariance() const {
        const Json& rows = Required("covariance");
        const auto notMatrix = [&] {
            Fail("covariance", "must be the 3x3 matrix in m² as three rows of three numbers");
        };
        if (!rows.is_array() || rows.size() != 3) notMatrix();
        double element[3][3];
        for (std::size_t r = 0; r < 3; ++r) {
            if (!rows[r].is_array() || rows[r].size() != 3) notMatrix();
            for (std::size_t c = 0; c < 3; ++c)
                element[r][c] = Number(rows[r][c], fmt::format("covariance[{}][{}]", r, c));
        }
        for (std::size_t r = 0; r < 3; ++r)
            for (std::size_t c = r + 1; c < 3; ++c) {
                const double a = element[r][c], b = element[c][r];
                if (std::fabs(a - b) > asymmetryTolerance * std::max(std::fabs(a), std::fabs(b)))
                    Fail("covariance", fmt::format("is not symmetric: element [{0}][{1}] is {2} but [{1}][{0}] is {3}",
                                                   r, c, a, b));
            }
        return {element[0][0], element[0][1], element[0][2], element[1][1], element[1][2], element[2][2]};
    }

private:
    const Json& object_;
    const std::string& file_;
    int64_t line_;
};

}  // namespace

OrderedJson Vector_Json(const ProcessedVector& v) {
    const VectorCovariance& c = v.covariance;
    OrderedJson covariance = {{c.xx, c.xy, c.xz}, {c.xy, c.yy, c.yz}, {c.xz, c.yz, c.zz}};
    OrderedJson base = nullptr;
    if (v.basePosition) base = {{"X", v.basePosition->x}, {"Y", v.basePosition->y}, {"Z", v.basePosition->z}};
    const auto time = [](double gps) { return gps != 0.0 ? OrderedJson(Gps_Iso_Text(gps)) : OrderedJson(nullptr); };
    return {{"from", v.from},
            {"to", v.to},
            {"session", v.session},
            {"label", v.label},
            {"dX", v.dX},
            {"dY", v.dY},
            {"dZ", v.dZ},
            {"covariance", covariance},
            {"solution", Solution_Name(v.solution)},
            {"ratio", v.ratio ? OrderedJson(*v.ratio) : OrderedJson(nullptr)},
            {"satellites", v.satellites},
            {"epochs", v.epochs},
            {"basePosition", base},
            {"baseFrom", v.baseFrom},
            {"engineSeconds", v.engineSeconds},
            {"start", time(v.startGps)},
            {"end", time(v.endGps)}};
}

ProcessedVector Vector_From_Json(const Json& object, const std::string& file, int64_t line) {
    if (!object.is_object())
        throw VectorFileError(file, line, "", fmt::format("a vector must be an object, is {}", Type_Name(object)));
    const ObjectReader read(object, file, line);
    ProcessedVector vector;
    vector.file = file;
    vector.line = line;
    vector.from = read.Text("from", true);
    vector.to = read.Text("to", true);
    // Trimmed as every other format trims its cells.
    vector.session = std::string(min_lumo_field::Trimmed(read.Text("session", false)));
    vector.label = std::string(min_lumo_field::Trimmed(read.Text("label", false)));
    vector.dX = read.Number("dX");
    vector.dY = read.Number("dY");
    vector.dZ = read.Number("dZ");
    vector.covariance = read.Covariance();
    if (const std::string solution = read.Text("solution", false); !solution.empty()) {
        const std::optional<SolutionKind> kind = Solution_From_Name(solution);
        if (!kind) read.Fail("solution", fmt::format("{} is none of fixed, float, single, failed", Quoted(solution)));
        vector.solution = *kind;
    }
    vector.ratio = read.Optional_Number("ratio");
    if (vector.ratio && *vector.ratio < 0.0) read.Fail("ratio", "is negative");
    vector.satellites = static_cast<int32_t>(read.Count("satellites", 1000));
    vector.epochs = read.Count("epochs", int64_t{1} << 40);
    if (const Json* base = read.Find("basePosition")) {
        if (!base->is_object()) read.Fail("basePosition", fmt::format("must be an object with X, Y, Z, is {}", Type_Name(*base)));
        const ObjectReader position(*base, file, line);
        vector.basePosition = EarthCentred{position.Number(position.Required("X"), "basePosition.X"),
                                           position.Number(position.Required("Y"), "basePosition.Y"),
                                           position.Number(position.Required("Z"), "basePosition.Z")};
    }
    vector.baseFrom = read.Text("baseFrom", false);
    if (const std::optional<double> seconds = read.Optional_Number("engineSeconds")) {
        if (*seconds < 0.0) read.Fail("engineSeconds", "is negative");
        vector.engineSeconds = *seconds;
    }
    vector.startGps = read.Time("start");
    vector.endGps = read.Time("end");
    if (vector.endGps < vector.startGps) read.Fail("end", "is before the start");
    Check_Vector(vector);
    return vector;
}

VectorFile Read_Vectors_Json(const std::string& name, std::string_view bytes) {
    if (const std::optional<std::size_t> deep = Too_Deep(bytes))
        throw VectorFileError(name, Line_Of(bytes, *deep), "JSON", fmt::format("nested more than {} levels deep", deepestNesting));
    Json document;
    try {
        document = Json::parse(bytes.begin(), bytes.end());
    } catch (const Json::parse_error& error) {
        std::string reason = error.what();
        const std::size_t lead = reason.find(": syntax error");
        reason = lead != std::string::npos ? reason.substr(lead + 2) : reason.substr(reason.rfind(": ") + 2);
        throw VectorFileError(name, Line_Of(bytes, error.byte > 0 ? error.byte - 1 : 0), "JSON", reason);
    }
    const Json* list = &document;
    if (document.is_object()) {
        const auto found = document.find("vectors");
        if (found == document.end()) throw VectorFileError(name, 0, "vectors", "missing: the top level holds no vectors list");
        list = &*found;
    }
    if (!list->is_array())
        throw VectorFileError(name, 0, "vectors", fmt::format("must be a list of vector objects, is {}", Type_Name(*list)));
    // The offsets ascend: their lines in one pass over the text.
    const std::vector<std::size_t> offsets = Element_Offsets(bytes);
    std::vector<int64_t> lines;
    int64_t line = 1;
    std::size_t at = 0;
    for (const std::size_t offset : offsets) {
        for (; at < offset && at < bytes.size(); ++at)
            if (bytes[at] == '\n') ++line;
        lines.push_back(line);
    }
    VectorFile read;
    for (std::size_t i = 0; i < list->size(); ++i)
        read.vectors.push_back(Vector_From_Json((*list)[i], name, i < lines.size() ? lines[i] : 0));
    return read;
}

std::string Vectors_Json_Text(const std::vector<ProcessedVector>& vectors) {
    OrderedJson list = OrderedJson::array();
    for (const ProcessedVector& vector : vectors) list.push_back(Vector_Json(vector));
    return OrderedJson{{"vectors", list}}.dump(2, ' ', false, OrderedJson::error_handler_t::replace) + "\n";
}

}  // namespace min_lumo_vectors

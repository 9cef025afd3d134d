#include "tool/vectors/vector_records.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include <fmt/format.h>

#include "tool/field/occupation.h"
#include "tool/field/rinex_header.h"

namespace min_lumo_vectors {

namespace {

constexpr std::string_view utf8ByteOrderMark = "\xef\xbb\xbf";
constexpr std::size_t longestStationName = 64;
constexpr std::size_t quotedCharacters = 40;
// Farther than any two points of the Earth (its diameter is 12,756 km).
constexpr double longestComponentMetres = 2.0e7;
// No GNSS vector is known to better than a micrometre, nor to worse than
// 10 km and still worth adjusting.
constexpr double smallestSigmaMetres = 1.0e-6;
constexpr double largestSigmaMetres = 1.0e4;
// The correlations' determinant below which the covariance is singular for
// the adjustment's purpose.
constexpr double smallestCorrelationDeterminant = 1.0e-12;
// A file of vectors or controls larger than this is not one.
constexpr std::uintmax_t largestFileBytes = std::uintmax_t{1} << 30;

// Whether the bytes are well-formed UTF-8 (RFC 3629: no overlong forms, no
// surrogates, nothing beyond U+10FFFF).
bool Is_Utf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned char lead = byte(i);
        std::size_t length = 0;
        uint32_t point = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xc2 && lead <= 0xdf) length = 2, point = lead & 0x1fu;
        else if (lead >= 0xe0 && lead <= 0xef) length = 3, point = lead & 0x0fu;
        else if (lead >= 0xf0 && lead <= 0xf4) length = 4, point = lead & 0x07u;
        else return false;
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xc0u) != 0x80u) return false;
            point = (point << 6) | (byte(i + k) & 0x3fu);
        }
        if ((length == 3 && (point < 0x800 || (point >= 0xd800 && point <= 0xdfff))) || (length == 4 && (point < 0x10000 || point > 0x10ffff)))
            return false;
        i += length;
    }
    return true;
}

bool Has_Control_Character(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

}  // namespace

VectorFileError::VectorFileError(std::string fileName, int64_t lineNumber, std::string fieldName, std::string why)
    : std::runtime_error(min_lumo_field::Located(fileName, lineNumber, fieldName.empty() ? why : fieldName + ": " + why)),
      file(std::move(fileName)),
      line(lineNumber),
      field(std::move(fieldName)),
      reason(std::move(why)) {}

std::vector<TextLine> Text_Lines(std::string_view bytes) {
    if (bytes.substr(0, utf8ByteOrderMark.size()) == utf8ByteOrderMark) bytes.remove_prefix(utf8ByteOrderMark.size());
    std::vector<TextLine> lines;
    int64_t number = 0;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view text = bytes.substr(0, end);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        lines.push_back({++number, text});
        if (end == std::string_view::npos) break;
        bytes.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::string_view> Csv_Cells(std::string_view line) {
    std::vector<std::string_view> cells;
    for (;;) {
        const std::size_t comma = line.find(',');
        cells.push_back(min_lumo_field::Trimmed(line.substr(0, comma)));
        if (comma == std::string_view::npos) return cells;
        line.remove_prefix(comma + 1);
    }
}

bool Equal_Ignoring_Case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::optional<double> Strict_Number(std::string_view text) {
    text = min_lumo_field::Trimmed(text);
    if (text.empty()) return std::nullopt;
    // from_chars reads "inf" and "nan" too; a number field holds digits.
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E')) return std::nullopt;
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int64_t> Strict_Integer(std::string_view text) {
    text = min_lumo_field::Trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string Quoted(std::string_view text) {
    std::string shown;
    for (const char c : text.substr(0, quotedCharacters))
        shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    if (text.size() > quotedCharacters) shown += "...";
    return "'" + shown + "'";
}

void Check_Station_Name(const std::string& name, const std::string& file, int64_t line, const std::string& field) {
    if (name.empty()) throw VectorFileError(file, line, field, "the station name is empty");
    if (name.size() > longestStationName)
        throw VectorFileError(file, line, field,
                              fmt::format("the station name {} is longer than {} characters", Quoted(name),
                                          longestStationName));
    if (Has_Control_Character(name) || name.find(',') != std::string::npos)
        throw VectorFileError(file, line, field,
                              fmt::format("the station name {} holds a {}", Quoted(name),
                                          Has_Control_Character(name) ? "control character" : "comma"));
    if (!Is_Utf8(name)) throw VectorFileError(file, line, field, fmt::format("the station name {} is not UTF-8 text", Quoted(name)));
    if (name.front() == ' ' || name.back() == ' ')
        throw VectorFileError(file, line, field, fmt::format("the station name {} starts or ends with a blank", Quoted(name)));
}

void Check_Text(const std::string& text, const std::string& file, int64_t line, const std::string& field) {
    if (Has_Control_Character(text)) throw VectorFileError(file, line, field, fmt::format("{} holds a control character", Quoted(text)));
    if (!Is_Utf8(text)) throw VectorFileError(file, line, field, fmt::format("{} is not UTF-8 text", Quoted(text)));
}

std::string Vector_Name(const ProcessedVector& vector) {
    std::string name = vector.from + "-" + vector.to;
    if (!vector.session.empty()) name += " (session " + vector.session + ")";
    return name;
}

void Check_Vector(const ProcessedVector& vector, const VectorFieldNames& fields) {
    const auto fail = [&](const std::string& field, const std::string& reason) {
        throw VectorFileError(vector.file, vector.line, field, reason);
    };
    Check_Station_Name(vector.from, vector.file, vector.line, fields.from);
    Check_Station_Name(vector.to, vector.file, vector.line, fields.to);
    Check_Text(vector.session, vector.file, vector.line, "session");
    Check_Text(vector.label, vector.file, vector.line, "label");
    Check_Text(vector.baseFrom, vector.file, vector.line, "baseFrom");
    if (vector.from == vector.to) fail(fields.to, fmt::format("the vector runs from {0} to {0} itself", vector.from));
    const double components[] = {vector.dX, vector.dY, vector.dZ};
    const std::string* componentNames[] = {&fields.dX, &fields.dY, &fields.dZ};
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(components[i])) fail(*componentNames[i], "is not a finite number");
        if (std::fabs(components[i]) > longestComponentMetres)
            fail(*componentNames[i], fmt::format("{} m is longer than any vector on the Earth", components[i]));
    }
    const VectorCovariance& c = vector.covariance;
    const std::string notDefinite =
        fmt::format("the covariance of {} is not positive definite", Vector_Name(vector));
    for (const double element : {c.xx, c.xy, c.xz, c.yy, c.yz, c.zz})
        if (!std::isfinite(element)) fail(fields.covariance, notDefinite + ": an element is not a finite number");
    const double variances[] = {c.xx, c.yy, c.zz};
    const char* axes[] = {"dX", "dY", "dZ"};
    for (int i = 0; i < 3; ++i) {
        if (!(variances[i] > 0.0))
            fail(fields.covariance, fmt::format("{}: the variance of {} is {} m²", notDefinite, axes[i], variances[i]));
        const double sigma = std::sqrt(variances[i]);
        if (sigma < smallestSigmaMetres || sigma > largestSigmaMetres)
            fail(fields.covariance, fmt::format("the standard deviation of {} of {} is {} m, outside {} to {} m",
                                                axes[i], Vector_Name(vector), sigma, smallestSigmaMetres,
                                                largestSigmaMetres));
    }
    const double rXY = c.xy / std::sqrt(c.xx * c.yy);
    const double rXZ = c.xz / std::sqrt(c.xx * c.zz);
    const double rYZ = c.yz / std::sqrt(c.yy * c.zz);
    const double correlations[] = {rXY, rXZ, rYZ};
    const char* pairs[] = {"dX and dY", "dX and dZ", "dY and dZ"};
    for (int i = 0; i < 3; ++i)
        if (!(std::fabs(correlations[i]) < 1.0))
            fail(fields.covariance, fmt::format("{}: the correlation of {} is {:.6g}", notDefinite, pairs[i],
                                                correlations[i]));
    // Sylvester's criterion on the correlations: the first two minors are
    // positive by the checks above, the determinant must be too.
    const double determinant = 1.0 - rXY * rXY - rXZ * rXZ - rYZ * rYZ + 2.0 * rXY * rXZ * rYZ;
    if (!(determinant > smallestCorrelationDeterminant))
        fail(fields.covariance, fmt::format("{}: the determinant of its correlations is {:.3g}", notDefinite, determinant));
}

VectorCovariance Covariance_From_Sigmas(double sigmaX, double sigmaY, double sigmaZ, double correlationXY,
                                        double correlationXZ, double correlationYZ) {
    VectorCovariance c;
    c.xx = sigmaX * sigmaX;
    c.yy = sigmaY * sigmaY;
    c.zz = sigmaZ * sigmaZ;
    c.xy = correlationXY * sigmaX * sigmaY;
    c.xz = correlationXZ * sigmaX * sigmaZ;
    c.yz = correlationYZ * sigmaY * sigmaZ;
    return c;
}

std::string File_Bytes(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw VectorFileError(path, 0, "", "is a folder, not a file");
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > largestFileBytes)
        throw VectorFileError(path, 0, "", fmt::format("{} bytes is larger than any file of vectors or controls", size));
    std::ifstream file(path, std::ios::binary);
    if (!file) throw VectorFileError(path, 0, "", "cannot be opened");
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) throw VectorFileError(path, 0, "", "cannot be read");
    return bytes;
}

}  // namespace min_lumo_vectors

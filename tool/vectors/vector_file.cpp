// What the formats share: telling them apart by content, reading any of
// them, solution kinds and times as the files write them.
#include <cmath>
#include <string>

#include <fmt/format.h>

#include "tool/field/gnss_time.h"
#include "tool/field/rinex_header.h"
#include "tool/vectors/vector_files.h"
#include "tool/vectors/vector_records.h"

namespace min_lumo_vectors {

namespace {

constexpr const char* formatsRead =
    "a vectors CSV with the heading from,to,session,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ, the tool's JSON, an NGS G-file "
    "or GNU GaMa XML";
constexpr double millisecondsPerSecond = 1000.0;

}  // namespace

const char* Vector_Format_Name(VectorFormat format) {
    switch (format) {
    case VectorFormat::csv: return "vectors CSV";
    case VectorFormat::json: return "vectors JSON";
    case VectorFormat::gfile: return "NGS G-file";
    case VectorFormat::gamaXml: return "GNU GaMa XML";
    }
    return "?";
}

std::optional<VectorFormat> Vector_Format_Of(std::string_view bytes) {
    bool stationNames = false;
    for (const TextLine& line : Text_Lines(bytes)) {
        const std::string_view content = min_lumo_field::Trimmed(line.text);
        if (content.empty()) continue;
        if (content.front() == '{' || content.front() == '[') return VectorFormat::json;
        if (content.front() == '<') return VectorFormat::gamaXml;
        // NGS ADJUST skips lines that start with a blank: a G-file's notes,
        // and the station names this tool writes there.
        if (line.text.front() == ' ' && !Equal_Ignoring_Case(content.substr(0, 5), "from,")) {
            stationNames = stationNames || content.substr(0, 8) == "STATION ";
            continue;
        }
        if (content.front() == '#') continue;
        if (content.find(',') != std::string_view::npos) return VectorFormat::csv;
        if (line.text.front() == 'A' || line.text.front() == 'B') return VectorFormat::gfile;
        return std::nullopt;
    }
    if (stationNames) return VectorFormat::gfile;
    return std::nullopt;
}

VectorFile Read_Vectors_From_Memory(const std::string& name, std::string_view bytes) {
    const std::optional<VectorFormat> format = Vector_Format_Of(bytes);
    if (!format) throw VectorFileError(name, 0, "", std::string("is not a file of vectors read here: ") + formatsRead);
    VectorFile read;
    switch (*format) {
    case VectorFormat::csv: read = Read_Vectors_Csv(name, bytes); break;
    case VectorFormat::json: read = Read_Vectors_Json(name, bytes); break;
    case VectorFormat::gfile: read = Read_Gfile(name, bytes); break;
    case VectorFormat::gamaXml: read = Read_Gama_Xml(name, bytes); break;
    }
    if (read.vectors.empty())
        throw VectorFileError(name, 0, "", fmt::format("holds no vector (read as {})", Vector_Format_Name(*format)));
    return read;
}

VectorFile Read_Vector_File(const std::string& path) { return Read_Vectors_From_Memory(path, File_Bytes(path)); }

const char* Solution_Name(SolutionKind solution) {
    switch (solution) {
    case SolutionKind::fixed: return "fixed";
    case SolutionKind::floating: return "float";
    case SolutionKind::single: return "single";
    case SolutionKind::failed: return "failed";
    }
    return "?";
}

std::optional<SolutionKind> Solution_From_Name(std::string_view name) {
    for (const SolutionKind kind : {SolutionKind::fixed, SolutionKind::floating, SolutionKind::single, SolutionKind::failed})
        if (Equal_Ignoring_Case(name, Solution_Name(kind))) return kind;
    return std::nullopt;
}

std::string Gps_Iso_Text(double gpsSeconds) {
    double whole = std::floor(gpsSeconds);
    double milliseconds = std::round((gpsSeconds - whole) * millisecondsPerSecond);
    if (milliseconds >= millisecondsPerSecond) {
        whole += 1.0;
        milliseconds = 0.0;
    }
    const min_lumo_field::CivilTime civil = min_lumo_field::Civil_Of_Seconds(static_cast<int64_t>(whole));
    std::string text = fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", civil.year, civil.month, civil.day, civil.hour,
                                   civil.minute, static_cast<int64_t>(civil.second));
    if (milliseconds > 0.0) text += fmt::format(".{:03}", static_cast<int64_t>(milliseconds));
    return text;
}

std::optional<double> Gps_Seconds_From_Iso(std::string_view text) {
    text = min_lumo_field::Trimmed(text);
    // The files hold GPS time: a zone would claim another scale.
    if (text.size() < 10 || text.find_first_of("Zz+", 10) != std::string_view::npos
        || text.find('-', 10) != std::string_view::npos)
        return std::nullopt;
    // Calendar seconds read as if UTC are the GPS seconds of the same calendar.
    return min_lumo_field::Parse_Iso_Utc(text);
}

}  // namespace min_lumo_vectors

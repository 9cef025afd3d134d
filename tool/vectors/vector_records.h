// What every reader of the vectors layer shares: splitting text into lines
// and cells, strict numbers, and the checks a vector or a name must pass
// before the adjustment may see it.  Internal to tool/vectors.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tool/field/occupation.h"
#include "tool/field/rinex_header.h"
#include "tool/vectors/vector_files.h"

namespace min_lumo_vectors {

// One line of a text file: its number from 1 and its text without the line
// end (LF or CR LF); a UTF-8 byte order mark before the first is dropped.
struct TextLine {
    int64_t number = 0;
    std::string_view text;
};
std::vector<TextLine> Text_Lines(std::string_view bytes);

// Comma-separated cells, each trimmed of blanks and tabs.
std::vector<std::string_view> Csv_Cells(std::string_view line);

bool Equal_Ignoring_Case(std::string_view a, std::string_view b);

// A decimal number written in full (an optional sign, digits, a point, an
// exponent), finite; nullopt for anything else, blanks around it allowed.
std::optional<double> Strict_Number(std::string_view text);
std::optional<int64_t> Strict_Integer(std::string_view text);

// The cell text as messages quote it: cut to 40 characters, control
// characters shown as '?'.
std::string Quoted(std::string_view text);

// A station name as files may carry it: 1 to 64 bytes of UTF-8, no control
// character, no comma, no blank at either end.  Throws VectorFileError.
void Check_Station_Name(const std::string& name, const std::string& file, int64_t line, const std::string& field);
// A session, label or note: UTF-8 without control characters (every
// format, JSON first, must be able to carry it).  Throws VectorFileError.
void Check_Text(const std::string& text, const std::string& file, int64_t line, const std::string& field);

// "GARR-MATA (session 077F)", or without the session when it is empty.
std::string Vector_Name(const ProcessedVector& vector);

// The checks every reader applies to a vector it made: names, from not to,
// session and label as Check_Text takes them, finite components within
// 20,000 km, and a covariance that is finite and
// positive definite (field names as `fields` gives them: the components'
// and the covariance's).  Throws VectorFileError at the vector's file and
// line.
struct VectorFieldNames {
    std::string from = "from", to = "to", dX = "dX", dY = "dY", dZ = "dZ", covariance = "covariance";
};
void Check_Vector(const ProcessedVector& vector, const VectorFieldNames& fields = {});

// The covariance from standard deviations and correlations.
VectorCovariance Covariance_From_Sigmas(double sigmaX, double sigmaY, double sigmaZ, double correlationXY,
                                        double correlationXZ, double correlationYZ);

// Whole-file bytes; throws VectorFileError when the file cannot be read.
std::string File_Bytes(const std::string& path);

}  // namespace min_lumo_vectors

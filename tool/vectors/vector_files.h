// Reading and writing the exchange files of processed vectors and control
// coordinates, every format in both directions:
//
//  - the tool's vectors CSV (vector_csv.cpp),
//  - the tool's JSON vector objects and files with a "vectors" array
//    (vector_json.cpp),
//  - NGS G-files, B group records with C or F vector records and their D or
//    E records, laid out as NGS ADJUST reads them (ngs_gfile.cpp),
//  - GNU GaMa gama-local XML <vectors> (gama_xml.cpp),
//  - control coordinates CSV (control_coordinates.cpp).
//
// Every reader refuses what it cannot use with a VectorFileError naming the
// file, the line and the field, and never trusts its input: numbers must be
// finite, names printable, covariances positive definite.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "tool/vectors/processed_vector.h"

namespace min_lumo_vectors {

// A file that cannot be read.  what() reads FILE:LINE: FIELD: REASON, without
// the line when none applies (line 0) and without the field when the whole
// line or file is at fault.
class VectorFileError : public std::runtime_error {
public:
    VectorFileError(std::string file, int64_t line, std::string field, std::string reason);

    std::string file;
    int64_t line = 0;
    std::string field;
    std::string reason;
};

// What a vector file holds, in the order of the file, and what the reader
// had to leave out or assume (each warning names the file and line).
struct VectorFile {
    std::vector<ProcessedVector> vectors;
    std::vector<std::string> warnings;
};

enum class VectorFormat { csv, json, gfile, gamaXml };

// "vectors CSV", "vectors JSON", "NGS G-file", "GNU GaMa XML".
const char* Vector_Format_Name(VectorFormat format);

// The format the bytes are in, told by their content, not by a file name:
// JSON starts with '{' or '[', XML with '<', a G-file's first record with
// 'A' or 'B' (or a blank-led line), the CSV with its heading.  nullopt for
// anything else.
std::optional<VectorFormat> Vector_Format_Of(std::string_view bytes);

// A vector file of any of the formats above.  Throws VectorFileError for a
// file that cannot be opened, is in none of them, or holds anything a
// reader refuses; a file without any vector is refused too.
VectorFile Read_Vector_File(const std::string& path);
// The same for bytes in memory; `name` stands for the path in messages.
VectorFile Read_Vectors_From_Memory(const std::string& name, std::string_view bytes);

// "fixed", "float", "single", "failed", and back (nullopt for other text).
const char* Solution_Name(SolutionKind solution);
std::optional<SolutionKind> Solution_From_Name(std::string_view name);

// GPS seconds (tool/field/gnss_time.h) as YYYY-MM-DDThh:mm:ss on the GPS
// time scale (with .fff when not whole), and back; the files say GPST.
std::string Gps_Iso_Text(double gpsSeconds);
std::optional<double> Gps_Seconds_From_Iso(std::string_view text);

// ---- The tool's vectors CSV ----------------------------------------------
//
//   from,to,session,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ[,label,solution,ratio,satellites,epochs,start,end]
//
// dX, dY, dZ in metres (to minus from, Earth-centred), the covariance's six
// elements in m².  The first line that is not blank nor a '#' comment is
// the heading; columns are found by name (any letter case, any order).
// Required: from, to, dX, dY, dZ and the six covariance columns.  Read when
// present: session, label, solution (fixed, float, single, failed), ratio,
// satellites, epochs, start and end (GPS time, YYYY-MM-DDThh:mm:ss),
// engineSeconds and baseX, baseY, baseZ (all three); an empty cell leaves
// the default.  Other columns (notes, E/N/U, length) are not read: one
// warning names them.  A heading naming a column twice is refused.  Cells
// are trimmed; there is no quoting, so no cell holds a comma.
VectorFile Read_Vectors_Csv(const std::string& name, std::string_view bytes);
// The heading above with every column, numbers as the shortest text that
// reads back to the same double.  Throws std::invalid_argument for a name,
// session or label holding a comma or a line break.
std::string Vectors_Csv_Text(const std::vector<ProcessedVector>& vectors);

// ---- The tool's JSON -------------------------------------------------------
//
// One vector is an object with the keys from, to, session, label, dX, dY,
// dZ (metres), covariance (the symmetric 3x3 matrix in m² as three rows:
// [[xx, xy, xz], [xy, yy, yz], [xz, yz, zz]]), solution, ratio, satellites,
// epochs, basePosition ({"X", "Y", "Z"} in metres), baseFrom,
// engineSeconds, start and end (GPS time as above).  What a vector does not
// know is null.  A reader takes from, to, dX, dY, dZ and covariance as
// required and the others when present and not null; other keys (E/N/U,
// length, what the processing adds) are left alone.  Keys in the order
// above, as the reports print them.
nlohmann::ordered_json Vector_Json(const ProcessedVector& vector);
// Throws VectorFileError naming `file`, `line` (the object's first line)
// and the key at fault; the vector keeps `file` and `line`.
ProcessedVector Vector_From_Json(const nlohmann::json& object, const std::string& file, int64_t line);
// A document whose top level is an object with a "vectors" array (as
// `process --json` prints it) or an array of vector objects.
VectorFile Read_Vectors_Json(const std::string& name, std::string_view bytes);
// {"vectors": [...]}, indented by two spaces.
std::string Vectors_Json_Text(const std::vector<ProcessedVector>& vectors);

// ---- NGS G-files -------------------------------------------------------------
//
// The records as NGS ADJUST reads them (public sources, repository
// noaa-ngs/adjust): a B record opens a group (columns 2-13 and 14-25 the
// first and last time YYYYMMDDHHMM, 26-27 the number of vectors, 52-53 the
// frame code; routine NLGPS of newsubs.for), followed by that many C or F
// records (routine NEWGRP of subs2.for) and their D or E records (routines
// LOADCR and LOADCV of subs2.for); see ngs_gfile.cpp for every column.
// Stations are serial numbers there; the writer numbers them 1, 2, ... in
// order of appearance and names each on a line that starts with a blank,
// which ADJUST skips (" STATION 0001 GARR"); the reader names a number
// without such a line by the number as written ("0001").  Times are GPS
// time to the minute; the G-file carries no label, solution, ratio or
// engine facts.  Vectors marked rejected (R, O or F after the sigmas) are
// left out with a warning, and correlations between different vectors of
// a group are not used (one warning).
VectorFile Read_Gfile(const std::string& name, std::string_view bytes);
// One B group per session (at most 99 vectors each, the width of the count)
// in order of first appearance, C records (F where a component needs more
// than 10 digits of 0.1 mm), sigmas to 0.1 mm (at least 0.1 mm: ADJUST
// divides by them) and the correlations on D records to 1e-7.  Throws
// std::invalid_argument for what the format cannot hold: more than 9999
// stations, a session longer than 5 characters, a sigma of 10 m or more.
std::string Gfile_Text(const std::vector<ProcessedVector>& vectors);

// ---- GNU GaMa XML ----------------------------------------------------------
//
// A gama-local document (GNU Gama manual, "XML input data format", sections
// "Coordinate differences (vectors)" and "Set of observations" for the band
// covariance matrix): each <vectors> holds <vec from to dx dy dz/> in metres
// and one <cov-mat dim band> whose upper band is written row by row, in mm²
// (the manual gives standard deviations in millimetres).
VectorFile Read_Gama_Xml(const std::string& name, std::string_view bytes);
// One <vectors> per vector with its full 3x3 <cov-mat dim="3" band="2">;
// the controls given become points with fix="xyz" (held) or, when they
// carry sigmas, observed <coordinates> with their covariance; every other
// station a point with adj="xyz".
std::string Gama_Xml_Text(const std::vector<ProcessedVector>& vectors,
                          const std::vector<ControlCoordinate>& controls = {});

// ---- Control coordinates CSV ------------------------------------------------
//
//   station,X,Y,Z[,sigmaEast,sigmaNorth,sigmaUp]
//   station,latitude,longitude,height[,sigmaEast,sigmaNorth,sigmaUp]
//
// WGS 84 / ITRF as given: X, Y, Z in metres Earth-centred, or latitude and
// longitude in degrees and the height in metres above the ellipsoid, told
// apart by the heading (X, Y, Z win when both are there).  The sigmas, in
// metres, weight a control instead of holding it: all three or none (on a
// line, empty cells for all three hold it).  Headings, comments and cells
// as in the vectors CSV; other columns are not read (one warning).  A
// station given twice is refused, naming both lines.
std::vector<ControlCoordinate> Read_Control_Coordinates(const std::string& path,
                                                        std::vector<std::string>* warnings = nullptr);
std::vector<ControlCoordinate> Read_Control_Coordinates_From_Memory(const std::string& name, std::string_view bytes,
                                                                    std::vector<std::string>* warnings = nullptr);
// station,X,Y,Z with the sigma columns when any control has sigmas.
std::string Control_Coordinates_Csv_Text(const std::vector<ControlCoordinate>& controls);

}  // namespace min_lumo_vectors

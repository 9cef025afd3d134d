// Occupation logs: when receiver files are not to hand, a surveyor's log of
// who stood where and when, as CSV.
//
//   # comment
//   station,start,end,latitude,longitude,height
//   BASE,2024-05-14T07:30:00Z,2024-05-14T10:30:00Z,47.05,8.30,436.512
//   KAPF,2024-05-14T09:35:00+02:00,2024-05-14T12:25:00+02:00
//
// One occupation a line: station, start and end (ISO 8601; Z, +hh:mm or
// -hh:mm, and a time without a zone is UTC), and optionally latitude and
// longitude in degrees and the height in metres on WGS 84 (all three or
// none).  Fields are separated by commas and trimmed of blanks; there is no
// quoting.  A first line whose first field is "station" is a heading (any
// letter case; one naming a column twice is refused); blank lines and lines
// starting with '#' are skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tool/field/line_reader.h"
#include "tool/field/occupation.h"

namespace min_lumo_field {

// Each occupation has file = the log's path (also its one `files`),
// firstGps and lastGps from the start and end, one continuous epoch run
// between them, hasEpochs true and epochCount 0, and positionKnown when
// the line gives a position.  Throws FieldFileError naming the line and the
// field for anything else; a log without any occupation is an error too.
std::vector<Occupation> Read_Occupation_Log(const std::string& path);
std::vector<Occupation> Read_Occupation_Log_From_Memory(const std::string& name, std::string_view bytes);
// The same from a reader at the log's first line.
std::vector<Occupation> Read_Occupation_Log(LineReader& lines);

}  // namespace min_lumo_field

// What a file found in a folder is, told by its first lines rather than its
// name: a surveyor's folder also holds navigation files, photos and notes.
#pragma once

#include <string>

namespace min_lumo_field {

enum class FieldFileKind { RinexObservation, OccupationLog, Other };

// RINEX observation data (plain or Compact, plain or gzip): its first line
// (after a Compact header line) is RINEX VERSION / TYPE of an observation
// file.  An occupation log: its first line that is neither blank nor a
// comment is the heading station,start,end... or a line whose second field
// is an ISO 8601 time.  Anything else, and a file that cannot be opened,
// is Other.
FieldFileKind Field_File_Kind(const std::string& path);

}  // namespace min_lumo_field

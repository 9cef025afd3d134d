// One field file, read once: what it is (told by its name when it was given
// by name, by its first lines when it was found in a folder, since a
// surveyor's folder also holds navigation files, photos and notes) and the
// occupations it holds.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tool/field/occupation.h"

namespace min_lumo_field {

enum class FieldFileKind { RinexObservation, OccupationLog, Other };

struct FieldFile {
    FieldFileKind kind = FieldFileKind::Other;
    // Other: why it is not read, e.g. "neither RINEX observation data nor an
    // occupation log" or "compressed with zstd, which is not read here ...".
    std::string notRead;
    std::vector<Occupation> occupations;  // one for a receiver file, one a line for a log
};

// Reads the file as `kind` says (RinexObservation or OccupationLog), or,
// without one, as its first lines say: RINEX observation data (plain or
// Compact, plain or compressed) when its first line (after a Compact header
// line) is RINEX VERSION / TYPE of an observation file; an occupation log
// when its first line that is neither blank nor a comment is the heading
// station,start,end... or a line whose second field is an ISO 8601 time.
// Told by content, a file that cannot be opened or unpacked, or is neither,
// is Other with the reason.  Once its kind is known, a file that cannot be
// read throws FieldFileError (DamagedFieldFile when it is cut short in its
// header or compressed data); one cut short later is read with
// Occupation::damage set.
FieldFile Read_Field_File(const std::string& path, std::optional<FieldFileKind> kind);

}  // namespace min_lumo_field

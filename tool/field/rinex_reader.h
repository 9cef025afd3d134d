// Reading a surveyor's receiver file into an occupation: RINEX observation
// files of versions 2, 3 and 4, plain or Compact (Hatanaka), either of them
// plain or gzip-compressed.
#pragma once

#include <string>
#include <string_view>

#include "tool/field/line_reader.h"
#include "tool/field/occupation.h"

namespace min_lumo_field {

// Throws FieldFileError when the file cannot be read as RINEX observation
// data.  A valid header without any epoch is not an error: hasEpochs is
// false then, with a warning.
Occupation Read_Occupation(const std::string& path);
// The same for bytes already in memory; `name` stands for the path.
Occupation Read_Occupation_From_Memory(const std::string& name, std::string_view bytes);
// The same from a reader at the file's first line.
Occupation Read_Occupation(LineReader& lines);

}  // namespace min_lumo_field

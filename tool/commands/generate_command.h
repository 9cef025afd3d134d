// `generate`: a synthetic project of one of the host kit's shapes, or
// (`generate rinex`) a synthetic campaign as a folder of RINEX files.
#pragma once

#include <cstdint>
#include <string>

#include "hostkit/shapes.h"

namespace min_lumo_tool {

// Writes the project to `output`, or to standard output when it is empty.
// Returns the process exit code.
int Run_Generate(const min_lumo_kit::ShapeOptions& shape, const std::string& output);

inline constexpr const char* rinexShapeName = "rinex";
// What a build without the field files (the Windows one: no GeographicLib)
// says when asked for a command that reads or writes them.
inline constexpr const char* fieldFilesUnavailable =
    "unavailable in this build: the Windows tool is built without GeographicLib, so it neither reads nor writes "
    "RINEX files; use the Linux tool";

struct RinexGenerateOptions {
    int32_t days = 0;      // 0: the default
    int32_t interval = 0;  // seconds between epochs; 0: the default
    std::string folder;    // required
};

#ifdef MIN_LUMO_FIELD_FILES
// Uses the stations, sessions, receivers and seed of `shape`; `output` must
// be empty (the files go into the folder).  Returns the process exit code.
int Run_Generate_Rinex(const min_lumo_kit::ShapeOptions& shape, const RinexGenerateOptions& options,
                       const std::string& output);
#endif

}  // namespace min_lumo_tool

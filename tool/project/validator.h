// Checks a project against everything the host guarantees the library, so
// that no call is ever made with data the library is not defined for.
#pragma once

#include "hostkit/project_model.h"
#include "tool/project/violation.h"

namespace min_lumo_tool {

// Longest texts that fit their host fields (the terminating zero needs the
// last byte).
inline constexpr std::size_t longestControlName = 15;
inline constexpr std::size_t longestLabel = 31;
inline constexpr std::size_t longestSourceName = 255;
inline constexpr std::size_t longestStationName = 5167;
inline constexpr std::size_t mostBaselineObservations = 259;

// Every violation, in record order: sources, stations, baselines,
// observations, controls.  Empty when the project is fit to hand over.
Violations Validate_Project(const min_lumo_kit::Project& project);

// The whitespace-separated tokens of a label, as the library scans them.
std::vector<std::string> Label_Tokens(const std::string& label);

// The text with its ASCII letters in lower case; every other byte as it is,
// whatever the locale.
std::string Ascii_Lowered(const std::string& text);

// Names equal but for the case of ASCII letters, as the library compares them.
bool Names_Match(const std::string& a, const std::string& b);

}  // namespace min_lumo_tool

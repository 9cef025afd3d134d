// The tool's exit codes.
#pragma once

namespace min_lumo_tool {

inline constexpr int exitSuccess = 0;
inline constexpr int exitLibraryFailure = 1;  // the library reported a failure
inline constexpr int exitBadInput = 2;        // bad input or usage

}  // namespace min_lumo_tool

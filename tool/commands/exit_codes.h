// The tool's exit codes, and the paragraph of --help and the README that
// gives them.
#pragma once

namespace min_lumo_tool {

inline constexpr int exitSuccess = 0;
inline constexpr int exitLibraryFailure = 1;  // the library reported a failure
inline constexpr int exitBadInput = 2;        // bad input or usage: nothing written
inline constexpr int exitChecksFailed = 3;    // --strict: the standard fails (plan: its checks; adjust: relative accuracy)
// Failures that are neither the input's nor the library's take the values
// BSD's sysexits(3) gives them (Debian's /usr/include/sysexits.h), well
// apart from the tool's own codes above.
inline constexpr int exitInternalError = 70;  // EX_SOFTWARE: a fault of the tool itself
inline constexpr int exitWriteFailed = 74;    // EX_IOERR: an output file or standard output could not be written

inline constexpr const char* exitStatusHelp =
    "Exit status: 0 done; 1 the library reported a failure; 2 bad input or usage, nothing written; 3 --strict and "
    "the standard fails (plan: the campaign's checks; adjust: a vector's relative precision); 70 an internal error of "
    "min_lumo (a fault to report, not of the input); 74 an output file or standard output could not be written (a full disk, a closed pipe, a folder that "
    "does not exist).";

}  // namespace min_lumo_tool

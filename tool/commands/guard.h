// Printing a command's report and messages, and the guard around every
// command: whatever it throws becomes one message and the exit status of
// its kind -- bad input, an output that could not be written, or a fault of
// the tool itself.
#pragma once

#include <exception>
#include <string>

#include "tool/commands/exit_codes.h"

namespace min_lumo_tool {

// Writes the bytes as they are (no locale, no line-end translation) and
// flushes them; throws OutputWriteError when standard output takes them not
// (a full disk, a closed pipe where SIGPIPE is ignored).
void Print(const std::string& text);
// One line on standard error.  Nothing is left to report a failure of it to.
void Print_Error(const std::string& text);

// What an exception means to the user: the exit status and the message.
struct CommandFailure {
    int exitCode = exitInternalError;
    std::string message;  // one line, starting "min_lumo: "
};

// Bad input (std::invalid_argument, and std::runtime_error: files, profiles,
// the library module that cannot be loaded) exits exitBadInput; an output
// that could not be written exitWriteFailed; anything else -- a broken
// invariant (std::logic_error), out of memory, a formatting or JSON misuse,
// an arithmetic range error, an exception of no standard type -- is the
// tool's own fault: exitInternalError, and the message says so.
CommandFailure Failure_Of(const std::exception_ptr& error);

template <typename Body> int Guarded(Body body) {
    try {
        return body();
    } catch (...) {
        const CommandFailure failure = Failure_Of(std::current_exception());
        Print_Error(failure.message);
        return failure.exitCode;
    }
}

}  // namespace min_lumo_tool

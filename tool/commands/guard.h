// Printing a command's report and messages, and the guard around every
// command: whatever it throws becomes one message and exit 2.
#pragma once

#include <exception>
#include <string>

#include "tool/commands/exit_codes.h"

namespace min_lumo_tool {

// Writes the bytes as they are (no locale, no line-end translation).
void Print(const std::string& text);
// One line on standard error.
void Print_Error(const std::string& text);

template <typename Body> int Guarded(Body body) {
    try {
        return body();
    } catch (const std::exception& error) {
        Print_Error(std::string("min_lumo: ") + error.what());
        return exitBadInput;
    }
}

}  // namespace min_lumo_tool

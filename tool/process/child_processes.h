// Running the engine: several child programs at once, each with its output
// and messages into files, each stopped when it runs longer than allowed.
// Child processes rather than threads: each engine run is a program of its
// own anyway, and the Windows tool's MinGW compiler need not have a thread
// model.  posix_spawn and waitpid on Linux; CreateProcess and
// WaitForMultipleObjects on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace min_lumo_tool {

struct ChildCommand {
    std::string program;                 // a path, or a bare name looked up on PATH
    std::vector<std::string> arguments;  // after the program's name
    std::string outputFile;              // standard output goes here (created or emptied)
    std::string errorFile;               // standard error goes here
};

enum class ChildEnding { exited, signalled, timedOut, notStarted };

struct ChildOutcome {
    ChildEnding ending = ChildEnding::notStarted;
    int32_t exitCode = 0;        // exited: the status; Windows: also a crash's exception code
    int32_t signal = 0;          // signalled: the signal
    double seconds = 0.0;        // wall-clock time from start to end
    std::string startProblem;    // notStarted: why, in words
};

// Runs every command, at most `jobs` (at least 1) at a time, in the order
// given as places free up; a child still running after `timeoutSeconds` is
// killed (with everything it started, where the system allows).  Outcomes
// by command.
std::vector<ChildOutcome> Run_Children(const std::vector<ChildCommand>& commands, int32_t jobs, double timeoutSeconds);

// The program's path when it names a file that exists, or a bare name found
// on PATH (with .exe on Windows); empty when neither.
std::string Find_Program(const std::string& program);

// Processor time the tool has used itself, and its finished children,
// seconds; 0 where the system does not tell.
double Own_Processor_Seconds();
double Children_Processor_Seconds();

// How many processors the machine has; at least 1.
int32_t Processor_Count();

}  // namespace min_lumo_tool

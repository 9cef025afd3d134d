#include "tool/process/child_processes.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
extern char** environ;
#endif

namespace min_lumo_tool {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds_Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool Is_File(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

#ifdef _WIN32

double childProcessorSeconds = 0.0;

double Filetime_Seconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) * 1e-7;
}

// One argument as the C runtime's command-line parser reads it back:
// quoted when it holds spaces or quotes, backslashes doubled before a quote.
std::string Quoted_Argument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') quoted.append(backslashes * 2 + 1, '\\');
        else quoted.append(backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

// Exception codes (NTSTATUS with the error bits) mean the program crashed.
constexpr DWORD firstExceptionCode = 0xC0000000;

struct Running {
    std::size_t command = 0;
    HANDLE process = nullptr;
    Clock::time_point started;
};

HANDLE Open_For_Child(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.empty() ? "NUL" : path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string Last_Error_Text() {
    char* text = nullptr;
    const DWORD code = GetLastError();
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = text ? text : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

bool Start(const ChildCommand& command, Running& running, ChildOutcome& outcome) {
    std::string line = Quoted_Argument(command.program);
    for (const std::string& argument : command.arguments) line += " " + Quoted_Argument(argument);
    HANDLE output = Open_For_Child(command.outputFile);
    HANDLE errors = Open_For_Child(command.errorFile);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = errors;
    PROCESS_INFORMATION process{};
    const bool started = output != INVALID_HANDLE_VALUE && errors != INVALID_HANDLE_VALUE
                         && CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                           nullptr, &startup, &process);
    if (!started) outcome.startProblem = Last_Error_Text();
    for (HANDLE handle : {output, errors, input})
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    if (!started) return false;
    CloseHandle(process.hThread);
    running.process = process.hProcess;
    running.started = Clock::now();
    return true;
}

void Finish(Running& running, ChildOutcome& outcome, bool timedOut) {
    if (timedOut) {
        TerminateProcess(running.process, 1);
        WaitForSingleObject(running.process, INFINITE);
        outcome.ending = ChildEnding::timedOut;
    } else {
        DWORD code = 0;
        GetExitCodeProcess(running.process, &code);
        outcome.exitCode = static_cast<int32_t>(code);
        outcome.ending = code >= firstExceptionCode ? ChildEnding::signalled : ChildEnding::exited;
    }
    FILETIME created, exited, kernel, user;
    if (GetProcessTimes(running.process, &created, &exited, &kernel, &user))
        childProcessorSeconds += Filetime_Seconds(kernel) + Filetime_Seconds(user);
    outcome.seconds = Seconds_Since(running.started);
    CloseHandle(running.process);
    running.process = nullptr;
}

#else

struct Running {
    std::size_t command = 0;
    pid_t process = -1;
    Clock::time_point started;
};

void Note_Child(int) {}

// While the tool waits for its children, SIGCHLD is held back and waited
// for (sigtimedwait), so that the tool sleeps until a child ends or a
// timeout falls due instead of looking again and again.
struct ChildSignals {
    sigset_t child{}, previous{};
    struct sigaction previousAction {};
    void Hold() {
        sigemptyset(&child);
        sigaddset(&child, SIGCHLD);
        sigprocmask(SIG_BLOCK, &child, &previous);
        struct sigaction action {};
        action.sa_handler = Note_Child;
        sigemptyset(&action.sa_mask);
        sigaction(SIGCHLD, &action, &previousAction);
    }
    void Release() {
        sigaction(SIGCHLD, &previousAction, nullptr);
        sigprocmask(SIG_SETMASK, &previous, nullptr);
    }
    // Until a child ends, or `seconds` pass.
    void Wait(double seconds) const {
        const double bounded = std::min(std::max(seconds, 0.0), 3600.0);
        timespec wait{};
        wait.tv_sec = static_cast<time_t>(bounded);
        wait.tv_nsec = static_cast<long>((bounded - static_cast<double>(wait.tv_sec)) * 1e9);
        sigtimedwait(&child, nullptr, &wait);
    }
};
ChildSignals childSignals;

bool Start(const ChildCommand& command, Running& running, ChildOutcome& outcome) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    constexpr int outputFlags = O_WRONLY | O_CREAT | O_TRUNC;
    constexpr mode_t outputMode = 0644;
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO,
                                     command.outputFile.empty() ? "/dev/null" : command.outputFile.c_str(), outputFlags,
                                     outputMode);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO,
                                     command.errorFile.empty() ? "/dev/null" : command.errorFile.c_str(), outputFlags,
                                     outputMode);
    // A group of its own, so that a run stopped for taking too long takes
    // whatever it started (the engine unpacks files with other programs)
    // with it.
    posix_spawnattr_setpgroup(&attributes, 0);
    // The engine starts with the signals as the tool had them before it
    // waited for its children.
    posix_spawnattr_setsigmask(&attributes, &childSignals.previous);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> words = {command.program};
    words.insert(words.end(), command.arguments.begin(), command.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t process = -1;
    const int error = posix_spawnp(&process, command.program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        outcome.startProblem = std::strerror(error);
        return false;
    }
    running.process = process;
    running.started = Clock::now();
    return true;
}

// Whether the child has ended; then its outcome is filled.
bool Ended(Running& running, ChildOutcome& outcome) {
    int status = 0;
    const pid_t reaped = waitpid(running.process, &status, WNOHANG);
    if (reaped == 0) return false;
    outcome.seconds = Seconds_Since(running.started);
    if (reaped < 0) {
        outcome.ending = ChildEnding::notStarted;
        outcome.startProblem = std::strerror(errno);
    } else if (WIFSIGNALED(status)) {
        outcome.ending = ChildEnding::signalled;
        outcome.signal = WTERMSIG(status);
    } else {
        outcome.ending = ChildEnding::exited;
        outcome.exitCode = WEXITSTATUS(status);
    }
    return true;
}

void Stop(Running& running, ChildOutcome& outcome) {
    kill(-running.process, SIGKILL);
    kill(running.process, SIGKILL);
    int status = 0;
    waitpid(running.process, &status, 0);
    outcome.ending = ChildEnding::timedOut;
    outcome.seconds = Seconds_Since(running.started);
}


#endif

}  // namespace

std::vector<ChildOutcome> Run_Children(const std::vector<ChildCommand>& commands, int32_t jobs, double timeoutSeconds) {
    std::vector<ChildOutcome> outcomes(commands.size());
    const auto slots = static_cast<std::size_t>(std::max(jobs, 1));
    std::vector<Running> running;
    std::size_t next = 0;
#ifndef _WIN32
    struct Held {
        Held() { childSignals.Hold(); }
        ~Held() { childSignals.Release(); }
        Held(const Held&) = delete;
        Held& operator=(const Held&) = delete;
    } held;
#endif
    while (next < commands.size() || !running.empty()) {
        while (running.size() < slots && next < commands.size()) {
            Running started;
            started.command = next;
            if (Start(commands[next], started, outcomes[next]))
                running.push_back(started);
            else
                outcomes[next].ending = ChildEnding::notStarted;
            ++next;
        }
        if (running.empty()) continue;
#ifdef _WIN32
        std::vector<HANDLE> handles;
        DWORD wait = INFINITE;
        for (const Running& child : running) {
            handles.push_back(child.process);
            const double left = timeoutSeconds - Seconds_Since(child.started);
            wait = std::min<DWORD>(wait, static_cast<DWORD>(std::max(0.0, left) * 1000.0) + 1);
        }
        const DWORD woken = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, wait);
        for (std::size_t i = 0; i < running.size();) {
            Running& child = running[i];
            const bool ended = (woken >= WAIT_OBJECT_0 && woken < WAIT_OBJECT_0 + handles.size()
                                && handles[woken - WAIT_OBJECT_0] == child.process)
                               || WaitForSingleObject(child.process, 0) == WAIT_OBJECT_0;
            const bool late = !ended && Seconds_Since(child.started) > timeoutSeconds;
            if (ended || late) {
                Finish(child, outcomes[child.command], late);
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
#else
        bool anyEnded = false;
        for (std::size_t i = 0; i < running.size();) {
            Running& child = running[i];
            ChildOutcome& outcome = outcomes[child.command];
            if (Ended(child, outcome)) {
                anyEnded = true;
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            } else if (Seconds_Since(child.started) > timeoutSeconds) {
                Stop(child, outcome);
                anyEnded = true;
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
        if (!anyEnded && !running.empty()) {
            double wait = timeoutSeconds;
            for (const Running& child : running) wait = std::min(wait, timeoutSeconds - Seconds_Since(child.started));
            childSignals.Wait(wait);
        }
#endif
    }
    return outcomes;
}

std::string Find_Program(const std::string& program) {
    if (program.empty()) return {};
    const fs::path given(program);
    if (given.has_parent_path() || given.is_absolute()) return Is_File(given) ? program : std::string();
#ifdef _WIN32
    const char separator = ';';
    const std::vector<std::string> suffixes = {"", ".exe"};
#else
    const char separator = ':';
    const std::vector<std::string> suffixes = {""};
#endif
    if (Is_File(given)) return program;
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    std::size_t at = 0;
    while (at <= folders.size()) {
        std::size_t end = folders.find(separator, at);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = folders.substr(at, end - at);
        at = end + 1;
        if (folder.empty()) continue;
        for (const std::string& suffix : suffixes) {
            const fs::path candidate = fs::path(folder) / (program + suffix);
            if (Is_File(candidate)) return candidate.string();
        }
    }
    return {};
}

#ifndef _WIN32
// User and system processor time of this process or of its waited-for children.
static double Usage_Seconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}
#endif

double Own_Processor_Seconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
    return Filetime_Seconds(kernel) + Filetime_Seconds(user);
#else
    return Usage_Seconds(RUSAGE_SELF);
#endif
}

double Children_Processor_Seconds() {
#ifdef _WIN32
    return childProcessorSeconds;
#else
    return Usage_Seconds(RUSAGE_CHILDREN);
#endif
}

int32_t Processor_Count() {
#ifdef _WIN32
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    return std::max<int32_t>(1, static_cast<int32_t>(system.dwNumberOfProcessors));
#else
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int32_t>(count) : 1;
#endif
}

}  // namespace min_lumo_tool

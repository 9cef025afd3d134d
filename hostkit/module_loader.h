// Loading a build of the library as a host does: at run time, by file name,
// finding the three entry points under the names the public header gives
// for the platform (on Windows the decorated __stdcall names).
#pragma once

#include <filesystem>
#include <string>

#include "min_lumo.h"

namespace min_lumo_kit {

// The folder of the running program (the working folder when it cannot be
// told): files installed beside the tool are found from here.
std::filesystem::path Executable_Folder();

// The three entry points of one build of the library.
struct LibraryEntryPoints {
    DLL_Min_Lumo_Function minLumo = nullptr;
    DLL_Fix_Baseline_Direction_Function fixBaselineDirection = nullptr;
    Get_Error_Message_Function getErrorMessage = nullptr;

    // The last failure message, read through Get_Error_Message.
    std::string Error_Message() const;
};

class LoadedModule : public LibraryEntryPoints {
public:
    // Loads the module at `path`; empty means the library next to the
    // running program.  Throws std::runtime_error naming the file and why it
    // could not be loaded, or the entry point it does not export.
    explicit LoadedModule(const std::string& path);
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    const std::string& Path() const { return path_; }

    // From now on the module's alarms count in Alarm_Count().  On Windows
    // this redirects the module's import of USER32!MessageBeep; elsewhere
    // the module calls the program's MessageBeep when the program exports
    // one (link it with ENABLE_EXPORTS), and that one counts.
    void Count_Alarms() const;

private:
    void* handle_ = nullptr;
    std::string path_;
};

// Where the build puts the library, and where it is installed with the tool:
// in the running program's folder.
std::string Default_Library_Path();

// Alarms (MessageBeep calls) counted so far in this process.
int Alarm_Count();

}  // namespace min_lumo_kit

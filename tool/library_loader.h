// Loading a build of the library as the host does: at run time, finding the
// three entry points by their exported names (on Windows the decorated
// __stdcall names).
#pragma once

#include <string>

#include "min_lumo.h"

namespace min_lumo_tool {

class LoadedLibrary {
public:
    // Loads the module at `path`; empty means the library next to the tool's
    // own executable.  Throws std::runtime_error when the module or one of
    // its entry points cannot be found.
    explicit LoadedLibrary(const std::string& path);
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    DLL_Min_Lumo_Function minLumo = nullptr;
    DLL_Fix_Baseline_Direction_Function fixBaselineDirection = nullptr;
    Get_Error_Message_Function getErrorMessage = nullptr;

    // The last failure message, read through Get_Error_Message.
    std::string Error_Message() const;

    const std::string& Path() const { return path_; }

private:
    void* handle_ = nullptr;
    std::string path_;
};

// Where the library sits when it is installed next to the tool.
std::string Default_Library_Path();

}  // namespace min_lumo_tool

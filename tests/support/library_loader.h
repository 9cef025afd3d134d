// Loads a build of the library the way a host does: at run time, looking the
// three entry points up by their exported names (the decorated __stdcall names
// on Windows).
#pragma once

#include <string>

#include "min_lumo.h"

namespace min_lumo_test {

struct LoadedLibrary {
    DLL_Min_Lumo_Function minLumo = nullptr;
    DLL_Fix_Baseline_Direction_Function fixBaselineDirection = nullptr;
    Get_Error_Message_Function getErrorMessage = nullptr;
    void* handle = nullptr;
    std::string error;  // why loading failed; empty on success
    // What Get_Error_Message gave right after loading, into a buffer of 'x':
    // its result and the first two bytes of the buffer.
    int32_t firstMessageResult = 0;
    char firstMessageBytes[2] = {};
};

// `path` names the module file; empty means the build's own library.
LoadedLibrary Load_Library(const std::string& path = {});
void Unload_Library(LoadedLibrary& library);

// The library of this build, loaded once for the whole test program.
const LoadedLibrary& Library_Under_Test();

// Number of alarm beeps the library sounded so far in this process.
int Alarm_Count();

}  // namespace min_lumo_test

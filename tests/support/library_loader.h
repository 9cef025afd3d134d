// The build's own library as the scenario tests see it: loaded through the
// host kit (hostkit/module_loader.h) once for the whole test program, with
// its alarms counted, and what its message buffer held before any call.
#pragma once

#include <cstdint>
#include <string>

#include "hostkit/module_loader.h"

namespace min_lumo_test {

struct LoadedLibrary : min_lumo_kit::LibraryEntryPoints {
    std::string error;  // why loading failed; empty on success
    // What Get_Error_Message gave right after loading, into a buffer of 'x':
    // its result and the first two bytes of the buffer.
    int32_t firstMessageResult = 0;
    char firstMessageBytes[2] = {};
};

// The library of this build, loaded once for the whole test program.
const LoadedLibrary& Library_Under_Test();

// Number of alarm beeps the library sounded so far in this process.
using min_lumo_kit::Alarm_Count;

}  // namespace min_lumo_test

#include "tests/support/library_loader.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace min_lumo_test {

namespace {
int alarmCount = 0;
}

int Alarm_Count() { return alarmCount; }

#ifdef _WIN32

namespace {
// Redirects the module's import of USER32!MessageBeep to a counter, so tests
// can observe the alarm without a sound card.
BOOL WINAPI Counting_Message_Beep(UINT) {
    ++alarmCount;
    return TRUE;
}

void Hook_Message_Beep(HMODULE module) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return;
    auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; descriptor->Name != 0; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + descriptor->Name), "USER32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char*>(byName->Name), "MessageBeep") != 0) continue;
            DWORD oldProtection;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &oldProtection);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(&Counting_Message_Beep);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, oldProtection,
                           &oldProtection);
        }
    }
}
}  // namespace

LoadedLibrary Load_Library(const std::string& path) {
    LoadedLibrary library;
    const std::string file = path.empty() ? std::string(MIN_LUMO_LIBRARY_FILE) : path;
    HMODULE module = LoadLibraryA(file.c_str());
    if (module == nullptr) {
        library.error = "LoadLibrary failed for " + file;
        return library;
    }
    library.handle = module;
    library.minLumo = reinterpret_cast<DLL_Min_Lumo_Function>(
        reinterpret_cast<void*>(GetProcAddress(module, "_DLL_Min_Lumo@8")));
    library.fixBaselineDirection = reinterpret_cast<DLL_Fix_Baseline_Direction_Function>(
        reinterpret_cast<void*>(GetProcAddress(module, "_DLL_Fix_Baseline_Direction@4")));
    library.getErrorMessage = reinterpret_cast<Get_Error_Message_Function>(
        reinterpret_cast<void*>(GetProcAddress(module, "_Get_Error_Message@4")));
    if (!library.minLumo || !library.fixBaselineDirection || !library.getErrorMessage)
        library.error = "a decorated export is missing from " + file;
    Hook_Message_Beep(module);
    return library;
}

void Unload_Library(LoadedLibrary& library) {
    if (library.handle != nullptr) FreeLibrary(static_cast<HMODULE>(library.handle));
    library = LoadedLibrary{};
}

#else

LoadedLibrary Load_Library(const std::string& path) {
    LoadedLibrary library;
    const std::string file =
        path.empty() ? std::string(MIN_LUMO_LIBRARY_DIRECTORY "/" MIN_LUMO_LIBRARY_FILE) : path;
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        library.error = dlerror();
        return library;
    }
    library.handle = module;
    library.minLumo = reinterpret_cast<DLL_Min_Lumo_Function>(dlsym(module, "DLL_Min_Lumo"));
    library.fixBaselineDirection =
        reinterpret_cast<DLL_Fix_Baseline_Direction_Function>(dlsym(module, "DLL_Fix_Baseline_Direction"));
    library.getErrorMessage =
        reinterpret_cast<Get_Error_Message_Function>(dlsym(module, "Get_Error_Message"));
    if (!library.minLumo || !library.fixBaselineDirection || !library.getErrorMessage)
        library.error = "an export is missing from " + file;
    return library;
}

void Unload_Library(LoadedLibrary& library) {
    if (library.handle != nullptr) dlclose(library.handle);
    library = LoadedLibrary{};
}

#endif

namespace {
LoadedLibrary Load_And_Read_First_Message() {
    LoadedLibrary library = Load_Library();
    if (library.getErrorMessage != nullptr) {
        char buffer[4] = {'x', 'x', 'x', 'x'};
        library.firstMessageResult = library.getErrorMessage(buffer);
        library.firstMessageBytes[0] = buffer[0];
        library.firstMessageBytes[1] = buffer[1];
    }
    return library;
}
}  // namespace

const LoadedLibrary& Library_Under_Test() {
    static const LoadedLibrary library = Load_And_Read_First_Message();
    return library;
}

}  // namespace min_lumo_test

#ifndef _WIN32
// The library calls the host process's MessageBeep when one is defined; this
// test host counts the calls.
extern "C" __attribute__((visibility("default"))) int MessageBeep(unsigned int type) {
    if (type == 0) ++min_lumo_test::alarmCount;
    return 1;
}
#endif

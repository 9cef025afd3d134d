// Counting the library's alarm, so that tests can observe it without a
// sound card.  Kept apart from the loader: only programs that ask for the
// count link it, and only they define a MessageBeep of their own.
#include "hostkit/module_loader.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace min_lumo_kit {

namespace {
int alarmCount = 0;
}

int Alarm_Count() { return alarmCount; }

#ifdef _WIN32

namespace {

BOOL WINAPI Counting_Message_Beep(UINT) {
    ++alarmCount;
    return TRUE;
}

}  // namespace

void LoadedModule::Count_Alarms() const {
    auto* base = reinterpret_cast<unsigned char*>(handle_);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
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
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &oldProtection);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(&Counting_Message_Beep);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, oldProtection, &oldProtection);
        }
    }
}

#else

// The library's alarm reaches the program's MessageBeep; there is nothing
// to redirect.
void LoadedModule::Count_Alarms() const {}

#endif

}  // namespace min_lumo_kit

#ifndef _WIN32
// The library calls the host process's MessageBeep when one is defined; this
// one counts the calls.
extern "C" __attribute__((visibility("default"))) int MessageBeep(unsigned int type) {
    if (type == 0) ++min_lumo_kit::alarmCount;
    return 1;
}
#endif

#include "hostkit/module_loader.h"

#include <filesystem>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace min_lumo_kit {

namespace {

#ifdef _WIN32
void* Open_Module(const std::string& path) { return reinterpret_cast<void*>(LoadLibraryA(path.c_str())); }
void* Find_Entry(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
void Close_Module(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }
std::string Open_Error() { return "error " + std::to_string(GetLastError()); }
#else
void* Open_Module(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
void* Find_Entry(void* module, const char* name) { return dlsym(module, name); }
void Close_Module(void* module) { dlclose(module); }
std::string Open_Error() {
    const char* error = dlerror();
    return error != nullptr ? error : "unknown error";
}
#endif

template <typename Function> Function Entry(void* module, const char* name, const std::string& path) {
    void* address = Find_Entry(module, name);
    if (address == nullptr) throw std::runtime_error(path + " does not export " + name);
    return reinterpret_cast<Function>(address);
}

}  // namespace

std::string LibraryEntryPoints::Error_Message() const {
    char buffer[MIN_LUMO_MESSAGE_CAPACITY] = {};
    getErrorMessage(buffer);
    buffer[MIN_LUMO_MESSAGE_CAPACITY - 1] = '\0';
    return buffer;
}

std::filesystem::path Executable_Folder() {
#ifdef _WIN32
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::string(path, length)).parent_path();
#else
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
#endif
}

std::string Default_Library_Path() { return (Executable_Folder() / MIN_LUMO_LIBRARY_FILE).string(); }

LoadedModule::LoadedModule(const std::string& path) : path_(path.empty() ? Default_Library_Path() : path) {
    // A bare file name would make the loader search the system folders; a
    // relative path means the file the user named.
    std::string opened = path_;
    if (std::filesystem::path(opened).parent_path().empty()) opened = (std::filesystem::path(".") / opened).string();
    handle_ = Open_Module(opened);
    if (handle_ == nullptr) throw std::runtime_error("cannot load the library " + path_ + ": " + Open_Error());
    try {
        minLumo = Entry<DLL_Min_Lumo_Function>(handle_, MIN_LUMO_NAME_MIN_LUMO, path_);
        fixBaselineDirection =
            Entry<DLL_Fix_Baseline_Direction_Function>(handle_, MIN_LUMO_NAME_FIX_BASELINE_DIRECTION, path_);
        getErrorMessage = Entry<Get_Error_Message_Function>(handle_, MIN_LUMO_NAME_GET_ERROR_MESSAGE, path_);
    } catch (...) {
        Close_Module(handle_);
        throw;
    }
}

LoadedModule::~LoadedModule() { Close_Module(handle_); }

}  // namespace min_lumo_kit

#include "tests/support/library_loader.h"

#include <exception>

namespace min_lumo_test {

namespace {

LoadedLibrary Load_And_Read_First_Message() {
    LoadedLibrary library;
    try {
        // Never unloaded: the tests call into it until the program ends.
        static const min_lumo_kit::LoadedModule module(min_lumo_kit::Default_Library_Path());
        module.Count_Alarms();
        static_cast<min_lumo_kit::LibraryEntryPoints&>(library) = module;
    } catch (const std::exception& failure) {
        library.error = failure.what();
        return library;
    }
    char buffer[4] = {'x', 'x', 'x', 'x'};
    library.firstMessageResult = library.getErrorMessage(buffer);
    library.firstMessageBytes[0] = buffer[0];
    library.firstMessageBytes[1] = buffer[1];
    return library;
}

}  // namespace

const LoadedLibrary& Library_Under_Test() {
    static const LoadedLibrary library = Load_And_Read_First_Message();
    return library;
}

}  // namespace min_lumo_test

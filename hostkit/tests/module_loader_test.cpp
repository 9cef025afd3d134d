// Loading a build of the library by file name: the entry points under the
// platform's export names, and errors that name the file and what is missing.
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "hostkit/module_loader.h"

namespace min_lumo_kit {
namespace {

std::string Load_Error(const std::string& path) {
    try {
        const LoadedModule module(path);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

TEST(ModuleLoader, FindsTheThreeEntryPointsOfTheBuildsLibrary) {
    const LoadedModule module(Default_Library_Path());
    ASSERT_NE(module.minLumo, nullptr);
    ASSERT_NE(module.fixBaselineDirection, nullptr);
    ASSERT_NE(module.getErrorMessage, nullptr);
    EXPECT_EQ(module.Path(), Default_Library_Path());
    // The pointers are the library's: a call without sizes fails the
    // handshake and leaves its message.
    EXPECT_EQ(module.minLumo(nullptr, nullptr), 1);
    EXPECT_EQ(module.Error_Message().rfind("Invalid structure size in min_lumo.", 0), 0u) << module.Error_Message();
    EXPECT_EQ(module.fixBaselineDirection(nullptr), 0);
}

TEST(ModuleLoader, ErrorsNameTheFileAndWhatIsMissing) {
    const std::string missing = "no_such_module_here.so";
    EXPECT_NE(Load_Error(missing).find("cannot load the library " + missing), std::string::npos)
        << Load_Error(missing);
    const std::string other = MIN_LUMO_STUB_MODULE_FILE;
    EXPECT_EQ(Load_Error(other), other + " does not export " MIN_LUMO_NAME_MIN_LUMO);
}

}  // namespace
}  // namespace min_lumo_kit

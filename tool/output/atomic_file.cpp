#include "tool/output/atomic_file.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace min_lumo_tool {

void Write_File_Atomically(const std::string& path, const std::string& content) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) throw std::runtime_error("cannot write " + temporary.string());
        file << content;
        file.close();
        if (!file) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw std::runtime_error("cannot write " + temporary.string());
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw std::runtime_error("cannot rename " + temporary.string() + " to " + path + ": " + error.message());
    }
}

}  // namespace min_lumo_tool

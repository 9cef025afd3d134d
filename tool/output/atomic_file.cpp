#include "tool/output/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>
#include <system_error>

namespace min_lumo_tool {

namespace {

namespace fs = std::filesystem;

// Beside the target, so that the rename stays within one file system.
constexpr const char* newSuffix = ".tmp";
constexpr const char* oldSuffix = ".bak.tmp";

fs::path With_Suffix(const std::string& path, const char* suffix) {
    fs::path changed(path);
    changed += suffix;
    return changed;
}

void Remove_Quietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

[[noreturn]] void Fail(const std::string& path, const std::string& why) {
    throw OutputWriteError("cannot write " + path + ": " + why);
}

void Write_Temporary(const PendingOutput& output) {
    const fs::path temporary = With_Suffix(output.path, newSuffix);
    std::error_code error;
    if (fs::is_directory(output.path, error)) Fail(output.path, "it is a folder");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(temporary.string().c_str(), "wb"), &std::fclose);
    if (!file) Fail(output.path, std::strerror(errno));
    const bool written = std::fwrite(output.content.data(), 1, output.content.size(), file.get()) == output.content.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        const int why = written ? errno : writeErrno;
        Remove_Quietly(temporary);
        Fail(output.path, std::strerror(why));
    }
}

// Where one output stands while the set is put into place.
struct Placement {
    const PendingOutput* output;
    bool hadOld = false;  // an existing target was moved aside
    bool placed = false;  // the new file is in place
};

// Back to how things were: new files out, old ones back.  Best effort: a
// step that fails here leaves the rest to be undone still.
void Undo(std::vector<Placement>& placements) {
    for (auto it = placements.rbegin(); it != placements.rend(); ++it) {
        const std::string& path = it->output->path;
        if (it->placed) Remove_Quietly(path);
        if (it->hadOld) {
            std::error_code ignored;
            fs::rename(With_Suffix(path, oldSuffix), path, ignored);
        }
        if (!it->placed) Remove_Quietly(With_Suffix(path, newSuffix));
    }
}

}  // namespace

void Write_All_Or_None(const std::vector<PendingOutput>& outputs) {
    std::vector<const PendingOutput*> asked;
    std::set<std::string> targets;
    for (const PendingOutput& output : outputs) {
        if (output.path.empty()) continue;
        std::error_code error;
        const fs::path absolute = fs::absolute(output.path, error);
        const std::string key = (error ? fs::path(output.path) : absolute).lexically_normal().string();
        if (!targets.insert(key).second)
            throw std::invalid_argument(output.path + ": given for two outputs of one run; each needs its own file");
        asked.push_back(&output);
    }
    std::size_t written = 0;
    try {
        for (; written < asked.size(); ++written) Write_Temporary(*asked[written]);
    } catch (...) {
        for (std::size_t i = 0; i < written; ++i) Remove_Quietly(With_Suffix(asked[i]->path, newSuffix));
        throw;
    }
    std::vector<Placement> placements;
    for (const PendingOutput* output : asked) placements.push_back({output});
    for (Placement& placement : placements) {
        const std::string& path = placement.output->path;
        std::error_code error;
        if (fs::exists(fs::symlink_status(path, error))) {
            fs::rename(path, With_Suffix(path, oldSuffix), error);
            if (error) {
                Undo(placements);
                Fail(path, "cannot move the existing file aside: " + error.message());
            }
            placement.hadOld = true;
        }
        fs::rename(With_Suffix(path, newSuffix), path, error);
        if (error) {
            Undo(placements);
            Fail(path, error.message());
        }
        placement.placed = true;
    }
    for (const Placement& placement : placements)
        if (placement.hadOld) Remove_Quietly(With_Suffix(placement.output->path, oldSuffix));
}

void Write_File_Atomically(const std::string& path, const std::string& content) {
    Write_All_Or_None({{path, content}});
}

}  // namespace min_lumo_tool

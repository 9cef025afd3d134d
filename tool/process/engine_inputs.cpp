#include "tool/process/engine_inputs.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include <fmt/format.h>

#include "tool/field/line_reader.h"
#include "tool/field/occupation.h"
#include "tool/field/rinex_header.h"
#include "tool/process/child_processes.h"

namespace min_lumo_tool {

namespace {

namespace fs = std::filesystem;
using min_lumo_field::FieldFileError;
using min_lumo_field::LineReader;

constexpr std::size_t labelColumn = 60;
constexpr std::string_view endLabel = "END OF HEADER";
// The header lines that say which observations each epoch holds: files
// joined into one must agree on them.
constexpr std::string_view typesLabelVersion2 = "# / TYPES OF OBSERV", typesLabelVersion3 = "SYS / # / OBS TYPES";
constexpr std::string_view compactFormat = "Compact";

std::string_view Label(std::string_view line) {
    return line.size() > labelColumn ? min_lumo_field::Trimmed(line.substr(labelColumn)) : std::string_view();
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

OutputFile Open_Output(const std::string& path) { return OutputFile(std::fopen(path.c_str(), "wb")); }

bool Write_Line(std::FILE* out, std::string_view line) {
    return std::fwrite(line.data(), 1, line.size(), out) == line.size() && std::fputc('\n', out) != EOF;
}

}  // namespace

bool Compact_Unpacker_Available() { return !Find_Program("crx2rnx").empty(); }

EngineInputs::EngineInputs(std::string folder) : folder_(std::move(folder)) {}

std::string EngineInputs::New_Name(const std::string& file, const std::string& suffix) {
    std::string stem = fs::path(file).filename().string();
    for (const char* ending : {".gz", ".GZ", ".crx", ".CRX"})
        if (stem.size() > std::string(ending).size() && stem.compare(stem.size() - std::string(ending).size(),
                                                                     std::string::npos, ending) == 0)
            stem.erase(stem.size() - std::string(ending).size());
    return (fs::path(folder_) / fmt::format("{:03}_{}{}", ++count_, stem, suffix)).string();
}

PreparedInput EngineInputs::Unpacked(const std::string& file, const std::string& suffix) {
    PreparedInput prepared;
    const std::string target = New_Name(file, suffix);
    try {
        LineReader lines(file);
        OutputFile out = Open_Output(target);
        if (!out) return {"", fmt::format("cannot write {} for the engine", target)};
        std::string_view line;
        while (lines.Next(line))
            if (!Write_Line(out.get(), line)) return {"", fmt::format("cannot write {} for the engine", target)};
        if (!lines.Stream_Problem().empty())
            return {"", fmt::format("{}: the compressed data {}", file, lines.Stream_Problem())};
    } catch (const FieldFileError& error) {
        return {"", error.what()};
    }
    prepared.path = target;
    return prepared;
}

PreparedInput EngineInputs::Joined(const std::vector<std::string>& files) {
    const std::string target = New_Name(files.front(), ".joined.obs");
    OutputFile out = Open_Output(target);
    if (!out) return {"", fmt::format("cannot write {} for the engine", target)};
    std::vector<std::string> firstTypes;
    for (std::size_t i = 0; i < files.size(); ++i) {
        try {
            LineReader lines(files[i]);
            std::string_view line;
            std::vector<std::string> types;
            bool inHeader = true;
            while (lines.Next(line)) {
                if (inHeader) {
                    const std::string_view label = Label(line);
                    if (label == typesLabelVersion2 || label == typesLabelVersion3) types.emplace_back(line);
                    if (label == endLabel) {
                        inHeader = false;
                        if (i == 0) firstTypes = types;
                        else if (types != firstTypes)
                            return {"", fmt::format("{} and {} list different observation types, so they cannot be "
                                                    "read as one receiver's data; join them into one file first",
                                                    files.front(), files[i])};
                    }
                    if (i > 0) continue;
                }
                if (!Write_Line(out.get(), line)) return {"", fmt::format("cannot write {} for the engine", target)};
            }
            if (!lines.Stream_Problem().empty())
                return {"", fmt::format("{}: the compressed data {}", files[i], lines.Stream_Problem())};
        } catch (const FieldFileError& error) {
            return {"", error.what()};
        }
    }
    return {target, ""};
}

PreparedInput EngineInputs::Observation_File(const std::vector<std::string>& files,
                                             const std::vector<std::string>& formats) {
    if (files.empty()) return {"", "no receiver file holds data in the window"};
    std::string key;
    for (const std::string& file : files) key += file + "\n";
    const auto known = made_.find(key);
    if (known != made_.end()) return known->second;
    bool compact = false, packed = false;
    for (const std::string& format : formats) {
        compact = compact || format.find(compactFormat) != std::string::npos;
        // The reader names a file's compression after a comma ("RINEX 3.03, gzip").
        for (const min_lumo_field::Packing packing : {min_lumo_field::Packing::Gzip, min_lumo_field::Packing::Compress,
                                                      min_lumo_field::Packing::Bzip2, min_lumo_field::Packing::Xz,
                                                      min_lumo_field::Packing::Zip})
            packed = packed || format.find(std::string(", ") + min_lumo_field::Packing_Name(packing)) != std::string::npos;
    }
    PreparedInput prepared;
    if (compact) {
        if (files.size() > 1)
            prepared.problem = fmt::format("{} are Compact RINEX files of one receiver; unpack them (crx2rnx) and join "
                                           "them into one file first",
                                           fmt::format("{} to {}", files.front(), files.back()));
        else if (!Compact_Unpacker_Available())
            prepared.problem = fmt::format("{} is Compact RINEX (Hatanaka), which the engine reads only through "
                                           "crx2rnx on the PATH: install it or unpack the file first",
                                           files.front());
        else
            prepared = Unpacked(files.front(), ".crx");
    } else if (files.size() > 1) {
        prepared = Joined(files);
    } else if (packed) {
        prepared = Unpacked(files.front(), ".obs");
    } else {
        prepared.path = files.front();
    }
    made_.emplace(key, prepared);
    return prepared;
}

PreparedInput EngineInputs::Navigation_File(const std::string& file, bool packed) {
    if (!packed) return {file, ""};
    const std::string key = "navigation\n" + file;
    const auto known = made_.find(key);
    if (known != made_.end()) return known->second;
    // RTKLIB tells a navigation file by its content, but a compressed one
    // by its name; unpacked, any name does.
    PreparedInput prepared = Unpacked(file, ".nav");
    made_.emplace(key, prepared);
    return prepared;
}

}  // namespace min_lumo_tool

// The files an engine run reads, made ready for it: one plain RINEX file
// per receiver end.  RTKLIB reads a receiver's data from one file and tells
// compression by the file name (and unpacks it with external programs), so
// the tool unpacks gzip itself (zlib, as the field reader does), joins the
// files of a receiver that ran through several (hourly files of a
// reference station) and hands Compact RINEX on under a name the engine
// knows, for its crx2rnx to unpack.  Each prepared file is made once.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace min_lumo_tool {

struct PreparedInput {
    std::string path;     // what the engine reads; empty when it cannot be prepared
    std::string problem;  // why not, in words naming the files
};

class EngineInputs {
public:
    // Prepared files go into `folder`, which must exist.
    explicit EngineInputs(std::string folder);

    // The receiver's files (paths as given, in time order) and their
    // formats as the field reader named them.
    PreparedInput Observation_File(const std::vector<std::string>& files, const std::vector<std::string>& formats);

    // A navigation file: as it is, or unpacked when compressed.
    PreparedInput Navigation_File(const std::string& file, bool packed);

private:
    PreparedInput Unpacked(const std::string& file, const std::string& suffix);
    PreparedInput Joined(const std::vector<std::string>& files);
    std::string New_Name(const std::string& file, const std::string& suffix);

    std::string folder_;
    std::map<std::string, PreparedInput> made_;
    int32_t count_ = 0;
};

// Whether the engine's unpacker of Compact RINEX (crx2rnx) is on the PATH.
bool Compact_Unpacker_Available();

}  // namespace min_lumo_tool

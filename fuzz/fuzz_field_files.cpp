// Fuzz target for the field-file readers: the input is the contents of a
// receiver file (or of an occupation log).  Nothing may crash; the only
// exception allowed is FieldFileError, naming the file; an occupation read
// must make sense (times in order, a count for every epoch, positions on the
// globe, warnings naming the file, damage with its line); and the same
// bytes gzip-compressed must read exactly alike, errors and damage
// included.  Inputs that are packed already (gzip, Unix compress, bzip2,
// xz, zip: the seeds hold one of each) go through their decompression.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <zlib.h>

#include "tool/field/occupation_log.h"
#include "tool/field/rinex_reader.h"

namespace {

using namespace min_lumo_field;

const std::string fileName = "field.obs";

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_field_files: %s\n", what.c_str());
    std::abort();
}

std::string Gzip(std::string_view text) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) Fail("deflateInit2");
    std::string packed(deflateBound(&stream, static_cast<uLong>(text.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) Fail("deflate");
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    return packed;
}

// Bytes that the reader takes for a compressed file of its own.
bool Looks_Compressed(std::string_view bytes) {
    for (const std::string_view magic : {std::string_view("\x1f\x8b", 2), std::string_view("\x1f\x9d", 2),
                                         std::string_view("PK\x03\x04", 4), std::string_view("BZh", 3),
                                         std::string_view("\xfd" "7zXZ", 5), std::string_view("\x28\xb5\x2f\xfd", 4)})
        if (bytes.substr(0, magic.size()) == magic) return true;
    return false;
}

void Check_Names_File(const std::string& text, const char* what) {
    if (text.rfind(fileName + ":", 0) != 0) Fail(std::string(what) + " does not name the file: " + text);
}

// A log line states its start and end instead of epochs.
void Check_Occupation(const Occupation& occupation, bool fromLog) {
    if (occupation.file != fileName) Fail("the occupation's file is " + occupation.file);
    if (occupation.station.empty()) Fail("an occupation without a station");
    for (const std::string& warning : occupation.warnings) Check_Names_File(warning, "a warning");
    if (occupation.damageLine < 0 || (occupation.damage.empty() && occupation.damageLine != 0))
        Fail("damage without its reason, or a line before the first");
    if (fromLog ? !occupation.hasEpochs || occupation.epochCount != 0 : occupation.hasEpochs != (occupation.epochCount > 0))
        Fail("hasEpochs disagrees with epochCount");
    if (!std::isfinite(occupation.firstGps) || !std::isfinite(occupation.lastGps) || occupation.firstGps > occupation.lastGps)
        Fail("first and last epoch out of order or not finite");
    if (occupation.positionKnown
        && (!std::isfinite(occupation.latitude) || std::fabs(occupation.latitude) > 90.0
            || !std::isfinite(occupation.longitude) || std::fabs(occupation.longitude) > 180.0
            || !std::isfinite(occupation.height)))
        Fail("a known position off the globe");
}

// What a read gives, reduced to what must not depend on the compression.
struct Outcome {
    bool failed = false;
    std::string error;
    Occupation occupation;
};

Outcome Read(std::string_view bytes) {
    Outcome outcome;
    try {
        outcome.occupation = Read_Occupation_From_Memory(fileName, bytes);
        Check_Occupation(outcome.occupation, false);
    } catch (const FieldFileError& error) {
        Check_Names_File(error.what(), "an error");
        if (error.file != fileName || error.line < 0 || error.reason.empty()) Fail("an error without its parts");
        outcome.failed = true;
        outcome.error = error.what();
    }
    return outcome;
}

void Compare(const Outcome& plain, const Outcome& packed) {
    if (plain.failed != packed.failed) Fail("plain and gzip disagree on failing: " + plain.error + " / " + packed.error);
    if (plain.failed) {
        if (plain.error != packed.error) Fail("plain and gzip fail differently: " + plain.error + " / " + packed.error);
        return;
    }
    const Occupation& a = plain.occupation;
    const Occupation& b = packed.occupation;
    if (a.station != b.station || a.receiver != b.receiver || a.positionKnown != b.positionKnown || a.x != b.x
        || a.epochCount != b.epochCount || a.firstGps != b.firstGps || a.lastGps != b.lastGps
        || b.format != a.format + ", gzip" || a.warnings != b.warnings || a.damage != b.damage
        || a.damageLine != b.damageLine)
        Fail("plain and gzip read differently");
}

void Read_Log(std::string_view bytes) {
    try {
        for (const Occupation& occupation : Read_Occupation_Log_From_Memory(fileName, bytes)) Check_Occupation(occupation, true);
    } catch (const FieldFileError& error) {
        Check_Names_File(error.what(), "a log error");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Outcome plain = Read(bytes);
    if (!Looks_Compressed(bytes)) Compare(plain, Read(Gzip(bytes)));
    Read_Log(bytes);
    return 0;
}

#include "tool/field/line_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <zlib.h>

#include <fmt/format.h>
#if MIN_LUMO_HAVE_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#endif

#include "tool/field/occupation.h"

namespace min_lumo_field {

namespace {

// One read of the disk or of the decompression fills at most this much;
// the longest line kept is the same (RINEX lines are a few hundred bytes).
constexpr std::size_t lineBufferBytes = std::size_t{1} << 20;
constexpr std::size_t rawBufferBytes = std::size_t{256} << 10;
// Enough leading bytes to tell every packing below apart.
constexpr std::size_t magicBytes = 6;
// zlib: a 32 KiB window, and +16 to read gzip framing only.
constexpr int gzipWindowBits = 15 + 16;

bool Starts_With(const char* bytes, std::size_t size, std::string_view magic) {
    return size >= magic.size() && std::memcmp(bytes, magic.data(), magic.size()) == 0;
}

// The packing the first bytes announce (the magic numbers of each format).
Packing Packing_Of(const char* bytes, std::size_t size) {
    if (Starts_With(bytes, size, "\x1f\x8b")) return Packing::Gzip;
    if (Starts_With(bytes, size, "\x1f\x9d")) return Packing::Compress;
    if (Starts_With(bytes, size, "BZh")) return Packing::Bzip2;
    if (Starts_With(bytes, size, "\xfd" "7zXZ")) return Packing::Xz;
    if (Starts_With(bytes, size, "PK\x03\x04")) return Packing::Zip;
    return Packing::None;
}

// How to unpack each by hand, for the refusal where this build cannot.
const char* Unpack_Command(Packing packing) {
    switch (packing) {
    case Packing::Compress: return "uncompress, or gzip -d";
    case Packing::Bzip2: return "bzip2 -d";
    case Packing::Xz: return "xz -d";
    case Packing::Zip: return "unzip";
    case Packing::None:
    case Packing::Gzip: break;
    }
    return "";
}

// The buffers of the last reader of this thread, for the next one: a
// campaign's thousand files then cost one allocation of each.
struct BufferPool {
    std::unique_ptr<char[]> raw, line;
};
thread_local BufferPool bufferPool;

std::unique_ptr<char[]> Pooled(std::unique_ptr<char[]>& kept, std::size_t size) {
    if (kept) return std::move(kept);
    // Not zero-filled: every byte is written before it is read.
    return std::unique_ptr<char[]>(new char[size]);
}

}  // namespace

const char* Packing_Name(Packing packing) {
    switch (packing) {
    case Packing::None: return "";
    case Packing::Gzip: return "gzip";
    case Packing::Compress: return "Unix compress";
    case Packing::Bzip2: return "bzip2";
    case Packing::Xz: return "xz";
    case Packing::Zip: return "zip";
    }
    return "";
}

bool Reads_Packing(Packing packing) {
    if (packing == Packing::None || packing == Packing::Gzip) return true;
    return MIN_LUMO_HAVE_LIBARCHIVE != 0;
}

struct LineReader::Inflater {
    z_stream stream{};
    bool initialised = false;
    bool memberEnded = false;
    bool finished = false;
    ~Inflater() {
        if (initialised) inflateEnd(&stream);
    }
};

#if MIN_LUMO_HAVE_LIBARCHIVE
// libarchive reads the raw bytes through Feed, from the reader's own raw
// buffer: the bytes read ahead to tell the packing come first.
struct LineReader::Unarchiver {
    archive* handle = nullptr;
    bool finished = false;
    std::string readError;  // the file could not be read (not a fault of its data)
    ~Unarchiver() {
        if (handle != nullptr) archive_read_free(handle);
    }

    static la_ssize_t Feed(archive* handle, void* client, const void** block) {
        LineReader& reader = *static_cast<LineReader*>(client);
        try {
            if (reader.rawBegin_ == reader.rawEnd_ && !reader.Refill_Raw()) return 0;
        } catch (const FieldFileError& error) {
            reader.unarchiver_->readError = error.reason;
            archive_set_error(handle, EIO, "%s", error.reason.c_str());
            return ARCHIVE_FATAL;
        }
        *block = reader.raw_.get() + reader.rawBegin_;
        const std::size_t size = reader.rawEnd_ - reader.rawBegin_;
        reader.rawBegin_ = reader.rawEnd_;
        return static_cast<la_ssize_t>(size);
    }

    std::string Error() const {
        const char* text = archive_error_string(handle);
        return text != nullptr ? text : "libarchive error";
    }

    std::string Damage_Text(Packing packing) const {
        return fmt::format("the {} data ends early or is damaged (file cut short?): {}", Packing_Name(packing), Error());
    }

    // The next entry that is a file (a zip archive may list folders first);
    // false at the end of the archive.
    bool Next_File(const LineReader& reader) {
        for (;;) {
            archive_entry* entry = nullptr;
            const int result = archive_read_next_header(handle, &entry);
            if (result == ARCHIVE_EOF) return false;
            if (result < ARCHIVE_WARN) {
                if (!readError.empty()) reader.Refuse("cannot be read: " + readError);
                // libarchive unpacks ahead to find an entry: a cut shows here.
                throw DamagedFieldFile(reader.name_, 0, Damage_Text(reader.packing_));
            }
            if (archive_entry_filetype(entry) != AE_IFDIR) return true;
        }
    }
};
#else
struct LineReader::Unarchiver {};
#endif

LineReader::LineReader(const std::string& path) : name_(path) {
    // A folder is told when it cannot be opened or read as a file (one call
    // less for each of a campaign's files).
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        const int why = errno;
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) Refuse("is a folder, not a file");
        Refuse(std::string("cannot be opened: ") + std::strerror(why));
    }
    // A refusal from here on leaves no destructor to close the file, which
    // Windows would then keep locked (a folder could not be cleared).
    try {
        Start();
    } catch (...) {
        std::fclose(file_);
        file_ = nullptr;
        throw;
    }
}

LineReader::LineReader(const std::string& name, std::string_view bytes) : name_(name), memory_(bytes) { Start(); }

LineReader::~LineReader() {
    if (file_ != nullptr) std::fclose(file_);
    if (pooled_) {
        if (!bufferPool.raw) bufferPool.raw = std::move(raw_);
        if (!bufferPool.line) bufferPool.line = std::move(buffer_);
    }
}

void LineReader::Refuse(const std::string& why) const { throw FieldFileError(name_, 0, why); }

void LineReader::Start() {
    // A file's reader takes the buffers of the last one.  Its first bytes go
    // straight into the line buffer: for a plain file, the common case, they
    // are the text, read once and never copied.
    const bool inMemory = file_ == nullptr;
    pooled_ = !inMemory;
    const char* first = memory_.data();
    std::size_t size = memory_.size();
    if (!inMemory) {
        capacity_ = lineBufferBytes;
        buffer_ = Pooled(bufferPool.line, capacity_);
        end_ = Read_Raw(buffer_.get(), rawBufferBytes);
        first = buffer_.get();
        size = end_;
    }
    if (Starts_With(first, size, "\x28\xb5\x2f\xfd"))
        Refuse("is compressed with zstd, which is not read here; unpack it first (zstd -d)");
    packing_ = Packing_Of(first, size);
    if (!Reads_Packing(packing_))
        Refuse(fmt::format("is compressed with {}, which this build does not read (it reads gzip and plain files); "
                           "unpack it first ({}), or plan it with the Linux build",
                           Packing_Name(packing_), Unpack_Command(packing_)));
    const bool packed = packing_ != Packing::None;
    if (inMemory) {
        // Bytes in memory need no more room than they take (a line of them
        // fits whole either way).
        capacity_ = packed ? lineBufferBytes : std::min(lineBufferBytes, memory_.size() + 1);
        buffer_.reset(new char[capacity_]);
    }
    if (!packed) return;
    // The packed bytes are the decompression's input, in the raw buffer.
    rawCapacity_ = inMemory ? std::min(rawBufferBytes, memory_.size() + magicBytes) : rawBufferBytes;
    raw_ = inMemory ? std::unique_ptr<char[]>(new char[rawCapacity_]) : Pooled(bufferPool.raw, rawCapacity_);
    if (!inMemory) {
        std::memcpy(raw_.get(), buffer_.get(), end_);
        rawEnd_ = end_;
        end_ = 0;
    }
    if (packing_ == Packing::Gzip) {
        inflater_ = std::make_unique<Inflater>();
        if (inflateInit2(&inflater_->stream, gzipWindowBits) != Z_OK) Refuse("cannot start the gzip decompression");
        inflater_->initialised = true;
    } else {
        Start_Unarchiver();
    }
}

#if MIN_LUMO_HAVE_LIBARCHIVE
void LineReader::Start_Unarchiver() {
    unarchiver_ = std::make_unique<Unarchiver>();
    archive* handle = unarchiver_->handle = archive_read_new();
    if (handle == nullptr) Refuse("cannot start libarchive");
    // Only what the first bytes announced: the raw format would take
    // anything, a zip archive is read as one.
    switch (packing_) {
    case Packing::Compress: archive_read_support_filter_compress(handle); break;
    case Packing::Bzip2: archive_read_support_filter_bzip2(handle); break;
    case Packing::Xz: archive_read_support_filter_xz(handle); break;
    case Packing::Zip:
    case Packing::None:
    case Packing::Gzip: break;
    }
    if (packing_ == Packing::Zip) archive_read_support_format_zip_streamable(handle);
    else archive_read_support_format_raw(handle);
    // libarchive unpacks the first block already to be sure of the format:
    // a cut there shows here.
    if (archive_read_open(handle, this, nullptr, &Unarchiver::Feed, nullptr) != ARCHIVE_OK) {
        if (!unarchiver_->readError.empty()) Refuse("cannot be read: " + unarchiver_->readError);
        throw DamagedFieldFile(name_, 0, unarchiver_->Damage_Text(packing_));
    }
    if (!unarchiver_->Next_File(*this)) Refuse("is a zip archive without a file in it");
    // Where the packing's own header is broken, no filter takes the data and
    // the raw format would pass the packed bytes on as they are.
    if (packing_ != Packing::Zip) {
        const int expected = packing_ == Packing::Compress ? ARCHIVE_FILTER_COMPRESS
                             : packing_ == Packing::Bzip2  ? ARCHIVE_FILTER_BZIP2
                                                           : ARCHIVE_FILTER_XZ;
        bool unpacked = false;
        for (int i = 0; i < archive_filter_count(handle); ++i) unpacked = unpacked || archive_filter_code(handle, i) == expected;
        if (!unpacked)
            throw DamagedFieldFile(name_, 0, fmt::format("the {} data is damaged (file cut short?): its header is not "
                                                         "valid", Packing_Name(packing_)));
    }
}

std::size_t LineReader::Unarchive(char* into, std::size_t capacity) {
    Unarchiver& unarchiver = *unarchiver_;
    if (unarchiver.finished || !streamProblem_.empty()) return 0;
    const la_ssize_t count = archive_read_data(unarchiver.handle, into, capacity);
    if (count > 0) return static_cast<std::size_t>(count);
    unarchiver.finished = true;
    if (count < 0) {
        if (!unarchiver.readError.empty()) Refuse("cannot be read: " + unarchiver.readError);
        streamProblem_ = unarchiver.Damage_Text(packing_);
        return 0;
    }
    // One RINEX file a zip archive: a second one would be planned unseen.
    if (packing_ == Packing::Zip && unarchiver.Next_File(*this))
        Refuse("is a zip archive of more than one file; unzip it and give its files");
    return 0;
}
#else
void LineReader::Start_Unarchiver() {}
std::size_t LineReader::Unarchive(char*, std::size_t) { return 0; }
#endif

std::size_t LineReader::Read_Raw(char* into, std::size_t capacity) {
    if (file_ == nullptr) {
        const std::size_t count = std::min(capacity, memory_.size() - memoryPosition_);
        if (count > 0) std::memcpy(into, memory_.data() + memoryPosition_, count);
        memoryPosition_ += count;
        return count;
    }
    const std::size_t count = std::fread(into, 1, capacity, file_);
    if (count < capacity && std::ferror(file_)) {
        // Linux opens a folder as a file and refuses only to read it.
        if (errno == EISDIR) Refuse("is a folder, not a file");
        Refuse(std::string("cannot be read: ") + std::strerror(errno));
    }
    return count;
}

// Appends raw bytes after those not yet used; false when none came.
bool LineReader::Refill_Raw() {
    if (rawEnded_) return false;
    if (rawBegin_ > 0) {
        std::memmove(raw_.get(), raw_.get() + rawBegin_, rawEnd_ - rawBegin_);
        rawEnd_ -= rawBegin_;
        rawBegin_ = 0;
    }
    if (rawEnd_ == rawCapacity_) return true;
    const std::size_t count = Read_Raw(raw_.get() + rawEnd_, rawCapacity_ - rawEnd_);
    if (count == 0) rawEnded_ = true;
    rawEnd_ += count;
    return count > 0;
}

std::size_t LineReader::Read_Text(char* into, std::size_t capacity) {
    if (packing_ == Packing::Gzip) return Inflate(into, capacity);
    if (packing_ != Packing::None) return Unarchive(into, capacity);
    return Read_Raw(into, capacity);
}

std::size_t LineReader::Inflate(char* into, std::size_t capacity) {
    z_stream& stream = inflater_->stream;
    std::size_t produced = 0;
    while (produced < capacity && streamProblem_.empty() && !inflater_->finished) {
        if (inflater_->memberEnded) {
            // Several gzip members in a row read as one text, as gzip -d reads them.
            while (rawEnd_ - rawBegin_ < 2 && Refill_Raw()) {
            }
            const std::size_t left = rawEnd_ - rawBegin_;
            if (left == 0) {
                inflater_->finished = true;
                break;
            }
            if (!Starts_With(raw_.get() + rawBegin_, left, "\x1f\x8b")) {
                trailingBytes_ = true;
                inflater_->finished = true;
                break;
            }
            inflateReset(&stream);
            inflater_->memberEnded = false;
        }
        if (rawBegin_ == rawEnd_ && !Refill_Raw()) {
            streamProblem_ = "the gzip data ends early (file cut short?)";
            break;
        }
        stream.next_in = reinterpret_cast<Bytef*>(raw_.get() + rawBegin_);
        stream.avail_in = static_cast<uInt>(rawEnd_ - rawBegin_);
        stream.next_out = reinterpret_cast<Bytef*>(into + produced);
        stream.avail_out = static_cast<uInt>(capacity - produced);
        const int result = inflate(&stream, Z_NO_FLUSH);
        rawBegin_ = rawEnd_ - stream.avail_in;
        produced = capacity - stream.avail_out;
        if (result == Z_STREAM_END) {
            inflater_->memberEnded = true;
        } else if (result == Z_BUF_ERROR) {
            // No progress without more input, which the loop fetches; with
            // input and room left it cannot happen on sound data.
            if (rawBegin_ != rawEnd_) streamProblem_ = "the gzip data is damaged";
        } else if (result != Z_OK) {
            streamProblem_ = std::string("the gzip data is damaged (") + (stream.msg ? stream.msg : "zlib error") + ")";
        }
    }
    return produced;
}

bool LineReader::Next(std::string_view& line) {
    for (;;) {
        char* start = buffer_.get() + begin_;
        const std::size_t available = end_ - begin_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', available));
        if (discardingTail_) {
            // The rest of a line longer than the buffer.
            if (newline != nullptr) {
                begin_ += static_cast<std::size_t>(newline - start) + 1;
                discardingTail_ = false;
                continue;
            }
            begin_ = end_;
        } else if (newline != nullptr) {
            std::size_t length = static_cast<std::size_t>(newline - start);
            begin_ += length + 1;
            if (length > 0 && start[length - 1] == '\r') --length;
            line = std::string_view(start, length);
            ++lineNumber_;
            unterminated_ = false;
            return true;
        } else if (textEnded_) {
            if (available == 0) return false;
            std::size_t length = available;
            if (start[length - 1] == '\r') --length;
            begin_ = end_;
            line = std::string_view(start, length);
            ++lineNumber_;
            unterminated_ = true;
            return true;
        } else if (available == capacity_) {
            begin_ = end_;
            line = std::string_view(start, available);
            ++lineNumber_;
            unterminated_ = false;
            discardingTail_ = true;
            return true;
        }
        if (textEnded_) return false;
        // The first lines leave the buffer: no rewinding to them any more.
        if (begin_ > 0) bufferFromStart_ = false;
        const std::size_t kept = end_ - begin_;
        if (kept > 0 && begin_ > 0) std::memmove(buffer_.get(), buffer_.get() + begin_, kept);
        begin_ = 0;
        end_ = kept;
        const std::size_t count = Read_Text(buffer_.get() + end_, capacity_ - end_);
        if (count == 0) textEnded_ = true;
        end_ += count;
    }
}

bool LineReader::Rewind() {
    if (!bufferFromStart_) return false;
    begin_ = 0;
    lineNumber_ = 0;
    discardingTail_ = false;
    unterminated_ = false;
    return true;
}

}  // namespace min_lumo_field

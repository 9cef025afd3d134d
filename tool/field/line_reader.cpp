#include "tool/field/line_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <zlib.h>

#include "tool/field/occupation.h"

namespace min_lumo_field {

namespace {

// One read of the disk or of the inflater fills at most this much; the
// longest line kept is the same (RINEX lines are a few hundred bytes).
constexpr std::size_t lineBufferBytes = std::size_t{1} << 20;
constexpr std::size_t rawBufferBytes = std::size_t{256} << 10;
// Enough leading bytes to tell every compression format below apart.
constexpr std::size_t magicBytes = 6;
// zlib: a 32 KiB window, and +16 to read gzip framing only.
constexpr int gzipWindowBits = 15 + 16;

bool Starts_With(const char* bytes, std::size_t size, std::string_view magic) {
    return size >= magic.size() && std::memcmp(bytes, magic.data(), magic.size()) == 0;
}

}  // namespace

struct LineReader::Inflater {
    z_stream stream{};
    bool initialised = false;
    bool memberEnded = false;
    bool finished = false;
    ~Inflater() {
        if (initialised) inflateEnd(&stream);
    }
};

LineReader::LineReader(const std::string& path) : name_(path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) Refuse("is a folder, not a file");
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) Refuse(std::string("cannot be opened: ") + std::strerror(errno));
    Start();
}

LineReader::LineReader(const std::string& name, std::string_view bytes) : name_(name), memory_(bytes) { Start(); }

LineReader::~LineReader() {
    if (file_ != nullptr) std::fclose(file_);
}

void LineReader::Refuse(const std::string& why) const { throw FieldFileError(name_, 0, why); }

void LineReader::Start() {
    // Bytes in memory need no more room than they take (a line of them fits
    // whole either way).
    const bool inMemory = file_ == nullptr;
    rawCapacity_ = inMemory ? std::min(rawBufferBytes, memory_.size() + magicBytes) : rawBufferBytes;
    raw_.reset(new char[rawCapacity_]);
    while (rawEnd_ < magicBytes && Refill_Raw()) {
    }
    const char* first = raw_.get();
    const std::size_t size = rawEnd_;
    if (Starts_With(first, size, "\x1f\x9d")) Refuse("is compressed with Unix compress (.Z), which is not read here; uncompress it first");
    if (Starts_With(first, size, "PK\x03\x04")) Refuse("is a zip archive, which is not read here; unzip it first");
    if (Starts_With(first, size, "BZh")) Refuse("is compressed with bzip2, which is not read here; use gzip or none");
    if (Starts_With(first, size, "\xfd" "7zXZ")) Refuse("is compressed with xz, which is not read here; use gzip or none");
    if (Starts_With(first, size, "\x28\xb5\x2f\xfd")) Refuse("is compressed with zstd, which is not read here; use gzip or none");
    if (Starts_With(first, size, "\x1f\x8b")) {
        inflater_ = std::make_unique<Inflater>();
        if (inflateInit2(&inflater_->stream, gzipWindowBits) != Z_OK) Refuse("cannot start the gzip decompression");
        inflater_->initialised = true;
    }
    capacity_ = inMemory && !Gzip() ? std::min(lineBufferBytes, memory_.size() + 1) : lineBufferBytes;
    buffer_.reset(new char[capacity_]);
}

std::size_t LineReader::Read_Raw(char* into, std::size_t capacity) {
    if (file_ == nullptr) {
        const std::size_t count = std::min(capacity, memory_.size() - memoryPosition_);
        if (count > 0) std::memcpy(into, memory_.data() + memoryPosition_, count);
        memoryPosition_ += count;
        return count;
    }
    const std::size_t count = std::fread(into, 1, capacity, file_);
    if (count < capacity && std::ferror(file_)) Refuse(std::string("cannot be read: ") + std::strerror(errno));
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
    if (Gzip()) return Inflate(into, capacity);
    // The bytes read ahead to tell the compression come first.
    if (rawBegin_ < rawEnd_) {
        const std::size_t count = std::min(capacity, rawEnd_ - rawBegin_);
        std::memcpy(into, raw_.get() + rawBegin_, count);
        rawBegin_ += count;
        return count;
    }
    return rawEnded_ ? 0 : Read_Raw(into, capacity);
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
                streamProblem_ = "bytes after the end of the compressed data were ignored";
                break;
            }
            inflateReset(&stream);
            inflater_->memberEnded = false;
        }
        if (rawBegin_ == rawEnd_ && !Refill_Raw()) {
            streamProblem_ = "the compressed data ends early (file cut short?)";
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
            if (rawBegin_ != rawEnd_) streamProblem_ = "the compressed data is damaged";
        } else if (result != Z_OK) {
            streamProblem_ = std::string("the compressed data is damaged (") + (stream.msg ? stream.msg : "zlib error") + ")";
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
        const std::size_t kept = end_ - begin_;
        if (kept > 0 && begin_ > 0) std::memmove(buffer_.get(), buffer_.get() + begin_, kept);
        begin_ = 0;
        end_ = kept;
        const std::size_t count = Read_Text(buffer_.get() + end_, capacity_ - end_);
        if (count == 0) textEnded_ = true;
        end_ += count;
    }
}

}  // namespace min_lumo_field

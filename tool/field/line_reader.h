// The lines of a field file, plain or gzip-compressed, read through one
// fixed buffer: a file is never held in memory whole.  Compression is told
// by the first bytes, not by the name; the kinds that are met in the field
// but not read here (.Z, .zip, .bz2, .xz, .zst) are refused by name.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace min_lumo_field {

class LineReader {
public:
    // A file; throws FieldFileError when it cannot be opened or read, is a
    // folder, or is compressed in a way not supported.
    explicit LineReader(const std::string& path);
    // Bytes already in memory, known by `name` in messages; `bytes` must
    // outlive the reader.
    LineReader(const std::string& name, std::string_view bytes);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line without its line end (LF or CR LF), valid until the next
    // call; false at the end of the data.  A line longer than the buffer is
    // cut short, and the rest of it skipped.
    bool Next(std::string_view& line);
    // The number of the line last returned, from 1.
    int64_t Line_Number() const { return lineNumber_; }
    // The line last returned ended the data without a line end: the file was
    // probably cut inside it.
    bool Line_Unterminated() const { return unterminated_; }
    // The data is gzip-compressed, as its first bytes tell.
    bool Gzip() const { return inflater_ != nullptr; }
    const std::string& Name() const { return name_; }
    // What went wrong in the compressed data, if anything (it ends early, is
    // damaged, or is followed by other bytes); the lines before it are good.
    const std::string& Stream_Problem() const { return streamProblem_; }

private:
    struct Inflater;

    void Start();
    std::size_t Read_Raw(char* into, std::size_t capacity);
    std::size_t Read_Text(char* into, std::size_t capacity);
    std::size_t Inflate(char* into, std::size_t capacity);
    bool Refill_Raw();
    void Refuse(const std::string& why) const;

    std::string name_;
    std::FILE* file_ = nullptr;
    std::string_view memory_;
    std::size_t memoryPosition_ = 0;

    // Raw bytes read ahead: the first ones to tell the compression, and the
    // input of the inflater.
    // Not zero-filled: a reader is made for every file of a campaign.
    std::unique_ptr<char[]> raw_;
    std::size_t rawCapacity_ = 0;
    std::size_t rawBegin_ = 0, rawEnd_ = 0;
    bool rawEnded_ = false;
    std::unique_ptr<Inflater> inflater_;
    std::string streamProblem_;

    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0, end_ = 0;
    bool textEnded_ = false;
    bool discardingTail_ = false;
    int64_t lineNumber_ = 0;
    bool unterminated_ = false;
};

}  // namespace min_lumo_field

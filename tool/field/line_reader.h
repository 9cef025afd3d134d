// The lines of a field file, plain or compressed, read through one buffer:
// a file is never held in memory whole, and the buffers are reused from one
// file to the next.  Compression is told by the first bytes, not by the
// name: gzip is read with zlib in every build; Unix compress (.Z), bzip2,
// xz and a zip archive of one file are read with libarchive where the build
// has it (Linux), and refused by name where it has not (Windows); zstd is
// refused everywhere.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace min_lumo_field {

// How the bytes of a field file are packed.
enum class Packing { None, Gzip, Compress, Bzip2, Xz, Zip };

// The name of a packing as the format column shows it ("gzip", "zip" ...);
// empty for None.
const char* Packing_Name(Packing packing);

// True when this build reads the packing (libarchive's kinds only on Linux).
bool Reads_Packing(Packing packing);

class LineReader {
public:
    // A file; throws FieldFileError when it cannot be opened or read, is a
    // folder, or is packed in a way this build does not read.
    explicit LineReader(const std::string& path);
    // Bytes already in memory, known by `name` in messages; `bytes` must
    // outlive the reader.
    LineReader(const std::string& name, std::string_view bytes);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line without its line end (LF or CR LF), valid until the next
    // call; false at the end of the data.  A line longer than the buffer is
    // cut short, and the rest of it skipped.  Throws FieldFileError when a
    // zip archive turns out to hold more than one file.
    bool Next(std::string_view& line);
    // Back to the first line, when the lines read so far are all still in
    // the buffer (a few lines looked at to tell what the file is); false
    // otherwise, and nothing changes.
    bool Rewind();
    // The number of the line last returned, from 1.
    int64_t Line_Number() const { return lineNumber_; }
    // The line last returned ended the data without a line end: the file was
    // probably cut inside it.
    bool Line_Unterminated() const { return unterminated_; }
    Packing Packed() const { return packing_; }
    const std::string& Name() const { return name_; }
    // What went wrong in the compressed data, if anything: it ends early or
    // is damaged (the lines before it are good).
    const std::string& Stream_Problem() const { return streamProblem_; }
    // Bytes after the end of the compressed data, which were not read.
    bool Trailing_Bytes() const { return trailingBytes_; }

private:
    struct Inflater;
    struct Unarchiver;

    void Start();
    std::size_t Read_Raw(char* into, std::size_t capacity);
    std::size_t Read_Text(char* into, std::size_t capacity);
    std::size_t Inflate(char* into, std::size_t capacity);
    std::size_t Unarchive(char* into, std::size_t capacity);
    void Start_Unarchiver();
    bool Refill_Raw();
    [[noreturn]] void Refuse(const std::string& why) const;

    std::string name_;
    std::FILE* file_ = nullptr;
    std::string_view memory_;
    std::size_t memoryPosition_ = 0;
    Packing packing_ = Packing::None;

    // Raw bytes read ahead: the first ones to tell the packing, and the
    // input of the decompression.
    std::unique_ptr<char[]> raw_;
    std::size_t rawCapacity_ = 0;
    std::size_t rawBegin_ = 0, rawEnd_ = 0;
    bool rawEnded_ = false;
    std::unique_ptr<Inflater> inflater_;
    std::unique_ptr<Unarchiver> unarchiver_;
    std::string streamProblem_;
    bool trailingBytes_ = false;

    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0, end_ = 0;
    bool bufferFromStart_ = true;  // buffer_[0] is the first byte of the text
    bool textEnded_ = false;
    bool discardingTail_ = false;
    int64_t lineNumber_ = 0;
    bool unterminated_ = false;
    bool pooled_ = false;  // the buffers go back to the pool for the next reader
};

}  // namespace min_lumo_field

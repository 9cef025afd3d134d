// Reading speed of the field-file reader: writes a large RINEX 3 and a large
// RINEX 2 file (and their gzip and Compact RINEX forms) into a folder once,
// then reads each several times and reports the median megabytes a second,
// of the file as stored and of the text it holds.
//
// Usage: min_lumo_field_bench [--folder DIR] [--megabytes N] [--runs N] [--json FILE]
//   --folder: where the files are kept between runs (default: the build's field-bench folder)
//   --megabytes: size of each plain file (default 200)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <zlib.h>

#include "bench/processor_seconds.h"
#include "tool/field/gnss_time.h"
#include "tool/field/rinex_reader.h"

namespace {

namespace fs = std::filesystem;
using namespace min_lumo_field;
using min_lumo_bench::Processor_Seconds;

constexpr int satellitesPerEpoch = 12;
constexpr int observationTypes = 8;
constexpr double bytesPerMegabyte = 1e6;
constexpr std::size_t flushBytes = std::size_t{1} << 20;
constexpr double firstEpochGps = Days_From_Civil(2024, 5, 14) * secondsPerDay;  // one epoch a second after it

std::string Header_Line(const std::string& content, const char* label) { return fmt::format("{:<60}{}\n", content, label); }

// Writes text through one buffer to a plain file, a gzip file, or both.
class Sink {
public:
    Sink(const fs::path& plain, const fs::path& packed) {
        if (!plain.empty()) plain_ = std::fopen(plain.string().c_str(), "wb");
        if (!packed.empty()) packed_ = gzopen(packed.string().c_str(), "wb6");
        if ((!plain.empty() && plain_ == nullptr) || (!packed.empty() && packed_ == nullptr)) {
            std::fprintf(stderr, "field bench: cannot write into %s\n", plain.parent_path().string().c_str());
            std::exit(2);
        }
    }
    ~Sink() {
        Flush();
        if (plain_ != nullptr) std::fclose(plain_);
        if (packed_ != nullptr) gzclose(packed_);
    }
    std::string& Text() { return text_; }
    std::size_t Written() const { return written_ + text_.size(); }
    void Maybe_Flush() {
        if (text_.size() >= flushBytes) Flush();
    }

private:
    void Flush() {
        if (plain_ != nullptr) std::fwrite(text_.data(), 1, text_.size(), plain_);
        if (packed_ != nullptr) gzwrite(packed_, text_.data(), static_cast<unsigned>(text_.size()));
        written_ += text_.size();
        text_.clear();
    }
    std::FILE* plain_ = nullptr;
    gzFile packed_ = nullptr;
    std::string text_;
    std::size_t written_ = 0;
};

void Observation(std::string& text, long long thousandths) {
    text += fmt::format("{:10}.{:03}  ", thousandths / 1000, thousandths % 1000);
}

void Rinex3_Header(std::string& text) {
    text += Header_Line("     3.04           OBSERVATION DATA    G: GPS", "RINEX VERSION / TYPE");
    text += Header_Line("BNCH", "MARKER NAME");
    text += Header_Line(fmt::format("{:<20}{:<20}", "1", "FIELDRX 100"), "REC # / TYPE / VERS");
    text += Header_Line("  4308323.4356   628516.4174  4645883.3246", "APPROX POSITION XYZ");
    text += Header_Line("G    8 C1C L1C D1C S1C C2W L2W D2W S2W", "SYS / # / OBS TYPES");
    text += Header_Line("  2024     5    14     0     0    0.0000000     GPS", "TIME OF FIRST OBS");
    text += Header_Line("", "END OF HEADER");
}

void Write_Rinex3(const fs::path& plain, const fs::path& packed, std::size_t bytes) {
    Sink sink(plain, packed);
    Rinex3_Header(sink.Text());
    for (long long epoch = 0; sink.Written() < bytes; ++epoch) {
        const CivilTime time = Civil_Of_Seconds(static_cast<int64_t>(firstEpochGps) + epoch);
        std::string& text = sink.Text();
        text += fmt::format("> {:04} {:02} {:02} {:02} {:02}{:11.7f}  0{:3}\n", time.year, time.month, time.day, time.hour,
                            time.minute, time.second, satellitesPerEpoch);
        for (int satellite = 1; satellite <= satellitesPerEpoch; ++satellite) {
            text += fmt::format("G{:02}", satellite);
            for (int type = 0; type < observationTypes; ++type)
                Observation(text, 20000000000LL + satellite * 7919LL + epoch * 701LL + type * 13LL);
            text += '\n';
        }
        sink.Maybe_Flush();
    }
}

void Write_Rinex2(const fs::path& plain, std::size_t bytes) {
    Sink sink(plain, {});
    std::string& header = sink.Text();
    header += Header_Line("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE");
    header += Header_Line("BNCH", "MARKER NAME");
    header += Header_Line("  4308323.4356   628516.4174  4645883.3246", "APPROX POSITION XYZ");
    header += Header_Line("     8    C1    L1    D1    S1    P2    L2    D2    S2", "# / TYPES OF OBSERV");
    header += Header_Line("  2024     5    14     0     0    0.0000000     GPS", "TIME OF FIRST OBS");
    header += Header_Line("", "END OF HEADER");
    for (long long epoch = 0; sink.Written() < bytes; ++epoch) {
        const CivilTime time = Civil_Of_Seconds(static_cast<int64_t>(firstEpochGps) + epoch);
        std::string& text = sink.Text();
        text += fmt::format(" {:02} {:2} {:2} {:2} {:2}{:11.7f}  0{:3}", time.year % 100, time.month, time.day, time.hour,
                            time.minute, time.second, satellitesPerEpoch);
        for (int satellite = 1; satellite <= satellitesPerEpoch; ++satellite) text += fmt::format("G{:02}", satellite);
        text += '\n';
        for (int satellite = 1; satellite <= satellitesPerEpoch; ++satellite)
            for (int type = 0; type < observationTypes; ++type) {
                Observation(text, 20000000000LL + satellite * 7919LL + epoch * 701LL + type * 13LL);
                if (type == 4 || type == observationTypes - 1) {
                    while (text.back() == ' ') text.pop_back();
                    text += '\n';
                }
            }
        sink.Maybe_Flush();
    }
}

// Compact RINEX 3.0 of the same kind of data: each epoch line as a text
// difference against the one before, an empty clock line, and one line of
// small differences per satellite.
void Write_Compact(const fs::path& plain, const fs::path& packed, std::size_t bytes) {
    Sink sink(plain, packed);
    sink.Text() += Header_Line("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE");
    sink.Text() += Header_Line("min_lumo_field_bench", "CRINEX PROG / DATE");
    Rinex3_Header(sink.Text());
    std::string satellites;
    for (int satellite = 1; satellite <= satellitesPerEpoch; ++satellite) satellites += fmt::format("G{:02}", satellite);
    std::string previous;
    for (long long epoch = 0; sink.Written() < bytes; ++epoch) {
        const CivilTime time = Civil_Of_Seconds(static_cast<int64_t>(firstEpochGps) + epoch);
        const std::string line = fmt::format("> {:04} {:02} {:02} {:02} {:02}{:11.7f}  0{:3}      {}", time.year, time.month,
                                             time.day, time.hour, time.minute, time.second, satellitesPerEpoch, satellites);
        std::string& text = sink.Text();
        if (previous.empty()) {
            text += line + "\n\n";
            for (int satellite = 0; satellite < satellitesPerEpoch; ++satellite) {
                for (int type = 0; type < observationTypes; ++type) text += "3&20000000000 ";
                text.back() = '\n';
            }
        } else {
            std::string difference(line.size(), ' ');
            for (std::size_t i = 0; i < line.size(); ++i)
                if (line[i] != previous[i]) difference[i] = line[i] == ' ' ? '&' : line[i];
            while (!difference.empty() && difference.back() == ' ') difference.pop_back();
            text += difference + "\n\n";
            for (int satellite = 0; satellite < satellitesPerEpoch; ++satellite)
                text += fmt::format("{} -{} {} 0 {} -{} {} 0\n", 7 + epoch % 5, epoch % 3, epoch % 7, epoch % 4, epoch % 6, epoch % 2);
        }
        previous = line;
        sink.Maybe_Flush();
    }
}

struct Subject {
    std::string name;
    fs::path file;
    fs::path text;  // the uncompressed form, for its size
};

std::size_t Size_Of(const fs::path& path) { return static_cast<std::size_t>(fs::file_size(path)); }

}  // namespace

int main(int argc, char** argv) {
    fs::path folder = MIN_LUMO_FIELD_BENCH_FOLDER;
    std::size_t megabytes = 200;
    int runs = 5;
    std::string json;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--folder") folder = argv[i + 1];
        else if (option == "--megabytes") megabytes = static_cast<std::size_t>(std::atol(argv[i + 1]));
        else if (option == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--json") json = argv[i + 1];
        else {
            std::fprintf(stderr, "usage: %s [--folder DIR] [--megabytes N] [--runs N] [--json FILE]\n", argv[0]);
            return 2;
        }
    }
    if (argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s [--folder DIR] [--megabytes N] [--runs N] [--json FILE]\n", argv[0]);
        return 2;
    }
    fs::create_directories(folder);
    const std::size_t bytes = megabytes * static_cast<std::size_t>(bytesPerMegabyte);
    const std::string tag = fmt::format("{}MB", megabytes);
    const fs::path rinex3 = folder / ("rinex3_" + tag + ".rnx"), rinex3Gzip = folder / ("rinex3_" + tag + ".rnx.gz");
    const fs::path rinex2 = folder / ("rinex2_" + tag + ".24o");
    const fs::path compact = folder / ("compact3_" + tag + ".crx"), compactGzip = folder / ("compact3_" + tag + ".crx.gz");
    // Generated once; a file cut short by an interrupted run is written again.
    if (!fs::exists(rinex3Gzip) || !fs::exists(rinex3) || Size_Of(rinex3) < bytes) {
        std::printf("writing %s and its gzip form\n", rinex3.string().c_str());
        Write_Rinex3(rinex3, rinex3Gzip, bytes);
    }
    if (!fs::exists(rinex2) || Size_Of(rinex2) < bytes) {
        std::printf("writing %s\n", rinex2.string().c_str());
        Write_Rinex2(rinex2, bytes);
    }
    if (!fs::exists(compactGzip) || !fs::exists(compact) || Size_Of(compact) < bytes / 4) {
        std::printf("writing %s and its gzip form\n", compact.string().c_str());
        Write_Compact(compact, compactGzip, bytes / 4);
    }

    const std::vector<Subject> subjects = {
        {"RINEX 3, plain", rinex3, rinex3},
        {"RINEX 2, plain", rinex2, rinex2},
        {"RINEX 3, gzip", rinex3Gzip, rinex3},
        {"Compact RINEX 3, plain", compact, compact},
        {"Compact RINEX 3, gzip", compactGzip, compact},
    };
    std::printf("%-24s %10s %10s %10s %12s %12s\n", "file", "file MB", "text MB", "epochs", "file MB/s", "text MB/s");
    std::string records;
    for (const Subject& subject : subjects) {
        std::vector<double> seconds;
        Occupation occupation;
        for (int run = 0; run < runs; ++run) {
            const double start = Processor_Seconds();
            occupation = Read_Occupation(subject.file.string());
            seconds.push_back(Processor_Seconds() - start);
        }
        std::sort(seconds.begin(), seconds.end());
        const double median = std::max(seconds[seconds.size() / 2], 1e-9);
        const double fileMegabytes = static_cast<double>(Size_Of(subject.file)) / bytesPerMegabyte;
        const double textMegabytes = static_cast<double>(Size_Of(subject.text)) / bytesPerMegabyte;
        std::printf("%-24s %10.1f %10.1f %10lld %12.0f %12.0f\n", subject.name.c_str(), fileMegabytes, textMegabytes,
                    static_cast<long long>(occupation.epochCount), fileMegabytes / median, textMegabytes / median);
        if (!occupation.warnings.empty()) std::printf("  warning: %s\n", occupation.warnings.front().c_str());
        records += fmt::format("{}    {{\"file\": \"{}\", \"fileMegabytes\": {:.1f}, \"textMegabytes\": {:.1f}, \"epochs\": {}, "
                               "\"medianSeconds\": {:.4f}, \"fileMegabytesPerSecond\": {:.0f}, \"textMegabytesPerSecond\": {:.0f}}}",
                               records.empty() ? "" : ",\n", subject.name, fileMegabytes, textMegabytes,
                               occupation.epochCount, median, fileMegabytes / median, textMegabytes / median);
    }
    std::printf("(median processor time of %d reads each)\n", runs);
    if (!json.empty()) {
        std::FILE* file = std::fopen(json.c_str(), "wb");
        if (file == nullptr) {
            std::fprintf(stderr, "field bench: cannot write %s\n", json.c_str());
            return 2;
        }
        std::fprintf(file, "{\n  \"runs\": %d,\n  \"reads\": [\n%s\n  ]\n}\n", runs, records.c_str());
        std::fclose(file);
    }
    return 0;
}

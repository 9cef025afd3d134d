// Reading speed of the field-file reader: writes a large RINEX 3 and a large
// RINEX 2 file (and their gzip and Compact RINEX forms) into a folder once,
// then reads each several times and reports the median megabytes a second,
// of the file as stored and of the text it holds.
//
// Usage: min_lumo_field_bench [--folder DIR] [--megabytes N] [--runs N] [--json FILE]
//   --folder: where the files are kept between runs (default: the build's field-bench folder)
//   --megabytes: size of each plain file (default 200)
//
// With --plan TOOL --campaign FOLDER instead: the processor time of
// `TOOL plan FOLDER` against reading the same files, in turns, and the
// ratios of the medians, with the plan's peak memory.  Reading is measured
// three ways: `cat` of the files (a process, as the plan is), a plain read
// in this process (each file opened and read to its end through one reused
// buffer), and the planner's own reader over them in this process.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <zlib.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/processor_seconds.h"
#include "tool/field/gnss_time.h"
#include "tool/field/field_file.h"
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

// ---- Planning against reading ------------------------------------------------

// The plan may take at most this many times the processor time of reading
// its files.
constexpr double mostPlanToReadRatio = 2.0;
constexpr std::size_t plainReadBufferBytes = std::size_t{1} << 20;
constexpr double kilobytesPerMegabyte = 1000.0;

std::vector<fs::path> Campaign_Files(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Every file opened and read to its end through one buffer; processor
// seconds.
double Plain_Read_Seconds(const std::vector<fs::path>& files, std::size_t& bytes) {
    static std::vector<char> buffer(plainReadBufferBytes);
    const double start = Processor_Seconds();
    bytes = 0;
    for (const fs::path& path : files) {
        const int descriptor = open(path.c_str(), O_RDONLY);
        if (descriptor < 0) {
            std::fprintf(stderr, "field bench: cannot open %s\n", path.c_str());
            std::exit(2);
        }
        for (ssize_t count; (count = read(descriptor, buffer.data(), buffer.size())) > 0;)
            bytes += static_cast<std::size_t>(count);
        close(descriptor);
    }
    return Processor_Seconds() - start;
}

// The planner's reader over every file, told by content as in a folder.
double Field_Read_Seconds(const std::vector<fs::path>& files) {
    const double start = Processor_Seconds();
    for (const fs::path& path : files) {
        const FieldFile read = Read_Field_File(path.string(), std::nullopt);
        if (read.kind != FieldFileKind::RinexObservation) {
            std::fprintf(stderr, "field bench: %s is no RINEX observation file\n", path.c_str());
            std::exit(2);
        }
    }
    return Processor_Seconds() - start;
}

struct ChildRun {
    double processorSeconds = 0.0;
    double peakMegabytes = 0.0;
};

// A program run with its output thrown away; the processor time and peak
// memory of that process alone.
ChildRun Child_Run(std::vector<std::string> arguments) {
    const std::string program = arguments.front();
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int failed = posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        std::fprintf(stderr, "field bench: cannot run %s: %s\n", program.c_str(), std::strerror(failed));
        std::exit(2);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "field bench: %s failed\n", program.c_str());
        std::exit(2);
    }
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
    };
    // ru_maxrss is in kilobytes on Linux.
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime),
            static_cast<double>(usage.ru_maxrss) * 1024.0 / (kilobytesPerMegabyte * kilobytesPerMegabyte)};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

const char* Verdict(double ratio) { return ratio <= mostPlanToReadRatio ? "met" : "NOT met"; }

int Plan_Against_Reading(const std::string& tool, const fs::path& campaign, int runs, const std::string& json) {
    const std::vector<fs::path> files = Campaign_Files(campaign);
    std::vector<std::string> cat = {"cat"};
    for (const fs::path& file : files) cat.push_back(file.string());
    std::vector<double> reads, fieldReads, cats, plans, peaks;
    std::size_t bytes = 0;
    // In turns, so that all see the same load and the same cache.
    Plain_Read_Seconds(files, bytes);
    for (int run = 0; run < runs; ++run) {
        reads.push_back(Plain_Read_Seconds(files, bytes));
        fieldReads.push_back(Field_Read_Seconds(files));
        cats.push_back(Child_Run(cat).processorSeconds);
        const ChildRun planned = Child_Run({tool, "plan", campaign.string()});
        plans.push_back(planned.processorSeconds);
        peaks.push_back(planned.peakMegabytes);
    }
    const double read = std::max(Median(reads), 1e-9), fieldRead = Median(fieldReads);
    const double catRead = std::max(Median(cats), 1e-9), plan = Median(plans);
    const double peak = *std::max_element(peaks.begin(), peaks.end());
    std::printf("%zu files, %.0f MB; median processor seconds of %d runs each:\n", files.size(),
                static_cast<double>(bytes) / bytesPerMegabyte, runs);
    std::printf("  plan %.2f s (peak memory %.0f MB); cat %.2f s; a plain read here %.3f s; the planner's reader here "
                "%.3f s\n",
                plan, peak, catRead, read, fieldRead);
    std::printf("  plan against cat: %.2fx (at most %.0fx: %s)\n", plan / catRead, mostPlanToReadRatio,
                Verdict(plan / catRead));
    std::printf("  plan against a plain read here: %.1fx (at most %.0fx: %s)\n", plan / read, mostPlanToReadRatio,
                Verdict(plan / read));
    std::printf("  the planner's reader against a plain read here: %.2fx (at most %.0fx: %s)\n", fieldRead / read,
                mostPlanToReadRatio, Verdict(fieldRead / read));
    if (!json.empty()) {
        std::FILE* file = std::fopen(json.c_str(), "wb");
        if (file == nullptr) {
            std::fprintf(stderr, "field bench: cannot write %s\n", json.c_str());
            return 2;
        }
        std::fprintf(file,
                     "{\"files\": %zu, \"bytes\": %zu, \"runs\": %d, \"planProcessorSeconds\": %.3f, "
                     "\"peakMegabytes\": %.1f, \"catProcessorSeconds\": %.3f, \"plainReadProcessorSeconds\": %.3f, "
                     "\"fieldReadProcessorSeconds\": %.3f, \"planToCat\": %.3f, \"planToPlainRead\": %.3f, "
                     "\"fieldReadToPlainRead\": %.3f, \"mostRatio\": %.1f}\n",
                     files.size(), bytes, runs, plan, peak, catRead, read, fieldRead, plan / catRead, plan / read,
                     fieldRead / read, mostPlanToReadRatio);
        std::fclose(file);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path folder = MIN_LUMO_FIELD_BENCH_FOLDER;
    std::size_t megabytes = 200;
    int runs = 5;
    std::string json, tool;
    fs::path campaign;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--folder") folder = argv[i + 1];
        else if (option == "--plan") tool = argv[i + 1];
        else if (option == "--campaign") campaign = argv[i + 1];
        else if (option == "--megabytes") megabytes = static_cast<std::size_t>(std::atol(argv[i + 1]));
        else if (option == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--json") json = argv[i + 1];
        else {
            std::fprintf(stderr, "usage: %s [--folder DIR] [--megabytes N] [--runs N] [--json FILE]\n", argv[0]);
            return 2;
        }
    }
    if (!tool.empty() && !campaign.empty() && argc % 2 == 1) return Plan_Against_Reading(tool, campaign, runs, json);
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

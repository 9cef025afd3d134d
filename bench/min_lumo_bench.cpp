// Times DLL_Min_Lumo and DLL_Fix_Baseline_Direction on the synthetic shapes
// of `min_lumo generate` (hostkit/shapes.h) at several sizes, with the
// library's peak heap, against the straightforward reference where that
// finishes in reasonable time.  Prints a table and, with --json FILE, writes
// the measurements as JSON.
//
// Usage: min_lumo_bench [--json FILE] [--arch NAME] [--quick] [--only TEXT]
//   --quick: the first two shapes only; --only: shapes whose name holds TEXT;
//   --no-reference: the library alone.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "hostkit/host_memory.h"
#include "hostkit/shapes.h"
#include "min_lumo.h"
#include "tests/reference/reference_entry_points.h"
#include "tests/support/counting_heap.h"

namespace min_lumo_bench {

namespace {

using min_lumo_kit::acceptedStructSizes;
using min_lumo_kit::HostMemory;
using min_lumo_kit::ShapeOptions;

// The reference is skipped once its estimated time exceeds this: doubling a
// shape's size is taken to multiply its time by eight.
constexpr double ReferenceLimitSeconds = 3.0;
constexpr double ReferenceGrowthPerDoubling = 8.0;
constexpr int32_t LibraryRuns = 5;
constexpr int32_t HeapBytesPerObservation = 256;
constexpr int32_t HeapBytesPerStation = 64;

using Call = std::function<int32_t(ProjectHeader*)>;

// One shape at one size, laid out as the host lays it out.
struct Shape {
    std::string name;
    std::string family;  // shapes of one family differ only in size
    HostMemory memory;
    int32_t observations;
    int32_t stations;
};

Shape Make_Shape(const std::string& name, const ShapeOptions& options) {
    const min_lumo_kit::Project project = min_lumo_kit::Generate_Shape(options);
    return {name, options.shape, HostMemory(project), static_cast<int32_t>(project.observations.size()),
            static_cast<int32_t>(project.stations.size())};
}

// `sessions` sessions of 12 receivers in all pairs, over 2.5 stations per session.
Shape Campaign(int32_t sessions) {
    return Make_Shape("campaign " + std::to_string(sessions) + " sessions",
                      {.shape = "campaign", .sessions = sessions, .receivers = 12, .stations = sessions * 5 / 2});
}
Shape All_Pairs(int32_t stations) {
    return Make_Shape("all pairs " + std::to_string(stations) + " stations",
                      {.shape = "all-pairs", .stations = stations});
}
Shape Monitoring(int32_t sessions) {
    return Make_Shape("monitoring " + std::to_string(sessions) + " hourly sessions",
                      {.shape = "monitoring", .sessions = sessions});
}
Shape Grid(int32_t side) {
    return Make_Shape("grid " + std::to_string(side) + "x" + std::to_string(side),
                      {.shape = "grid", .rows = side, .columns = side});
}
Shape Traverse(int32_t stations) {
    return Make_Shape("traverse " + std::to_string(stations) + " stations",
                      {.shape = "traverse", .stations = stations});
}

// Processor time of this process, user and system: on a busy machine it
// varies far less than wall-clock time.
double Processor_Seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Median processor seconds of `runs` calls, each on a fresh copy of the host
// memory (the copy is not timed).
double Median_Seconds(const HostMemory& original, const Call& call, int32_t runs) {
    std::vector<double> seconds;
    for (int32_t i = 0; i < runs; ++i) {
        HostMemory copy = original;
        ProjectHeader* header = copy.Header();
        const double start = Processor_Seconds();
        call(header);
        seconds.push_back(Processor_Seconds() - start);
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

struct Measurement {
    std::string shape;
    std::string entry;
    int32_t observations;
    int32_t stations;
    double librarySeconds;
    double referenceSeconds;  // negative: skipped
    int64_t peakHeapBytes;
};

int64_t Peak_Heap_Of_Minimisation(const HostMemory& original) {
    HostMemory copy = original;
    min_lumo_test::Reset_Heap();
    DLL_Min_Lumo(acceptedStructSizes, copy.Header());
    return min_lumo_test::Heap_Counters().peakBytes;
}

// The reference's last time per shape family and entry, for the estimate.
struct ReferenceHistory {
    std::string key;
    double seconds;
};

double Reference_Seconds(std::vector<ReferenceHistory>& history, const std::string& key, const HostMemory& project,
                         const Call& call) {
    double estimate = 0.0;
    for (const ReferenceHistory& h : history)
        if (h.key == key) estimate = h.seconds < 0.0 ? -1.0 : h.seconds * ReferenceGrowthPerDoubling;
    if (estimate < 0.0 || estimate > ReferenceLimitSeconds) {
        history.push_back({key, -1.0});
        return -1.0;
    }
    const double once = Median_Seconds(project, call, 1);
    const double seconds = once < 0.2 ? Median_Seconds(project, call, 3) : once;
    history.push_back({key, seconds});
    return seconds;
}

void Print_Row(const Measurement& m) {
    char reference[32] = "skipped";
    char ratio[32] = "-";
    if (m.referenceSeconds >= 0.0) {
        std::snprintf(reference, sizeof reference, "%.2f", m.referenceSeconds * 1000.0);
        std::snprintf(ratio, sizeof ratio, "%.1fx", m.referenceSeconds / m.librarySeconds);
    }
    std::printf("%-34s %-5s %8d %7d %10.2f %11s %9s", m.shape.c_str(), m.entry.c_str(), m.observations,
                m.stations, m.librarySeconds * 1000.0, reference, ratio);
    if (m.peakHeapBytes >= 0) {
        const int64_t budget = int64_t{HeapBytesPerObservation} * m.observations
                               + int64_t{HeapBytesPerStation} * m.stations;
        std::printf(" %12lld %5.0f%%", static_cast<long long>(m.peakHeapBytes),
                    100.0 * static_cast<double>(m.peakHeapBytes) / static_cast<double>(budget));
    }
    std::printf("\n");
    std::fflush(stdout);
}

void Write_Json(const char* path, const char* arch, const std::vector<Measurement>& all) {
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr) return;
    std::fprintf(file, "{\"arch\": \"%s\", \"results\": [\n", arch);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Measurement& m = all[i];
        std::fprintf(file,
                     "  {\"shape\": \"%s\", \"entry\": \"%s\", \"observations\": %d, \"stations\": %d, "
                     "\"library_ms\": %.3f, \"reference_ms\": %s, \"peak_heap_bytes\": %lld}%s\n",
                     m.shape.c_str(), m.entry.c_str(), m.observations, m.stations, m.librarySeconds * 1000.0,
                     m.referenceSeconds < 0.0 ? "null" : std::to_string(m.referenceSeconds * 1000.0).c_str(),
                     static_cast<long long>(m.peakHeapBytes), i + 1 < all.size() ? "," : "");
    }
    std::fprintf(file, "]}\n");
    std::fclose(file);
}

}  // namespace

int Run(int argc, char** argv) {
    const char* jsonPath = nullptr;
    const char* arch = "unknown";
    bool quick = false;
    const char* only = nullptr;
    bool withReference = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc) jsonPath = argv[++i];
        else if (std::strcmp(argv[i], "--arch") == 0 && i + 1 < argc) arch = argv[++i];
        else if (std::strcmp(argv[i], "--quick") == 0) quick = true;
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) only = argv[++i];
        else if (std::strcmp(argv[i], "--no-reference") == 0) withReference = false;
    }
    // Each family at half, full and double size (by observations).
    std::vector<std::function<Shape()>> makers = {
        [] { return Campaign(100); },     [] { return Campaign(200); },    [] { return Campaign(400); },
        [] { return All_Pairs(71); },     [] { return All_Pairs(100); },   [] { return All_Pairs(141); },
        [] { return All_Pairs(212); },    [] { return All_Pairs(300); },   [] { return All_Pairs(424); },
        [] { return Monitoring(5000); },  [] { return Monitoring(10000); }, [] { return Monitoring(20000); },
        [] { return Grid(71); },          [] { return Grid(100); },        [] { return Grid(141); },
        [] { return Traverse(5000); },    [] { return Traverse(10000); },  [] { return Traverse(20000); },
    };
    if (quick) makers.resize(2);
    std::printf("%-34s %-5s %8s %7s %10s %11s %9s %12s %6s\n", "shape", "entry", "obs", "stations", "lib ms",
                "ref ms", "speed-up", "peak heap B", "budget");
    std::vector<Measurement> all;
    std::vector<ReferenceHistory> history;
    const Call libraryMin = [](ProjectHeader* h) { return DLL_Min_Lumo(acceptedStructSizes, h); };
    const Call libraryFix = [](ProjectHeader* h) { return DLL_Fix_Baseline_Direction(h); };
    const Call referenceMin = [](ProjectHeader* h) {
        return min_lumo_reference::Reference_Min_Lumo(acceptedStructSizes, h);
    };
    const Call referenceFix = [](ProjectHeader* h) { return min_lumo_reference::Reference_Fix_Baseline_Direction(h); };
    for (const auto& make : makers) {
        const Shape shape = make();
        if (only != nullptr && shape.name.find(only) == std::string::npos) continue;
        const int32_t runs = shape.observations > 50000 ? 3 : LibraryRuns;
        Measurement min{shape.name, "min", shape.observations, shape.stations, 0.0, -1.0, -1};
        min.librarySeconds = Median_Seconds(shape.memory, libraryMin, runs);
        min.peakHeapBytes = Peak_Heap_Of_Minimisation(shape.memory);
        if (withReference) min.referenceSeconds = Reference_Seconds(history, shape.family + " min", shape.memory, referenceMin);
        Print_Row(min);
        all.push_back(min);
        Measurement fix{shape.name, "fix", shape.observations, shape.stations, 0.0, -1.0, -1};
        fix.librarySeconds = Median_Seconds(shape.memory, libraryFix, runs);
        if (withReference) fix.referenceSeconds = Reference_Seconds(history, shape.family + " fix", shape.memory, referenceFix);
        Print_Row(fix);
        all.push_back(fix);
    }
    if (jsonPath != nullptr) Write_Json(jsonPath, arch, all);
    return 0;
}

}  // namespace min_lumo_bench

int main(int argc, char** argv) { return min_lumo_bench::Run(argc, argv); }

// Times DLL_Min_Lumo and DLL_Fix_Baseline_Direction on the synthetic shapes
// of `min_lumo generate` (hostkit/shapes.h), each family at several sizes,
// beside the memory floor of a minimisation (memory_floor.h): the library's
// time is shown as a multiple of the floor measured in the same run on the
// same host memory.  The times are those of the module itself, loaded as a
// host loads it; the peak heap comes from a copy of the library linked in
// with the tests' counting heap.  Prints a table and, with --json FILE,
// writes the measurements as JSON.
//
// Usage: min_lumo_bench [--json FILE] [--arch NAME] [--quick] [--only TEXT] [--library PATH]
//                       [--before PATH] [--profile N]
//   --quick: the first two shapes only; --only: shapes whose name holds TEXT;
//   --library: time that build of the module (default: the one next to
//   this program);
//   --before: also time an earlier build of the module, taking turns with
//   the library, and show how many times faster the library is;
//   --profile N: no table; each chosen shape is minimised N times in a row
//   on one copy, its rejection marks put back between the calls, so that
//   `perf record` sees the library rather than the copying.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/memory_floor.h"
#include "bench/processor_seconds.h"
#include "host/host_records.h"
#include "hostkit/host_memory.h"
#include "hostkit/module_loader.h"
#include "hostkit/shapes.h"
#include "min_lumo.h"
#include "tests/support/counting_heap.h"

namespace min_lumo_bench {

namespace {

using min_lumo_kit::acceptedStructSizes;
using min_lumo_kit::HostMemory;
using min_lumo_kit::ShapeOptions;

// Small shapes take many runs: their times are short enough for a busy
// machine to blur a few of them.
constexpr int32_t RunsOfSmallShapes = 21;
constexpr int32_t Runs = 9;
constexpr int32_t RunsOfLargeShapes = 5;
constexpr int32_t SmallShapeObservations = 10000;
constexpr int32_t LargeShapeObservations = 50000;
constexpr int32_t HeapBytesPerObservation = 256;
constexpr int32_t HeapBytesPerStation = 64;

using Call = std::function<int32_t(ProjectHeader*)>;

// One shape at one size, laid out as the host lays it out.
struct Shape {
    std::string name;
    HostMemory memory;
    int32_t observations;
    int32_t stations;
};

Shape Make_Shape(const std::string& name, const ShapeOptions& options) {
    const min_lumo_kit::Project project = min_lumo_kit::Generate_Shape(options);
    return {name, HostMemory(project), static_cast<int32_t>(project.observations.size()),
            static_cast<int32_t>(project.stations.size())};
}

struct ShapeRecipe {
    std::string name;
    ShapeOptions options;
};

// Each family at about half, full and double size (by observations).
std::vector<ShapeRecipe> Recipes() {
    std::vector<ShapeRecipe> recipes;
    // Sessions of 12 receivers in all pairs, over 2.5 stations per session.
    for (const int32_t sessions : {100, 200, 400})
        recipes.push_back({"campaign " + std::to_string(sessions) + " sessions of 12",
                           {.shape = "campaign", .sessions = sessions, .receivers = 12, .stations = sessions * 5 / 2}});
    for (const int32_t stations : {71, 100, 141, 212, 300, 424})
        recipes.push_back({"all pairs, " + std::to_string(stations) + " stations",
                           {.shape = "all-pairs", .stations = stations}});
    for (const int32_t sessions : {5000, 10000, 20000})
        recipes.push_back({"monitoring, " + std::to_string(sessions) + " hourly sessions",
                           {.shape = "monitoring", .sessions = sessions}});
    // To the eight neighbours, all in one session.
    for (const int32_t side : {71, 100, 141})
        recipes.push_back({"grid " + std::to_string(side) + "x" + std::to_string(side) + ", one session",
                           {.shape = "grid", .sessions = 1, .rows = side, .columns = side}});
    // Each station to the next, all in one session.
    for (const int32_t stations : {5000, 10000, 20000})
        recipes.push_back({"traverse of " + std::to_string(stations) + " stations",
                           {.shape = "traverse", .sessions = 1, .receivers = 2, .stations = stations}});
    return recipes;
}

// Processor seconds of `runs` calls of each of `calls`, each on a fresh copy
// of the host memory (the copy is not timed).  The calls take turns, so that
// a busy spell of the machine falls on all of them alike.
struct Timings {
    std::vector<std::vector<double>> seconds;  // per call, per run

    double Median(std::size_t call) const {
        std::vector<double> column = seconds[call];
        std::sort(column.begin(), column.end());
        return column[column.size() / 2];
    }
    // The median over the runs of call a's time over call b's in the same
    // run: steadier than a ratio of medians when the machine's speed drifts.
    double Median_Ratio(std::size_t a, std::size_t b) const {
        std::vector<double> ratios;
        for (std::size_t run = 0; run < seconds[a].size(); ++run) ratios.push_back(seconds[a][run] / seconds[b][run]);
        std::sort(ratios.begin(), ratios.end());
        return ratios[ratios.size() / 2];
    }
};

Timings Time_Calls(const HostMemory& original, const std::vector<Call>& calls, int32_t runs) {
    Timings timings{std::vector<std::vector<double>>(calls.size())};
    for (int32_t i = 0; i < runs; ++i) {
        for (std::size_t c = 0; c < calls.size(); ++c) {
            HostMemory copy = original;
            ProjectHeader* header = copy.Header();
            const double start = Processor_Seconds();
            calls[c](header);
            timings.seconds[c].push_back(Processor_Seconds() - start);
        }
    }
    return timings;
}

struct Measurement {
    std::string shape;
    std::string entry;
    int32_t observations;
    int32_t stations;
    double librarySeconds;
    double floorSeconds;    // negative: none (orientation)
    int64_t peakHeapBytes;  // negative: not measured
    double beforeSeconds;   // negative: no earlier build timed
    double timesFloor;      // median of the runs' library / floor
    double timesFaster;     // median of the runs' before / library
};

int64_t Peak_Heap_Of_Minimisation(const HostMemory& original) {
    HostMemory copy = original;
    min_lumo_test::Reset_Heap();
    DLL_Min_Lumo(acceptedStructSizes, copy.Header());
    return min_lumo_test::Heap_Counters().peakBytes;
}

void Print_Header(bool withBefore) {
    std::printf("%-34s %-5s %8s %8s %9s %9s %8s", "shape", "entry", "obs", "stations", "floor ms", "lib ms", "x floor");
    if (withBefore) std::printf(" %10s %8s", "before ms", "faster");
    std::printf(" %12s %7s\n", "peak heap B", "budget");
}

void Print_Row(const Measurement& m) {
    char floor[32] = "-";
    char multiple[32] = "-";
    if (m.floorSeconds >= 0.0) {
        std::snprintf(floor, sizeof floor, "%.2f", m.floorSeconds * 1000.0);
        std::snprintf(multiple, sizeof multiple, "%.1f", m.timesFloor);
    }
    std::printf("%-34s %-5s %8d %8d %9s %9.2f %8s", m.shape.c_str(), m.entry.c_str(), m.observations, m.stations,
                floor, m.librarySeconds * 1000.0, multiple);
    if (m.beforeSeconds >= 0.0)
        std::printf(" %10.2f %8.1f", m.beforeSeconds * 1000.0, m.timesFaster);
    if (m.peakHeapBytes >= 0) {
        const int64_t budget =
            int64_t{HeapBytesPerObservation} * m.observations + int64_t{HeapBytesPerStation} * m.stations;
        std::printf(" %12lld %6.0f%%", static_cast<long long>(m.peakHeapBytes),
                    100.0 * static_cast<double>(m.peakHeapBytes) / static_cast<double>(budget));
    }
    std::printf("\n");
    std::fflush(stdout);
}

std::string Json_Number(double value, double scale) {
    return value < 0.0 ? "null" : std::to_string(value * scale);
}

void Write_Json(const char* path, const char* arch, const std::string& library, const std::vector<Measurement>& all) {
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr) return;
    std::fprintf(file, "{\"arch\": \"%s\", \"library\": \"%s\", \"results\": [\n", arch, library.c_str());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Measurement& m = all[i];
        std::fprintf(file,
                     "  {\"shape\": \"%s\", \"entry\": \"%s\", \"observations\": %d, \"stations\": %d, "
                     "\"library_ms\": %.3f, \"floor_ms\": %s, \"times_floor\": %s, \"peak_heap_bytes\": %s, "
                     "\"before_ms\": %s}%s\n",
                     m.shape.c_str(), m.entry.c_str(), m.observations, m.stations, m.librarySeconds * 1000.0,
                     Json_Number(m.floorSeconds, 1000.0).c_str(),
                     m.floorSeconds <= 0.0 ? "null" : std::to_string(m.timesFloor).c_str(),
                     m.peakHeapBytes < 0 ? "null" : std::to_string(m.peakHeapBytes).c_str(),
                     Json_Number(m.beforeSeconds, 1000.0).c_str(), i + 1 < all.size() ? "," : "");
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
    std::string libraryPath;
    std::string beforePath;
    int32_t profileRuns = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc) jsonPath = argv[++i];
        else if (std::strcmp(argv[i], "--arch") == 0 && i + 1 < argc) arch = argv[++i];
        else if (std::strcmp(argv[i], "--quick") == 0) quick = true;
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) only = argv[++i];
        else if (std::strcmp(argv[i], "--library") == 0 && i + 1 < argc) libraryPath = argv[++i];
        else if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc) beforePath = argv[++i];
        else if (std::strcmp(argv[i], "--profile") == 0 && i + 1 < argc) profileRuns = std::atoi(argv[++i]);
    }
    // The module as the host loads it, with the heap it ships with.
    const min_lumo_kit::LoadedModule module(libraryPath);
    const Call minimise = [&module](ProjectHeader* h) { return module.minLumo(acceptedStructSizes, h); };
    const Call orient = [&module](ProjectHeader* h) { return module.fixBaselineDirection(h); };
    std::printf("library: %s\n", module.Path().c_str());
    std::optional<min_lumo_kit::LoadedModule> before;
    if (!beforePath.empty()) {
        before.emplace(beforePath);
        std::printf("before:  %s\n", before->Path().c_str());
    }
    const Call minimiseBefore = [&before](ProjectHeader* h) { return before->minLumo(acceptedStructSizes, h); };
    const Call orientBefore = [&before](ProjectHeader* h) { return before->fixBaselineDirection(h); };
    const Call floor = [](ProjectHeader* h) { return static_cast<int32_t>(Memory_Floor_Pass(h) & 1); };
    std::vector<ShapeRecipe> recipes = Recipes();
    if (quick) recipes.resize(2);
    std::erase_if(recipes, [only](const ShapeRecipe& recipe) {
        return only != nullptr && recipe.name.find(only) == std::string::npos;
    });
    if (profileRuns > 0) {
        for (const ShapeRecipe& recipe : recipes) {
            const Shape shape = Make_Shape(recipe.name, recipe.options);
            HostMemory copy = shape.memory;
            std::vector<std::pair<int32_t, int32_t>> marks;
            for (int32_t i = 0; i < shape.observations; ++i)
                marks.emplace_back(min_lumo::Read_Field(copy.Observation(i), min_lumo::observation::removed),
                                   min_lumo::Read_Field(copy.Observation(i), min_lumo::observation::solutionStatus));
            for (int32_t run = 0; run < profileRuns; ++run) {
                minimise(copy.Header());
                for (int32_t i = 0; i < shape.observations; ++i) {
                    const auto [removed, status] = marks[static_cast<std::size_t>(i)];
                    min_lumo::Write_Field(copy.Observation(i), min_lumo::observation::removed, removed);
                    min_lumo::Write_Field(copy.Observation(i), min_lumo::observation::solutionStatus, status);
                }
            }
            std::printf("%s: minimised %d times\n", shape.name.c_str(), profileRuns);
        }
        return 0;
    }
    Print_Header(before.has_value());
    std::vector<Measurement> all;
    for (const ShapeRecipe& recipe : recipes) {
        const Shape shape = Make_Shape(recipe.name, recipe.options);
        const int32_t runs = shape.observations > LargeShapeObservations ? RunsOfLargeShapes
                             : shape.observations < SmallShapeObservations ? RunsOfSmallShapes
                                                                           : Runs;
        std::vector<Call> minimiseCalls = {minimise, floor};
        std::vector<Call> orientCalls = {orient};
        if (before) {
            minimiseCalls.push_back(minimiseBefore);
            orientCalls.push_back(orientBefore);
        }
        const Timings min = Time_Calls(shape.memory, minimiseCalls, runs);
        Measurement minimised{shape.name,  "min",        shape.observations,
                              shape.stations, min.Median(0), min.Median(1),
                              -1,          before ? min.Median(2) : -1.0, min.Median_Ratio(0, 1),
                              before ? min.Median_Ratio(2, 0) : -1.0};
        if (libraryPath.empty()) minimised.peakHeapBytes = Peak_Heap_Of_Minimisation(shape.memory);
        Print_Row(minimised);
        all.push_back(minimised);
        const Timings fix = Time_Calls(shape.memory, orientCalls, runs);
        const Measurement oriented{shape.name, "fix", shape.observations, shape.stations, fix.Median(0), -1.0, -1,
                                   before ? fix.Median(1) : -1.0, -1.0, before ? fix.Median_Ratio(1, 0) : -1.0};
        Print_Row(oriented);
        all.push_back(oriented);
    }
    if (jsonPath != nullptr) Write_Json(jsonPath, arch, module.Path(), all);
    return 0;
}

}  // namespace min_lumo_bench

int main(int argc, char** argv) { return min_lumo_bench::Run(argc, argv); }

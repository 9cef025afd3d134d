// Speed and memory of the adjustment on generated networks: N stations on
// a jittered square grid (1 km apart) with a vector from each to its
// neighbours east, north and north-east (about 3N vectors, 3 m + 1 ppm of
// noise with the given covariances), one control at a corner; the whole
// Run_Adjustment (both adjustments, the selected inverse, every statistic)
// timed as the median of several runs, and the process's peak resident
// memory.  One network size per run, so that the peak is that size's:
//
//   min_lumo_adjust_bench --stations 10000 [--runs 3] [--json FILE]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/processor_seconds.h"
#include "tool/adjust/network_adjustment.h"

namespace {

using namespace min_lumo_tool;

constexpr double gridMetres = 1000.0;
constexpr double sigmaMetres = 0.003;
constexpr double originX = 4796983.5767, originY = 160309.1177, originZ = 4187340.3773;  // GARRAF

struct Network {
    std::vector<ProcessedVector> vectors;
    AdjustOptions options;
};

Network Generate(int stations, uint64_t seed) {
    std::mt19937_64 random(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(stations))));
    std::vector<std::array<double, 3>> truth;
    std::vector<std::string> names;
    // A local plane tilted onto Earth-centred axes is plenty for timing.
    for (int i = 0; i < stations; ++i) {
        const double east = (i % side) * gridMetres + 100.0 * normal(random);
        const double north = (i / side) * gridMetres + 100.0 * normal(random);
        truth.push_back({originX - 0.03 * east - 0.65 * north, originY + east, originZ + 0.75 * north});
        names.push_back("S" + std::to_string(i));
    }
    Network network;
    const min_lumo_vectors::VectorCovariance covariance{sigmaMetres * sigmaMetres, 0.0, 0.0, sigmaMetres * sigmaMetres,
                                                        0.0, sigmaMetres * sigmaMetres};
    const auto join = [&](int a, int b) {
        ProcessedVector v;
        v.from = names[static_cast<std::size_t>(a)];
        v.to = names[static_cast<std::size_t>(b)];
        v.dX = truth[static_cast<std::size_t>(b)][0] - truth[static_cast<std::size_t>(a)][0] + sigmaMetres * normal(random);
        v.dY = truth[static_cast<std::size_t>(b)][1] - truth[static_cast<std::size_t>(a)][1] + sigmaMetres * normal(random);
        v.dZ = truth[static_cast<std::size_t>(b)][2] - truth[static_cast<std::size_t>(a)][2] + sigmaMetres * normal(random);
        v.covariance = covariance;
        network.vectors.push_back(v);
    };
    for (int i = 0; i < stations; ++i) {
        const int column = i % side;
        if (column + 1 < side && i + 1 < stations) join(i, i + 1);
        if (i + side < stations) join(i, i + side);
        if (column + 1 < side && i + side + 1 < stations) join(i, i + side + 1);
    }
    network.options.controls = {names[0]};
    min_lumo_vectors::ControlCoordinate control;
    control.station = names[0];
    control.position = {truth[0][0], truth[0][1], truth[0][2]};
    network.options.controlCoordinates = {control};
    return network;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int stations = 10000, runs = 3;
    std::string json;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--stations") stations = std::atoi(argv[i + 1]);
        else if (option == "--runs") runs = std::atoi(argv[i + 1]);
        else if (option == "--json") json = argv[i + 1];
    }
    if (stations < 4 || runs < 1) {
        std::fprintf(stderr, "usage: %s --stations N [--runs R] [--json FILE]\n", argv[0]);
        return 2;
    }
    const Network network = Generate(stations, 1);
    std::vector<double> wall, processor;
    AdjustmentResult result;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const double startProcessor = min_lumo_bench::Processor_Seconds();
        result = Run_Adjustment(network.vectors, network.options);
        processor.push_back(min_lumo_bench::Processor_Seconds() - startProcessor);
        wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kB on Linux
    std::printf("adjust: %d stations, %zu vectors (redundancy %lld, variance factor %.3f) in %.2f s (processor %.2f s), "
                "median of %d; peak memory %.0f MB\n",
                stations, network.vectors.size(), static_cast<long long>(result.minimal.redundancy),
                result.minimal.varianceFactor ? *result.minimal.varianceFactor : 0.0, Median(wall), Median(processor), runs,
                peakMegabytes);
    if (!json.empty()) {
        std::FILE* out = std::fopen(json.c_str(), "w");
        if (out == nullptr) return 1;
        std::fprintf(out,
                     "{\"stations\": %d, \"vectors\": %zu, \"seconds\": %.3f, \"processorSeconds\": %.3f, "
                     "\"peakMegabytes\": %.0f}\n",
                     stations, network.vectors.size(), Median(wall), Median(processor), peakMegabytes);
        std::fclose(out);
    }
    return 0;
}

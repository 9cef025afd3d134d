#include "bench/bench_shapes.h"

#include <map>
#include <utility>

#include "tests/support/random_project.h"

namespace min_lumo_bench {

namespace {

using min_lumo_test::HostProject;
using min_lumo_test::ObservationFields;
using min_lumo_test::SeededRandom;

constexpr double SecondsPerHour = 3600.0;
constexpr double MetresPerDegree = 111000.0;

// Baselines are made once per ordered pair and shared by their observations.
class Builder {
public:
    explicit Builder(uint64_t seed) : random(seed) {
        project.Add_Source(10, 10);  // passes the ratio test
        project.Add_Source(9, 10);   // fails it
    }

    // A station within about `spreadMetres` of the origin (or on a lattice
    // point when given).
    int32_t Station(double north, double east) {
        min_lumo_test::StationFields fields;
        fields.name = "S" + std::to_string(stationCount++);
        fields.latitude = 47.0 + north / MetresPerDegree;
        fields.longitude = 8.0 + east / MetresPerDegree;
        fields.height = static_cast<float>(400 + random.Between(0, 200));
        return project.Add_Station(fields);
    }
    int32_t Random_Station(double spreadMetres) {
        return Station(random.Unit() * spreadMetres, random.Unit() * spreadMetres);
    }

    void Observe(int32_t from, int32_t to, double start, double end) {
        auto key = std::make_pair(from, to);
        auto found = baselines.find(key);
        if (found == baselines.end()) found = baselines.emplace(key, project.Add_Baseline(from, to)).first;
        ObservationFields fields;
        fields.baseline = found->second;
        fields.startTime = start;
        fields.endTime = end;
        fields.fromSource = random.Chance(90) ? 0 : 1;
        fields.toSource = random.Chance(90) ? 0 : 1;
        fields.forced = random.Chance(1) ? 1 : 0;
        fields.solutionStatus = random.Chance(1) ? -1 : 0;
        fields.label = "P" + std::to_string(from) + " A B" + std::to_string(to) + " C";
        project.Add_Observation(fields);
    }

    // Either direction, at random.
    void Observe_Either_Way(int32_t a, int32_t b, double start, double end) {
        if (random.Chance(50)) Observe(a, b, start, end);
        else Observe(b, a, start, end);
    }

    double Jitter(int32_t upToSeconds) { return static_cast<double>(random.Between(0, upToSeconds)); }

    SeededRandom random;
    HostProject project{std::byte{0}};

private:
    int32_t stationCount = 0;
    std::map<std::pair<int32_t, int32_t>, int32_t> baselines;
};

void Observe_All_Pairs(Builder& builder, const int32_t* stations, int32_t count, double start, double end,
                       int32_t jitter) {
    for (int32_t a = 0; a < count; ++a)
        for (int32_t b = a + 1; b < count; ++b)
            builder.Observe_Either_Way(stations[a], stations[b], start + builder.Jitter(jitter),
                                       end - builder.Jitter(jitter));
}

}  // namespace

Shape Campaign_Shape(int32_t sessions) {
    constexpr int32_t Receivers = 12;
    Builder builder(1);
    const int32_t stationCount = sessions * 5 / 2;
    for (int32_t i = 0; i < stationCount; ++i) builder.Random_Station(50000.0);
    for (int32_t s = 0; s < sessions; ++s) {
        int32_t chosen[Receivers];
        for (int32_t r = 0; r < Receivers; ++r) chosen[r] = (s * 7 + r * 3) % stationCount;
        const double start = 2.0 * SecondsPerHour * s;
        Observe_All_Pairs(builder, chosen, Receivers, start, start + 1.5 * SecondsPerHour, 600);
    }
    return {"campaign " + std::to_string(sessions) + " sessions", "campaign", std::move(builder.project)};
}

Shape All_Pairs_Shape(int32_t stations) {
    Builder builder(2);
    int32_t* all = new int32_t[static_cast<std::size_t>(stations)];
    for (int32_t i = 0; i < stations; ++i) all[i] = builder.Random_Station(30000.0);
    Observe_All_Pairs(builder, all, stations, 0.0, 4.0 * SecondsPerHour, 1800);
    delete[] all;
    return {"all pairs " + std::to_string(stations) + " stations", "all pairs", std::move(builder.project)};
}

Shape Monitoring_Shape(int32_t sessions) {
    constexpr int32_t Group = 5;
    constexpr int32_t StationCount = 1000;
    Builder builder(3);
    for (int32_t i = 0; i < StationCount; ++i) builder.Random_Station(20000.0);
    for (int32_t s = 0; s < sessions; ++s) {
        int32_t chosen[Group];
        for (int32_t r = 0; r < Group; ++r) chosen[r] = (s % (StationCount / Group)) * Group + r;
        const double start = SecondsPerHour * s;
        Observe_All_Pairs(builder, chosen, Group, start, start + SecondsPerHour, 120);
    }
    return {"monitoring " + std::to_string(sessions) + " hourly sessions", "monitoring",
            std::move(builder.project)};
}

Shape Grid_Shape(int32_t side) {
    Builder builder(4);
    for (int32_t row = 0; row < side; ++row)
        for (int32_t column = 0; column < side; ++column) builder.Station(1000.0 * row, 1000.0 * column);
    auto at = [side](int32_t row, int32_t column) { return row * side + column; };
    for (int32_t row = 0; row < side; ++row) {
        for (int32_t column = 0; column < side; ++column) {
            const int32_t here = at(row, column);
            const double end = 2.0 * SecondsPerHour;
            if (column + 1 < side) builder.Observe_Either_Way(here, at(row, column + 1), builder.Jitter(600), end);
            if (row + 1 < side) builder.Observe_Either_Way(here, at(row + 1, column), builder.Jitter(600), end);
            if (row + 1 < side && column + 1 < side)
                builder.Observe_Either_Way(here, at(row + 1, column + 1), builder.Jitter(600), end);
            if (row + 1 < side && column > 0)
                builder.Observe_Either_Way(here, at(row + 1, column - 1), builder.Jitter(600), end);
        }
    }
    builder.project.Add_Control("S0");
    return {"grid " + std::to_string(side) + "x" + std::to_string(side), "grid", std::move(builder.project)};
}

Shape Traverse_Shape(int32_t stations) {
    Builder builder(5);
    for (int32_t i = 0; i < stations; ++i) builder.Station(0.0, 500.0 * i);
    for (int32_t i = 0; i + 1 < stations; ++i)
        builder.Observe_Either_Way(i, i + 1, builder.Jitter(600), 2.0 * SecondsPerHour);
    builder.project.Add_Control("s0");  // any letter case matches
    return {"traverse " + std::to_string(stations) + " stations", "traverse", std::move(builder.project)};
}

}  // namespace min_lumo_bench

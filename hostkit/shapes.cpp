#include "hostkit/shapes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <stdexcept>

#include <fmt/format.h>

#include "host/host_layout.h"
#include "hostkit/iso_time.h"

namespace min_lumo_kit {

namespace {

// Metres in one degree of arc on the equator of the WGS 84 ellipsoid:
// 2 pi x 6 378 137 m (its semi-major axis, NIMA TR8350.2) / 360 =
// 111 319.5 m, rounded.  Offsets from the origin become degrees with it,
// north as latitude and east, scaled by the cosine of the origin's latitude,
// as longitude: a flat picture, close enough for synthetic networks.
constexpr double metresPerDegree = 111320.0;
constexpr double originLatitudeDegrees = 47.05;
constexpr double originLongitudeDegrees = 8.30;
// cos(47.05 degrees), written out: the platforms' cos need not agree to the
// last bit, and the shapes must.  This is what glibc's and MinGW's cos give
// (one unit in the last place under the exact value), so the shapes stayed
// as they were.
constexpr double originLatitudeCosine = 0.68135987395330011;
// 2024-05-14T00:00:00Z, the generated projects' first day, in seconds since 1970.
constexpr double firstDaySeconds = static_cast<double>(Days_From_Civil(2024, 5, 14) * secondsPerDay);

// Uniform numbers from the generator's raw output, so that every platform's
// standard library gives the same values (the std distributions need not).
class Random {
public:
    explicit Random(uint32_t seed) : engine_(seed) {}
    double Uniform(double low, double high) {
        return low + (high - low) * (static_cast<double>(engine_()) / 4294967296.0);
    }
    int32_t Below(int32_t bound) {
        return static_cast<int32_t>(static_cast<uint64_t>(engine_()) * static_cast<uint64_t>(bound) >> 32);
    }

private:
    std::mt19937 engine_;
};

// Builds a project record by record, reusing a baseline for a station pair
// until its host list is full.
class ProjectBuilder {
public:
    int32_t Station(const std::string& name, double northMetres, double eastMetres, double height) {
        ProjectStation station;
        station.name = name;
        station.latitude = originLatitudeDegrees + northMetres / metresPerDegree;
        station.longitude = originLongitudeDegrees + eastMetres / (metresPerDegree * originLatitudeCosine);
        station.height = static_cast<float>(std::round(height * 1000.0) / 1000.0);
        project_.stations.push_back(station);
        return static_cast<int32_t>(project_.stations.size() - 1);
    }

    void Control(int32_t station) { project_.controls.push_back({project_.stations[static_cast<std::size_t>(station)].name, 0}); }

    // `a` and `b` in either order; the pair keeps the direction it was first
    // observed in, which `forward` picks.
    int32_t Observe(int32_t a, int32_t b, bool forward, double start, double end, const std::string& session) {
        const auto key = std::minmax(a, b);
        auto found = open_.find(key);
        if (found == open_.end()
            || project_.baselines[static_cast<std::size_t>(found->second)].observations.size()
                   >= static_cast<std::size_t>(min_lumo::baseline::observationIndexCapacity)) {
            ProjectBaseline baseline;
            const bool keepDirection = found != open_.end();
            const ProjectBaseline* previous =
                keepDirection ? &project_.baselines[static_cast<std::size_t>(found->second)] : nullptr;
            baseline.fromStation = previous ? previous->fromStation : (forward ? a : b);
            baseline.toStation = previous ? previous->toStation : (forward ? b : a);
            project_.baselines.push_back(baseline);
            found = open_.insert_or_assign(key, static_cast<int32_t>(project_.baselines.size() - 1)).first;
        }
        ProjectBaseline& baseline = project_.baselines[static_cast<std::size_t>(found->second)];
        ProjectObservation observation;
        observation.baseline = found->second;
        observation.baselineSlot = static_cast<int32_t>(baseline.observations.size());
        observation.start.seconds = start;
        observation.end.seconds = end;
        observation.timeSpan = end - start;
        observation.fromSourceName = "GNSS";
        observation.toSourceName = "GNSS";
        observation.label = Default_Label(Name(baseline.fromStation), session, Name(baseline.toStation),
                                          ++occurrences_[found->second]);
        baseline.observations.push_back(static_cast<int32_t>(project_.observations.size()));
        project_.observations.push_back(observation);
        return static_cast<int32_t>(project_.observations.size() - 1);
    }

    Project Finish() {
        if (project_.sources.empty()) project_.sources.push_back({"GNSS", 1, 1});
        return std::move(project_);
    }

    Project& Current() { return project_; }

private:
    const std::string& Name(int32_t station) const { return project_.stations[static_cast<std::size_t>(station)].name; }

    Project project_;
    std::map<std::pair<int32_t, int32_t>, int32_t> open_;
    std::map<int32_t, int32_t> occurrences_;
};

int32_t Setting(int32_t given, int32_t fallback, int32_t least, const char* what) {
    const int32_t value = given > 0 ? given : fallback;
    if (value < least) throw std::invalid_argument(fmt::format("{} must be at least {}", what, least));
    return value;
}

// Every pair of `receivers` observed over one session, with set-up times that
// differ by a few minutes from receiver to receiver.
void Observe_All_Pairs(ProjectBuilder& builder, Random& random, const std::vector<int32_t>& receivers,
                       double start, double end, const std::string& session) {
    std::vector<double> arrive, leave;
    for (std::size_t i = 0; i < receivers.size(); ++i) {
        arrive.push_back(start + std::round(random.Uniform(0.0, 600.0)));
        leave.push_back(end - std::round(random.Uniform(0.0, 600.0)));
    }
    for (std::size_t i = 0; i < receivers.size(); ++i)
        for (std::size_t j = i + 1; j < receivers.size(); ++j)
            builder.Observe(receivers[i], receivers[j], random.Below(2) == 0, std::max(arrive[i], arrive[j]),
                            std::min(leave[i], leave[j]), session);
}

Project Campaign(const ShapeOptions& options) {
    const int32_t sessions = Setting(options.sessions, 200, 1, "--sessions");
    const int32_t receivers = Setting(options.receivers, 12, 2, "--receivers");
    const int32_t stations = Setting(options.stations, 500, receivers, "--stations");
    Random random(options.seed);
    ProjectBuilder builder;
    // Stations along a meandering belt, so that neighbouring numbers are
    // neighbours on the ground.
    const auto perRow = static_cast<int32_t>(std::ceil(std::sqrt(static_cast<double>(stations))));
    for (int32_t i = 0; i < stations; ++i) {
        const int32_t row = i / perRow, place = row % 2 == 0 ? i % perRow : perRow - 1 - i % perRow;
        builder.Station(fmt::format("P{:04}", i + 1), row * 900.0 + random.Uniform(-300.0, 300.0),
                        place * 900.0 + random.Uniform(-300.0, 300.0), 400.0 + random.Uniform(0.0, 300.0));
    }
    for (int32_t s = 0; s < sessions; ++s) {
        // A window that slides along the station numbers; the receivers are
        // drawn from it, so consecutive sessions share stations.
        const int32_t window = std::min(stations, receivers + 6);
        const int32_t first = sessions == 1 ? 0 : static_cast<int32_t>(static_cast<int64_t>(s) * (stations - window) / (sessions - 1));
        std::vector<int32_t> pool;
        for (int32_t i = 0; i < window; ++i) pool.push_back(first + i);
        for (int32_t i = window - 1; i > 0; --i) std::swap(pool[static_cast<std::size_t>(i)], pool[static_cast<std::size_t>(random.Below(i + 1))]);
        pool.resize(static_cast<std::size_t>(receivers));
        std::sort(pool.begin(), pool.end());
        const double start =
            firstDaySeconds + (s / 3) * secondsPerDay + 7 * secondsPerHour + (s % 3) * 3.5 * secondsPerHour;
        Observe_All_Pairs(builder, random, pool, start, start + 3 * secondsPerHour, fmt::format("S{}", s + 1));
    }
    builder.Control(0);
    builder.Control(stations - 1);
    return builder.Finish();
}

Project All_Pairs(const ShapeOptions& options) {
    const int32_t stations = Setting(options.stations, 100, 2, "--stations");
    Random random(options.seed);
    ProjectBuilder builder;
    std::vector<int32_t> receivers;
    for (int32_t i = 0; i < stations; ++i)
        receivers.push_back(builder.Station(fmt::format("A{:03}", i + 1), random.Uniform(-5000.0, 5000.0),
                                            random.Uniform(-5000.0, 5000.0), 500.0 + random.Uniform(0.0, 100.0)));
    Observe_All_Pairs(builder, random, receivers, firstDaySeconds + 8 * secondsPerHour,
                      firstDaySeconds + 14 * secondsPerHour, "S1");
    builder.Control(0);
    return builder.Finish();
}

Project Monitoring(const ShapeOptions& options) {
    const int32_t sessions = Setting(options.sessions, 10000, 1, "--sessions");
    Random random(options.seed);
    ProjectBuilder builder;
    const std::vector<int32_t> receivers = {builder.Station("REF1", 0.0, 0.0, 820.0),
                                            builder.Station("REF2", 1500.0, 2500.0, 905.0),
                                            builder.Station("MON1", 800.0, 900.0, 760.0),
                                            builder.Station("MON2", 950.0, 1200.0, 748.0),
                                            builder.Station("MON3", 1100.0, 1050.0, 752.0)};
    for (int32_t s = 0; s < sessions; ++s) {
        const double start = firstDaySeconds + s * secondsPerHour;
        Observe_All_Pairs(builder, random, receivers, start, start + secondsPerHour, fmt::format("H{}", s + 1));
    }
    builder.Control(0);
    builder.Control(1);
    return builder.Finish();
}

// One session per row by default; `sessions` 1 observes the whole grid in
// one session.
Project Grid(const ShapeOptions& options) {
    const int32_t rows = Setting(options.rows, 100, 1, "--rows");
    const int32_t columns = Setting(options.columns, 100, 1, "--columns");
    if (rows * columns < 2) throw std::invalid_argument("a grid needs at least two stations");
    const bool oneSession = options.sessions == 1;
    Random random(options.seed);
    ProjectBuilder builder;
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < columns; ++c)
            builder.Station(fmt::format("R{}C{}", r + 1, c + 1), r * 500.0, c * 500.0, 300.0 + random.Uniform(0.0, 50.0));
    const auto at = [columns](int32_t r, int32_t c) { return r * columns + c; };
    // Each neighbour pair once: right, down, and the two diagonals below.
    for (int32_t r = 0; r < rows; ++r) {
        const double start = firstDaySeconds + (oneSession ? 0 : r) * 2 * secondsPerHour;
        const std::string session = oneSession ? std::string("GRID") : fmt::format("ROW{}", r + 1);
        for (int32_t c = 0; c < columns; ++c) {
            const std::pair<int32_t, int32_t> steps[] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
            for (const auto& [dr, dc] : steps) {
                if (r + dr >= rows || c + dc < 0 || c + dc >= columns) continue;
                builder.Observe(at(r, c), at(r + dr, c + dc), true, start + random.Uniform(0.0, 300.0),
                                start + 1.5 * secondsPerHour - random.Uniform(0.0, 300.0), session);
            }
        }
    }
    builder.Control(0);
    return builder.Finish();
}

// `receivers` (default 4) leapfrogging along the chain, one station on each
// time, a session per leg; `sessions` 1 observes every leg in one session.
Project Traverse(const ShapeOptions& options) {
    const int32_t stations = Setting(options.stations, 20, 4, "--stations");
    const int32_t receivers = Setting(options.receivers, 4, 2, "--receivers");
    if (receivers > stations) throw std::invalid_argument("--receivers must not exceed --stations");
    const bool oneSession = options.sessions == 1;
    Random random(options.seed);
    ProjectBuilder builder;
    for (int32_t i = 0; i < stations; ++i)
        builder.Station(fmt::format("T{:03}", i + 1), random.Uniform(-200.0, 200.0), i * 1000.0, 450.0 + i * 3.0);
    for (int32_t k = 0; k + receivers - 1 < stations; ++k) {
        const double start = oneSession ? firstDaySeconds + 8 * secondsPerHour
                                        : firstDaySeconds + (k / 3) * secondsPerDay + 8 * secondsPerHour
                                              + (k % 3) * 3 * secondsPerHour;
        std::vector<int32_t> leg;
        for (int32_t r = 0; r < receivers; ++r) leg.push_back(k + r);
        Observe_All_Pairs(builder, random, leg, start, start + 2 * secondsPerHour,
                          oneSession ? std::string("LINE") : fmt::format("L{}", k + 1));
    }
    builder.Control(0);
    return builder.Finish();
}

// The example campaign: twelve stations, four sessions on two days, two
// control stations, one forced and one excluded observation, one weak source.
Project Sample(const ShapeOptions& options) {
    Random random(options.seed);
    ProjectBuilder builder;
    struct Site {
        const char* name;
        double north, east, height;
    };
    static constexpr Site sites[] = {
        {"BASE", 0.0, 0.0, 436.512},       {"TURM", 5200.0, 6100.0, 512.207},  {"KAPF", 1400.0, -900.0, 441.03},
        {"HOLZ", 2100.0, 1300.0, 468.774}, {"BRUN", 600.0, 2400.0, 429.95},    {"MATT", 2600.0, 2900.0, 455.118},
        {"EGGE", 3900.0, 1200.0, 489.6},   {"STEI", 3500.0, 3600.0, 471.342},  {"LIND", 4300.0, 4400.0, 498.025},
        {"ROSS", 5900.0, 3700.0, 530.81},  {"WALD", 4700.0, 5600.0, 507.463},  {"FELD", 6300.0, 5000.0, 521.9}};
    for (const Site& site : sites) builder.Station(site.name, site.north, site.east, site.height);
    struct Session {
        const char* name;
        double start;
        std::vector<int32_t> receivers;
    };
    const Session sessions[] = {{"135A", firstDaySeconds + 7.5 * secondsPerHour, {0, 2, 3, 4, 5}},
                                {"135B", firstDaySeconds + 12 * secondsPerHour, {3, 4, 5, 6, 7, 8}},
                                {"136A", firstDaySeconds + secondsPerDay + 7.5 * secondsPerHour, {7, 8, 9, 10, 11, 1}},
                                {"136B", firstDaySeconds + secondsPerDay + 12 * secondsPerHour, {0, 5, 8, 10, 1}}};
    for (const Session& session : sessions)
        Observe_All_Pairs(builder, random, session.receivers, session.start, session.start + 3 * secondsPerHour,
                          session.name);
    Project& project = builder.Current();
    project.sources = {{"GNSS", 1, 1}, {"WEAK", 7, 10}};
    // ROSS logged with a receiver whose data fail the ratio test.
    for (ProjectObservation& observation : project.observations) {
        const ProjectBaseline& baseline = project.baselines[static_cast<std::size_t>(observation.baseline)];
        if (baseline.fromStation == 9) observation.fromSource = 1, observation.fromSourceName = "WEAK";
        if (baseline.toStation == 9) observation.toSource = 1, observation.toSourceName = "WEAK";
    }
    project.observations[17].forced = 1;           // a long tie the crew wants kept
    project.observations[31].solutionStatus = -1;  // an observation the office already threw out
    for (ProjectObservation& observation : project.observations) {
        observation.start.text = Format_Iso_Time(observation.start.seconds);
        observation.end.text = Format_Iso_Time(observation.end.seconds);
    }
    builder.Control(0);
    builder.Control(1);
    return builder.Finish();
}

}  // namespace

const std::vector<std::string>& Shape_Names() {
    static const std::vector<std::string> names = {"campaign", "all-pairs", "monitoring", "grid", "traverse", "sample"};
    return names;
}

Project Generate_Shape(const ShapeOptions& options) {
    if (options.shape == "campaign") return Campaign(options);
    if (options.shape == "all-pairs") return All_Pairs(options);
    if (options.shape == "monitoring") return Monitoring(options);
    if (options.shape == "grid") return Grid(options);
    if (options.shape == "traverse") return Traverse(options);
    if (options.shape == "sample") return Sample(options);
    throw std::invalid_argument("unknown shape \"" + options.shape + "\"");
}

}  // namespace min_lumo_kit

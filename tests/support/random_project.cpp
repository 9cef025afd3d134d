#include "tests/support/random_project.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace min_lumo_test {

using namespace min_lumo;

uint64_t SeededRandom::Next() {
    state_ += 0x9E3779B97F4A7C15ULL;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int32_t SeededRandom::Between(int32_t lo, int32_t hi) {
    const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo) + 1;
    return static_cast<int32_t>(lo + static_cast<int64_t>(Next() % span));
}

bool SeededRandom::Chance(int32_t percent) { return Between(0, 99) < percent; }

double SeededRandom::Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

namespace {

template <typename T> const T& Pick(SeededRandom& random, const std::vector<T>& values) {
    return values[static_cast<std::size_t>(random.Between(0, static_cast<int32_t>(values.size()) - 1))];
}

std::string Random_Token(SeededRandom& random, int32_t length) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-.";
    std::string token;
    for (int32_t i = 0; i < length; ++i)
        token += letters[random.Between(0, static_cast<int32_t>(sizeof letters) - 2)];
    return token;
}

std::string Flip_Case(SeededRandom& random, std::string text) {
    for (char& c : text) {
        if (!random.Chance(50)) continue;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Four tokens of at most 11 characters, whitespace of several kinds between
// them, sometimes leading whitespace and a fifth token; always under 32 bytes.
std::string Random_Label(SeededRandom& random) {
    for (;;) {
        std::string label;
        if (random.Chance(15)) label += random.Chance(50) ? " " : "\t";
        for (int32_t t = 0; t < 4; ++t) {
            if (t > 0) label += Pick(random, std::vector<std::string>{" ", " ", " ", "  ", "\t", " \t"});
            label += Random_Token(random, random.Chance(70) ? random.Between(1, 4) : random.Between(1, 11));
        }
        if (random.Chance(15)) label += " " + Random_Token(random, random.Between(1, 5));
        if (random.Chance(5)) label += " ";
        if (label.size() < 32) return label;
    }
}

std::string Random_Source_Name(SeededRandom& random) {
    const int32_t length = random.Chance(5) ? random.Between(200, 255) : random.Between(0, 24);
    return Random_Token(random, length);
}

// A small grid of times so that equal and touching times are common.
double Grid_Time(SeededRandom& random, double base, double step) {
    return base + step * static_cast<double>(random.Between(-2, 6));
}

double Non_Finite(SeededRandom& random) {
    switch (random.Between(0, 2)) {
    case 0: return std::numeric_limits<double>::quiet_NaN();
    case 1: return std::numeric_limits<double>::infinity();
    default: return -std::numeric_limits<double>::infinity();
    }
}

struct Session {
    double start;
    double length;
    std::vector<int32_t> baselines;
};

void Add_Sources(SeededRandom& random, HostProject& project) {
    const int32_t count = random.Between(1, 4);
    for (int32_t i = 0; i < count; ++i) {
        int32_t denominator = random.Between(-12, 12);
        if (denominator == 0) denominator = 10;
        project.Add_Source(random.Between(-20, 20), denominator);
    }
}

void Add_Stations(SeededRandom& random, HostProject& project, int32_t count, std::vector<std::string>& names) {
    // A few shared positions make equal baseline lengths (and equal scores).
    std::vector<std::pair<double, double>> places;
    for (int32_t i = 0; i < 4; ++i)
        places.emplace_back(random.Unit() * 120.0 - 60.0, random.Unit() * 360.0 - 180.0);
    for (int32_t i = 0; i < count; ++i) {
        StationFields fields;
        if (random.Chance(8)) fields.name = "longstationname_" + std::to_string(i);  // never a control
        else if (random.Chance(10) && !names.empty()) fields.name = Flip_Case(random, Pick(random, names));
        else fields.name = Flip_Case(random, "st" + std::to_string(i));
        const auto& place = Pick(random, places);
        const double offset = random.Chance(40) ? 0.0 : random.Unit() * 0.05;
        fields.latitude = place.first + offset;
        fields.longitude = place.second + (random.Chance(50) ? 0.0 : random.Unit() * 0.05);
        fields.height = static_cast<float>(random.Between(-50, 3000)) * 0.5F;
        const int32_t flagCase = random.Between(0, 9);
        fields.positionFlagA = flagCase == 0 ? 0 : (flagCase < 5 ? 1 : (random.Chance(20) ? 2 : 0));
        fields.positionFlagB = random.Chance(25) ? random.Between(1, 3) : 0;
        fields.positionFlagC = random.Chance(20) ? 1 : 0;
        if (random.Chance(12)) fields.positionFlagA = fields.positionFlagB = fields.positionFlagC = 0;
        fields.treeControl = random.Between(-3, 9);
        fields.treeLevel = random.Between(-2, 5);
        names.push_back(fields.name);
        project.Add_Station(fields);
    }
}

// Pairs repeat, also reversed; a rare baseline has one station at both ends.
std::vector<std::pair<int32_t, int32_t>> Add_Baselines(SeededRandom& random, HostProject& project,
                                                       int32_t stationCount) {
    std::vector<std::pair<int32_t, int32_t>> ends;
    const int32_t count = random.Between(stationCount, 3 * stationCount);
    for (int32_t i = 0; i < count; ++i) {
        int32_t from = random.Between(0, stationCount - 1);
        int32_t to = random.Between(0, stationCount - 1);
        if (!ends.empty() && random.Chance(15)) {
            std::tie(from, to) = Pick(random, ends);
            if (random.Chance(50)) std::swap(from, to);
        } else if (from == to && !random.Chance(10)) {
            to = (from + 1) % stationCount;
        }
        ends.emplace_back(from, to);
        const int32_t index = project.Add_Baseline(from, to);
        Write_Field(project.Baseline(index), baseline::directionLevel, random.Between(-1, 4));
    }
    return ends;
}

// Baselines among a random subset of the stations; at least two.
std::vector<int32_t> Session_Baselines(SeededRandom& random, const std::vector<std::pair<int32_t, int32_t>>& ends,
                                       int32_t stationCount) {
    std::vector<bool> chosen(static_cast<std::size_t>(stationCount), false);
    const int32_t wanted = random.Between(std::min(3, stationCount), std::min(12, stationCount));
    for (int32_t k = 0; k < wanted; ++k) chosen[static_cast<std::size_t>(random.Between(0, stationCount - 1))] = true;
    std::vector<int32_t> lines;
    for (int32_t b = 0; b < static_cast<int32_t>(ends.size()); ++b) {
        const auto& [from, to] = ends[static_cast<std::size_t>(b)];
        if (chosen[static_cast<std::size_t>(from)] && chosen[static_cast<std::size_t>(to)]) lines.push_back(b);
    }
    while (lines.size() < 2) lines.push_back(random.Between(0, static_cast<int32_t>(ends.size()) - 1));
    return lines;
}

void Draw_Times(SeededRandom& random, const Session& session, ObservationFields& fields) {
    const double step = session.length / 4.0;
    const int32_t shape = random.Between(0, 19);
    if (shape < 8) {  // the session itself, sometimes a little shifted
        fields.startTime = session.start + (random.Chance(60) ? 0.0 : step * random.Between(-1, 1));
        fields.endTime = session.start + session.length + (random.Chance(60) ? 0.0 : step * random.Between(-1, 2));
    } else if (shape < 12) {  // anywhere on the grid
        fields.startTime = Grid_Time(random, session.start, step);
        fields.endTime = fields.startTime + step * random.Between(1, 6);
    } else if (shape < 14) {  // spans the whole mean window
        fields.startTime = session.start - step * random.Between(1, 3);
        fields.endTime = session.start + session.length + step * random.Between(1, 3);
    } else if (shape < 16) {  // zero duration
        fields.startTime = Grid_Time(random, session.start, step);
        fields.endTime = fields.startTime;
    } else if (shape < 17) {  // negative duration
        fields.startTime = Grid_Time(random, session.start, step);
        fields.endTime = fields.startTime - step * random.Between(1, 3);
    } else {  // touching the session's ends
        fields.startTime = random.Chance(50) ? session.start + session.length : session.start - step;
        fields.endTime = fields.startTime + (random.Chance(50) ? step : session.length);
    }
    if (random.Chance(10)) fields.startTime += random.Unit() * 7.0;  // off the grid
}

void Draw_Score_Fields(SeededRandom& random, int32_t sourceCount, ObservationFields& fields) {
    switch (random.Between(0, 3)) {
    case 0: fields.timeSpan = -1.0; break;  // end minus start (clamped below)
    case 1: fields.timeSpan = 900.0 * random.Between(0, 12); break;
    case 2: fields.timeSpan = 900.0 * random.Between(0, 12) + random.Between(-1, 1) * 0.5; break;
    default: fields.timeSpan = 3600.0; break;
    }
    fields.fromSource = random.Between(0, sourceCount - 1);
    fields.toSource = random.Between(0, sourceCount - 1);
    fields.forced = random.Chance(10) ? random.Between(1, 3) : 0;
    const int32_t status = random.Between(0, 9);
    fields.solutionStatus = status == 0 ? -1 : (status < 6 ? 0 : random.Between(-5, 7));
    fields.removed = random.Chance(20) ? 1 : 0;
    fields.label = Random_Label(random);
    fields.fromSourceName = Random_Source_Name(random);
    fields.toSourceName = Random_Source_Name(random);
}

void Add_Observations(SeededRandom& random, HostProject& project, const RandomProjectOptions& options,
                      const std::vector<std::pair<int32_t, int32_t>>& ends, int32_t stationCount,
                      int32_t sourceCount) {
    const int32_t sessionCount = random.Between(1, 6);
    const int32_t budget = random.Between(3, std::max(3, options.largestObservationCount));
    std::vector<Session> sessions;
    double start = 3600.0 * random.Between(0, 3);
    for (int32_t s = 0; s < sessionCount; ++s) {
        Session session;
        session.length = random.Chance(70) ? 3600.0 : 900.0 * random.Between(1, 8);
        // Sessions touch, overlap or stand apart.
        start += session.length * Pick(random, std::vector<double>{0.0, 0.25, 0.5, 1.0, 1.0, 1.5, 3.0});
        session.start = start;
        session.baselines = Session_Baselines(random, ends, stationCount);
        sessions.push_back(session);
    }
    int32_t made = 0;
    while (made < budget) {
        const Session& session = Pick(random, sessions);
        const int32_t size = std::min(budget - made, random.Between(3, 40));
        for (int32_t k = 0; k < size; ++k, ++made) {
            ObservationFields fields;
            fields.baseline = Pick(random, session.baselines);
            Draw_Times(random, session, fields);
            if (options.nonFiniteTimes && random.Chance(5)) fields.startTime = Non_Finite(random);
            if (options.nonFiniteTimes && random.Chance(5)) fields.endTime = Non_Finite(random);
            Draw_Score_Fields(random, sourceCount, fields);
            if (fields.timeSpan < 0.0) fields.timeSpan = std::max(0.0, fields.endTime - fields.startTime);
            if (fields.timeSpan != fields.timeSpan) fields.timeSpan = 0.0;
            project.Add_Observation(fields);
        }
    }
}

void Add_Controls(SeededRandom& random, HostProject& project, const std::vector<std::string>& names) {
    const int32_t count = random.Between(0, 4);
    for (int32_t i = 0; i < count; ++i) {
        std::string name;
        const int32_t kind = random.Between(0, 9);
        if (kind < 6 && !names.empty()) name = Flip_Case(random, Pick(random, names));
        else if (kind < 8) name = "nomatch" + std::to_string(i);
        else name = Random_Token(random, random.Between(0, 15));
        if (name.size() > 15) name.resize(15);
        project.Add_Control(name, random.Chance(25) ? random.Between(1, 2) : 0);
    }
}

// Bytes [from, to) of a record are covered by a field.
void Cover(std::vector<bool>& mask, int32_t from, int32_t to) {
    for (int32_t i = from; i < to; ++i) mask[static_cast<std::size_t>(i)] = true;
}

template <RecordKind K> void Cover_Text(std::vector<bool>& mask, Record<K> record, TextField<K> field) {
    const char* text = Text_Field(record, field);
    const auto length = static_cast<int32_t>(strnlen(text, static_cast<std::size_t>(field.capacity)));
    Cover(mask, field.offset, field.offset + std::min(length + 1, field.capacity));
}

// Eight random bytes per draw keeps large station records cheap.
template <RecordKind K>
void Fill_Uncovered(SeededRandom& random, std::byte* record, const std::vector<bool>& mask) {
    uint64_t bits = 0;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (i % 8 == 0) bits = random.Next();
        if (!mask[i]) record[i] = static_cast<std::byte>(bits & 0xFF);
        bits >>= 8;
    }
}

template <RecordKind K> std::vector<bool> Empty_Mask() {
    return std::vector<bool>(static_cast<std::size_t>(RecordStride<K>), false);
}

// The host may leave sourceCount at anything: neither job reads it.
void Vary_Source_Count(SeededRandom& random, HostProject& project) {
    const int32_t held = project.Count<RecordKind::Source>();
    switch (random.Between(0, 5)) {
    case 0: project.headerEdits.sourceCount = 0; break;
    case 1: project.headerEdits.sourceCount = 1; break;
    case 2: project.headerEdits.sourceCount = random.Between(0, 2 * held); break;
    case 3: project.headerEdits.sourceCount = random.Between(-100000, -1); break;
    case 4: project.headerEdits.sourceCount = random.Between(held, 1 << 30); break;
    default: break;  // the true count
    }
}

}  // namespace

void Randomise_Uncovered_Bytes(HostProject& project, uint64_t seed) {
    SeededRandom random(seed);
    for (int32_t i = 0; i < project.Count<RecordKind::Source>(); ++i) {
        auto mask = Empty_Mask<RecordKind::Source>();
        Cover(mask, source::ratioDenominator.offset, source::ratioNumerator.offset + 4);
        Fill_Uncovered<RecordKind::Source>(random, project.Source(i).bytes, mask);
    }
    for (int32_t i = 0; i < project.Count<RecordKind::Station>(); ++i) {
        StationRef record = project.Station(i);
        auto mask = Empty_Mask<RecordKind::Station>();
        Cover_Text(mask, record, station::name);
        Cover(mask, station::positionFlagA.offset, station::positionFlagB.offset + 4);
        Cover(mask, station::positionFlagC.offset, station::positionFlagC.offset + 4);
        Cover(mask, station::treeControl.offset, station::treeLevel.offset + 4);
        Fill_Uncovered<RecordKind::Station>(random, record.bytes, mask);
    }
    for (int32_t i = 0; i < project.Count<RecordKind::Baseline>(); ++i) {
        BaselineRef record = project.Baseline(i);
        auto mask = Empty_Mask<RecordKind::Baseline>();
        const int32_t listed = Read_Field(record, baseline::observationCount);
        Cover(mask, baseline::fromStation.offset, baseline::observationIndexOffset + 4 * listed);
        Cover(mask, baseline::directionLevel.offset, baseline::directionLevel.offset + 4);
        Fill_Uncovered<RecordKind::Baseline>(random, record.bytes, mask);
    }
    for (int32_t i = 0; i < project.Count<RecordKind::Observation>(); ++i) {
        ObservationRef record = project.Observation(i);
        auto mask = Empty_Mask<RecordKind::Observation>();
        Cover_Text(mask, record, observation::label);
        Cover_Text(mask, record, observation::fromSourceName);
        Cover_Text(mask, record, observation::toSourceName);
        Cover(mask, observation::timeSpan.offset, observation::baselineSlot.offset + 4);
        Cover(mask, observation::solutionStatus.offset, observation::solutionStatus.offset + 4);
        Cover(mask, observation::removed.offset, RecordStride<RecordKind::Observation>);
        Fill_Uncovered<RecordKind::Observation>(random, record.bytes, mask);
    }
    for (int32_t i = 0; i < project.Count<RecordKind::Control>(); ++i) {
        ControlRef record = project.Control(i);
        auto mask = Empty_Mask<RecordKind::Control>();
        Cover_Text(mask, record, control::name);
        Cover(mask, control::inactive.offset, control::inactive.offset + 4);
        Fill_Uncovered<RecordKind::Control>(random, record.bytes, mask);
    }
}

HostProject Random_Project(uint64_t seed, const RandomProjectOptions& options) {
    SeededRandom random(seed);
    HostProject project(static_cast<std::byte>(random.Between(0, 255)));
    Add_Sources(random, project);
    const int32_t sourceCount = project.Count<RecordKind::Source>();
    std::vector<std::string> names;
    const bool empty = random.Chance(3);
    const int32_t stationCount = empty && random.Chance(50) ? 0 : random.Between(3, random.Chance(20) ? 20 : 12);
    Add_Stations(random, project, stationCount, names);
    if (stationCount > 0) {
        const auto ends = Add_Baselines(random, project, stationCount);
        if (!empty) Add_Observations(random, project, options, ends, stationCount, sourceCount);
    }
    Add_Controls(random, project, names);
    Randomise_Uncovered_Bytes(project, random.Next());
    Vary_Source_Count(random, project);
    return project;
}

void Break_What_Minimisation_Never_Reads(HostProject& project, uint64_t seed) {
    SeededRandom random(seed);
    const int32_t stationCount = project.Count<RecordKind::Station>();
    switch (random.Between(0, 3)) {
    case 0: project.headerEdits.controlCount = random.Between(-1000, -1); break;
    case 1: project.headerEdits.withoutControls = true; project.headerEdits.controlCount = random.Between(1, 9); break;
    case 2: project.headerEdits.controlCount = project.Count<RecordKind::Control>() + random.Between(1, 50); break;
    default: break;
    }
    // Baselines that no observation names, with ends outside the station array.
    const int32_t broken = random.Between(0, 3);
    for (int32_t i = 0; i < broken; ++i) {
        const int32_t outside = random.Chance(50) ? random.Between(-5, -1) : stationCount + random.Between(0, 5);
        const int32_t inside = stationCount > 0 ? random.Between(0, stationCount - 1) : -1;
        if (random.Chance(50))
            project.Add_Baseline(outside, inside);
        else
            project.Add_Baseline(inside, outside);
    }
}

}  // namespace min_lumo_test

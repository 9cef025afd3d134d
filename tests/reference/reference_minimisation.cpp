// The yardstick of the differential tests: the grouping into time-networks,
// the network tables and the per-network selection written out step by step,
// the slow and obvious way (insertion sorts, linear scans, a fresh start of
// the station rules after each decision), in plain vectors with indices.  It
// shares no code with the library's building and selection.  Scores come
// from the library's own score (its golden tables check it), orientation is
// the library's own (only to keep both copies of the host memory alike
// between minimisations), and the handshake is written out once more.
#include <cstring>
#include <string>
#include <vector>

#include "host/host_records.h"
#include "minimise/run_inspection.h"
#include "orient/orient_baselines.h"
#include "tests/reference/reference_entry_points.h"

namespace min_lumo_reference {

namespace {

using min_lumo::Locate_Baseline;
using min_lumo::Locate_Observation;
using min_lumo::Read_Field;
namespace observation = min_lumo::observation;
namespace baseline = min_lumo::baseline;

enum State : int32_t { Undecided = 0, Rejected = 1, Selected = 2, Excluded = 5, Forced = 6 };

struct Entry {
    int32_t network = -1;
    int32_t observation = 0;
    double start = 0.0;
    double end = 0.0;
    double duration = 0.0;
    int32_t score = 0;
    int32_t state = Undecided;
    int32_t fromStation = -1;  // positions in the network's station list
    int32_t toStation = -1;
};

struct Station {
    int32_t station = 0;           // host index
    std::vector<int32_t> listed;   // host observation indices
    int32_t open = 0;
    int32_t selected = 0;
};

struct Network {
    int32_t index = 0;
    double earliestStart = 0.0;
    double latestEnd = 0.0;
    double meanStart = 0.0;
    double meanEnd = 0.0;
    int32_t count = 0;
    std::vector<Entry> entries;
    std::vector<Station> stations;
};

std::string Message;

// ---- Grouping ----

void Open(std::vector<Network>& networks, Entry& entry) {
    Network network;
    network.index = static_cast<int32_t>(networks.size());
    network.earliestStart = network.meanStart = entry.start;
    network.latestEnd = network.meanEnd = entry.end;
    network.count = 1;
    entry.network = network.index;
    networks.push_back(network);
}

void Join(Network& network, Entry& entry) {
    const double w = network.count;
    network.meanStart = (w * network.meanStart + entry.start) / (w + 1.0);
    network.meanEnd = (w * network.meanEnd + entry.end) / (w + 1.0);
    network.count += 1;
    entry.network = network.index;
}

std::vector<Network> Group(const ProjectHeader* project, std::vector<Entry>& entries) {
    for (int32_t j = 0; j < project->observationCount; ++j) {
        Entry entry;
        entry.observation = j;
        entry.start = Read_Field(Locate_Observation(project, j), observation::startTime);
        entry.end = Read_Field(Locate_Observation(project, j), observation::endTime);
        entry.duration = entry.end - entry.start;
        entries.push_back(entry);
    }
    for (std::size_t i = 1; i < entries.size(); ++i) {  // insertion sort by start, stable
        const Entry taken = entries[i];
        std::size_t gap = i;
        while (gap > 0 && entries[gap - 1].start > taken.start) {
            entries[gap] = entries[gap - 1];
            --gap;
        }
        entries[gap] = taken;
    }
    std::vector<Network> networks;
    for (Entry& entry : entries) {  // seeds
        bool covered = false;
        for (const Network& network : networks)
            if ((network.latestEnd - entry.start) / entry.duration >= 0.1) covered = true;
        if (!covered) Open(networks, entry);
    }
    for (Entry& entry : entries) {  // joins by mean window
        if (entry.network != -1) continue;
        double best = -100000.0;
        Network* bestNetwork = nullptr;
        Network* inside = nullptr;
        for (Network& network : networks) {
            const double s = entry.start, e = entry.end, ms = network.meanStart, me = network.meanEnd;
            if (!(e > ms && s < me)) continue;
            if (s >= ms && e <= me) {
                inside = &network;
                break;
            }
            double overlap = 0.0;
            if (s < ms && e <= me) overlap = e - ms;
            else if (s >= ms && e > me) overlap = me - s;
            else continue;
            if (overlap > best) {
                best = overlap;
                bestNetwork = &network;
            }
        }
        if (inside != nullptr) {
            Join(*inside, entry);
        } else if (bestNetwork != nullptr) {
            if (bestNetwork->latestEnd < entry.end) bestNetwork->latestEnd = entry.end;
            if (bestNetwork->earliestStart > entry.start) bestNetwork->earliestStart = entry.start;
            Join(*bestNetwork, entry);
        }
    }
    for (Entry& entry : entries)  // the rest alone
        if (entry.network == -1) Open(networks, entry);
    return networks;
}

// ---- Tables ----

int32_t Find_Station(const Network& network, int32_t station) {
    for (std::size_t s = 0; s < network.stations.size(); ++s)
        if (network.stations[s].station == station) return static_cast<int32_t>(s);
    return -1;
}

// A baseline with the same station at both ends enters it once, is listed
// there once and takes no part (Excluded).
void Build_Tables(const ProjectHeader* project, std::vector<Network>& networks, const std::vector<Entry>& entries) {
    for (const Entry& entry : entries) networks[static_cast<std::size_t>(entry.network)].entries.push_back(entry);
    for (Network& network : networks) {
        for (Entry& entry : network.entries) {
            const auto record = Locate_Observation(project, entry.observation);
            const auto line = Locate_Baseline(project, Read_Field(record, observation::baseline));
            const int32_t from = Read_Field(line, baseline::fromStation);
            const int32_t to = Read_Field(line, baseline::toStation);
            if (Read_Field(record, observation::forced) != 0) entry.state = Forced;
            if (Read_Field(record, observation::solutionStatus) == -1 || from == to) entry.state = Excluded;
            const bool fromFound = Find_Station(network, from) >= 0;
            const bool toFound = Find_Station(network, to) >= 0;
            if (!fromFound) network.stations.push_back({from, {}, 0, 0});
            if (!toFound && to != from) network.stations.push_back({to, {}, 0, 0});
            entry.fromStation = Find_Station(network, from);
            entry.toStation = Find_Station(network, to);
        }
        for (std::size_t s = 0; s < network.stations.size(); ++s) {
            Station& station = network.stations[s];
            for (const Entry& entry : network.entries) {
                if (entry.fromStation != static_cast<int32_t>(s) && entry.toStation != static_cast<int32_t>(s)) continue;
                station.listed.push_back(entry.observation);
                if (entry.state == Forced) ++station.selected;
                if (entry.state == Undecided) ++station.open;
            }
        }
    }
}

// ---- Selection ----

void Select(Network& n, Entry& o) {
    o.state = Selected;
    for (const int32_t end : {o.fromStation, o.toStation}) --n.stations[static_cast<std::size_t>(end)].open;
    for (const int32_t end : {o.fromStation, o.toStation}) ++n.stations[static_cast<std::size_t>(end)].selected;
}

void Select_And_Saturate(Network& n, Entry& o) {
    o.state = Selected;
    for (const int32_t end : {o.fromStation, o.toStation}) {
        Station& s = n.stations[static_cast<std::size_t>(end)];
        if (s.open == 1 && s.selected == 0) s.selected = 2;
    }
    for (const int32_t end : {o.fromStation, o.toStation}) --n.stations[static_cast<std::size_t>(end)].open;
}

void Reject(Network& n, Entry& o) {
    for (const int32_t end : {o.fromStation, o.toStation}) {
        const Station& s = n.stations[static_cast<std::size_t>(end)];
        if ((s.open == 2 && s.selected == 0) || (s.open == 1 && (s.selected == 0 || s.selected == 1))) return;
    }
    o.state = Rejected;
    for (const int32_t end : {o.fromStation, o.toStation}) --n.stations[static_cast<std::size_t>(end)].open;
}

bool Listed(const Station& s, int32_t observationIndex) {
    for (const int32_t listed : s.listed)
        if (listed == observationIndex) return true;
    return false;
}

bool Touches(const Entry& o, int32_t station) { return o.fromStation == station || o.toStation == station; }

Entry* First_Open_Listed(Network& n, const Station& s) {
    for (Entry& o : n.entries)
        if (o.state == Undecided && Listed(s, o.observation)) return &o;
    return nullptr;
}

void Propagate(Network& n) {
    std::size_t at = 0;
    while (at < n.stations.size()) {
        Station& s = n.stations[at];
        bool again = false;
        if (s.selected == 2 && s.open > 0) {
            for (Entry& o : n.entries) {
                if (o.state != Undecided || !Listed(s, o.observation)) continue;
                Reject(n, o);
                if (s.open == 0) {
                    again = true;
                    break;
                }
            }
        } else if ((s.selected == 0 && (s.open == 1 || s.open == 2)) || (s.selected == 1 && s.open == 1)) {
            const bool saturate = s.selected == 0 && s.open == 1;
            if (Entry* o = First_Open_Listed(n, s)) {
                if (saturate) Select_And_Saturate(n, *o);
                else Select(n, *o);
                again = true;
            }
        }
        at = again ? 0 : at + 1;
    }
}

// Selects the first open observation at a station and propagates; false
// when the station has none.
bool Take_At(Network& n, int32_t station) {
    for (Entry& o : n.entries) {
        if (o.state != Undecided || !Touches(o, station)) continue;
        Select(n, o);
        Propagate(n);
        return true;
    }
    return false;
}

void Fewest_Open_First(Network& n, int32_t selected) {
    for (;;) {
        int32_t bound = 30000;
        int32_t choice = -1;
        for (std::size_t s = 0; s < n.stations.size(); ++s) {
            const Station& station = n.stations[s];
            if (station.selected != selected || station.open >= bound) continue;
            if (selected == 1 && station.open <= 0) continue;
            choice = static_cast<int32_t>(s);
            bound = station.open;
        }
        if (choice < 0 || !Take_At(n, choice)) return;
    }
}

void Decide(Network& n, const std::vector<int32_t>& scores) {
    if (n.entries.size() <= 2) {
        for (Entry& o : n.entries) Select(n, o);
        return;
    }
    for (Entry& o : n.entries) o.score = scores[static_cast<std::size_t>(o.observation)];
    for (std::size_t i = 1; i < n.entries.size(); ++i) {  // insertion sort, best first, stable
        const Entry taken = n.entries[i];
        std::size_t gap = i;
        while (gap > 0 && n.entries[gap - 1].score < taken.score) {
            n.entries[gap] = n.entries[gap - 1];
            --gap;
        }
        n.entries[gap] = taken;
    }
    for (Station& s : n.stations)
        if (s.open == 0) s.selected = 2;
    Propagate(n);
    Fewest_Open_First(n, 0);
    for (std::size_t s = 0; s < n.stations.size(); ++s)
        if (n.stations[s].selected == 0) Take_At(n, static_cast<int32_t>(s));
    Fewest_Open_First(n, 1);
}

// The library's score of every observation, in host order.
std::vector<int32_t> Library_Scores(const ProjectHeader* project) {
    std::vector<int32_t> scores(static_cast<std::size_t>(project->observationCount), 0);
    const min_lumo::RunInspector inspector{
        &scores, nullptr,
        [](void* context, const min_lumo::InspectedObservation& o) {
            (*static_cast<std::vector<int32_t>*>(context))[static_cast<std::size_t>(o.observation)] = o.score;
        },
        nullptr};
    min_lumo::Inspect_Minimisation(project, min_lumo::InspectionStage::Built, inspector);
    return scores;
}

}  // namespace

int32_t Reference_Min_Lumo(const int32_t structSizes[MIN_LUMO_STRUCT_SIZE_COUNT], ProjectHeader* project) {
    const int32_t accepted[MIN_LUMO_STRUCT_SIZE_COUNT] = MIN_LUMO_STRUCT_SIZES;
    if (structSizes == nullptr
        || std::memcmp(structSizes, accepted, sizeof accepted) != 0) {
        Message = "Invalid structure size in min_lumo.  This DLL version does not match Orvanta's";
        return 1;
    }
    std::vector<Entry> entries;
    std::vector<Network> networks = Group(project, entries);
    if (networks.empty()) {
        Message = "No time-networks found";
        return 1;
    }
    Build_Tables(project, networks, entries);
    const std::vector<int32_t> scores = Library_Scores(project);
    for (Network& network : networks) Decide(network, scores);
    for (const Network& network : networks)
        for (const Entry& o : network.entries) {
            if (o.state != Rejected) continue;
            min_lumo::Write_Field(Locate_Observation(project, o.observation), observation::removed, 1);
            min_lumo::Write_Field(Locate_Observation(project, o.observation), observation::solutionStatus, -1);
        }
    return 0;
}

int32_t Reference_Fix_Baseline_Direction(ProjectHeader* project) { return min_lumo::Orient_Baselines(project); }

int32_t Reference_Get_Error_Message(char* buffer) {
    std::memcpy(buffer, Message.c_str(), Message.size() + 1);
    return static_cast<int32_t>(Message.size() + 1);
}

}  // namespace min_lumo_reference

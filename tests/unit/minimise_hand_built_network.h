// A time-network built by hand, the way the network building lays its tables
// out, from a list such as {{"W-X", 60}, {"W-Y", 50, Forced}}: the observations
// in list order (which is their start-time order), the stations in order of
// first appearance (from end before to end), each with its list and counters.
// A host project behind it makes Score_Observation give each observation the
// listed score (plus 22000 when Forced): every station sits at the same place
// with a usable position, and the one source fails the ratio test.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "network/time_network.h"
#include "tests/support/host_project.h"

namespace min_lumo_test {

struct PairEntry {
    const char* pair;  // "W-X": from station W to station X; names are one letter
    int32_t score = 0;
    min_lumo::ObservationState state = min_lumo::Undecided;
};

class HandBuiltNetwork {
public:
    HandBuiltNetwork(std::initializer_list<PairEntry> pairEntries) : HandBuiltNetwork(std::vector<PairEntry>(pairEntries)) {}
    explicit HandBuiltNetwork(const std::vector<PairEntry>& pairEntries) {
        project.Add_Source(0, 1);  // quotient 0: no source bonus
        for (const PairEntry& pairEntry : pairEntries) Add_Pair(pairEntry);
        Build_Stations();
        network.index = 0;
        network.observationCount = static_cast<int32_t>(observations.size());
        network.observations = observations.data();
        network.stationCount = static_cast<int32_t>(stations.size());
        network.stations = stations.data();
        min_lumo::CurrentProject = project.Header();
    }
    HandBuiltNetwork(const HandBuiltNetwork&) = delete;
    HandBuiltNetwork& operator=(const HandBuiltNetwork&) = delete;

    // The state of the observation listed at `listPosition`, wherever the
    // selection has moved its entry.
    min_lumo::ObservationState State(int32_t listPosition) const {
        for (const min_lumo::NetObservation& entry : observations)
            if (entry.observation == listPosition) return static_cast<min_lumo::ObservationState>(entry.state);
        return static_cast<min_lumo::ObservationState>(-1);
    }
    std::vector<min_lumo::ObservationState> States() const {
        std::vector<min_lumo::ObservationState> all;
        for (int32_t i = 0; i < static_cast<int32_t>(observations.size()); ++i) all.push_back(State(i));
        return all;
    }
    min_lumo::NetStation& Station(char name) {
        for (min_lumo::NetStation& entry : stations)
            if (entry.station == Station_Index(name)) return entry;
        return stations.front();
    }
    // Host indices in the current order of the NetObservation table.
    std::vector<int32_t> Table_Order() const {
        std::vector<int32_t> order;
        for (const min_lumo::NetObservation& entry : observations) order.push_back(entry.observation);
        return order;
    }

    HostProject project;
    min_lumo::TimeNetwork network{};
    std::vector<min_lumo::NetObservation> observations;
    std::vector<min_lumo::NetStation> stations;

private:
    // Stations are found by their one-letter names in the host records.
    int32_t Station_Index(char name) {
        const auto count = static_cast<int32_t>(project.stations.size() / 13640U);
        for (int32_t i = 0; i < count; ++i)
            if (min_lumo::Text_Field(project.Station(i), min_lumo::station::name)[0] == name) return i;
        return project.Add_Station(std::string(1, name));
    }

    void Add_Pair(const PairEntry& pairEntry) {
        const int32_t from = Station_Index(pairEntry.pair[0]);
        const int32_t to = Station_Index(pairEntry.pair[2]);
        const int32_t line = project.Add_Baseline(from, to);
        const auto position = static_cast<double>(observations.size());
        ObservationFields fields;
        fields.baseline = line;
        fields.startTime = position;
        fields.endTime = position + 1.0;
        fields.forced = pairEntry.state == min_lumo::Forced ? 1 : 0;
        fields.solutionStatus = pairEntry.state == min_lumo::Excluded ? -1 : 0;
        const int32_t index = project.Add_Observation(fields);
        // Exactly `score` time points (a negative span too, which the fields
        // would read as "end minus start").
        min_lumo::Write_Field(project.Observation(index), min_lumo::observation::timeSpan, 900.0 * pairEntry.score);
        min_lumo::NetObservation entry{};
        entry.observation = index;
        entry.startTime = fields.startTime;
        entry.endTime = fields.endTime;
        entry.duration = 1.0;
        entry.state = pairEntry.state;
        observations.push_back(entry);
        ends_.push_back({from, to});
    }

    // Stations in order of first appearance, then their lists and counters.
    // A baseline with one station at both ends gets one entry, referenced by
    // both ends and listing the observation once.
    void Build_Stations() {
        std::vector<int32_t> order;
        auto present = [&](int32_t s) {
            for (int32_t o : order)
                if (o == s) return true;
            return false;
        };
        for (const auto& [from, to] : ends_) {
            const bool fromPresent = present(from);
            const bool toPresent = present(to);
            if (!fromPresent) order.push_back(from);
            if (!toPresent && to != from) order.push_back(to);
        }
        stations.resize(order.size());
        lists_.resize(order.size());
        for (std::size_t s = 0; s < order.size(); ++s) {
            min_lumo::NetStation& entry = stations[s];
            entry.inUse = 1;
            entry.station = order[s];
            lists_[s].assign(observations.size(), 0);
            entry.observationIndex = lists_[s].data();
            for (std::size_t o = 0; o < observations.size(); ++o) {
                min_lumo::NetObservation& obs = observations[o];
                if (ends_[o].first != entry.station && ends_[o].second != entry.station) continue;
                entry.observationIndex[entry.observationCount++] = obs.observation;
                if (obs.state == min_lumo::Forced) entry.selectedCount += 1;
                if (obs.state == min_lumo::Undecided) entry.openCount += 1;
                if (ends_[o].first == entry.station) obs.fromNetStation = &entry;
                if (ends_[o].second == entry.station) obs.toNetStation = &entry;
            }
        }
    }

    std::vector<std::pair<int32_t, int32_t>> ends_;
    std::vector<std::vector<int32_t>> lists_;
};

}  // namespace min_lumo_test

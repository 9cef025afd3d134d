#include "tool/run/explain.h"

#include <map>

#include <fmt/format.h>

#include "hostkit/project_model.h"
#include "minimise/run_inspection.h"

namespace min_lumo_tool {

using min_lumo_kit::Baseline_Ends_Text;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;

namespace {

std::string Count_Words(int32_t count, const char* thing) {
    static constexpr const char* words[] = {"no", "one", "two", "three", "four", "five"};
    const std::string number = count >= 0 && count <= 5 ? words[count] : std::to_string(count);
    return fmt::format("{} {}{}", number, thing, count == 1 ? "" : "s");
}

// What the decided network looks like at each of its stations.
struct StationTally {
    int32_t kept = 0;    // selected or forced at the end
    int32_t usable = 0;  // not excluded before the run
    std::vector<int32_t> keptObservations;
};

class Explainer {
public:
    Explainer(const Project& before, MinimiseResult& result) : before_(before), result_(result) {}

    void Run() {
        for (const InspectedNetwork& network : result_.inspection.networks) {
            const std::map<int32_t, StationTally> tallies = Tally(network);
            for (const int32_t observation : network.observations)
                result_.observations[static_cast<std::size_t>(observation)].reason =
                    Reason(network, tallies, observation);
        }
    }

private:
    bool Kept(int32_t observation) const {
        const ObservationResult& outcome = result_.observations[static_cast<std::size_t>(observation)];
        return outcome.state == "selected" || outcome.state == "forced";
    }

    std::pair<int32_t, int32_t> Ends(int32_t observation) const {
        const ProjectObservation& record = before_.observations[static_cast<std::size_t>(observation)];
        const ProjectBaseline& baseline = before_.baselines[static_cast<std::size_t>(record.baseline)];
        return {baseline.fromStation, baseline.toStation};
    }

    const std::string& Name(int32_t station) const { return before_.stations[static_cast<std::size_t>(station)].name; }

    std::map<int32_t, StationTally> Tally(const InspectedNetwork& network) const {
        std::map<int32_t, StationTally> tallies;
        for (const int32_t observation : network.observations) {
            const auto [from, to] = Ends(observation);
            const bool usable = before_.observations[static_cast<std::size_t>(observation)].solutionStatus != -1;
            for (const int32_t station : {from, to}) {
                tallies[station].usable += usable ? 1 : 0;
                if (!Kept(observation)) continue;
                ++tallies[station].kept;
                tallies[station].keptObservations.push_back(observation);
            }
        }
        return tallies;
    }

    std::string Reason(const InspectedNetwork& network, const std::map<int32_t, StationTally>& tallies,
                       int32_t observation) const {
        const ProjectObservation& record = before_.observations[static_cast<std::size_t>(observation)];
        const ObservationResult& outcome = result_.observations[static_cast<std::size_t>(observation)];
        const int32_t internal = result_.inspection.observations[static_cast<std::size_t>(observation)].state;
        const auto [from, to] = Ends(observation);
        if (outcome.rejected && internal != min_lumo::Rejected)
            return "rejected by the library, although the tool's own run of the selection kept it";
        if (!outcome.rejected && internal == min_lumo::Rejected)
            return "kept by the library, although the tool's own run of the selection rejects it";
        if (record.solutionStatus == -1)
            return "excluded: marked excluded before the run (solutionStatus -1), so it takes no part";
        if (network.observations.size() <= static_cast<std::size_t>(min_lumo::LargestKeptWholeNetwork))
            return fmt::format("kept: its time-network has only {}, too few to leave any out",
                               Count_Words(static_cast<int32_t>(network.observations.size()), "observation"));
        if (outcome.state == "forced") return "kept: forced, it must stay in its time-network";
        if (outcome.rejected) return Rejection_Reason(tallies.at(from), tallies.at(to), from, to);
        if (outcome.state == "undecided")
            return fmt::format("kept: no rule decided it, {} and {} already have {} and {} selected observations",
                               Name(from), Name(to), tallies.at(from).kept, tallies.at(to).kept);
        return Selection_Reason(tallies.at(from), tallies.at(to), from, to, observation);
    }

    std::string Rejection_Reason(const StationTally& fromTally, const StationTally& toTally, int32_t from,
                                 int32_t to) const {
        // The end that already had its two is the one that let it go; the
        // other end kept enough without it.
        const bool fromFull = fromTally.kept >= min_lumo::SaturatedSelectedCount;
        const int32_t full = fromFull ? from : to;
        const int32_t spare = fromFull ? to : from;
        const StationTally& fullTally = fromFull ? fromTally : toTally;
        const StationTally& spareTally = fromFull ? toTally : fromTally;
        return fmt::format("rejected: {} already has {} ({}) and {} can spare this one (it keeps {})", Name(full),
                           Count_Words(fullTally.kept, "selected observation"), Baselines_Text(fullTally, -1),
                           Name(spare), Count_Words(spareTally.kept, "selected observation"));
    }

    // The baselines of a station's kept observations, `skipped` left out.
    std::string Baselines_Text(const StationTally& tally, int32_t skipped) const {
        std::string text;
        for (const int32_t kept : tally.keptObservations) {
            if (kept == skipped) continue;
            text += (text.empty() ? "" : ", ")
                    + Baseline_Ends_Text(before_, before_.observations[static_cast<std::size_t>(kept)].baseline);
        }
        return text;
    }

    std::string Selection_Reason(const StationTally& fromTally, const StationTally& toTally, int32_t from,
                                 int32_t to, int32_t observation) const {
        // The end that depends on it most explains it best.
        const bool fromNeedier = fromTally.kept <= toTally.kept;
        const int32_t needy = fromNeedier ? from : to;
        const StationTally& tally = fromNeedier ? fromTally : toTally;
        if (tally.usable == 1) return fmt::format("kept: the only usable observation of {} in this time-network", Name(needy));
        if (tally.kept == 1) return fmt::format("kept: the only selected observation of {}", Name(needy));
        if (tally.kept == min_lumo::SaturatedSelectedCount)
            return fmt::format("kept: one of the two observations {} needs (the other: {})", Name(needy),
                               Baselines_Text(tally, observation));
        return fmt::format("kept: chosen while {} and {} still needed observations; they end with {} and {} selected",
                           Name(from), Name(to), fromTally.kept, toTally.kept);
    }

    const Project& before_;
    MinimiseResult& result_;
};

}  // namespace

void Explain_Decisions(const Project& before, MinimiseResult& result) { Explainer(before, result).Run(); }

}  // namespace min_lumo_tool

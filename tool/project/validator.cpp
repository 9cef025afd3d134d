#include "tool/project/validator.h"
#include "hostkit/project_model.h"

#include <cstdint>
#include <limits>
#include <map>

#include <fmt/format.h>

namespace min_lumo_tool {

using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectSource;
using min_lumo_kit::labelTokenCount;
using min_lumo_kit::longestLabelToken;

namespace {

bool Is_Label_Space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

class Checker {
public:
    explicit Checker(const Project& project) : project_(project) {}

    Violations Run() {
        for (std::size_t i = 0; i < project_.sources.size(); ++i) Check_Source(i);
        Check_Station_Names();
        for (std::size_t i = 0; i < project_.baselines.size(); ++i) Check_Baseline(i);
        for (std::size_t i = 0; i < project_.observations.size(); ++i) Check_Observation(i);
        for (std::size_t i = 0; i < project_.controls.size(); ++i) Check_Control(i);
        return std::move(found_);
    }

private:
    void Report(const char* kind, std::size_t index, std::string name, const char* field, std::string value,
                std::string problem) {
        found_.push_back({kind, static_cast<long long>(index), std::move(name), field, std::move(value),
                          std::move(problem)});
    }

    void Check_Index(const char* kind, std::size_t index, const char* field, int32_t value, std::size_t count,
                     const char* target) {
        if (value >= 0 && static_cast<std::size_t>(value) < count) return;
        Report(kind, index, {}, field, std::to_string(value),
               count == 0 ? fmt::format("no {} exists", target)
                          : fmt::format("{} index out of range 0..{}", target, count - 1));
    }

    void Check_Text(const char* kind, std::size_t index, std::string name, const char* field,
                    const std::string& text, std::size_t longest) {
        if (text.find('\0') != std::string::npos)
            Report(kind, index, name, field, Quote_Value(text), "contains a NUL character");
        if (text.size() > longest)
            Report(kind, index, std::move(name), field, Quote_Value(text),
                   fmt::format("longer than {} characters", longest));
    }

    void Check_Source(std::size_t i) {
        const ProjectSource& source = project_.sources[i];
        const std::string value = fmt::format("{}/{}", source.ratioNumerator, source.ratioDenominator);
        if (source.ratioDenominator == 0) Report("source", i, source.name, "ratio", value, "denominator is 0");
        else if (source.ratioDenominator == -1 && source.ratioNumerator == std::numeric_limits<int32_t>::min())
            Report("source", i, source.name, "ratio", value, "quotient does not fit 32 bits");
    }

    void Check_Station_Names() {
        std::map<std::string, std::size_t> exact, folded;
        for (std::size_t i = 0; i < project_.stations.size(); ++i) {
            const std::string& name = project_.stations[i].name;
            Check_Text("station", i, {}, "name", name, longestStationName);
            const auto [same, isNew] = exact.emplace(name, i);
            const auto [alike, isNewFolded] = folded.emplace(Ascii_Lowered(name), i);
            if (!isNew)
                Report("station", i, {}, "name", Quote_Value(name), fmt::format("duplicate of station {}", same->second));
            else if (!isNewFolded)
                Report("station", i, {}, "name", Quote_Value(name),
                       fmt::format("ambiguous: equals station {} {} but for letter case", alike->second,
                                   Quote_Value(project_.stations[alike->second].name)));
        }
    }

    void Check_Baseline(std::size_t i) {
        const ProjectBaseline& baseline = project_.baselines[i];
        const std::size_t stationCount = project_.stations.size();
        Check_Index("baseline", i, "from", baseline.fromStation, stationCount, "station");
        Check_Index("baseline", i, "to", baseline.toStation, stationCount, "station");
        if (baseline.fromStation == baseline.toStation)
            Report("baseline", i, {}, "to", std::to_string(baseline.toStation), "same station as from");
        if (baseline.observations.size() > mostBaselineObservations)
            Report("baseline", i, {}, "observations", std::to_string(baseline.observations.size()),
                   fmt::format("more than {} observations", mostBaselineObservations));
        std::map<int32_t, std::size_t> seen;
        for (std::size_t slot = 0; slot < baseline.observations.size(); ++slot)
            Check_Listed_Observation(i, slot, seen);
    }

    void Check_Listed_Observation(std::size_t i, std::size_t slot, std::map<int32_t, std::size_t>& seen) {
        const int32_t entry = project_.baselines[i].observations[slot];
        const std::string field = fmt::format("observations[{}]", slot);
        const std::size_t count = project_.observations.size();
        if (entry < 0 || static_cast<std::size_t>(entry) >= count) {
            Report("baseline", i, {}, field.c_str(), std::to_string(entry),
                   count == 0 ? "no observation exists"
                              : fmt::format("observation index out of range 0..{}", count - 1));
            return;
        }
        if (!seen.emplace(entry, slot).second)
            Report("baseline", i, {}, field.c_str(), std::to_string(entry),
                   fmt::format("listed twice (also at {})", seen[entry]));
        const int32_t measured = project_.observations[static_cast<std::size_t>(entry)].baseline;
        if (measured != static_cast<int32_t>(i))
            Report("baseline", i, {}, field.c_str(), std::to_string(entry),
                   fmt::format("that observation measures baseline {}", measured));
    }

    void Check_Label(std::size_t i, const std::string& label) {
        Check_Text("observation", i, {}, "label", label, longestLabel);
        const std::vector<std::string> tokens = Label_Tokens(label);
        if (tokens.size() != labelTokenCount)
            Report("observation", i, {}, "label", Quote_Value(label),
                   fmt::format("must hold {} tokens, holds {}", labelTokenCount, tokens.size()));
        for (const std::string& token : tokens)
            if (token.size() > longestLabelToken)
                Report("observation", i, {}, "label", Quote_Value(label),
                       fmt::format("token {} longer than {} characters", Quote_Value(token), longestLabelToken));
    }

    void Check_Observation(std::size_t i) {
        const ProjectObservation& observation = project_.observations[i];
        Check_Index("observation", i, "baseline", observation.baseline, project_.baselines.size(), "baseline");
        Check_Index("observation", i, "fromSource", observation.fromSource, project_.sources.size(), "source");
        Check_Index("observation", i, "toSource", observation.toSource, project_.sources.size(), "source");
        Check_Label(i, observation.label);
        Check_Text("observation", i, {}, "fromSourceName", observation.fromSourceName, longestSourceName);
        Check_Text("observation", i, {}, "toSourceName", observation.toSourceName, longestSourceName);
    }

    void Check_Control(std::size_t i) {
        Check_Text("control", i, {}, "name", project_.controls[i].name, longestControlName);
    }

    const Project& project_;
    Violations found_;
};

}  // namespace

std::vector<std::string> Label_Tokens(const std::string& label) {
    std::vector<std::string> tokens;
    std::string current;
    // The host field ends at the first NUL, whatever follows.
    for (const char c : label.substr(0, label.find('\0'))) {
        if (!Is_Label_Space(c)) {
            current += c;
            continue;
        }
        if (!current.empty()) tokens.push_back(std::move(current));
        current.clear();
    }
    if (!current.empty()) tokens.push_back(std::move(current));
    return tokens;
}

std::string Ascii_Lowered(const std::string& text) {
    std::string lowered = text;
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

bool Names_Match(const std::string& a, const std::string& b) { return Ascii_Lowered(a) == Ascii_Lowered(b); }

Violations Validate_Project(const Project& project) { return Checker(project).Run(); }

}  // namespace min_lumo_tool

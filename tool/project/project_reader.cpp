#include "tool/project/project_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "hostkit/iso_time.h"
#include "hostkit/project_model.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::Default_Label;
using min_lumo_kit::Parse_Iso_Time;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectControl;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectSource;
using min_lumo_kit::ProjectStation;
using min_lumo_kit::ProjectTime;
using min_lumo_kit::StationBlock;

namespace {

using Json = nlohmann::json;

// A value for a message.  Arrays and objects are only summed up, so that
// no hostile nesting is ever walked.
std::string Shown(const Json& value) {
    if (value.is_array()) return fmt::format("[{} entries]", value.size());
    if (value.is_object()) return fmt::format("{{{} fields}}", value.size());
    std::string text = value.dump();
    if (text.size() > 60) text = text.substr(0, 57) + "...";
    return text;
}

// Reads the fields of one record object and reports what does not fit.
class RecordReader {
public:
    RecordReader(const Json& object, const char* kind, std::size_t index, Violations& violations)
        : object_(object), kind_(kind), index_(index), violations_(violations) {}

    bool Has(const char* field) const { return object_.contains(field); }
    const Json& At(const char* field) const { return object_.at(field); }

    void Problem(const char* field, std::string value, std::string problem) const {
        violations_.push_back(
            {kind_, static_cast<long long>(index_), {}, field, std::move(value), std::move(problem)});
    }

    void Reject_Unknown_Fields(std::initializer_list<const char*> known) const {
        const std::set<std::string> names(known.begin(), known.end());
        for (const auto& [key, value] : object_.items())
            if (names.count(key) == 0) Problem(key.c_str(), Shown(value), "unknown field");
    }

    void Text(const char* field, std::string& target) const {
        if (!Has(field)) return;
        if (At(field).is_string()) target = At(field).get<std::string>();
        else Problem(field, Shown(At(field)), "must be a text");
    }

    void Real(const char* field, double& target) const {
        if (!Has(field)) return;
        if (At(field).is_number()) target = At(field).get<double>();
        else Problem(field, Shown(At(field)), "must be a number");
    }

    void Integer(const char* field, int32_t& target) const {
        if (!Has(field)) return;
        const Json& value = At(field);
        if (value.is_number_integer() && value.get<long long>() >= std::numeric_limits<int32_t>::min()
            && value.get<long long>() <= std::numeric_limits<int32_t>::max())
            target = static_cast<int32_t>(value.get<long long>());
        else Problem(field, Shown(value), "must be a whole number that fits 32 bits");
    }

    // A host flag: true/false, or the 32-bit value itself.
    void Flag(const char* field, int32_t& target) const {
        if (Has(field) && At(field).is_boolean()) target = At(field).get<bool>() ? 1 : 0;
        else Integer(field, target);
    }

    void Block(const char* field, StationBlock& target) const {
        if (!Has(field)) return;
        const Json& value = At(field);
        std::string hex = value.is_string() ? value.get<std::string>() : std::string();
        std::erase(hex, ' ');
        if (!value.is_string() || hex.size() != 2 * target.size()
            || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            Problem(field, Shown(value), "must be 32 hexadecimal digits (16 bytes)");
            return;
        }
        for (std::size_t i = 0; i < target.size(); ++i)
            target[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    }

    void Time(const char* field, ProjectTime& target) const {
        if (!Has(field)) {
            Problem(field, {}, "missing");
            return;
        }
        const Json& value = At(field);
        if (value.is_number()) {
            target.seconds = value.get<double>();
            return;
        }
        const std::optional<double> seconds =
            value.is_string() ? Parse_Iso_Time(value.get<std::string>()) : std::nullopt;
        if (!seconds) {
            Problem(field, Shown(value), "must be seconds or an ISO 8601 UTC time such as 2024-05-14T08:30:00Z");
            return;
        }
        target = {*seconds, value.get<std::string>()};
    }

private:
    const Json& object_;
    const char* kind_;
    std::size_t index_;
    Violations& violations_;
};

// What an observation said about things resolved only after every record has
// been read.
struct PendingObservation {
    std::string session;
    bool hasLabel = false;
    bool hasSlot = false;
    bool hasSpan = false;
    bool hasFromSourceName = false;
    bool hasToSourceName = false;
};

class ProjectReader {
public:
    ReadResult Read(const Json& document) {
        if (!document.is_object()) {
            Fail_Top("project", Shown(document), "must be a JSON object");
            return std::move(result_);
        }
        for (const auto& [key, value] : document.items())
            if (key != "sources" && key != "stations" && key != "baselines" && key != "observations"
                && key != "controls" && key != "description")
                Fail_Top(key, Shown(value), "unknown field");
        Read_Array(document, "sources", "source", &ProjectReader::Read_Source);
        if (!document.contains("sources")) result_.project.sources.push_back({"GNSS", 1, 1});
        Read_Array(document, "stations", "station", &ProjectReader::Read_Station);
        Index_Station_Names();
        Read_Array(document, "baselines", "baseline", &ProjectReader::Read_Baseline);
        Read_Array(document, "observations", "observation", &ProjectReader::Read_Observation);
        Read_Array(document, "controls", "control", &ProjectReader::Read_Control);
        Complete_Observation_Lists();
        Complete_Observations();
        return std::move(result_);
    }

private:
    using RecordFunction = void (ProjectReader::*)(const RecordReader&);

    void Fail_Top(const std::string& field, std::string value, std::string problem) {
        result_.violations.push_back({"project", -1, {}, field, std::move(value), std::move(problem)});
    }

    void Read_Array(const Json& document, const char* key, const char* kind, RecordFunction read) {
        if (!document.contains(key)) return;
        const Json& array = document.at(key);
        if (!array.is_array()) {
            Fail_Top(key, Shown(array), "must be an array");
            return;
        }
        for (std::size_t i = 0; i < array.size(); ++i) {
            RecordReader record(array[i], kind, i, result_.violations);
            if (!array[i].is_object()) {
                record.Problem("record", Shown(array[i]), "must be a JSON object");
                static const Json empty = Json::object();
                (this->*read)(RecordReader(empty, kind, i, ignored_));
                continue;
            }
            (this->*read)(record);
        }
    }

    void Read_Source(const RecordReader& record) {
        record.Reject_Unknown_Fields({"name", "ratio"});
        ProjectSource source;
        record.Text("name", source.name);
        if (record.Has("ratio")) {
            const Json& ratio = record.At("ratio");
            if (ratio.is_object()) {
                RecordReader parts(ratio, "source", result_.project.sources.size(), result_.violations);
                parts.Reject_Unknown_Fields({"numerator", "denominator"});
                parts.Integer("numerator", source.ratioNumerator);
                parts.Integer("denominator", source.ratioDenominator);
            } else {
                record.Problem("ratio", Shown(ratio), "must be an object {\"numerator\": n, \"denominator\": d}");
            }
        }
        result_.project.sources.push_back(std::move(source));
    }

    void Read_Station(const RecordReader& record) {
        record.Reject_Unknown_Fields({"name", "latitude", "longitude", "height", "positionFlagA", "positionFlagB",
                                      "positionFlagC", "treeControl", "treeLevel"});
        ProjectStation station;
        if (!record.Has("name")) record.Problem("name", {}, "missing");
        record.Text("name", station.name);
        record.Real("latitude", station.latitude);
        record.Real("longitude", station.longitude);
        double height = 0.0;
        record.Real("height", height);
        // The host keeps heights as 32-bit floats; a value beyond their range
        // has no float to stand for it.
        if (std::isfinite(height) && std::fabs(height) <= static_cast<double>(std::numeric_limits<float>::max()))
            station.height = static_cast<float>(height);
        else record.Problem("height", Shown(record.At("height")), "does not fit a 32-bit float");
        record.Flag("positionFlagA", station.positionFlagA);
        record.Flag("positionFlagB", station.positionFlagB);
        record.Flag("positionFlagC", station.positionFlagC);
        record.Integer("treeControl", station.treeControl);
        record.Integer("treeLevel", station.treeLevel);
        result_.project.stations.push_back(std::move(station));
    }

    void Index_Station_Names() {
        // The first station of a name wins; the validator reports duplicates.
        for (std::size_t i = 0; i < result_.project.stations.size(); ++i)
            stationByName_.emplace(result_.project.stations[i].name, static_cast<int32_t>(i));
    }

    // A station given by name or by index.
    int32_t Station_Reference(const RecordReader& record, const char* field) {
        if (!record.Has(field)) {
            record.Problem(field, {}, "missing");
            return -1;
        }
        const Json& value = record.At(field);
        if (value.is_string()) {
            const auto found = stationByName_.find(value.get<std::string>());
            if (found != stationByName_.end()) return found->second;
            record.Problem(field, Shown(value), "no station has this name");
            return -1;
        }
        int32_t index = -1;
        record.Integer(field, index);
        return index;
    }

    int32_t Source_Reference(const RecordReader& record, const char* field) {
        if (!record.Has(field) || !record.At(field).is_string()) {
            int32_t index = 0;
            record.Integer(field, index);
            return index;
        }
        const std::string name = record.At(field).get<std::string>();
        for (std::size_t i = 0; i < result_.project.sources.size(); ++i)
            if (result_.project.sources[i].name == name) return static_cast<int32_t>(i);
        record.Problem(field, Shown(record.At(field)), "no source has this name");
        return 0;
    }

    void Read_Baseline(const RecordReader& record) {
        record.Reject_Unknown_Fields({"from", "to", "fromBlock", "toBlock", "observations", "directionLevel"});
        ProjectBaseline baseline;
        baseline.fromStation = Station_Reference(record, "from");
        baseline.toStation = Station_Reference(record, "to");
        record.Block("fromBlock", baseline.fromBlock);
        record.Block("toBlock", baseline.toBlock);
        record.Integer("directionLevel", baseline.directionLevel);
        bool listed = false;
        if (record.Has("observations")) {
            const Json& list = record.At("observations");
            listed = list.is_array();
            if (!listed) record.Problem("observations", Shown(list), "must be an array of observation indices");
            for (std::size_t slot = 0; listed && slot < list.size(); ++slot) {
                if (list[slot].is_number_integer() && list[slot].get<long long>() >= std::numeric_limits<int32_t>::min()
                    && list[slot].get<long long>() <= std::numeric_limits<int32_t>::max())
                    baseline.observations.push_back(static_cast<int32_t>(list[slot].get<long long>()));
                else
                    record.Problem(fmt::format("observations[{}]", slot).c_str(), Shown(list[slot]),
                                   "must be an observation index");
            }
        }
        explicitList_.push_back(listed);
        result_.project.baselines.push_back(std::move(baseline));
    }

    // The baseline an observation measures: by index, or by its two ends (the
    // first baseline running that way, made when there is none).
    int32_t Observation_Baseline(const RecordReader& record) {
        if (record.Has("baseline")) {
            if (record.Has("from") || record.Has("to"))
                record.Problem("baseline", Shown(record.At("baseline")), "give either baseline or from and to");
            int32_t index = -1;
            record.Integer("baseline", index);
            return index;
        }
        if (!record.Has("from") || !record.Has("to")) {
            record.Problem("baseline", {}, "missing (give baseline, or from and to)");
            return -1;
        }
        const int32_t from = Station_Reference(record, "from");
        const int32_t to = Station_Reference(record, "to");
        if (from < 0 || to < 0) return -1;
        auto& baselines = result_.project.baselines;
        for (std::size_t i = 0; i < baselines.size(); ++i)
            if (baselines[i].fromStation == from && baselines[i].toStation == to) return static_cast<int32_t>(i);
        ProjectBaseline made;
        made.fromStation = from;
        made.toStation = to;
        baselines.push_back(made);
        explicitList_.push_back(false);
        return static_cast<int32_t>(baselines.size() - 1);
    }

    void Read_Observation(const RecordReader& record) {
        record.Reject_Unknown_Fields({"label", "session", "baseline", "from", "to", "fromSource", "toSource",
                                      "fromSourceName", "toSourceName", "start", "end", "timeSpan", "forced",
                                      "solutionStatus", "removed", "baselineSlot"});
        ProjectObservation observation;
        PendingObservation pending;
        observation.baseline = Observation_Baseline(record);
        record.Text("label", observation.label);
        record.Text("session", pending.session);
        observation.fromSource = Source_Reference(record, "fromSource");
        observation.toSource = Source_Reference(record, "toSource");
        record.Text("fromSourceName", observation.fromSourceName);
        record.Text("toSourceName", observation.toSourceName);
        record.Time("start", observation.start);
        record.Time("end", observation.end);
        record.Real("timeSpan", observation.timeSpan);
        record.Flag("forced", observation.forced);
        record.Integer("solutionStatus", observation.solutionStatus);
        record.Flag("removed", observation.removed);
        record.Integer("baselineSlot", observation.baselineSlot);
        pending.hasLabel = record.Has("label");
        pending.hasSlot = record.Has("baselineSlot");
        pending.hasSpan = record.Has("timeSpan");
        pending.hasFromSourceName = record.Has("fromSourceName");
        pending.hasToSourceName = record.Has("toSourceName");
        pending_.push_back(std::move(pending));
        result_.project.observations.push_back(std::move(observation));
    }

    void Read_Control(const RecordReader& record) {
        record.Reject_Unknown_Fields({"name", "inactive"});
        ProjectControl control;
        if (!record.Has("name")) record.Problem("name", {}, "missing");
        record.Text("name", control.name);
        record.Flag("inactive", control.inactive);
        result_.project.controls.push_back(std::move(control));
    }

    // A baseline without its own list gets the observations that name it, in
    // file order.
    void Complete_Observation_Lists() {
        Project& project = result_.project;
        for (std::size_t i = 0; i < project.observations.size(); ++i) {
            const int32_t baseline = project.observations[i].baseline;
            if (baseline < 0 || static_cast<std::size_t>(baseline) >= project.baselines.size()) continue;
            if (explicitList_[static_cast<std::size_t>(baseline)]) continue;
            project.baselines[static_cast<std::size_t>(baseline)].observations.push_back(static_cast<int32_t>(i));
        }
    }

    std::string Station_Name(int32_t index) const {
        const auto& stations = result_.project.stations;
        return index >= 0 && static_cast<std::size_t>(index) < stations.size()
                   ? stations[static_cast<std::size_t>(index)].name
                   : std::string("?");
    }

    std::string Source_Name(int32_t index) const {
        const auto& sources = result_.project.sources;
        return index >= 0 && static_cast<std::size_t>(index) < sources.size()
                   ? sources[static_cast<std::size_t>(index)].name
                   : std::string();
    }

    void Complete_Observations() {
        Project& project = result_.project;
        std::map<int32_t, int32_t> occurrences;
        for (std::size_t i = 0; i < project.observations.size(); ++i) {
            ProjectObservation& observation = project.observations[i];
            const PendingObservation& pending = pending_[i];
            const int32_t occurrence = ++occurrences[observation.baseline];
            const bool known = observation.baseline >= 0
                               && static_cast<std::size_t>(observation.baseline) < project.baselines.size();
            const ProjectBaseline* baseline =
                known ? &project.baselines[static_cast<std::size_t>(observation.baseline)] : nullptr;
            if (!pending.hasSpan) observation.timeSpan = observation.end.seconds - observation.start.seconds;
            if (!pending.hasFromSourceName) observation.fromSourceName = Source_Name(observation.fromSource);
            if (!pending.hasToSourceName) observation.toSourceName = Source_Name(observation.toSource);
            if (!pending.hasLabel && baseline != nullptr)
                observation.label =
                    Default_Label(Station_Name(baseline->fromStation),
                                  pending.session.empty() ? fmt::format("S{}", i + 1) : pending.session,
                                  Station_Name(baseline->toStation), occurrence);
            if (!pending.hasSlot && baseline != nullptr) {
                const auto& list = baseline->observations;
                for (std::size_t slot = 0; slot < list.size(); ++slot)
                    if (list[slot] == static_cast<int32_t>(i)) {
                        observation.baselineSlot = static_cast<int32_t>(slot);
                        break;
                    }
            }
        }
    }

    ReadResult result_;
    Violations ignored_;
    std::map<std::string, int32_t> stationByName_;
    std::vector<bool> explicitList_;
    std::vector<PendingObservation> pending_;
};

// Line and column (both from 1) of a byte offset.
std::pair<std::size_t, std::size_t> Line_And_Column(const std::string& text, std::size_t offset) {
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return {line, column};
}

// nlohmann's message without its "[json.exception...] parse error at ...: " lead.
std::string Syntax_Problem(const std::string& what) {
    const std::size_t lead = what.find(": syntax error");
    if (lead != std::string::npos) return what.substr(lead + 2);
    const std::size_t colon = what.rfind(": ");
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

// A project nests four levels deep; anything far deeper is refused before
// parsing, so that no recursion over the document can exhaust the stack.
constexpr std::size_t deepestNesting = 64;

// The offset of the first bracket nested deeper than deepestNesting, if any.
std::optional<std::size_t> Too_Deep(const std::string& text) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
            continue;
        }
        if (c == '"') inString = true;
        else if (c == '[' || c == '{') {
            if (++depth > deepestNesting) return i;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return std::nullopt;
}

// A key given twice in one object: nlohmann keeps the last and drops the
// other without a word, so a hand-edited project could lose a whole list.
struct RepeatedKey {
    std::string key;
    std::size_t offset = 0;       // of the repeated key's opening quote
    std::size_t firstOffset = 0;  // of its first appearance
};

// The text of a JSON string token (quotes included), unescaped.
std::string Key_Text(std::string_view token) {
    if (token.find('\\') == std::string_view::npos) return std::string(token.substr(1, token.size() - 2));
    return Json::parse(std::string(token)).get<std::string>();
}

// Every key repeated within one object, in the order of the text.  `text`
// has parsed as JSON no deeper than deepestNesting, so only strings and
// brackets need telling apart: a string in an object followed by ':' is a key.
std::vector<RepeatedKey> Repeated_Keys(const std::string& text) {
    struct Level {
        bool object = false;
        std::map<std::string, std::size_t> keys;  // key: offset of its first appearance
    };
    std::vector<Level> levels;
    std::vector<RepeatedKey> repeated;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{' || c == '[') {
            levels.push_back({c == '{', {}});
        } else if ((c == '}' || c == ']') && !levels.empty()) {
            levels.pop_back();
        } else if (c == '"') {
            const std::size_t start = i;
            for (++i; i < text.size() && text[i] != '"'; ++i)
                if (text[i] == '\\') ++i;
            const std::size_t next = text.find_first_not_of(" \t\r\n", i + 1);
            if (levels.empty() || !levels.back().object || next == std::string::npos || text[next] != ':') continue;
            std::string key = Key_Text(std::string_view(text).substr(start, i + 1 - start));
            const auto [first, fresh] = levels.back().keys.emplace(key, start);
            if (!fresh) repeated.push_back({std::move(key), start, first->second});
        }
    }
    return repeated;
}

}  // namespace

ReadResult Read_Project_Text(const std::string& text) {
    // The JSON parser takes a NUL byte for the end of the text, so whatever
    // follows one would go unread (and unchecked): a project file is text.
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
        const auto [line, column] = Line_And_Column(text, nul);
        ReadResult failed;
        failed.violations.push_back({"JSON", -1, {}, fmt::format("line {}, column {}", line, column), {},
                                     "a NUL byte: a project file is text"});
        return failed;
    }
    if (const std::optional<std::size_t> deep = Too_Deep(text)) {
        const auto [line, column] = Line_And_Column(text, *deep);
        ReadResult failed;
        failed.violations.push_back({"JSON", -1, {}, fmt::format("line {}, column {}", line, column), {},
                                     fmt::format("nested more than {} levels deep", deepestNesting)});
        return failed;
    }
    Json document;
    try {
        document = Json::parse(text);
    } catch (const Json::parse_error& error) {
        const auto [line, column] = Line_And_Column(text, error.byte > 0 ? error.byte - 1 : 0);
        ReadResult failed;
        failed.violations.push_back(
            {"JSON", -1, {}, fmt::format("line {}, column {}", line, column), {}, Syntax_Problem(error.what())});
        return failed;
    } catch (const Json::out_of_range& error) {
        // A number beyond a double's range (1e999): the parser names the
        // number but not where it stands; its first occurrence is shown.
        const std::string what = error.what();
        const std::size_t open = what.find('\''), close = what.rfind('\'');
        const std::string number = open < close ? what.substr(open + 1, close - open - 1) : std::string();
        const std::size_t at = number.empty() ? std::string::npos : text.find(number);
        std::string where;
        if (at != std::string::npos) {
            const auto [line, column] = Line_And_Column(text, at);
            where = fmt::format("line {}, column {}", line, column);
        }
        ReadResult failed;
        failed.violations.push_back({"JSON", -1, {}, where, {},
                                     fmt::format("the number {} is beyond the range of a 64-bit floating-point number",
                                                 number.empty() ? what : number)});
        return failed;
    }
    if (const std::vector<RepeatedKey> repeated = Repeated_Keys(text); !repeated.empty()) {
        // Where each line starts, so that thousands of repetitions cost one pass.
        std::vector<std::size_t> lineStarts{0};
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') lineStarts.push_back(i + 1);
        const auto lineAndColumn = [&](std::size_t offset) {
            const auto next = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
            const std::size_t line = static_cast<std::size_t>(next - lineStarts.begin());
            return std::pair<std::size_t, std::size_t>{line, offset - lineStarts[line - 1] + 1};
        };
        ReadResult failed;
        for (const RepeatedKey& key : repeated) {
            const auto [line, column] = lineAndColumn(key.offset);
            const auto [firstLine, firstColumn] = lineAndColumn(key.firstOffset);
            failed.violations.push_back({"JSON", -1, {}, fmt::format("line {}, column {}", line, column), {},
                                         fmt::format("key {} given again in the same object (first on line {}, "
                                                     "column {}); only one can be meant",
                                                     Quote_Value(key.key), firstLine, firstColumn)});
        }
        return failed;
    }
    return ProjectReader().Read(document);
}

ReadResult Read_Project_File(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ReadResult failed;
        failed.violations.push_back({"file", -1, {}, path, {}, "cannot be opened"});
        return failed;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return Read_Project_Text(text.str());
}

}  // namespace min_lumo_tool

#include "tool/plan/standard_profile.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "hostkit/module_loader.h"

namespace min_lumo_tool {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

constexpr const char* profileExtension = ".json";
constexpr double minutesPerDay = 24.0 * 60.0;
constexpr double longestMinutes = 7.0 * minutesPerDay;  // a week: any time a profile may give
constexpr double longestKilometres = 1e5;                // any length a profile may give
// Bounds that catch a slip (a value in metres where millimetres are asked),
// far beyond any standard's numbers.
constexpr double highestRatio = 1000.0;
constexpr double largestMillimetres = 10000.0;
constexpr double largestPartsPerMillion = 10000.0;

// Walks the text a character at a time for nlohmann-json's parser and
// counts the line ends it passes, so that the SAX events know their line.
class LineCountingIterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    LineCountingIterator() = default;
    LineCountingIterator(const char* at, int64_t* linesPassed) : at_(at), linesPassed_(linesPassed) {}
    reference operator*() const { return *at_; }
    LineCountingIterator& operator++() {
        if (*at_ == '\n') ++*linesPassed_;
        ++at_;
        return *this;
    }
    LineCountingIterator operator++(int) {
        LineCountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const LineCountingIterator& other) const { return at_ == other.at_; }

private:
    const char* at_ = nullptr;
    int64_t* linesPassed_ = nullptr;
};

// The line of every key, by its dotted path, and the first syntax error.
class KeyLines {
public:
    explicit KeyLines(const int64_t* linesPassed) : linesPassed_(linesPassed) {}

    bool null() { return Value(); }
    bool boolean(bool) { return Value(); }
    bool number_integer(Json::number_integer_t) { return Value(); }
    bool number_unsigned(Json::number_unsigned_t) { return Value(); }
    bool number_float(Json::number_float_t, const Json::string_t&) { return Value(); }
    bool string(Json::string_t&) { return Value(); }
    bool binary(Json::binary_t&) { return Value(); }
    bool start_object(std::size_t) {
        Enter_Container();
        path_.push_back({});
        isArray_.push_back(false);
        return true;
    }
    bool key(Json::string_t& name) {
        path_.back() = name;
        lines_.emplace(Path(), Line());
        return true;
    }
    bool end_object() { return Leave_Container(); }
    bool start_array(std::size_t) {
        Enter_Container();
        path_.push_back("-1");
        isArray_.push_back(true);
        return true;
    }
    bool end_array() { return Leave_Container(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
        errorLine_ = Line();
        errorText_ = error.what();
        return false;
    }

    int64_t Line_Of(const std::string& path) const {
        const auto found = lines_.find(path);
        return found == lines_.end() ? 1 : found->second;
    }
    int64_t Error_Line() const { return errorLine_; }
    const std::string& Error_Text() const { return errorText_; }

private:
    int64_t Line() const { return *linesPassed_ + 1; }
    std::string Path() const {
        std::string path;
        for (const std::string& part : path_) path += (path.empty() ? "" : ".") + part;
        return path;
    }
    // An array element's path carries its index, and its line is where it starts.
    void Enter_Container() {
        if (!isArray_.empty() && isArray_.back()) {
            path_.back() = std::to_string(std::stoll(path_.back()) + 1);
            lines_.emplace(Path(), Line());
        }
    }
    bool Value() {
        Enter_Container();
        return true;
    }
    bool Leave_Container() {
        path_.pop_back();
        isArray_.pop_back();
        return true;
    }

    const int64_t* linesPassed_;
    std::vector<std::string> path_;
    std::vector<bool> isArray_;
    std::map<std::string, int64_t> lines_;
    int64_t errorLine_ = 0;
    std::string errorText_;
};

// Reads one profile document, naming the file, line and key of anything wrong.
class ProfileReader {
public:
    ProfileReader(std::string file, const Json& document, const KeyLines& lines)
        : file_(std::move(file)), document_(document), lines_(lines) {}

    StandardProfile Read() {
        StandardProfile profile;
        profile.file = file_;
        Only_Keys(document_, "", {"name", "title", "maxSessionMinutes", "rules"});
        profile.name = Text(document_, "", "name");
        profile.title = Text(document_, "", "title");
        constexpr double shortestSessionLimitMinutes = 5.0;
        if (document_.contains("maxSessionMinutes"))
            profile.maximumSessionMinutes =
                Number(document_, "", "maxSessionMinutes", shortestSessionLimitMinutes, longestMinutes);
        const Json& rules = Member(document_, "", "rules");
        Expect_Object(rules, "rules");
        std::set<std::string> keys;
        for (const RuleId rule : All_Rules()) keys.insert(Rule_Key(rule));
        Only_Keys(rules, "rules", keys);
        for (const RuleId rule : All_Rules()) {
            const std::string key = Rule_Key(rule);
            if (!rules.contains(key)) continue;
            Expect_Object(rules.at(key), Join("rules", key));
            Read_Rule(rule, rules.at(key), profile);
            profile.Settings(rule).listed = true;
        }
        return profile;
    }

private:
    [[noreturn]] void Fail(const std::string& path, const std::string& reason) const {
        throw ProfileError(file_, lines_.Line_Of(path), path.empty() ? "(document)" : path, reason);
    }
    static std::string Join(const std::string& parent, const std::string& key) {
        return parent.empty() ? key : parent + "." + key;
    }

    void Expect_Object(const Json& value, const std::string& path) const {
        if (!value.is_object()) Fail(path, "expected an object");
    }
    void Only_Keys(const Json& object, const std::string& path, const std::set<std::string>& known) const {
        if (!object.is_object()) Fail(path, "expected an object");
        for (const auto& [key, value] : object.items())
            if (known.count(key) == 0) {
                std::string list;
                for (const std::string& name : known) list += (list.empty() ? "" : ", ") + name;
                Fail(Join(path, key), fmt::format("unknown key; the keys here are {}", list));
            }
    }
    const Json& Member(const Json& object, const std::string& path, const std::string& key) const {
        if (!object.contains(key)) Fail(path, fmt::format("missing key {}", key));
        return object.at(key);
    }
    std::string Text(const Json& object, const std::string& path, const std::string& key) const {
        const Json& value = Member(object, path, key);
        if (!value.is_string()) Fail(Join(path, key), "expected a string");
        return value.get<std::string>();
    }
    double Number(const Json& object, const std::string& path, const std::string& key, double lowest,
                  double highest) const {
        const Json& value = Member(object, path, key);
        if (!value.is_number()) Fail(Join(path, key), "expected a number");
        const double number = value.get<double>();
        if (!(number >= lowest && number <= highest))
            Fail(Join(path, key), fmt::format("{} is out of range: {} to {}", number, lowest, highest));
        return number;
    }
    int32_t Whole(const Json& object, const std::string& path, const std::string& key, int32_t lowest) const {
        const Json& value = Member(object, path, key);
        constexpr int32_t highest = 1000;
        if (!value.is_number_integer()) Fail(Join(path, key), "expected a whole number");
        const auto number = value.get<int64_t>();
        if (number < lowest || number > highest)
            Fail(Join(path, key), fmt::format("{} is out of range: {} to {}", number, lowest, highest));
        return static_cast<int32_t>(number);
    }
    bool Flag(const Json& object, const std::string& path, const std::string& key) const {
        const Json& value = Member(object, path, key);
        if (!value.is_boolean()) Fail(Join(path, key), "expected true or false");
        return value.get<bool>();
    }

    // enabled, severity (optional: required) and source in every rule; the
    // rule's own parameters are read only when it is enabled.
    RuleSettings Settings(const Json& rule, const std::string& path, std::set<std::string> parameters) const {
        parameters.insert({"enabled", "severity", "source"});
        Only_Keys(rule, path, parameters);
        RuleSettings settings;
        settings.enabled = Flag(rule, path, "enabled");
        settings.source = Text(rule, path, "source");
        if (rule.contains("severity")) {
            const std::string severity = Text(rule, path, "severity");
            if (severity == "advisory") settings.severity = RuleSeverity::advisory;
            else if (severity != "required") Fail(Join(path, "severity"), "expected \"required\" or \"advisory\"");
        }
        return settings;
    }

    // A rule's settings, and its own parameters when it is enabled.
    void Read_Rule(RuleId id, const Json& rule, StandardProfile& into) const {
        const std::string path = Join("rules", Rule_Key(id));
        switch (id) {
            case RuleId::occupations: {
                OccupationsRule& occupations = into.occupations;
                occupations.settings =
                    Settings(rule, path, {"minimumOccupations", "minimumMinutes", "antennaHeightChanged"});
                if (!occupations.settings.enabled) return;
                occupations.minimumOccupations = Whole(rule, path, "minimumOccupations", 1);
                if (rule.contains("minimumMinutes"))
                    occupations.minimumMinutes = Number(rule, path, "minimumMinutes", 0.0, longestMinutes);
                if (rule.contains("antennaHeightChanged"))
                    occupations.antennaHeightChanged = Flag(rule, path, "antennaHeightChanged");
                return;
            }
            case RuleId::redundancy:
                into.redundancy.settings = Settings(rule, path, {"minimumSessions"});
                if (into.redundancy.settings.enabled)
                    into.redundancy.minimumSessions = Whole(rule, path, "minimumSessions", 1);
                return;
            case RuleId::observationTime: return Read_Observation_Time(rule, path, into.observationTime);
            case RuleId::occupationQuality: return Read_Occupation_Quality(rule, path, into.occupationQuality);
            case RuleId::controls:
                into.controls.settings = Settings(rule, path, {"minimumControls"});
                if (into.controls.settings.enabled)
                    into.controls.minimumControls = Whole(rule, path, "minimumControls", 0);
                return;
            case RuleId::sessions: into.sessions.settings = Settings(rule, path, {}); return;
            case RuleId::loops:
                into.loops.settings = Settings(rule, path, {"bridgesAllowed", "minimumLoopShare"});
                if (!into.loops.settings.enabled) return;
                into.loops.bridgesAllowed = Flag(rule, path, "bridgesAllowed");
                into.loops.minimumLoopShare = Number(rule, path, "minimumLoopShare", 0.0, 1.0);
                return;
            case RuleId::nearMisses:
                into.nearMisses.settings = Settings(rule, path, {"marginMinutes"});
                if (into.nearMisses.settings.enabled)
                    into.nearMisses.marginMinutes = Number(rule, path, "marginMinutes", 0.0, minutesPerDay);
                return;
            case RuleId::antenna: {
                AntennaRule& antenna = into.antenna;
                antenna.settings = Settings(rule, path, {"minimumHeightMetres", "maximumHeightMetres", "knownType"});
                if (!antenna.settings.enabled) return;
                constexpr double highestMastMetres = 100.0;
                antenna.minimumHeightMetres = Number(rule, path, "minimumHeightMetres", 0.0, highestMastMetres);
                antenna.maximumHeightMetres =
                    Number(rule, path, "maximumHeightMetres", antenna.minimumHeightMetres, highestMastMetres);
                antenna.knownType = Flag(rule, path, "knownType");
                return;
            }
            case RuleId::ties:
                into.ties.settings = Settings(rule, path, {"minimumStations"});
                if (into.ties.settings.enabled) into.ties.minimumStations = Whole(rule, path, "minimumStations", 1);
                return;
            case RuleId::nearbyControls:
                into.nearbyControls.settings = Settings(rule, path, {"withinKilometres"});
                if (into.nearbyControls.settings.enabled)
                    into.nearbyControls.withinKilometres = Number(rule, path, "withinKilometres", 0.0, longestKilometres);
                return;
            case RuleId::baselineLength: {
                BaselineLengthRule& length = into.baselineLength;
                length.settings = Settings(rule, path, {"singleFrequencyKilometres", "dualFrequencyKilometres"});
                if (!length.settings.enabled) return;
                length.singleFrequencyKilometres =
                    Number(rule, path, "singleFrequencyKilometres", 0.0, longestKilometres);
                length.dualFrequencyKilometres = Number(rule, path, "dualFrequencyKilometres", 0.0, longestKilometres);
                return;
            }
            case RuleId::fixedSolutions:
                into.fixedSolutions.settings = Settings(rule, path, {"minimumRatio"});
                if (into.fixedSolutions.settings.enabled)
                    into.fixedSolutions.minimumRatio = Number(rule, path, "minimumRatio", 0.0, highestRatio);
                return;
            case RuleId::loopMisclosure:
                into.loopMisclosure.settings = Settings(rule, path, {"millimetres", "partsPerMillion"});
                if (!into.loopMisclosure.settings.enabled) return;
                into.loopMisclosure.millimetres = Number(rule, path, "millimetres", 0.0, largestMillimetres);
                into.loopMisclosure.partsPerMillion = Number(rule, path, "partsPerMillion", 0.0, largestPartsPerMillion);
                return;
            case RuleId::repeatBaselines:
                into.repeatBaselines.settings =
                    Settings(rule, path, {"horizontalMillimetres", "horizontalPartsPerMillion", "verticalMillimetres",
                                          "verticalPartsPerMillion"});
                if (!into.repeatBaselines.settings.enabled) return;
                into.repeatBaselines.horizontalMillimetres =
                    Number(rule, path, "horizontalMillimetres", 0.0, largestMillimetres);
                into.repeatBaselines.horizontalPartsPerMillion =
                    Number(rule, path, "horizontalPartsPerMillion", 0.0, largestPartsPerMillion);
                into.repeatBaselines.verticalMillimetres = Number(rule, path, "verticalMillimetres", 0.0, largestMillimetres);
                into.repeatBaselines.verticalPartsPerMillion =
                    Number(rule, path, "verticalPartsPerMillion", 0.0, largestPartsPerMillion);
                return;
            case RuleId::relativeAccuracy: {
                RelativeAccuracyRule& accuracy = into.relativeAccuracy;
                accuracy.settings = Settings(rule, path, {"horizontalMillimetres", "horizontalPpm", "verticalMillimetres",
                                                          "verticalPpm"});
                if (!accuracy.settings.enabled) return;
                // From a millimetre to a metre, and up to 1:1000 of the length.
                constexpr double largestAccuracyMillimetres = 1000.0, largestPpm = 1000.0;
                accuracy.horizontalMillimetres = Number(rule, path, "horizontalMillimetres", 0.0, largestAccuracyMillimetres);
                accuracy.horizontalPpm = Number(rule, path, "horizontalPpm", 0.0, largestPpm);
                accuracy.verticalMillimetres = Number(rule, path, "verticalMillimetres", 0.0, largestAccuracyMillimetres);
                accuracy.verticalPpm = Number(rule, path, "verticalPpm", 0.0, largestPpm);
                return;
            }
        }
    }
    void Read_Observation_Time(const Json& rule, const std::string& path, ObservationTimeRule& into) const {
        into.settings = Settings(rule, path, {"baseMinutes", "minutesPerKilometre", "lengthTable"});
        if (!into.settings.enabled) return;
        const bool formula = rule.contains("baseMinutes") || rule.contains("minutesPerKilometre");
        if (formula == rule.contains("lengthTable"))
            Fail(path, "give either baseMinutes and minutesPerKilometre (a formula) or lengthTable, not both");
        if (formula) {
            into.baseMinutes = Number(rule, path, "baseMinutes", 0.0, longestMinutes);
            into.minutesPerKilometre = Number(rule, path, "minutesPerKilometre", 0.0, longestMinutes);
            return;
        }
        const std::string tablePath = Join(path, "lengthTable");
        const Json& table = rule.at("lengthTable");
        if (!table.is_array() || table.empty()) Fail(tablePath, "expected a list of {upToKilometres, minutes}");
        for (std::size_t i = 0; i < table.size(); ++i) {
            const std::string stepPath = Join(tablePath, std::to_string(i));
            Only_Keys(table[i], stepPath, {"upToKilometres", "minutes"});
            LengthStep step;
            step.upToKilometres = Number(table[i], stepPath, "upToKilometres", 0.0, longestKilometres);
            step.minutes = Number(table[i], stepPath, "minutes", 0.0, longestMinutes);
            if (!into.lengthTable.empty() && step.upToKilometres <= into.lengthTable.back().upToKilometres)
                Fail(Join(stepPath, "upToKilometres"), "the table's lengths must increase");
            into.lengthTable.push_back(step);
        }
    }
    void Read_Occupation_Quality(const Json& rule, const std::string& path, OccupationQualityRule& into) const {
        into.settings = Settings(rule, path, {"maximumIntervalSeconds", "minimumCompleteness", "maximumGapSeconds"});
        if (!into.settings.enabled) return;
        constexpr double longestSeconds = 86400.0;
        into.maximumIntervalSeconds = Number(rule, path, "maximumIntervalSeconds", 0.0, longestSeconds);
        into.minimumCompleteness = Number(rule, path, "minimumCompleteness", 0.0, 1.0);
        into.maximumGapSeconds = Number(rule, path, "maximumGapSeconds", 0.0, longestSeconds);
    }

    std::string file_;
    const Json& document_;
    const KeyLines& lines_;
};

std::string Read_Text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ProfileError(path, 0, "", "cannot open the profile file");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ProfileError::ProfileError(std::string fileName, int64_t lineNumber, std::string keyName, const std::string& reason)
    : std::runtime_error(fmt::format("{}{}: {}{}", fileName, lineNumber > 0 ? ":" + std::to_string(lineNumber) : "",
                                     keyName.empty() ? "" : "key " + keyName + ": ", reason)),
      file(std::move(fileName)),
      line(lineNumber),
      key(std::move(keyName)) {}

std::vector<RuleId> All_Rules() {
    std::vector<RuleId> rules;
    for (int rule = 0; rule <= static_cast<int>(lastRule); ++rule) rules.push_back(static_cast<RuleId>(rule));
    return rules;
}

const char* Rule_Key(RuleId rule) {
    switch (rule) {
        case RuleId::occupations: return "occupations";
        case RuleId::redundancy: return "redundancy";
        case RuleId::observationTime: return "observationTime";
        case RuleId::occupationQuality: return "occupationQuality";
        case RuleId::controls: return "controls";
        case RuleId::sessions: return "sessions";
        case RuleId::loops: return "loops";
        case RuleId::nearMisses: return "nearMisses";
        case RuleId::antenna: return "antenna";
        case RuleId::ties: return "ties";
        case RuleId::nearbyControls: return "nearbyControls";
        case RuleId::baselineLength: return "baselineLength";
        case RuleId::fixedSolutions: return "fixedSolutions";
        case RuleId::loopMisclosure: return "loopMisclosure";
        case RuleId::repeatBaselines: return "repeatBaselines";
        case RuleId::relativeAccuracy: return "relativeAccuracy";
    }
    return "?";
}

std::optional<RuleId> Rule_Of_Key(const std::string& key) {
    for (const RuleId rule : All_Rules())
        if (key == Rule_Key(rule)) return rule;
    return std::nullopt;
}

RuleStage Rule_Stage(RuleId rule) {
    switch (rule) {
        case RuleId::occupations:
        case RuleId::redundancy:
        case RuleId::observationTime:
        case RuleId::occupationQuality:
        case RuleId::controls:
        case RuleId::sessions:
        case RuleId::loops:
        case RuleId::nearMisses:
        case RuleId::antenna:
        case RuleId::ties:
        case RuleId::nearbyControls:
        case RuleId::baselineLength: return RuleStage::plan;

        case RuleId::fixedSolutions:
        case RuleId::loopMisclosure:
        case RuleId::repeatBaselines: return RuleStage::process;
        case RuleId::relativeAccuracy: return RuleStage::adjustment;
    }
    return RuleStage::plan;
}

const RuleSettings& StandardProfile::Settings(RuleId rule) const {
    switch (rule) {
        case RuleId::occupations: return occupations.settings;
        case RuleId::redundancy: return redundancy.settings;
        case RuleId::observationTime: return observationTime.settings;
        case RuleId::occupationQuality: return occupationQuality.settings;
        case RuleId::controls: return controls.settings;
        case RuleId::sessions: return sessions.settings;
        case RuleId::loops: return loops.settings;
        case RuleId::nearMisses: return nearMisses.settings;
        case RuleId::antenna: return antenna.settings;
        case RuleId::ties: return ties.settings;
        case RuleId::nearbyControls: return nearbyControls.settings;
        case RuleId::baselineLength: return baselineLength.settings;
        case RuleId::fixedSolutions: return fixedSolutions.settings;
        case RuleId::loopMisclosure: return loopMisclosure.settings;
        case RuleId::repeatBaselines: return repeatBaselines.settings;
        case RuleId::relativeAccuracy: return relativeAccuracy.settings;
    }
    throw std::logic_error("a rule without settings");
}

RuleSettings& StandardProfile::Settings(RuleId rule) {
    return const_cast<RuleSettings&>(static_cast<const StandardProfile&>(*this).Settings(rule));
}

const char* Severity_Name(RuleSeverity severity) {
    return severity == RuleSeverity::advisory ? "advisory" : "required";
}

std::vector<fs::path> Standard_Profile_Folders() {
    const fs::path here = min_lumo_kit::Executable_Folder();
    return {here / "standards", here.parent_path() / "share" / "min_lumo" / "standards"};
}

std::vector<std::string> Shipped_Profile_Names(const std::vector<fs::path>& folders) {
    std::set<std::string> names;
    for (const fs::path& folder : folders) {
        std::error_code error;
        for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
            if (entry->path().extension() == profileExtension) names.insert(entry->path().stem().string());
    }
    return {names.begin(), names.end()};
}

StandardProfile Parse_Standard_Profile(const std::string& file, const std::string& text) {
    int64_t linesPassed = 0;
    KeyLines lines(&linesPassed);
    const LineCountingIterator first(text.data(), &linesPassed), last(text.data() + text.size(), &linesPassed);
    if (!Json::sax_parse(first, last, &lines))
        throw ProfileError(file, lines.Error_Line(), "", fmt::format("not JSON: {}", lines.Error_Text()));
    const Json document = Json::parse(text);
    return ProfileReader(file, document, lines).Read();
}

bool Names_Standard_Profile(const std::string& value, const std::vector<fs::path>& folders) {
    if (value.empty() || fs::path(value).extension() == profileExtension) return true;
    // A word that is no file is a mistyped profile name, and is told so.
    if (fs::path(value).extension().empty() && !fs::exists(value)) return true;
    const std::vector<std::string> names = Shipped_Profile_Names(folders);
    return std::find(names.begin(), names.end(), value) != names.end();
}

StandardProfile Load_Standard_Option(const std::string& value, std::vector<std::string>& files) {
    const std::vector<fs::path> folders = Standard_Profile_Folders();
    if (Names_Standard_Profile(value, folders)) return Load_Standard_Profile(value, folders);
    files.insert(files.begin(), value);
    return Load_Standard_Profile("", folders);
}

StandardProfile Load_Standard_Profile(const std::string& nameOrFile, const std::vector<fs::path>& folders) {
    const std::string wanted = nameOrFile.empty() ? defaultStandardName : nameOrFile;
    if (fs::path(wanted).extension() == profileExtension) return Parse_Standard_Profile(wanted, Read_Text(wanted));
    for (const fs::path& folder : folders) {
        const fs::path candidate = folder / (wanted + profileExtension);
        if (fs::exists(candidate)) return Parse_Standard_Profile(candidate.string(), Read_Text(candidate.string()));
    }
    const std::vector<std::string> names = Shipped_Profile_Names(folders);
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    throw ProfileError("--standard " + wanted, 0, "",
                       names.empty() ? "no such profile, and no shipped profiles were found beside the tool"
                                     : fmt::format("no such profile; the shipped ones are {} (a profile file ends in .json)",
                                                   list));
}

}  // namespace min_lumo_tool

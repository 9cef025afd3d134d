#include "tool/process/engine_options.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "tool/field/gnss_time.h"

namespace min_lumo_tool {

namespace {

// RTKLIB reads an options line into a buffer of 2,048 bytes; the tool
// refuses long before, so that nothing is cut silently.
constexpr std::size_t longestOptionLine = 1000;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// The engine reads numbers as C's atof does; 0.1 mm is far below what a
// header or a vector gives.
std::string Metres(double value) { return fmt::format("{:.4f}", value); }

std::string Option_Line(const std::string& key, const std::string& value, const std::string& comment) {
    std::string line = fmt::format("{:<18} ={}", key, value);
    if (!comment.empty()) line += fmt::format("{}# {}", line.size() < 40 ? std::string(40 - line.size(), ' ') : " ", comment);
    return line + "\n";
}

bool Is_Tool_Key(const std::string& key) {
    const std::vector<std::string>& keys = Tool_Engine_Keys();
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// The defaults with the user's options over them, each key once, in the
// order first met.
std::vector<EngineOption> Merged(const UserEngineOptions* user) {
    std::vector<EngineOption> merged = Default_Engine_Options();
    if (!user) return merged;
    for (const EngineOption& option : user->options) {
        if (Is_Tool_Key(option.key)) continue;
        const auto found = std::find_if(merged.begin(), merged.end(),
                                        [&](const EngineOption& known) { return known.key == option.key; });
        if (found != merged.end())
            *found = option;
        else
            merged.push_back(option);
    }
    return merged;
}

}  // namespace

const std::vector<EngineOption>& Default_Engine_Options() {
    // Values by name where RTKLIB's versions agree on the name; the
    // frequencies by number (2.4.3 b34 calls 2 "l1+l2", later ones "l1+2").
    static const std::vector<EngineOption> defaults = {
        {"pos1-frequency", "2", "L1+L2: dual-frequency receivers, as survey campaigns use"},
        {"pos1-soltype", "forward", "the static filter's last epoch holds every epoch of the window"},
        {"pos1-elmask", "15", "degrees: RTKLIB's own default mask"},
        {"pos1-navsys", "13", "GPS (1) + GLONASS (4) + Galileo (8)"},
        {"pos1-ionoopt", "brdc", "broadcast ionosphere model, RTKLIB's default"},
        {"pos1-tropopt", "saas", "Saastamoinen troposphere model, RTKLIB's default"},
        {"pos1-sateph", "brdc", "broadcast orbits: the navigation files given"},
        {"pos2-armode", "continuous", "integer ambiguities resolved continuously over the static window"},
        {"pos2-gloarmode", "off", "GLONASS ambiguities left float: their inter-channel biases differ between "
                                  "receiver makes"},
        {"pos2-arthres", "3", "ratio test threshold for a fix, RTKLIB's default"},
    };
    return defaults;
}

const std::vector<std::string>& Tool_Engine_Keys() {
    static const std::vector<std::string> keys = {
        "pos1-posmode",  "out-solformat", "out-outhead",   "out-timesys",   "out-timeform",  "out-timendec",
        "out-fieldsep",  "out-solstatic", "out-outstat",   "ant2-postype",  "ant2-pos1",     "ant2-pos2",
        "ant2-pos3",     "ant1-antdele",  "ant1-antdeln",  "ant1-antdelu",  "ant2-antdele",  "ant2-antdeln",
        "ant2-antdelu",  "ant1-anttype",  "ant2-anttype",  "file-rcvantfile"};
    return keys;
}

UserEngineOptions Parse_Engine_Options(const std::string& file, std::string_view text) {
    UserEngineOptions user;
    user.file = file;
    int64_t lineNumber = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        if (line.size() > longestOptionLine)
            throw EngineOptionsError(
                fmt::format("{}:{}: a line of {} characters; an options line holds at most {}", file, lineNumber,
                            line.size(), longestOptionLine));
        const std::size_t comment = line.find('#');
        if (comment != std::string_view::npos) line = line.substr(0, comment);
        line = Trimmed(line);
        if (line.empty()) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            throw EngineOptionsError(fmt::format("{}:{}: '{}' is not an option: an option line reads key = value", file,
                                                 lineNumber, line));
        const std::string key(Trimmed(line.substr(0, equals)));
        const std::string value(Trimmed(line.substr(equals + 1)));
        if (key.empty())
            throw EngineOptionsError(fmt::format("{}:{}: an option without a key before '='", file, lineNumber));
        if (key.find_first_of(" \t") != std::string::npos)
            throw EngineOptionsError(fmt::format("{}:{}: key '{}' holds a space", file, lineNumber, key));
        if (Is_Tool_Key(key)) {
            if (std::find(user.ignoredKeys.begin(), user.ignoredKeys.end(), key) == user.ignoredKeys.end())
                user.ignoredKeys.push_back(key);
            continue;
        }
        const std::string where = fmt::format("{}:{}", file, lineNumber);
        const auto found = std::find_if(user.options.begin(), user.options.end(),
                                        [&](const EngineOption& option) { return option.key == key; });
        if (found != user.options.end())
            *found = {key, value, where};
        else
            user.options.push_back({key, value, where});
    }
    return user;
}

std::string Engine_Options_Text(const UserEngineOptions* user, const EngineRunSettings& run) {
    std::string text = "# min_lumo process: the options of one engine run (rnx2rtkp -k)\n";
    text += user ? fmt::format("# defaults, and {} over them (--engine-options)\n", user->file) : "# defaults\n";
    for (const EngineOption& option : Merged(user)) text += Option_Line(option.key, option.value, option.comment);
    text += "# set by the tool for every run: static processing and the solution file it reads back\n";
    text += Option_Line("pos1-posmode", "static", "one static solution over the common window");
    text += Option_Line("out-solformat", "xyz", "Earth-centred positions with the full covariance");
    text += Option_Line("out-outhead", "on", "the header gives the base position used (ref pos)");
    text += Option_Line("out-timesys", "gpst", "");
    text += Option_Line("out-timeform", "tow", "GPS week and seconds");
    text += Option_Line("out-timendec", "3", "");
    text += Option_Line("out-fieldsep", "", "fields apart by spaces");
    text += Option_Line("out-solstatic", "all", "a line per epoch: the last is the solution, the lines count the epochs");
    text += Option_Line("out-outstat", "off", "");
    text += "# set by the tool for this run: the base's mark and both antennas (rover 1, base 2)\n";
    text += Option_Line("ant2-postype", "xyz", "");
    text += Option_Line("ant2-pos1", Metres(run.basePosition.x), "base mark X, m");
    text += Option_Line("ant2-pos2", Metres(run.basePosition.y), "base mark Y, m");
    text += Option_Line("ant2-pos3", Metres(run.basePosition.z), "base mark Z, m");
    text += Option_Line("ant1-antdele", Metres(run.roverEast), "rover antenna east of its mark, m");
    text += Option_Line("ant1-antdeln", Metres(run.roverNorth), "rover antenna north of its mark, m");
    text += Option_Line("ant1-antdelu", Metres(run.roverHeight), "rover antenna height above its mark, m");
    text += Option_Line("ant2-antdele", Metres(run.baseEast), "base antenna east of its mark, m");
    text += Option_Line("ant2-antdeln", Metres(run.baseNorth), "base antenna north of its mark, m");
    text += Option_Line("ant2-antdelu", Metres(run.baseHeight), "base antenna height above its mark, m");
    // The types are passed on always; RTKLIB applies a model only when the
    // phase-centre file holds one for the type.
    const bool models = !run.antexFile.empty();
    const char* typeNote = models ? "its phase-centre model from the --antex file" : "no --antex: no model applied";
    text += Option_Line("ant1-anttype", run.roverAntenna, fmt::format("rover antenna type; {}", typeNote));
    text += Option_Line("ant2-anttype", run.baseAntenna, fmt::format("base antenna type; {}", typeNote));
    text += Option_Line("file-rcvantfile", run.antexFile, models ? "--antex" : "");
    return text;
}

std::vector<std::string> Effective_Engine_Options(const UserEngineOptions* user) {
    std::vector<std::string> lines;
    for (const EngineOption& option : Merged(user)) lines.push_back(option.key + "=" + option.value);
    return lines;
}

std::pair<std::string, std::string> Engine_Time(double gpsSeconds) {
    const auto whole = static_cast<int64_t>(std::floor(gpsSeconds + 0.5));
    const min_lumo_field::CivilTime civil = min_lumo_field::Civil_Of_Seconds(whole);
    return {fmt::format("{:04}/{:02}/{:02}", civil.year, civil.month, civil.day),
            fmt::format("{:02}:{:02}:{:02}", civil.hour, civil.minute, static_cast<int64_t>(civil.second))};
}

std::vector<std::string> Engine_Arguments(const std::string& optionsFile, double startGps, double endGps,
                                          const std::string& solutionFile, const std::string& roverFile,
                                          const std::string& baseFile, const std::vector<std::string>& navigationFiles) {
    const auto [startDate, startTime] = Engine_Time(startGps);
    const auto [endDate, endTime] = Engine_Time(endGps);
    std::vector<std::string> arguments = {"-k",    optionsFile, "-ts", startDate,    startTime, "-te",
                                          endDate, endTime,     "-o",  solutionFile, roverFile, baseFile};
    arguments.insert(arguments.end(), navigationFiles.begin(), navigationFiles.end());
    return arguments;
}

}  // namespace min_lumo_tool

#include "tool/process/baseline_processing.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "tool/field/wgs84_conversion.h"
#include "tool/process/antenna_models.h"
#include "tool/process/child_processes.h"
#include "tool/process/engine_inputs.h"

namespace min_lumo_tool {

namespace {

namespace fs = std::filesystem;
using min_lumo_vectors::SolutionKind;

constexpr double degreesPerRadian = 180.0 / 3.14159265358979323846;
// The engine writes the base position it used to 0.1 mm; the tool gives it
// to 0.1 mm too.  More apart than this, it used another one.
constexpr double basePositionToleranceMetres = 0.001;
// The solution's last epoch lies in the window asked for, give or take the
// engine's rounding of times.
constexpr double windowToleranceSeconds = 1.0;
// An engine message quoted in a report is cut to this many characters.
constexpr std::size_t longestQuotedMessage = 200;

std::string Lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string File_Text(const std::string& path, bool& exists) {
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write_Text(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out.flush()) throw std::runtime_error(fmt::format("cannot write {} for the engine", path));
}

// A file name of letters, digits, '.', '-' and '_' only.
std::string File_Name_Safe(const std::string& text) {
    std::string safe;
    for (const char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.'
                           || c == '-' || c == '_';
        safe += plain ? c : '_';
    }
    return safe;
}

// The engine's last words: its messages end in a line that says what went
// wrong (progress lines, "processing : ...", left out).
std::string Last_Engine_Message(const std::string& messages) {
    std::string last;
    std::size_t at = 0;
    while (at < messages.size()) {
        std::size_t end = messages.find_first_of("\r\n", at);
        if (end == std::string::npos) end = messages.size();
        std::string line = messages.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (line.empty() || line.rfind("processing :", 0) == 0) continue;
        last = line;
    }
    if (last.size() > longestQuotedMessage) last = last.substr(0, longestQuotedMessage) + "...";
    return last;
}

#ifndef _WIN32
// Windows ends a crashed program with an exception code, not a signal.
std::string Signal_Name(int32_t signal) {
    switch (signal) {
        case 4: return "SIGILL";
        case 6: return "SIGABRT";
        case 7: return "SIGBUS";
        case 8: return "SIGFPE";
        case 9: return "SIGKILL";
        case 11: return "SIGSEGV";
        case 15: return "SIGTERM";
        default: return "";
    }
}
#endif

constexpr double tenthsOfMillimetrePerMetre = 1e4;
double To_Tenth_Millimetre(double metres) {
    return std::round(metres * tenthsOfMillimetrePerMetre) / tenthsOfMillimetrePerMetre;
}

double Distance(const EarthCentred& a, const EarthCentred& b) { return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z); }

int32_t Kind_Rank(SolutionKind kind) {
    switch (kind) {
        case SolutionKind::fixed: return 0;
        case SolutionKind::floating: return 1;
        case SolutionKind::single: return 2;
        case SolutionKind::failed: return 3;
    }
    return 3;
}

class Processor {
public:
    Processor(const ProcessingOrder& order, const ProcessingSettings& settings)
        : order_(order), settings_(settings), inputs_((fs::path(settings.workFolder) / "inputs").string()) {
        fs::create_directories(fs::path(settings.workFolder) / "inputs");
        if (!settings.antexFile.empty()) antennaModels_ = Antex_Antenna_Types(settings.antexFile);
    }

    ProcessingResult Run() {
        result_.runs.resize(order_.observations.size());
        result_.placements.resize(order_.stations.size());
        Place_Controls();
        std::map<int32_t, std::vector<std::size_t>> waves;  // by level; unreached (-1) last
        for (std::size_t i = 0; i < order_.observations.size(); ++i) {
            const int32_t level = order_.observations[i].level;
            waves[level < 0 ? std::numeric_limits<int32_t>::max() : level].push_back(i);
        }
        const auto started = std::chrono::steady_clock::now();
        int32_t wave = 0;
        for (const auto& [level, members] : waves) {
            const auto waveStarted = std::chrono::steady_clock::now();
            Run_Wave(wave, members);
            Place_Reached(members);
            result_.waveTimings.push_back(
                {level == std::numeric_limits<int32_t>::max() ? -1 : level, static_cast<int32_t>(members.size()),
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - waveStarted).count()});
            ++wave;
        }
        result_.waves = wave;
        result_.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return std::move(result_);
    }

private:
    const OrderedStation& Station(int32_t index) const { return order_.stations[static_cast<std::size_t>(index)]; }

    const ControlCoordinate* Coordinates_Of(const std::string& station) const {
        for (const ControlCoordinate& control : settings_.controlCoordinates)
            if (Lowered(control.station) == Lowered(station)) return &control;
        return nullptr;
    }

    void Place_Controls() {
        for (std::size_t s = 0; s < order_.stations.size(); ++s) {
            const OrderedStation& station = order_.stations[s];
            if (!station.control) continue;
            StationPlacement& placement = result_.placements[s];
            if (const ControlCoordinate* given = Coordinates_Of(station.name)) {
                placement.position = given->position;
                placement.from = fmt::format("control coordinates {}:{}", given->file, given->line);
            } else if (station.headerPosition) {
                placement.position = station.headerPosition;
                placement.approximate = true;
                placement.from = fmt::format("the RINEX header of {} (approximate)", station.name);
                result_.warnings.push_back(fmt::format(
                    "control {}: no coordinates given for it (--control-coordinates), so its RINEX header's approximate "
                    "position is held: the vectors are right, but positions carried from it are only as good as the "
                    "header (often metres)",
                    station.name));
            }
        }
    }

    // A base no control or vector placed: its header's approximate
    // position, and why it had to be.
    std::pair<std::optional<EarthCentred>, std::string> Fallback_Base(const OrderedObservation& observation) const {
        const OrderedStation& base = Station(observation.from.station);
        std::optional<EarthCentred> position = observation.from.headerPosition;
        std::string where =
            fmt::format("the RINEX header of {} (APPROX POSITION XYZ, approximate)", observation.from.antennaFile);
        if (!position && base.headerPosition) {
            position = base.headerPosition;
            where = fmt::format("{}'s RINEX headers (APPROX POSITION XYZ, approximate)", base.name);
        }
        // The vectors of earlier levels that were to place it: all failed.
        std::vector<std::string> failedPlacers;
        for (std::size_t i = 0; i < order_.observations.size(); ++i) {
            const OrderedObservation& other = order_.observations[i];
            if (other.to.station == observation.from.station && ran_.count(i) && result_.runs[i].wave < wave_)
                failedPlacers.push_back(other.label);
        }
        std::string why;
        if (observation.level < 0)
            why = fmt::format("no control reaches {}", base.name);
        else if (base.control)
            why = fmt::format("control {} has no position", base.name);
        else if (!failedPlacers.empty())
            why = fmt::format("the vector{} that was to place {} failed: {}", failedPlacers.size() == 1 ? "" : "s",
                              base.name, fmt::join(failedPlacers, ", "));
        else
            why = fmt::format("no vector processed before this level reaches {}", base.name);
        return {position, position ? where + ", since " + why : why};
    }

    std::vector<std::string> Corrections(const OrderedObservation& observation) const {
        std::vector<std::string> corrections;
        const auto heights = [](const std::string& name, const ReceiverEnd& end) {
            return fmt::format("{} {:.4f} m up, {:.4f} m east, {:.4f} m north ({})", name, end.antennaHeight,
                               end.antennaEast, end.antennaNorth, end.antennaFile);
        };
        corrections.push_back(fmt::format("mark to mark: antenna above mark from the RINEX headers (ANTENNA: DELTA "
                                          "H/E/N), base {}, rover {}",
                                          heights(Station(observation.from.station).name, observation.from),
                                          heights(Station(observation.to.station).name, observation.to)));
        if (settings_.antexFile.empty()) {
            corrections.push_back("phase-centre models: none (no --antex)");
        } else {
            const auto model = [&](const ReceiverEnd& end) {
                const std::string& type = end.antennaType;
                return fmt::format("{} '{}' {}", Station(end.station).name, type,
                                   Antex_Has_Model(antennaModels_, type) ? "modelled" : "not in the file: none");
            };
            corrections.push_back(fmt::format("phase-centre models from {}: {}, {}", settings_.antexFile,
                                              model(observation.from), model(observation.to)));
        }
        return corrections;
    }

    struct Pending {
        std::size_t index = 0;
        std::string solutionFile, errorFile;
        EarthCentred base;
    };

    void Run_Wave(int32_t wave, const std::vector<std::size_t>& members) {
        wave_ = wave;
        std::vector<ChildCommand> commands;
        std::vector<Pending> pending;
        for (const std::size_t index : members) {
            const OrderedObservation& observation = order_.observations[index];
            VectorRun& run = result_.runs[index];
            run.order = index;
            run.wave = wave;
            run.name = File_Name_Safe(fmt::format("{:02}-{:03}_{}", observation.network, observation.step,
                                                  observation.label));
            run.corrections = Corrections(observation);
            ProcessedVector& vector = run.vector;
            vector.from = Station(observation.from.station).name;
            vector.to = Station(observation.to.station).name;
            vector.session = observation.session;
            vector.label = observation.label;
            vector.startGps = observation.startGps;
            vector.endGps = observation.endGps;
            vector.solution = SolutionKind::failed;
            ran_.insert(index);
            // The base.
            const StationPlacement& placed = result_.placements[static_cast<std::size_t>(observation.from.station)];
            std::optional<EarthCentred> base = placed.position;
            if (base) {
                vector.baseFrom = placed.from;
                run.baseSource = placed.approximate ? BaseSource::controlHeader
                                 : Station(observation.from.station).control ? BaseSource::controlCoordinates
                                                                               : BaseSource::vector;
                run.baseApproximate = placed.approximate && !Station(observation.from.station).control;
            } else {
                auto [fallback, where] = Fallback_Base(observation);
                base = fallback;
                vector.baseFrom = where;
                run.baseSource = fallback ? BaseSource::header : BaseSource::none;
                run.baseApproximate = fallback.has_value();
                if (!fallback) {
                    run.problem = fmt::format("not processed: no position for the base {} ({})", vector.from, where);
                    continue;
                }
            }
            vector.basePosition = base;
            // The files.
            const PreparedInput rover = inputs_.Observation_File(observation.to.files, observation.to.formats);
            const PreparedInput baseFile = inputs_.Observation_File(observation.from.files, observation.from.formats);
            if (rover.path.empty() || baseFile.path.empty()) {
                run.problem = fmt::format("not processed: {}",
                                          rover.path.empty() ? Input_Problem(observation.to, rover)
                                                             : Input_Problem(observation.from, baseFile));
                continue;
            }
            std::vector<std::string> navigation;
            std::string navigationProblem;
            for (const NavigationFile& file : settings_.navigation) {
                if (!Covers(file, observation.startGps, observation.endGps)) continue;
                const PreparedInput prepared = inputs_.Navigation_File(file.path, !file.packing.empty());
                if (prepared.path.empty())
                    navigationProblem = prepared.problem;
                else
                    navigation.push_back(prepared.path);
            }
            if (navigation.empty()) {
                run.problem = "not processed: no navigation data covers its window"
                              + (navigationProblem.empty() ? std::string() : " (" + navigationProblem + ")");
                continue;
            }
            EngineRunSettings runSettings;
            runSettings.basePosition = *base;
            runSettings.roverHeight = observation.to.antennaHeight;
            runSettings.roverEast = observation.to.antennaEast;
            runSettings.roverNorth = observation.to.antennaNorth;
            runSettings.baseHeight = observation.from.antennaHeight;
            runSettings.baseEast = observation.from.antennaEast;
            runSettings.baseNorth = observation.from.antennaNorth;
            runSettings.roverAntenna = observation.to.antennaType;
            runSettings.baseAntenna = observation.from.antennaType;
            runSettings.antexFile = settings_.antexFile;
            const fs::path folder = fs::path(settings_.workFolder) / run.name;
            fs::create_directories(folder);
            const std::string optionsFile = (folder / "options.conf").string();
            run.optionsText = Engine_Options_Text(settings_.userOptions ? &*settings_.userOptions : nullptr, runSettings);
            Write_Text(optionsFile, run.optionsText);
            Pending job;
            job.index = index;
            job.solutionFile = (folder / "solution.pos").string();
            job.errorFile = (folder / "engine.txt").string();
            job.base = *base;
            ChildCommand command;
            command.program = settings_.engine;
            command.arguments = Engine_Arguments(optionsFile, observation.startGps, observation.endGps, job.solutionFile,
                                                 rover.path, baseFile.path, navigation);
            command.errorFile = job.errorFile;
            run.commandLine = command.program;
            for (const std::string& argument : command.arguments) run.commandLine += " " + argument;
            commands.push_back(std::move(command));
            pending.push_back(job);
        }
        const std::vector<ChildOutcome> outcomes =
            Run_Children(commands, settings_.jobs, settings_.timeoutSeconds);
        for (std::size_t i = 0; i < pending.size(); ++i) Read_Outcome(pending[i], outcomes[i]);
    }

    std::string Input_Problem(const ReceiverEnd& end, const PreparedInput& prepared) const {
        if (end.files.empty())
            return fmt::format("{} has no receiver data in the window (an occupation log holds none)",
                               Station(end.station).name);
        return prepared.problem;
    }

    void Read_Outcome(const Pending& job, const ChildOutcome& outcome) {
        VectorRun& run = result_.runs[job.index];
        const OrderedObservation& observation = order_.observations[job.index];
        ProcessedVector& vector = run.vector;
        vector.engineSeconds = outcome.seconds;
        result_.engineSeconds += outcome.seconds;
        bool exists = false;
        run.engineMessages = File_Text(job.errorFile, exists);
        const std::string said = Last_Engine_Message(run.engineMessages);
        const std::string quoted = said.empty() ? std::string() : fmt::format(" (its last message: {})", said);
        switch (outcome.ending) {
            case ChildEnding::notStarted:
                run.problem = fmt::format("the engine could not be started: {}", outcome.startProblem);
                return;
            case ChildEnding::timedOut:
                run.problem = fmt::format("the engine did not finish within {:g} s and was stopped (--engine-timeout)",
                                          settings_.timeoutSeconds);
                return;
            case ChildEnding::signalled: {
#ifdef _WIN32
                run.problem = fmt::format("the engine crashed (exception 0x{:08X}){}",
                                          static_cast<uint32_t>(outcome.exitCode), quoted);
#else
                const std::string name = Signal_Name(outcome.signal);
                run.problem = fmt::format("the engine crashed (signal {}{}){}", outcome.signal,
                                          name.empty() ? "" : ", " + name, quoted);
#endif
                return;
            }
            case ChildEnding::exited:
                if (outcome.exitCode != 0) {
                    run.problem = fmt::format("the engine failed (exit status {}){}", outcome.exitCode, quoted);
                    return;
                }
                break;
        }
        run.solutionText = File_Text(job.solutionFile, exists);
        if (!exists) {
            run.problem = "the engine wrote no solution file" + quoted;
            return;
        }
        EngineSolution solution;
        try {
            solution = Parse_Solution_Text(job.solutionFile, run.solutionText);
        } catch (const SolutionFileError& error) {
            run.problem = fmt::format("the engine wrote a solution the tool cannot read: {}", error.what());
            return;
        }
        if (!solution.last) {
            run.problem = "the engine wrote no solution: no epoch of both receivers with navigation data in the window"
                          + quoted;
            return;
        }
        if (solution.basePosition && Distance(*solution.basePosition, job.base) > basePositionToleranceMetres) {
            run.problem = fmt::format("the engine used the base position {:.4f} {:.4f} {:.4f}, not the one given "
                                      "({:.4f} {:.4f} {:.4f})",
                                      solution.basePosition->x, solution.basePosition->y, solution.basePosition->z,
                                      job.base.x, job.base.y, job.base.z);
            return;
        }
        const EngineSolutionLine& last = *solution.last;
        if (last.gpsSeconds < observation.startGps - windowToleranceSeconds
            || last.gpsSeconds > observation.endGps + windowToleranceSeconds) {
            run.problem = "the engine's solution lies outside the observation's window";
            return;
        }
        // The engine writes positions, and the tool the base, to 0.1 mm: so
        // is the vector, without the binary remainder of the subtraction.
        vector.dX = To_Tenth_Millimetre(last.position.x - job.base.x);
        vector.dY = To_Tenth_Millimetre(last.position.y - job.base.y);
        vector.dZ = To_Tenth_Millimetre(last.position.z - job.base.z);
        vector.covariance = last.covariance;
        vector.solution = Solution_Kind_Of(last.quality);
        vector.ratio = last.ratio;
        vector.satellites = last.satellites;
        vector.epochs = solution.epochs;
        run.quality = last.quality;
        const std::array<double, 3> local = Local_Vector(job.base, vector.dX, vector.dY, vector.dZ);
        run.east = local[0];
        run.north = local[1];
        run.up = local[2];
        run.lengthMetres = std::hypot(vector.dX, vector.dY, vector.dZ);
        if (vector.solution == SolutionKind::floating)
            run.problem = fmt::format("float: the ambiguities were not fixed (ratio {:.1f})", last.ratio);
        else if (vector.solution == SolutionKind::single)
            run.problem = "single: a solution from codes alone, no carrier phase";
    }

    // The stations this wave's vectors reached, not placed before, each
    // where its best vector puts it: fixed before float before single, then
    // the first in the plan's order.
    void Place_Reached(const std::vector<std::size_t>& members) {
        std::map<int32_t, std::size_t> best;
        for (const std::size_t index : members) {
            const VectorRun& run = result_.runs[index];
            if (run.vector.solution == SolutionKind::failed || !run.vector.basePosition) continue;
            const int32_t station = order_.observations[index].to.station;
            if (result_.placements[static_cast<std::size_t>(station)].position) continue;
            const auto found = best.find(station);
            if (found == best.end()
                || Kind_Rank(run.vector.solution) < Kind_Rank(result_.runs[found->second].vector.solution))
                best[station] = index;
        }
        for (const auto& [station, index] : best) {
            const VectorRun& run = result_.runs[index];
            StationPlacement& placement = result_.placements[static_cast<std::size_t>(station)];
            const EarthCentred& base = *run.vector.basePosition;
            placement.position = EarthCentred{base.x + run.vector.dX, base.y + run.vector.dY, base.z + run.vector.dZ};
            placement.approximate = false;
            placement.from = fmt::format("{} + vector {} ({})", run.vector.from, run.vector.label, Solution_Text(run));
        }
    }

    const ProcessingOrder& order_;
    const ProcessingSettings& settings_;
    EngineInputs inputs_;
    AntennaTypes antennaModels_;
    ProcessingResult result_;
    std::set<std::size_t> ran_;  // observations given to a wave so far
    int32_t wave_ = 0;           // the wave running
};

}  // namespace

LocalAxes Local_Axes(const EarthCentred& at) {
    const min_lumo_field::GeodeticPosition place = min_lumo_field::Geodetic_From_Earth_Centred(at.x, at.y, at.z);
    const double latitude = place.latitude / degreesPerRadian, longitude = place.longitude / degreesPerRadian;
    const double sinLat = std::sin(latitude), cosLat = std::cos(latitude);
    const double sinLon = std::sin(longitude), cosLon = std::cos(longitude);
    return {{{-sinLon, cosLon, 0.0},
             {-sinLat * cosLon, -sinLat * sinLon, cosLat},
             {cosLat * cosLon, cosLat * sinLon, sinLat}}};
}

std::array<double, 3> Local_Vector(const EarthCentred& at, double dX, double dY, double dZ) {
    const LocalAxes axes = Local_Axes(at);
    std::array<double, 3> local{};
    for (std::size_t r = 0; r < 3; ++r) local[r] = axes[r][0] * dX + axes[r][1] * dY + axes[r][2] * dZ;
    return local;
}

std::string Solution_Text(const VectorRun& run) { return Solution_Kind_Name(run.vector.solution); }

ProcessingResult Process_Baselines(const ProcessingOrder& order, const ProcessingSettings& settings) {
    return Processor(order, settings).Run();
}

}  // namespace min_lumo_tool

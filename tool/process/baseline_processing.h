// The plan carried out: every kept observation processed by the engine, in
// the plan's order and direction, level by level outward from the controls.
// A level's baselines run at once (up to the jobs asked for); each level's
// bases are placed before it starts -- a control from the coordinates
// given or its header, every other base where the vectors of the levels
// before put it -- so the results do not depend on how many run at once.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tool/process/engine_options.h"
#include "tool/process/navigation_files.h"
#include "tool/process/processing_order.h"
#include "tool/process/solution_file.h"
#include "tool/vectors/processed_vector.h"

namespace min_lumo_tool {

using min_lumo_vectors::ControlCoordinate;
using min_lumo_vectors::ProcessedVector;

struct ProcessingSettings {
    std::string engine;  // the program to run, found (Find_Program)
    std::optional<UserEngineOptions> userOptions;  // --engine-options
    std::string antexFile;                         // --antex; empty: none
    int32_t jobs = 1;
    double timeoutSeconds = 0.0;
    std::vector<ControlCoordinate> controlCoordinates;  // --control-coordinates
    std::vector<NavigationFile> navigation;             // every navigation file given or found
    std::string workFolder;  // an empty folder the runs write into
};

// Where a run's base position came from.
enum class BaseSource {
    controlCoordinates,  // the control's coordinates given (--control-coordinates)
    controlHeader,       // a control's RINEX header: approximate
    vector,              // where a processed vector put it
    header,              // its RINEX header, since no vector placed it: approximate
    none,                // nowhere: the run did not happen
};

// One kept observation as processed.
struct VectorRun {
    std::size_t order = 0;       // index into ProcessingOrder::observations
    int32_t wave = 0;            // the level it ran in (unreached ones after the last)
    ProcessedVector vector;      // solution failed when it could not be processed
    BaseSource baseSource = BaseSource::none;
    bool baseApproximate = false;  // processed from a base no vector or coordinates placed
    std::string problem;           // why it was not processed, or what is wrong with it; empty when fine
    std::optional<EngineQuality> quality;
    double east = 0.0, north = 0.0, up = 0.0;  // metres at the base
    double lengthMetres = 0.0;
    std::vector<std::string> corrections;  // what was applied, in words: antenna heights, phase-centre models
    // The run's files, for --keep-engine-files.
    std::string name;  // e.g. 077B-01_GARRAF_UPC1: unique within the campaign
    std::string optionsText, solutionText, engineMessages;
    std::string commandLine;
};

struct StationPlacement {
    std::optional<EarthCentred> position;
    std::string from;  // in words, as baseFrom reads
    bool approximate = false;
};

// One level's runs, all at once up to the jobs asked for.
struct WaveTiming {
    int32_t level = -1;  // -1: the baselines no control reaches
    int32_t runs = 0;
    double wallSeconds = 0.0;
};

struct ProcessingResult {
    std::vector<VectorRun> runs;               // by ProcessingOrder::observations
    std::vector<StationPlacement> placements;  // by station: where the runs put each
    std::vector<std::string> warnings;
    double engineSeconds = 0.0;  // wall-clock time of the engine runs, added up
    double wallSeconds = 0.0;    // from the first run's start to the last one's end
    int32_t waves = 0;
    std::vector<WaveTiming> waveTimings;
};

// Processes every observation of the order.  Navigation files are those of
// the settings that cover each observation's window (the caller checked
// that every session has some).
ProcessingResult Process_Baselines(const ProcessingOrder& order, const ProcessingSettings& settings);

// "fixed", "float" ... of a run, as the reports name it.
std::string Solution_Text(const VectorRun& run);

// The rows of the rotation from Earth-centred axes to east, north and up
// at a position (on WGS 84).
using LocalAxes = std::array<std::array<double, 3>, 3>;
LocalAxes Local_Axes(const EarthCentred& at);

// The vector in east, north, up at a position, metres.
std::array<double, 3> Local_Vector(const EarthCentred& at, double dX, double dY, double dZ);

}  // namespace min_lumo_tool

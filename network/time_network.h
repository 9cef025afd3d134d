// The time-network tables of one minimisation, and the run that holds them.
// DLL_Min_Lumo makes one MinimisationRun on its own stack; building,
// scoring, selection and write-back take it as a parameter, and nothing of
// it outlives the call.
//
// The tables are laid out for the work: every network's observations lie in
// one array, network after network, and so do their stations; a network
// refers to its slices by position and count, and an observation to its two
// stations by their position within its network.  All indices are 32 bits.
#pragma once

#include <cstdint>

#include "min_lumo.h"

namespace min_lumo {

enum ObservationState : int32_t {
    Undecided = 0,
    Rejected = 1,
    Selected = 2,
    Excluded = 5,  // solutionStatus was -1 when the tables were built
    Forced = 6,    // forced was non-zero (and the observation not excluded)
};

// Networks of at most this many observations keep all of them, unscored.
inline constexpr int32_t LargestKeptWholeNetwork = 2;

// Two selected observations satisfy a station; the selection also writes this
// value into a station's selectedCount when it needs nothing more.
inline constexpr int32_t SaturatedSelectedCount = 2;

// What the score needs of a host observation besides its stations.
struct ScoreInputs {
    double timeSpan;     // host time units, for the time term
    int32_t forced;      // the host's flag, for the bonus
    int32_t fromSource;  // for the ratio test
    int32_t toSource;
};

// What the build reads of one host observation, so that nothing later reads
// the host's observation records again until the write-back.
struct ObservationFacts {
    ScoreInputs score;
    int32_t fromStation;  // host indices of its baseline's two ends
    int32_t toStation;
    int32_t state;        // its initial ObservationState
};

struct NetObservation {
    int32_t observation;  // host observation index
    int32_t score;
    int32_t state;        // an ObservationState
    int32_t fromStation;  // its ends, as positions in the network's stations; one
    int32_t toStation;    // position for both when a baseline joins a station to itself
};

struct NetStation {
    int32_t station;        // host station index
    int32_t openCount;      // the network's observations at it still Undecided
    int32_t selectedCount;  // Forced at build time, then Selected ones added
    int32_t firstListed;    // its observations in MinimisationRun::listed, when built
    int32_t listedCount;
};

struct TimeNetwork {
    double earliestStart;  // host time units
    double latestEnd;
    double meanStart;      // running means over the network's observations
    double meanEnd;
    int32_t index;         // network number, its position in the table
    int32_t observationCount;
    int32_t firstObservation;  // in MinimisationRun::observations
    int32_t stationCount;
    int32_t firstStation;      // in MinimisationRun::stations
};

// Networks above LargestKeptWholeNetwork are scored and decided by the
// selection; the build prepares positions and workspace for exactly these.
inline bool Is_Decided_By_Score(const TimeNetwork& network) {
    return network.observationCount > LargestKeptWholeNetwork;
}

// A station's position, converted once per call for the distance term.
struct StationPosition {
    double x;  // metres, Earth-centred, Earth-fixed
    double y;
    double z;
    int32_t usable;  // 1 when a position flag is set; x, y, z only then
};

// The memory the selection works in, sized for the largest network it
// decides.  Nothing may be allocated once the selection runs.
struct SelectionWorkspace {
    NetObservation* sortBuffer;  // as many observations as the largest network: the score sort
    int32_t* openSlots;          // per station, table positions of its open observations
    int32_t* firstOpenSlot;      // per station: where its positions start in openSlots
    int32_t* endOpenSlot;        // per station: one past its last live position
    uint32_t* ruleStations;      // one bit per station: a station rule applies there
    uint32_t* ruleWords;         // one bit per word of ruleStations: it has a bit set
    uint64_t* heap;              // stations' (openCount, position) keys, least first
    int32_t* heapPlace;          // per station: its place in heap, -1 when absent
};

inline constexpr int32_t RuleStationsPerWord = 32;

// Everything one minimisation works on.  Zero-initialised it holds nothing;
// the project pointer is only followed while the call runs.
struct MinimisationRun {
    const ProjectHeader* project;
    ObservationFacts* facts;  // per host observation, in host order, while the tables are built
    TimeNetwork* networks;  // the network table, null when none is held
    int32_t networkCount;
    NetObservation* observations;  // every network's observations, start-time order within each
    ScoreInputs* scoreInputs;      // beside them, in the same order until the selection reorders
    NetStation* stations;          // every network's stations, in order of first appearance
    int32_t* listed;               // host observation indices per station, when asked for
    StationPosition* positions;    // per host station, for the stations of scored networks
    SelectionWorkspace workspace;
};

// What a build prepares beyond what the selection needs: the tables a
// reader of the whole run wants (every station's list of observations, and
// positions for the stations of every network, not only the scored ones).
enum class BuildScope { ForSelection, ForInspection };

// Builds the tables of `project` into `run`, which holds nothing, checking each observation's
// indices as it is read (the header must have passed Check_Project_Header).
// Returns the number of networks (0 when the project has no observations),
// or -1 with nothing held and the message set: the check's when an index
// cannot be followed, "Error: Out of memory" when the heap refused (unless
// the project would have been refused, which then takes precedence).
int32_t Build_Time_Networks(MinimisationRun& run, const ProjectHeader* project,
                            BuildScope scope = BuildScope::ForSelection);

// Frees every table of the run; safe when none is held, and twice in a row.
void Release_Time_Networks(MinimisationRun& run);

}  // namespace min_lumo

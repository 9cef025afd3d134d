// What the processed network says about itself: an independent set of
// closed loops with their misclosures, the repeated baselines with their
// differences, each judged against the tolerances of the processing rules,
// and the vector most likely at fault, with whether to process it again or
// to observe it again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tool/process/baseline_processing.h"

namespace min_lumo_tool {

// The processing rules' numbers (the profile's fixedSolutions,
// loopMisclosure and repeatBaselines), each with its source.
struct ProcessingTolerances {
    bool fixedEnabled = true;
    double minimumRatio = 3.0;  // a fixed solution's ratio at least this
    std::string fixedSource;
    bool loopEnabled = true;
    double loopMillimetres = 10.0, loopPartsPerMillion = 1.0;  // 3D misclosure against the loop's length
    std::string loopSource;
    bool repeatEnabled = true;
    double repeatHorizontalMillimetres = 10.0, repeatHorizontalPartsPerMillion = 1.0;
    double repeatVerticalMillimetres = 20.0, repeatVerticalPartsPerMillion = 2.0;
    std::string repeatSource;
};

// The project's own tolerances (the basic profile's), when no profile says.
ProcessingTolerances Default_Processing_Tolerances();

// A run's vector walked forwards (+1) or backwards (-1) around a loop.
struct LoopLeg {
    std::size_t run = 0;  // index into ProcessingResult::runs
    int32_t sign = 1;
};

struct Loop {
    int32_t number = 0;             // from 1, shortest first
    std::vector<std::string> stations;  // in walking order; the first is not repeated at the end
    std::vector<LoopLeg> legs;
    std::vector<std::string> sessions;  // of its vectors, sorted, once each
    bool trivial = false;               // every vector of one session: they share data, the loop proves little
    double dX = 0.0, dY = 0.0, dZ = 0.0;  // misclosure, metres
    double misclosureMetres = 0.0;       // 3D
    double lengthMetres = 0.0;           // the sum of its vectors' lengths
    double partsPerMillion = 0.0;
    double allowedMetres = 0.0;
    bool passed = true;
};

struct Repeat {
    std::size_t first = 0, second = 0;  // runs of one station pair in different sessions
    std::string from, to;               // as the first runs
    double horizontalMetres = 0.0, verticalMetres = 0.0;  // the second minus the first, turned to run alike
    double dX = 0.0, dY = 0.0, dZ = 0.0;
    double lengthMetres = 0.0;
    double allowedHorizontalMetres = 0.0, allowedVerticalMetres = 0.0;
    bool passed = true;
};

// A vector to look at again, and what to do.
struct Suspect {
    std::size_t run = 0;
    int32_t failingLoops = 0;   // the failing loops it lies in
    int32_t failingRepeats = 0;
    bool reprocess = false;     // float or single, a low ratio or few satellites: process again; else observe again
    std::string why;            // in words
};

// A processing rule as checked.
struct ProcessingRuleCheck {
    std::string rule;  // fixedSolutions, loopMisclosure, repeatBaselines
    std::string requirement;
    std::string source;
    bool enabled = true;
    bool passed = true;
    std::vector<std::string> failures;  // one text each
};

struct NetworkChecks {
    std::vector<Loop> loops;
    int32_t loopsPossible = 0;  // independent loops of the processed network
    std::vector<Repeat> repeats;
    std::vector<Suspect> suspects;          // most failing loops first
    std::vector<ProcessingRuleCheck> rules;  // in the profile's order
    bool Passed() const;
};

// Fewer satellites than this at the end of a window makes a vector one to
// process again (with a lower mask, or a longer window) before observing
// it again: the project's own threshold.
inline constexpr int32_t fewSatellites = 5;

NetworkChecks Check_Network(const ProcessingResult& result, const ProcessingOrder& order,
                            const ProcessingTolerances& tolerances);

}  // namespace min_lumo_tool

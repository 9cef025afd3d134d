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

#include "tool/plan/standard_checks.h"
#include "tool/plan/standard_profile.h"
#include "tool/process/baseline_processing.h"

namespace min_lumo_tool {

// The processing rules of a survey standard's profile: its fixedSolutions,
// loopMisclosure and repeatBaselines (a rule not enabled is not judged).
struct ProcessingTolerances {
    FixedSolutionsRule fixedSolutions;
    LoopMisclosureRule loopMisclosure;
    RepeatBaselinesRule repeatBaselines;
};

ProcessingTolerances Processing_Tolerances(const StandardProfile& profile);

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
    std::optional<double> allowedMetres;  // none when no rule judges loops
    bool passed = true;
};

struct Repeat {
    std::size_t first = 0, second = 0;  // runs of one station pair in different sessions
    std::string from, to;               // as the first runs
    double horizontalMetres = 0.0, verticalMetres = 0.0;  // the second minus the first, turned to run alike
    double dX = 0.0, dY = 0.0, dZ = 0.0;
    double lengthMetres = 0.0;
    std::optional<double> allowedHorizontalMetres, allowedVerticalMetres;  // none when no rule judges repeats
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

struct NetworkChecks {
    std::vector<Loop> loops;
    int32_t loopsPossible = 0;  // independent loops of the processed network
    std::vector<Repeat> repeats;
    std::vector<Suspect> suspects;  // most failing loops first
    // The processing rules the profile enables, as the plan's checks are
    // kept (RuleStage::process), and those it leaves out.
    std::vector<RuleCheck> rules;
    std::vector<LeftOutRule> leftOut;
    bool Passed() const;
};

// Fewer satellites than this at the end of a window makes a vector one to
// process again (with a lower mask, or a longer window) before observing
// it again: the project's own threshold.
inline constexpr int32_t fewSatellites = 5;

NetworkChecks Check_Network(const ProcessingResult& result, const ProcessingOrder& order,
                            const ProcessingTolerances& tolerances);

}  // namespace min_lumo_tool

// Loops, repeats and suspects of a small network whose every number was
// worked out beside the code (python, from the vectors below): the table
// holds them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tool/process/network_checks.h"
#include "tool/process/tests/planned_files.h"

namespace min_lumo_tool {
namespace {

using min_lumo_vectors::SolutionKind;

struct Leg {
    const char* from;
    const char* to;
    const char* session;
    double dX, dY, dZ;
    SolutionKind solution;
    double ratio;
};

// Stations A..E; every base on the equator at longitude 0, where east is
// +Y, north +Z and up +X, so that the repeat's parts read off by hand.
// Vector 5 is 20 mm off in Z, and float: loops 2 and 3 fail through it.
const std::vector<Leg> network = {
    {"A", "B", "S1", 1000.0, 0.0, 0.0, SolutionKind::fixed, 40.0},
    {"B", "C", "S1", 0.0, 1000.0, 0.0, SolutionKind::fixed, 40.0},
    {"A", "C", "S2", 1000.003, 1000.004, 0.0, SolutionKind::fixed, 40.0},
    {"C", "D", "S2", 0.0, 0.0, 2000.0, SolutionKind::fixed, 40.0},
    {"A", "D", "S1", 1000.0, 1000.0, 2000.020, SolutionKind::floating, 2.1},
    {"B", "A", "S2", -1000.0, 0.006, 0.008, SolutionKind::fixed, 40.0},
    {"A", "E", "S2", 0.0, 1000.0, 0.0, SolutionKind::fixed, 40.0},
    {"E", "D", "S2", 1000.0, 0.0, 2000.0, SolutionKind::fixed, 40.0},
};

struct Built {
    ProcessingOrder order;
    ProcessingResult result;
};

Built Build(const std::vector<Leg>& legs) {
    Built built;
    const auto station = [&](const std::string& name) {
        for (std::size_t i = 0; i < built.order.stations.size(); ++i)
            if (built.order.stations[i].name == name) return static_cast<int32_t>(i);
        built.order.stations.push_back({name, false, std::nullopt});
        return static_cast<int32_t>(built.order.stations.size() - 1);
    };
    for (const Leg& leg : legs) {
        OrderedObservation observation;
        observation.label = std::string(leg.from) + " " + leg.session + " " + leg.to + " 1";
        observation.session = leg.session;
        observation.from.station = station(leg.from);
        observation.to.station = station(leg.to);
        built.order.observations.push_back(observation);
        VectorRun run;
        run.order = built.result.runs.size();
        run.vector.from = leg.from;
        run.vector.to = leg.to;
        run.vector.session = leg.session;
        run.vector.label = observation.label;
        run.vector.dX = leg.dX;
        run.vector.dY = leg.dY;
        run.vector.dZ = leg.dZ;
        run.vector.solution = leg.solution;
        run.vector.ratio = leg.ratio;
        run.vector.satellites = 8;
        run.vector.basePosition = EarthCentred{6378137.0, 0.0, 0.0};
        run.lengthMetres = std::hypot(leg.dX, leg.dY, leg.dZ);
        built.result.runs.push_back(run);
    }
    return built;
}

TEST(NetworkChecks, LoopsShortestFirstWithTheirMisclosures) {
    const Built built = Build(network);
    const NetworkChecks checks = Check_Network(built.result, built.order, Basic_Numbers());
    // Station pairs AB BC AC CD AD AE ED, five stations: 7 - 5 + 1 loops.
    EXPECT_EQ(checks.loopsPossible, 3);
    struct Expected {
        const char* stations;
        double dX, dY, dZ, misclosureMillimetres, lengthMetres, ppm, allowedMillimetres;
        bool passed;
    };
    const Expected expected[] = {
        {"A-B-C", -3.0, -4.0, 0.0, 5.0, 3414.218512, 1.464464, 13.414219, true},
        {"A-E-D", 0.0, 0.0, -20.0, 20.0, 5685.57405, 3.517675, 15.685574, false},
        {"C-D-A", 3.0, 4.0, -20.0, 20.615528, 5863.724585, 3.515774, 15.863725, false},
    };
    ASSERT_EQ(checks.loops.size(), std::size(expected));
    for (std::size_t i = 0; i < checks.loops.size(); ++i) {
        const Loop& loop = checks.loops[i];
        const Expected& want = expected[i];
        std::string stations;
        for (const std::string& name : loop.stations) stations += (stations.empty() ? "" : "-") + name;
        EXPECT_EQ(stations, want.stations) << "loop " << i + 1;
        EXPECT_NEAR(loop.dX * 1000.0, want.dX, 1e-6) << stations;
        EXPECT_NEAR(loop.dY * 1000.0, want.dY, 1e-6) << stations;
        EXPECT_NEAR(loop.dZ * 1000.0, want.dZ, 1e-6) << stations;
        EXPECT_NEAR(loop.misclosureMetres * 1000.0, want.misclosureMillimetres, 1e-6) << stations;
        EXPECT_NEAR(loop.lengthMetres, want.lengthMetres, 1e-6) << stations;
        EXPECT_NEAR(loop.partsPerMillion, want.ppm, 1e-6) << stations;
        ASSERT_TRUE(loop.allowedMetres.has_value());
        EXPECT_NEAR(*loop.allowedMetres * 1000.0, want.allowedMillimetres, 1e-6) << stations;
        EXPECT_EQ(loop.passed, want.passed) << stations;
        EXPECT_FALSE(loop.trivial) << stations;
        EXPECT_EQ(loop.number, static_cast<int32_t>(i + 1));
    }
}

TEST(NetworkChecks, ARepeatTurnedToRunAlikeAndReadInEastNorthUp) {
    const Built built = Build(network);
    const NetworkChecks checks = Check_Network(built.result, built.order, Basic_Numbers());
    // A-B (S1) and B-A (S2): -(B-A) - (A-B) = (0, -6, -8) mm: east -6, north
    // -8, up 0; allowed 10 mm + 1 ppm of 1 km and 20 mm + 2 ppm.
    ASSERT_EQ(checks.repeats.size(), 1U);
    const Repeat& repeat = checks.repeats.front();
    EXPECT_EQ(repeat.from, "A");
    EXPECT_EQ(repeat.to, "B");
    EXPECT_NEAR(repeat.horizontalMetres * 1000.0, 10.0, 1e-6);
    EXPECT_NEAR(repeat.verticalMetres * 1000.0, 0.0, 1e-6);
    EXPECT_NEAR(repeat.allowedHorizontalMetres.value_or(0.0) * 1000.0, 11.0, 1e-9);
    EXPECT_NEAR(repeat.allowedVerticalMetres.value_or(0.0) * 1000.0, 22.0, 1e-9);
    EXPECT_TRUE(repeat.passed);
    ProcessingTolerances tight = Basic_Numbers();
    tight.repeatBaselines.horizontalMillimetres = 8.0;  // 8 + 1 = 9 mm: the 10 mm fail
    const NetworkChecks failing = Check_Network(built.result, built.order, tight);
    EXPECT_FALSE(failing.repeats.front().passed);
    EXPECT_FALSE(failing.rules[2].passed);
}

TEST(NetworkChecks, TheVectorInTheMostFailingLoopsIsTheSuspect) {
    const Built built = Build(network);
    const NetworkChecks checks = Check_Network(built.result, built.order, Basic_Numbers());
    ASSERT_EQ(checks.suspects.size(), 1U);
    const Suspect& suspect = checks.suspects.front();
    EXPECT_EQ(built.result.runs[suspect.run].vector.label, "A S1 D 1");
    EXPECT_EQ(suspect.failingLoops, 2);
    EXPECT_TRUE(suspect.reprocess);  // float, ratio 2.1
    EXPECT_NE(suspect.why.find("process it again"), std::string::npos);
    // The rules: the float fails fixedSolutions, two loops fail.
    ASSERT_EQ(checks.rules.size(), 3U);
    EXPECT_EQ(checks.rules[0].rule, RuleId::fixedSolutions);
    EXPECT_EQ(checks.rules[0].failures.front().item, "vector A S1 D 1");
    EXPECT_EQ(checks.rules[0].failures.front().measured, "float with ratio 2.1");
    EXPECT_EQ(checks.rules[1].failures.front().item, "loop 2 (A-E-D)");
    EXPECT_EQ(checks.rules[1].failures.front().measured, "20.0 mm (3.52 ppm of 5.686 km)");
    EXPECT_EQ(checks.rules[1].failures.front().required, "15.7 mm");
    EXPECT_FALSE(checks.rules[0].passed);
    EXPECT_EQ(checks.rules[0].failures.size(), 1U);
    EXPECT_FALSE(checks.rules[1].passed);
    EXPECT_EQ(checks.rules[1].failures.size(), 2U);
    EXPECT_TRUE(checks.rules[2].passed);
    EXPECT_FALSE(checks.Passed());
}

TEST(NetworkChecks, AFixedSuspectIsToBeObservedAgain) {
    std::vector<Leg> legs = network;
    legs[4].solution = SolutionKind::fixed;
    legs[4].ratio = 25.0;
    const Built built = Build(legs);
    const NetworkChecks checks = Check_Network(built.result, built.order, Basic_Numbers());
    ASSERT_EQ(checks.suspects.size(), 1U);
    EXPECT_FALSE(checks.suspects.front().reprocess);
    EXPECT_NE(checks.suspects.front().why.find("observe it again"), std::string::npos);
    EXPECT_TRUE(checks.rules[0].passed);
}

TEST(NetworkChecks, ARuleLeftOutJudgesNothing) {
    const Built built = Build(network);
    ProcessingTolerances tolerances = Basic_Numbers();
    tolerances.loopMisclosure.settings.enabled = false;
    tolerances.loopMisclosure.settings.source = "not part of this profile";
    const NetworkChecks checks = Check_Network(built.result, built.order, tolerances);
    EXPECT_EQ(checks.loops.size(), 3U);
    for (const Loop& loop : checks.loops) {
        EXPECT_TRUE(loop.passed);
        EXPECT_FALSE(loop.allowedMetres.has_value());
    }
    ASSERT_EQ(checks.leftOut.size(), 1U);
    EXPECT_EQ(checks.leftOut.front().rule, RuleId::loopMisclosure);
    EXPECT_EQ(checks.leftOut.front().reason, "not part of this profile");
    EXPECT_EQ(checks.rules.size(), 2U);
    EXPECT_TRUE(checks.suspects.empty());
}

TEST(NetworkChecks, LoopsOfOneSessionAreTrivialAndFailedVectorsLeftOut) {
    std::vector<Leg> legs = {
        {"A", "B", "S1", 1000.0, 0.0, 0.0, SolutionKind::fixed, 40.0},
        {"B", "C", "S1", 0.0, 1000.0, 0.0, SolutionKind::fixed, 40.0},
        {"A", "C", "S1", 1000.0, 1000.0001, 0.0, SolutionKind::fixed, 40.0},
        {"C", "D", "S1", 0.0, 0.0, 1000.0, SolutionKind::failed, 0.0},
        {"A", "D", "S1", 1000.0, 1000.0, 1000.0, SolutionKind::fixed, 40.0},
    };
    const Built built = Build(legs);
    const NetworkChecks checks = Check_Network(built.result, built.order, Basic_Numbers());
    EXPECT_EQ(checks.loopsPossible, 1);
    ASSERT_EQ(checks.loops.size(), 1U);
    EXPECT_TRUE(checks.loops.front().trivial);
    EXPECT_NEAR(checks.loops.front().misclosureMetres, 0.0001, 1e-9);
    EXPECT_TRUE(checks.repeats.empty());
}

}  // namespace
}  // namespace min_lumo_tool

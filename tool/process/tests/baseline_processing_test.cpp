// The plan carried out with the stand-in engine: the order read from the
// plan, bases carried level by level, every fault of the engine reported
// against its vector, and the same vectors whatever the number of jobs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tool/process/tests/planned_files.h"

namespace min_lumo_tool {
namespace {

using min_lumo_vectors::SolutionKind;

// Under wine every engine start takes about a second: the Windows tool's
// runs are tested end to end, every fault at once, by process_engine_faults.
#ifdef _WIN32
#define SKIP_UNDER_WINE() GTEST_SKIP() << "engine runs under wine: see process_engine_faults"
#else
#define SKIP_UNDER_WINE() static_cast<void>(0)
#endif

const VectorRun& Run_Labelled(const ProcessingResult& result, const std::string& label) {
    for (const VectorRun& run : result.runs)
        if (run.vector.label == label) return run;
    throw std::runtime_error("no vector " + label);
}

TEST(ProcessingOrder, TheKeptObservationsInThePlansOrderWithTheirEnds) {
    const PlannedFiles planned = Plan_Halves();
    const ProcessingOrder& order = planned.order;
    ASSERT_EQ(order.observations.size(), 9U);
    EXPECT_EQ(order.sessions, (std::vector<std::string>{"077A", "077B", "077C"}));
    const OrderedObservation& first = order.observations.front();
    EXPECT_EQ(first.label, "GARRAF 077A MATA 1");
    EXPECT_EQ(first.level, 0);
    EXPECT_EQ(order.stations[static_cast<std::size_t>(first.from.station)].name, "GARRAF");
    EXPECT_TRUE(order.stations[static_cast<std::size_t>(first.from.station)].control);
    EXPECT_DOUBLE_EQ(first.from.antennaHeight, 0.054);  // the headers: GARRAF 0.0540, MATA 0.0300
    EXPECT_DOUBLE_EQ(first.to.antennaHeight, 0.030);
    EXPECT_EQ(first.from.antennaType, "TRM41249.00     NONE");
    ASSERT_EQ(first.to.files.size(), 1U);
    EXPECT_NE(first.to.files.front().find("mata077c.10o.gz"), std::string::npos);
    ASSERT_TRUE(first.from.headerPosition.has_value());
    EXPECT_DOUBLE_EQ(first.from.headerPosition->x, 4796983.5767);
    // 02:00:00 to 02:59:30 GPST on 2010-03-18 (day 14686).
    EXPECT_DOUBLE_EQ(first.startGps, 14686.0 * 86400.0 + 2 * 3600.0);
    EXPECT_DOUBLE_EQ(first.endGps, 14686.0 * 86400.0 + 2 * 3600.0 + 3570.0);
    // Level by level: the four from MATA come after all from GARRAF.
    for (const OrderedObservation& observation : order.observations) {
        const bool fromMata = order.stations[static_cast<std::size_t>(observation.from.station)].name == "MATA";
        EXPECT_EQ(observation.level, fromMata ? 1 : 0) << observation.label;
    }
}

TEST(BaselineProcessing, BasesAreCarriedWhereTheVectorsPutThem) {
    SKIP_UNDER_WINE();
    const PlannedFiles planned = Plan_Halves();
    // The stand-in's vectors run between the header positions, so a base
    // carried through them lands on its own header position.
    const ProcessingResult result = Process_Baselines(planned.order, Standin_Settings("carried", ""));
    ASSERT_EQ(result.runs.size(), 9U);
    EXPECT_EQ(result.waves, 2);
    const VectorRun& placing = Run_Labelled(result, "GARRAF 077A MATA 1");
    EXPECT_EQ(placing.vector.solution, SolutionKind::fixed);
    EXPECT_EQ(placing.vector.epochs, 120);
    EXPECT_NEAR(placing.vector.dX, 4776835.5870 - 4796983.5767, 1e-9);
    const VectorRun& carried = Run_Labelled(result, "MATA 077C UPC2 2");
    ASSERT_TRUE(carried.vector.basePosition.has_value());
    EXPECT_NEAR(carried.vector.basePosition->x, 4776835.5870, 1e-6);
    EXPECT_NEAR(carried.vector.basePosition->y, 202618.9947, 1e-6);
    EXPECT_NEAR(carried.vector.basePosition->z, 4207574.6304, 1e-6);
    EXPECT_EQ(carried.baseSource, BaseSource::vector);
    EXPECT_FALSE(carried.baseApproximate);
    EXPECT_NE(carried.vector.baseFrom.find("GARRAF 077A MATA 1"), std::string::npos) << carried.vector.baseFrom;
    EXPECT_EQ(carried.vector.epochs, 54);
    for (const VectorRun& run : result.runs) EXPECT_TRUE(run.problem.empty()) << run.vector.label << ": " << run.problem;
}

TEST(BaselineProcessing, ControlCoordinatesGivenAreHeld) {
    SKIP_UNDER_WINE();
    const PlannedFiles planned = Plan_Halves();
    ProcessingSettings settings = Standin_Settings("coordinates", "");
    settings.controlCoordinates.push_back({"garraf", {4796983.0, 160309.0, 4187340.0}, std::nullopt, "controls.csv", 2});
    const ProcessingResult result = Process_Baselines(planned.order, settings);
    const VectorRun& run = Run_Labelled(result, "GARRAF 077A MATA 1");
    EXPECT_DOUBLE_EQ(run.vector.basePosition->x, 4796983.0);
    EXPECT_EQ(run.baseSource, BaseSource::controlCoordinates);
    EXPECT_NE(run.vector.baseFrom.find("controls.csv:2"), std::string::npos);
    // MATA sits where the vector from the held GARRAF puts it.
    const VectorRun& carried = Run_Labelled(result, "MATA 077B UPC1 1");
    EXPECT_NEAR(carried.vector.basePosition->x, 4796983.0 + 4776835.5870 - 4796983.5767, 1e-6);
    EXPECT_TRUE(result.warnings.empty());
}

TEST(BaselineProcessing, ABaseWhoseVectorFailedIsProcessedFromItsHeaderAndMarked) {
    SKIP_UNDER_WINE();
    const PlannedFiles planned = Plan_Halves();
    const ProcessingResult result =
        Process_Baselines(planned.order, Standin_Settings("failed_placer", "mata077c garr077c fail 3 error : no obs data\n"));
    const VectorRun& failed = Run_Labelled(result, "GARRAF 077A MATA 1");
    EXPECT_EQ(failed.vector.solution, SolutionKind::failed);
    EXPECT_EQ(failed.problem, "the engine failed (exit status 3) (its last message: error : no obs data)");
    for (const char* label : {"MATA 077B UPC1 1", "MATA 077B UPC2 1", "MATA 077C UPC1 2", "MATA 077C UPC2 2"}) {
        const VectorRun& run = Run_Labelled(result, label);
        EXPECT_EQ(run.vector.solution, SolutionKind::fixed) << label;
        EXPECT_TRUE(run.baseApproximate) << label;
        EXPECT_EQ(run.baseSource, BaseSource::header) << label;
        EXPECT_NE(run.vector.baseFrom.find("approximate), since the vector that was to place MATA failed: GARRAF 077A MATA 1"),
                  std::string::npos)
            << run.vector.baseFrom;
    }
}

TEST(BaselineProcessing, EveryFaultOfTheEngineIsNamedAgainstItsVector) {
    SKIP_UNDER_WINE();
    const PlannedFiles planned = Plan_Halves();
    const std::string script =
        "upc1077f00 garr077f00 crash\n"
        "upc2077f00 garr077f00 hang\n"
        "upc1077f33 garr077f33 nothing\n"
        "upc2077f33 garr077f33 empty\n"
        "upc1077f00 mata077f00 garbage\n"
        "upc2077f00 mata077f00 wrongbase\n"
        "upc1077f33 mata077f33 vector 12177.4 -26008.8 -12539.8 2 7 0.01 0.01 0.01 0 0 0 1.8\n"
        "upc2077f33 mata077f33 vector 12195.7 -26035.6 -12559.5 5 7 0.9 0.9 0.9 0 0 0 0\n";
    const ProcessingResult result =
        Process_Baselines(planned.order, Standin_Settings("faults", script, 4, 2.0));
    struct Expected {
        const char* label;
        SolutionKind solution;
        const char* problem;
    };
    const Expected expected[] = {
        {"GARRAF 077A MATA 1", SolutionKind::fixed, ""},
        {"GARRAF 077B UPC1 1", SolutionKind::failed, "the engine crashed ("},
        {"GARRAF 077B UPC2 1", SolutionKind::failed, "the engine did not finish within 2 s and was stopped"},
        {"GARRAF 077C UPC1 2", SolutionKind::failed, "the engine wrote no solution file"},
        {"GARRAF 077C UPC2 2", SolutionKind::failed, "the engine wrote no solution: no epoch of both receivers"},
        {"MATA 077B UPC1 1", SolutionKind::failed, "the engine wrote a solution the tool cannot read: "},
        {"MATA 077B UPC2 1", SolutionKind::failed, "the engine used the base position 4776836.5870 202618.9947"},
        {"MATA 077C UPC1 2", SolutionKind::floating, "float: the ambiguities were not fixed (ratio 1.8)"},
        {"MATA 077C UPC2 2", SolutionKind::single, "single: a solution from codes alone"},
    };
    for (const Expected& want : expected) {
        const VectorRun& run = Run_Labelled(result, want.label);
        EXPECT_EQ(run.vector.solution, want.solution) << want.label;
        if (*want.problem == '\0') {
            EXPECT_TRUE(run.problem.empty()) << want.label << ": " << run.problem;
        } else {
            EXPECT_EQ(run.problem.rfind(want.problem, 0), 0U) << want.label << ": " << run.problem;
        }
    }
    // The hung run was stopped at the timeout, not waited for.
    EXPECT_LT(Run_Labelled(result, "GARRAF 077B UPC2 1").vector.engineSeconds, 10.0);
}

TEST(BaselineProcessing, TheVectorsDoNotDependOnHowManyRunAtOnce) {
    SKIP_UNDER_WINE();
    const PlannedFiles planned = Plan_Halves();
    const std::string script = "mata077c garr077c fail 1 gone\nupc1077f33 mata077f33 vector 1 2 3 2 7 0.01 0.01 0.01 0 0 0 1.8\n";
    const ProcessingResult one = Process_Baselines(planned.order, Standin_Settings("jobs1", script, 1));
    const ProcessingResult many = Process_Baselines(planned.order, Standin_Settings("jobs5", script, 5));
    ASSERT_EQ(one.runs.size(), many.runs.size());
    for (std::size_t i = 0; i < one.runs.size(); ++i) {
        const ProcessedVector& a = one.runs[i].vector;
        const ProcessedVector& b = many.runs[i].vector;
        EXPECT_EQ(a.label, b.label);
        EXPECT_EQ(a.dX, b.dX) << a.label;
        EXPECT_EQ(a.dY, b.dY) << a.label;
        EXPECT_EQ(a.dZ, b.dZ) << a.label;
        EXPECT_EQ(a.solution, b.solution) << a.label;
        EXPECT_EQ(a.baseFrom, b.baseFrom) << a.label;
        EXPECT_EQ(one.runs[i].problem, many.runs[i].problem) << a.label;
        ASSERT_EQ(a.basePosition.has_value(), b.basePosition.has_value());
        if (a.basePosition) {
            EXPECT_EQ(a.basePosition->x, b.basePosition->x) << a.label;
        }
    }
}

}  // namespace
}  // namespace min_lumo_tool

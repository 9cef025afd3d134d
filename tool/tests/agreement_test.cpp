// The details the tool shows come from the library's building blocks linked
// into the tool; the decisions it reports come from the exported call.  The
// two must agree observation for observation, and the explanations must
// match the decisions.
#include <gtest/gtest.h>

#include "hostkit/module_loader.h"
#include "hostkit/project_model.h"
#include "hostkit/shapes.h"
#include "minimise/run_inspection.h"
#include "tool/run/explain.h"
#include "tool/run/minimise_run.h"
#include "tool/run/orient_run.h"
#include "tool/project/project_reader.h"

namespace min_lumo_tool {

using min_lumo_kit::Default_Library_Path;
using min_lumo_kit::Generate_Shape;
using min_lumo_kit::LoadedModule;
using min_lumo_kit::Project;
using min_lumo_kit::ShapeOptions;

namespace {

const LoadedModule& Library() {
    static const LoadedModule library(Default_Library_Path());
    return library;
}

void Expect_Agreement(const Project& project, const std::string& what) {
    MinimiseResult result = Run_Minimisation(project, Library());
    ASSERT_EQ(result.status, 0) << what << ": " << result.message;
    EXPECT_TRUE(result.disagreements.empty()) << what;
    Explain_Decisions(project, result);
    int rejected = 0;
    for (std::size_t i = 0; i < project.observations.size(); ++i) {
        const ObservationResult& outcome = result.observations[i];
        const bool internallyRejected = result.inspection.observations[i].state == min_lumo::Rejected;
        EXPECT_EQ(outcome.rejected, internallyRejected) << what << " observation " << i;
        EXPECT_EQ(outcome.reason.rfind(outcome.rejected ? "rejected:" : "kept", 0) == 0
                      || outcome.reason.rfind("excluded:", 0) == 0,
                  true)
            << what << " observation " << i << ": " << outcome.reason;
        rejected += outcome.rejected ? 1 : 0;
    }
    EXPECT_GT(rejected, 0) << what;
}

TEST(AgreementTest, SampleProject) {
    const ReadResult read = Read_Project_File(MIN_LUMO_SAMPLE_PROJECT);
    ASSERT_TRUE(read.violations.empty());
    Expect_Agreement(read.project, "sample");
}

TEST(AgreementTest, GeneratedShapes) {
    const ShapeOptions shapes[] = {
        {"campaign", 7, 12, 6, 40, 0, 0}, {"all-pairs", 3, 0, 0, 14, 0, 0}, {"grid", 5, 0, 0, 0, 5, 6},
        {"traverse", 9, 0, 0, 12, 0, 0},  {"monitoring", 2, 30, 0, 0, 0, 0}};
    for (const ShapeOptions& shape : shapes) Expect_Agreement(Generate_Shape(shape), shape.shape);
}

TEST(AgreementTest, OrientationReachesEveryStationOfTheSample) {
    const ReadResult read = Read_Project_File(MIN_LUMO_SAMPLE_PROJECT);
    const OrientResult result = Run_Orientation(read.project, Library());
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.unreachedStations.empty());
    EXPECT_EQ(result.controlStations, (std::vector<int32_t>{0, 1}));
}

}  // namespace
}  // namespace min_lumo_tool

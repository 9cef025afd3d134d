// The real engine on real files (Linux with Debian's rtklib): every vector
// the tool gets checked against rnx2rtkp run here by hand on the same pair,
// window and base, with the antenna heights added afterwards; the bases
// carried; the loops and repeats against the fixture table worked out from
// the vectors beside the code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tool/field/wgs84_conversion.h"
#include "tool/process/child_processes.h"
#include "tool/process/engine_options.h"
#include "tool/process/exchanged_vectors.h"
#include "tool/process/network_checks.h"
#include "tool/process/tests/planned_files.h"
#include "tool/vectors/vector_files.h"

namespace min_lumo_tool {
namespace {

using min_lumo_vectors::SolutionKind;

// The engine writes positions to 0.1 mm; a 5 cm antenna height applied by
// the engine and added by hand agree to a few tenths.
constexpr double agreementMetres = 0.0005;

bool Engine_Here() {
#ifdef _WIN32
    return false;
#else
    return !Find_Program("rnx2rtkp").empty();
#endif
}

std::array<double, 3> Up_At(const EarthCentred& at) {
    const min_lumo_field::GeodeticPosition place = min_lumo_field::Geodetic_From_Earth_Centred(at.x, at.y, at.z);
    const double radians = 3.14159265358979323846 / 180.0;
    const double latitude = place.latitude * radians, longitude = place.longitude * radians;
    return {std::cos(latitude) * std::cos(longitude), std::cos(latitude) * std::sin(longitude), std::sin(latitude)};
}

// rnx2rtkp as a surveyor types it, static, L1+L2, ECEF out, the base given;
// the last line's position.
std::array<double, 3> Reference_Rover(const OrderedObservation& observation, const EarthCentred& base,
                                      const std::vector<std::string>& navigation, const std::string& name) {
    const std::string folder = Scratch_Folder("reference_" + name);
    const std::string output = folder + "/reference.pos";
    const auto [startDate, startTime] = Engine_Time(observation.startGps);
    const auto [endDate, endTime] = Engine_Time(observation.endGps);
    char head[1024];
    std::snprintf(head, sizeof head, "rnx2rtkp -p 3 -f 2 -m 15 -v 3 -sys G -e -r %.4f %.4f %.4f -ts %s %s -te %s %s",
                  base.x, base.y, base.z, startDate.c_str(), startTime.c_str(), endDate.c_str(), endTime.c_str());
    std::string command = std::string(head) + " -o '" + output + "' '" + observation.to.files.front() + "' '"
                          + observation.from.files.front() + "'";
    for (const std::string& file : navigation) command += " '" + file + "'";
    command += " 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(output);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '%') last = line;
    std::istringstream fields(last);
    double week = 0, seconds = 0;
    std::array<double, 3> rover{};
    fields >> week >> seconds >> rover[0] >> rover[1] >> rover[2];
    EXPECT_TRUE(static_cast<bool>(fields)) << "no solution in " << output;
    return rover;
}

// `labels`: the vectors to run again by hand (each run costs the engine's
// time); empty: all.
void Expect_Engine_Agrees(const PlannedFiles& planned, const ProcessingResult& result,
                          const std::vector<std::string>& navigation, const std::vector<std::string>& labels = {}) {
    for (const VectorRun& run : result.runs) {
        if (!labels.empty() && std::find(labels.begin(), labels.end(), run.vector.label) == labels.end()) continue;
        const OrderedObservation& observation = planned.order.observations[run.order];
        ASSERT_EQ(run.vector.solution, SolutionKind::fixed) << run.vector.label << ": " << run.problem;
        const EarthCentred base = *run.vector.basePosition;
        const std::array<double, 3> rover = Reference_Rover(observation, base, navigation, run.name);
        // The hand run treats the base's antenna as its mark and gives the
        // rover's antenna: mark to mark adds the base's height and takes
        // off the rover's, each along its own up.
        const std::array<double, 3> upBase = Up_At(base);
        const std::array<double, 3> upRover = Up_At({rover[0], rover[1], rover[2]});
        const double expected[3] = {
            rover[0] - base.x + observation.from.antennaHeight * upBase[0] - observation.to.antennaHeight * upRover[0],
            rover[1] - base.y + observation.from.antennaHeight * upBase[1] - observation.to.antennaHeight * upRover[1],
            rover[2] - base.z + observation.from.antennaHeight * upBase[2] - observation.to.antennaHeight * upRover[2]};
        EXPECT_NEAR(run.vector.dX, expected[0], agreementMetres) << run.vector.label;
        EXPECT_NEAR(run.vector.dY, expected[1], agreementMetres) << run.vector.label;
        EXPECT_NEAR(run.vector.dZ, expected[2], agreementMetres) << run.vector.label;
    }
}

ProcessingSettings Engine_Settings(const std::string& name, std::vector<NavigationFile> navigation) {
    ProcessingSettings settings;
    settings.engine = Find_Program("rnx2rtkp");
    settings.jobs = 2;
    settings.timeoutSeconds = 120.0;
    settings.navigation = std::move(navigation);
    settings.workFolder = Scratch_Folder(name) + "/work";
    return settings;
}

// The fixture: the loops and repeats of the halves campaign, worked out
// from the vectors the tool gives (python, summing the legs named).
struct FixtureLoop {
    std::vector<std::pair<std::string, int>> legs;
    double dX = 0, dY = 0, dZ = 0, lengthKilometres = 0;
};
struct FixtureRepeat {
    std::string first, second;
    double horizontal = 0, vertical = 0;
};

void Read_Fixture(std::vector<FixtureLoop>& loops, std::vector<FixtureRepeat>& repeats) {
    std::ifstream in(processData + "/catalonia2010_halves_checks.txt");
    ASSERT_TRUE(in) << "the fixture table";
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "loop") {
            FixtureLoop loop;
            fields >> loop.dX >> loop.dY >> loop.dZ >> loop.lengthKilometres;
            // Legs: sign, then the label's four words.
            for (std::string sign, a, b, c, d; fields >> sign >> a >> b >> c >> d;)
                loop.legs.push_back({a + " " + b + " " + c + " " + d, sign == "+" ? 1 : -1});
            loops.push_back(loop);
        } else if (kind == "repeat") {
            FixtureRepeat repeat;
            std::string a, b, c, d, e, f, g, h;
            fields >> repeat.horizontal >> repeat.vertical >> a >> b >> c >> d >> e >> f >> g >> h;
            repeat.first = a + " " + b + " " + c + " " + d;
            repeat.second = e + " " + f + " " + g + " " + h;
            repeats.push_back(repeat);
        }
    }
}

// The exchange files written from the processed vectors read back through
// the vector layer's own readers: the same stations and vectors, to what
// each format keeps (a G-file 0.1 mm and sigmas to 0.1 mm).
void Expect_Exchange_Files_Read_Back(const PlannedFiles& planned, const ProcessingResult& result) {
    const ExchangedVectors exchanged = Exchanged_Vectors(result, planned.order, {});
    ASSERT_EQ(exchanged.vectors.size(), result.runs.size());
    ASSERT_EQ(exchanged.controls.size(), 1U);
    struct Format {
        const char* name;
        std::string text;
        double metres, sigmaMetres;
    };
    const Format formats[] = {
        {"vectors.csv", min_lumo_vectors::Vectors_Csv_Text(exchanged.vectors), 1e-9, 1e-12},
        {"vectors.gfile", min_lumo_vectors::Gfile_Text(exchanged.vectors), 0.00005, 0.00005},
        {"vectors.xml", min_lumo_vectors::Gama_Xml_Text(exchanged.vectors, exchanged.controls), 1e-9, 1e-9},
    };
    for (const Format& format : formats) {
        const min_lumo_vectors::VectorFile read = min_lumo_vectors::Read_Vectors_From_Memory(format.name, format.text);
        ASSERT_EQ(read.vectors.size(), exchanged.vectors.size()) << format.name;
        for (std::size_t i = 0; i < read.vectors.size(); ++i) {
            const ProcessedVector& back = read.vectors[i];
            const ProcessedVector& sent = exchanged.vectors[i];
            EXPECT_EQ(back.from, sent.from) << format.name;
            EXPECT_EQ(back.to, sent.to) << format.name;
            EXPECT_NEAR(back.dX, sent.dX, format.metres) << format.name << " " << sent.label;
            EXPECT_NEAR(back.dY, sent.dY, format.metres) << format.name << " " << sent.label;
            EXPECT_NEAR(back.dZ, sent.dZ, format.metres) << format.name << " " << sent.label;
            EXPECT_NEAR(std::sqrt(back.covariance.xx), std::sqrt(sent.covariance.xx), format.sigmaMetres) << format.name;
            EXPECT_NEAR(std::sqrt(back.covariance.zz), std::sqrt(sent.covariance.zz), format.sigmaMetres) << format.name;
        }
    }
}

TEST(RealEngine, TheHalvesCampaignAgreesWithHandRunsAndTheFixture) {
    if (!Engine_Here()) GTEST_SKIP() << "rnx2rtkp is not installed here";
    const PlannedFiles planned = Plan_Halves();
    const ProcessingResult result =
        Process_Baselines(planned.order, Engine_Settings("real_halves", Catalonia_Navigation()));
    ASSERT_EQ(result.runs.size(), 9U);
    // One of each session, the last from a carried base.
    Expect_Engine_Agrees(planned, result, {processData + "/catalonia2010/brdc0770.10n.gz"},
                         {"GARRAF 077A MATA 1", "GARRAF 077B UPC1 1", "MATA 077C UPC2 2"});
    for (const VectorRun& run : result.runs)
        EXPECT_EQ(run.vector.solution, SolutionKind::fixed) << run.vector.label << ": " << run.problem;
    // The bases from MATA sit where the 02:00 vector put it.
    const VectorRun& placing = result.runs.front();
    ASSERT_EQ(placing.vector.label, "GARRAF 077A MATA 1");
    for (const VectorRun& run : result.runs) {
        if (run.vector.from != "MATA") continue;
        EXPECT_DOUBLE_EQ(run.vector.basePosition->x, placing.vector.basePosition->x + placing.vector.dX) << run.vector.label;
        EXPECT_DOUBLE_EQ(run.vector.basePosition->y, placing.vector.basePosition->y + placing.vector.dY) << run.vector.label;
        EXPECT_DOUBLE_EQ(run.vector.basePosition->z, placing.vector.basePosition->z + placing.vector.dZ) << run.vector.label;
    }
    // Loops and repeats as the fixture has them, to the 0.01 mm it keeps.
    std::vector<FixtureLoop> loops;
    std::vector<FixtureRepeat> repeats;
    Read_Fixture(loops, repeats);
    const NetworkChecks checks = Check_Network(result, planned.order, Basic_Numbers());
    ASSERT_EQ(checks.loops.size(), loops.size());
    for (std::size_t i = 0; i < loops.size(); ++i) {
        const Loop& loop = checks.loops[i];
        ASSERT_EQ(loop.legs.size(), loops[i].legs.size());
        for (std::size_t k = 0; k < loop.legs.size(); ++k) {
            EXPECT_EQ(result.runs[loop.legs[k].run].vector.label, loops[i].legs[k].first) << "loop " << i + 1;
            EXPECT_EQ(loop.legs[k].sign, loops[i].legs[k].second) << "loop " << i + 1;
        }
        EXPECT_NEAR(loop.dX * 1000.0, loops[i].dX, 0.006) << "loop " << i + 1;
        EXPECT_NEAR(loop.dY * 1000.0, loops[i].dY, 0.006) << "loop " << i + 1;
        EXPECT_NEAR(loop.dZ * 1000.0, loops[i].dZ, 0.006) << "loop " << i + 1;
        EXPECT_NEAR(loop.lengthMetres / 1000.0, loops[i].lengthKilometres, 0.0006) << "loop " << i + 1;
        EXPECT_FALSE(loop.trivial);
    }
    Expect_Exchange_Files_Read_Back(planned, result);
    ASSERT_EQ(checks.repeats.size(), repeats.size());
    for (std::size_t i = 0; i < repeats.size(); ++i) {
        EXPECT_EQ(result.runs[checks.repeats[i].first].vector.label, repeats[i].first);
        EXPECT_EQ(result.runs[checks.repeats[i].second].vector.label, repeats[i].second);
        EXPECT_NEAR(checks.repeats[i].horizontalMetres * 1000.0, repeats[i].horizontal, 0.006) << repeats[i].first;
        EXPECT_NEAR(checks.repeats[i].verticalMetres * 1000.0, repeats[i].vertical, 0.006) << repeats[i].first;
    }
}

TEST(RealEngine, ThePairWithNavigationFilesOfItsOwn) {
    if (!Engine_Here()) GTEST_SKIP() << "rnx2rtkp is not installed here";
    const PlannedFiles planned = Plan_Files({processData + "/geonet2005"}, {"0759"});
    std::vector<NavigationFile> navigation;
    for (const std::string& file : Navigation_Files_In_Folder(processData + "/geonet2005"))
        navigation.push_back(Read_Navigation_File(file));
    const ProcessingResult result = Process_Baselines(planned.order, Engine_Settings("real_geonet", navigation));
    ASSERT_EQ(result.runs.size(), 1U);
    const VectorRun& run = result.runs.front();
    EXPECT_EQ(run.vector.solution, SolutionKind::fixed);
    EXPECT_GT(run.vector.ratio.value_or(0.0), 100.0);
    // Near the header positions' difference: they are approximate (rnx2rtkp
    // run by hand on the whole files puts 3040 0.16 m off its header in X).
    EXPECT_NEAR(run.vector.dX, -3978242.4348 - -3976219.5082, 0.25);
    EXPECT_NEAR(run.vector.dY, 3382841.1715 - 3382372.5671, 0.25);
    EXPECT_NEAR(run.vector.dZ, 3649902.7667 - 3652512.9849, 0.25);
    Expect_Engine_Agrees(planned, result, {navigation.front().path, navigation.back().path});
}

}  // namespace
}  // namespace min_lumo_tool

// The exchange files of processed vectors and control coordinates: the
// same vectors written by hand in every format read alike (data/README.md),
// every writer's file reads back to what was written, and hostile files are
// refused naming the file, the line and the field.
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tool/vectors/vector_files.h"

namespace {

using namespace min_lumo_vectors;

const std::string data = MIN_LUMO_VECTORS_TEST_DATA;

// What the hand-made files hold, in every format: the numbers as written
// in the G-file (sigmas, correlations) and their covariances in the others.
struct Expected {
    const char* from;
    const char* to;
    const char* session;
    double dX, dY, dZ;
    double sigmaX, sigmaY, sigmaZ;
    double correlationXY, correlationXZ, correlationYZ;
    const char* start;
    const char* end;
};
const Expected handMade[] = {
    {"GARR", "MATA", "077F", -20147.9125, 42309.8818, 20234.2970, 0.0021, 0.0034, 0.0030, 0.25, -0.125, 0.5,
     "2010-03-18T05:00:00", "2010-03-18T06:00:00"},
    {"GARR", "UPC1", "077F", -12.3456, 7.5, -0.0001, 0.002, 0.0015, 0.0025, 0.1, 0.0, 0.32, "2010-03-18T05:00:00",
     "2010-03-18T06:00:00"},
    {"UPC1", "MATA", "077C", 1234567.8912, -0.0001, 2000.0, 0.01, 0.01, 0.01, 0.0, 0.0, 0.0, "2010-03-18T02:00:00",
     "2010-03-18T03:00:00"},
};

struct HandMadeFile {
    const char* file;
    int64_t lines[3];
    std::size_t warnings;
    bool sessionsAndTimes;  // GaMa XML carries neither
};
const HandMadeFile handMadeFiles[] = {
    {"hand_made.gfile", {8, 9, 13}, 1, true},
    {"hand_made.xml", {11, 12, 23}, 1, false},
    {"hand_made.csv", {4, 5, 6}, 1, true},
    {"hand_made.json", {4, 7, 10}, 0, true},
};

::testing::AssertionResult Near(double actual, double expected, const char* what) {
    if (std::fabs(actual - expected) <= 1e-12 * std::max(1.0, std::fabs(expected))) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << " is " << actual << ", expected " << expected;
}

TEST(HandMadeFiles, EveryFormatReadsTheSameVectors) {
    for (const HandMadeFile& file : handMadeFiles) {
        SCOPED_TRACE(file.file);
        const VectorFile read = Read_Vector_File(data + "/" + file.file);
        EXPECT_EQ(read.warnings.size(), file.warnings);
        ASSERT_EQ(read.vectors.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const ProcessedVector& v = read.vectors[i];
            const Expected& e = handMade[i];
            EXPECT_EQ(v.from, e.from);
            EXPECT_EQ(v.to, e.to);
            EXPECT_EQ(v.line, file.lines[i]);
            EXPECT_EQ(v.file, data + "/" + file.file);
            EXPECT_TRUE(Near(v.dX, e.dX, "dX"));
            EXPECT_TRUE(Near(v.dY, e.dY, "dY"));
            EXPECT_TRUE(Near(v.dZ, e.dZ, "dZ"));
            const VectorCovariance& c = v.covariance;
            EXPECT_TRUE(Near(c.xx, e.sigmaX * e.sigmaX, "xx"));
            EXPECT_TRUE(Near(c.yy, e.sigmaY * e.sigmaY, "yy"));
            EXPECT_TRUE(Near(c.zz, e.sigmaZ * e.sigmaZ, "zz"));
            EXPECT_TRUE(Near(c.xy, e.correlationXY * e.sigmaX * e.sigmaY, "xy"));
            EXPECT_TRUE(Near(c.xz, e.correlationXZ * e.sigmaX * e.sigmaZ, "xz"));
            EXPECT_TRUE(Near(c.yz, e.correlationYZ * e.sigmaY * e.sigmaZ, "yz"));
            if (!file.sessionsAndTimes) continue;
            EXPECT_EQ(v.session, e.session);
            EXPECT_EQ(Gps_Iso_Text(v.startGps), e.start);
            EXPECT_EQ(Gps_Iso_Text(v.endGps), e.end);
        }
    }
}

TEST(HandMadeFiles, WarningsNameWhatWasLeftOut) {
    EXPECT_EQ(Read_Vector_File(data + "/hand_made.gfile").warnings.at(0),
              data + "/hand_made.gfile:15: vector MATA-UPC1 (session 077C) marked rejected ('R'), left out");
    EXPECT_NE(Read_Vector_File(data + "/hand_made.xml").warnings.at(0).find("hand_made.xml:13: 1 covariance between "
                                                                             "different vectors not used"),
              std::string::npos);
    EXPECT_EQ(Read_Vector_File(data + "/hand_made.csv").warnings.at(0), data + "/hand_made.csv:3: columns not read: note");
}

// Vectors with every field set, their numbers within what every format
// holds (0.1 mm, sigmas of whole 0.1 mm, correlations to 1e-7).
std::vector<ProcessedVector> Sample_Vectors() {
    std::vector<ProcessedVector> vectors(3);
    ProcessedVector& a = vectors[0];
    a.from = "UPC1";
    a.to = "UPC2";
    a.session = "077F";
    a.label = "UPC1 077F UPC2 1";
    a.startGps = 1268888400.0;
    a.endGps = 1268892000.0;
    a.dX = 18.3032;
    a.dY = -26.7528;
    a.dZ = -19.6976;
    a.covariance = {1.0e-6, 2.0e-7, -1.5e-7, 2.25e-6, 6.0e-7, 4.0e-6};
    a.solution = SolutionKind::fixed;
    a.ratio = 700.25;
    a.satellites = 9;
    a.epochs = 120;
    a.basePosition = EarthCentred{4789032.6272, 176595.0117, 4195013.0041};
    a.baseFrom = "control coordinates";
    a.engineSeconds = 0.14;
    vectors[1] = a;
    ProcessedVector& b = vectors[1];
    b.from = "GARR";
    b.to = "MATA";
    b.label = "GARR 077F MATA 1";
    b.dX = -20147.9125;
    b.dY = 42309.8818;
    b.dZ = 20234.297;
    b.covariance = {4.0e-6, 1.0e-6, 0.0, 9.0e-6, -3.0e-6, 1.6e-5};
    b.solution = SolutionKind::floating;
    b.ratio.reset();
    b.basePosition.reset();
    b.baseFrom.clear();
    vectors[2] = b;
    ProcessedVector& c = vectors[2];
    c.from = "MATA";
    c.to = "FAR";
    c.session = "077C";
    c.label.clear();
    c.startGps = 1268877600.0;
    c.endGps = 1268881200.0;
    c.dX = 1234567.8912;  // too long for a C record: an F record
    c.solution = SolutionKind::single;
    return vectors;
}

struct Format {
    const char* name;
    VectorFormat format;
    std::string (*write)(const std::vector<ProcessedVector>&);
    bool exact;           // numbers written in full
    bool engineFacts;     // label, solution, ratio, counts
    bool sessionsAndTimes;
};
const Format formats[] = {
    {"csv", VectorFormat::csv, &Vectors_Csv_Text, true, true, true},
    {"json", VectorFormat::json, &Vectors_Json_Text, true, true, true},
    {"gfile", VectorFormat::gfile, &Gfile_Text, false, false, true},
    {"gama", VectorFormat::gamaXml, [](const std::vector<ProcessedVector>& v) { return Gama_Xml_Text(v); }, false, false,
     false},
};

TEST(RoundTrip, EveryWriterReadsBackToTheSameVectors) {
    const std::vector<ProcessedVector> written = Sample_Vectors();
    for (const Format& format : formats) {
        SCOPED_TRACE(format.name);
        const std::string text = format.write(written);
        ASSERT_EQ(Vector_Format_Of(text), format.format);
        const VectorFile read = Read_Vectors_From_Memory("round_trip", text);
        EXPECT_TRUE(read.warnings.empty()) << read.warnings.front();
        ASSERT_EQ(read.vectors.size(), written.size());
        for (std::size_t i = 0; i < written.size(); ++i) {
            SCOPED_TRACE(i);
            const ProcessedVector& w = written[i];
            const ProcessedVector& r = read.vectors[i];
            EXPECT_EQ(r.from, w.from);
            EXPECT_EQ(r.to, w.to);
            const double numbers[][2] = {{r.dX, w.dX}, {r.dY, w.dY}, {r.dZ, w.dZ},
                                         {r.covariance.xx, w.covariance.xx}, {r.covariance.xy, w.covariance.xy},
                                         {r.covariance.xz, w.covariance.xz}, {r.covariance.yy, w.covariance.yy},
                                         {r.covariance.yz, w.covariance.yz}, {r.covariance.zz, w.covariance.zz}};
            for (const auto& pair : numbers) {
                if (format.exact) EXPECT_EQ(pair[0], pair[1]);
                else EXPECT_TRUE(Near(pair[0], pair[1], "a number"));
            }
            if (format.sessionsAndTimes) {
                EXPECT_EQ(r.session, w.session);
                EXPECT_EQ(r.startGps, w.startGps);
                EXPECT_EQ(r.endGps, w.endGps);
            }
            if (!format.engineFacts) continue;
            EXPECT_EQ(r.label, w.label);
            EXPECT_EQ(r.solution, w.solution);
            EXPECT_EQ(r.ratio, w.ratio);
            EXPECT_EQ(r.satellites, w.satellites);
            EXPECT_EQ(r.epochs, w.epochs);
        }
    }
    // JSON alone carries where the base came from and the engine's time.
    const VectorFile json = Read_Vectors_Json("round_trip.json", Vectors_Json_Text(written));
    ASSERT_TRUE(json.vectors[0].basePosition.has_value());
    EXPECT_EQ(json.vectors[0].basePosition->y, written[0].basePosition->y);
    EXPECT_EQ(json.vectors[0].baseFrom, written[0].baseFrom);
    EXPECT_EQ(json.vectors[0].engineSeconds, written[0].engineSeconds);
    EXPECT_FALSE(json.vectors[1].basePosition.has_value());
}

TEST(RoundTrip, GfileColumnsAreThoseAdjustReads) {
    const std::string text = Gfile_Text(Sample_Vectors());
    // One group per session and time window; long components on an F record.
    EXPECT_NE(text.find("\nB201003180500201003180600 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nC00010002     183032   10    -267528   15    -196976   20  077F\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nF00040005  12345678912   20"), std::string::npos) << text;
    EXPECT_NE(text.find("\nD  1  2  1333333  1  3  -750000  2  3  2000000  4  5  1666667  4  6        0\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n STATION 0005 FAR\n"), std::string::npos) << text;
}

// The GaMa file lists every station once: a held control fixed at its
// coordinates, a weighted one as observed coordinates with its covariance
// (sigmas of 3, 4 and 12 mm give mm² variances summing to 169), the others
// to adjust.
TEST(RoundTrip, GamaFileHoldsTheControls) {
    std::vector<ControlCoordinate> controls(2);
    controls[0].station = "UPC1";
    controls[0].position = {4789013.0077, 176610.1555, 4195034.8091};
    controls[1].station = "MATA";
    controls[1].position = {4776835.587, 202618.9947, 4207574.6304};
    controls[1].sigmasMetres = std::array<double, 3>{0.003, 0.004, 0.012};
    const std::string text = Gama_Xml_Text(Sample_Vectors(), controls);
    EXPECT_NE(text.find("<point id=\"UPC1\" x=\"4789013.0077\" y=\"176610.1555\" z=\"4195034.8091\" fix=\"xyz\" />"),
              std::string::npos);
    EXPECT_NE(text.find("<point id=\"UPC2\" adj=\"xyz\" />"), std::string::npos);
    EXPECT_NE(text.find("<coordinates>\n<point id=\"MATA\""), std::string::npos);
    const std::size_t matrix = text.find("<cov-mat", text.find("<coordinates>"));
    std::istringstream numbers(text.substr(text.find('>', matrix) + 1));
    double trace = 0.0, value = 0.0;
    for (int i = 0; i < 6 && numbers >> value; ++i)
        if (i == 0 || i == 3 || i == 5) trace += value;
    EXPECT_NEAR(trace, 9.0 + 16.0 + 144.0, 1e-9);
    EXPECT_EQ(Read_Gama_Xml("controls.xml", text).vectors.size(), 3u);
}

TEST(RoundTrip, ControlsReadBackAndTellTheirHeadings) {
    std::vector<ControlCoordinate> controls(2);
    controls[0].station = "GARR";
    controls[0].position = {4796983.517, 160309.188, 4187340.385};
    controls[1].station = "MATA";
    controls[1].position = {4775849.5, 116814.2, 4213018.9};
    controls[1].sigmasMetres = std::array<double, 3>{0.005, 0.005, 0.01};
    const std::vector<ControlCoordinate> read =
        Read_Control_Coordinates_From_Memory("controls.csv", Control_Coordinates_Csv_Text(controls));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].position.z, controls[0].position.z);
    EXPECT_FALSE(read[0].sigmasMetres.has_value());
    EXPECT_EQ(read[1].sigmasMetres, controls[1].sigmasMetres);
    EXPECT_EQ(read[1].line, 3);
    // The same mark by latitude, longitude and height (GARR as its header
    // positions it, converted on WGS 84 by the field layer's conversion).
    std::vector<std::string> warnings;
    const std::vector<ControlCoordinate> geodetic = Read_Control_Coordinates_From_Memory(
        "geodetic.csv", "# a note\nStation,Latitude,Longitude,Height,Remark\nGARR,41.292954,1.914289,634.57,roof\n",
        &warnings);
    ASSERT_EQ(geodetic.size(), 1u);
    EXPECT_NEAR(geodetic[0].position.x, 4796983.5, 60.0);
    EXPECT_EQ(warnings, std::vector<std::string>{"geodetic.csv:2: columns not read: Remark"});
}

struct Hostile {
    const char* name;
    std::string text;
    const char* message;  // the whole of what() after the file name
};

const Hostile hostileVectors[] = {
    // The tool's CSV.
    {"v.csv", "from,to,dX\n", ":1: the heading lacks the columns dY, dZ, sXX, sXY, sXZ, sYY, sYZ, sZZ; a vectors CSV starts "
                              "from,to,session,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ\nA,B,nan,1,1,1e-6,0,0,1e-6,0,1e-6\n",
     ":2: dX: 'nan' is not a number"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ\nA,B,1,2 m,1,1e-6,0,0,1e-6,0,1e-6\n",
     ":2: dY: '2 m' is not a number"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ\n\nA,B,1,2,3,1e-6,2e-6,0,1e-6,0,1e-6\n",
     ":3: covariance (sXX ... sZZ): the covariance of A-B is not positive definite: the correlation of dX and dY is 2"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ\nA,B,1,2,3,1e-6,8e-7,8e-7,1e-6,2e-7,1e-6\n",
     ":2: covariance (sXX ... sZZ): the covariance of A-B is not positive definite: the determinant of its "
     "correlations is -0.064"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ\nA,B,1,2,3,0,0,0,1e-6,0,1e-6\n",
     ":2: covariance (sXX ... sZZ): the covariance of A-B is not positive definite: the variance of dX is 0 m²"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ\nA,A,1,2,3,1e-6,0,0,1e-6,0,1e-6\n",
     ":2: to: the vector runs from A to A itself"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ\nA,B,1,2,3\n", ":2: 5 cells, but the heading has 11 columns"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ,DX\n",
     ":1: the heading names the column 'DX' twice (columns 3 and 12)"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ\n,B,1,2,3,1e-6,0,0,1e-6,0,1e-6\n",
     ":2: from: the station name is empty"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ\nA,B,1e300,2,3,1e-6,0,0,1e-6,0,1e-6\n",
     ":2: dX: 1e+300 m is longer than any vector on the Earth"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ,start\nA,B,1,2,3,1e-6,0,0,1e-6,0,1e-6,2010-03-18T05:00:00Z\n",
     ":2: start: '2010-03-18T05:00:00Z' is not a GPS time YYYY-MM-DDThh:mm:ss"},
    {"v.csv", "from,to,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ\n", ": holds no vector (read as vectors CSV)"},
    // The tool's JSON.
    {"v.json", "{\"vectors\": [\n{\"from\": \"A\",\n", ":3: JSON: syntax error while parsing object key - unexpected "
                                                     "end of input; expected string literal"},
    {"v.json", "{\"vectors\": [\n  {\"from\": \"A\", \"to\": \"B\", \"dX\": 1, \"dY\": 2, \"dZ\": 3}]}",
     ":2: covariance: missing"},
    {"v.json", "[\n\n  {\"from\": \"A\", \"to\": \"B\", \"dX\": \"1\"}]", ":3: dX: must be a number, is text"},
    {"v.json",
     "{\"vectors\": [{\"from\": \"A\", \"to\": \"B\", \"dX\": 1, \"dY\": 2, \"dZ\": 3, \"covariance\": "
     "[[1e-6, 1e-7, 0], [0, 1e-6, 0], [0, 0, 1e-6]]}]}",
     ":1: covariance: is not symmetric: element [0][1] is 1e-07 but [1][0] is 0"},
    {"v.json", "{\"vectors\": {}}", ": vectors: must be a list of vector objects, is an object"},
    {"v.json", "{\"vector\": []}", ": vectors: missing: the top level holds no vectors list"},
    {"v.json", std::string(100, '[') + std::string(100, ']'), ":1: JSON: nested more than 64 levels deep"},
    {"v.json", "[\"A\"]", ":1: a vector must be an object, is text"},
    // NGS G-files.
    {"v.gfile", "B201003180500201003180600 1\nC00010002 abc", ":2: dX (columns 10-20): 'abc' is not a number"},
    {"v.gfile", "AHEADER\nC00010002", ":2: a vector record before any B record"},
    {"v.gfile", "B201003180500201003180600 2\nC00010002        100   10        100   10        100   10\n",
     ":1: vectors in the group (columns 26-27): the B record counts 2 vector records, the group holds 1"},
    {"v.gfile", "B201013180500201003180600 1\n", ":1: first time (columns 2-13): '201013180500' is no date and time"},
    {"v.gfile", "B201003180500201003180600 1\nC00010002        100    0        100   10        100   10\n",
     ":2: sigma of dX (columns 21-25): '0' is not a positive number"},
    {"v.gfile", "B201003180500201003180600 1\nC00010002        100   10        100   10        100   10\nD  1  2 12000000\n",
     ":3: correlation 1 (columns 2-16): the correlation 1.2 is beyond -1 to 1"},
    {"v.gfile", "B201003180500201003180600 1\nC00010002        100   10        100   10        100   10\nD  1  7  1000000\n",
     ":3: an index beyond the group's 3 components (1 vectors)"},
    {"v.gfile", "B201003180500201003180600 1\nQ", ":2: record type 'Q' is none of A, B, C, D, E, F (G, H and I are skipped)"},
    {"v.gfile", "B201003180500201003180600 1\nC00010001        100   10        100   10        100   10\n",
     ":2: to station: the vector runs from 0001 to 0001 itself"},
    {"v.gfile", " STATION 0001 A\n STATION 0001 B\n", ":2: station: serial number 0001 named A and B"},
    // GNU GaMa XML.
    {"v.xml", "<gama-local>\n<vectors>\n<vec from='A' to='B' dx='1' dy='2' dz='3'/>\n</gama-local>",
     ":4: XML: invalid closing tag name"},
    {"v.xml", "<g>\n<vectors>\n<vec from='A' to='B' dx='1' dy='2' dz='3'/>\n</vectors></g>",
     ":2: cov-mat: missing: the vectors have no covariance matrix, so no weights"},
    {"v.xml", "<g><vectors>\n<vec from='A' to='B' dx='1' dy='2' dz='3'/>\n<cov-mat dim='6' band='0'>1 1 1</cov-mat>"
              "</vectors></g>",
     ":3: cov-mat dim: is 6, but the 1 vectors have 3 components"},
    {"v.xml", "<g><vectors>\n<vec from='A' to='B' dx='1' dy='2' dz='3'/>\n<cov-mat dim='3' band='1'>1 1 1</cov-mat>"
              "</vectors></g>",
     ":3: cov-mat: holds 3 numbers; a band matrix of dim 3 and band 1 holds 5"},
    {"v.xml", "<g><vectors>\n<vec from='A' to='B' dx='1,5' dy='2' dz='3'/>\n</vectors></g>", ":2: dx: '1,5' is not a number"},
    {"v.xml", "<g><vectors>\n<vec from='A' to='B' dx='1' dy='2' dz='3' from_dh='1.5'/>\n</vectors></g>",
     ":2: from_dh: '1.5': instrument and target heights are not applied here; give the vector from mark to mark"},
    {"v.xml", "<g><vectors>\n<vec from='A' to='B' dx='1' dy='2' dz='3'/>\n<cov-mat dim='3' band='0'>1 x 1</cov-mat>"
              "</vectors></g>",
     ":3: cov-mat: element 2: 'x' is not a number"},
    {"v.xml", "<a b='1>", ":1: XML: expected ' or \""},
    {"v.xml", "<a>" + std::string(3000, 'b'), ":1: XML: unexpected end of data"},
    // Neither.
    {"v.txt", "hello world\n", ": is not a file of vectors read here: a vectors CSV with the heading "
                               "from,to,session,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ, the tool's JSON, an NGS G-file or "
                               "GNU GaMa XML"},
};

TEST(HostileFiles, VectorsAreRefusedNamingFileLineAndField) {
    for (const Hostile& hostile : hostileVectors) {
        SCOPED_TRACE(hostile.text.substr(0, 200));
        try {
            const VectorFile read = Read_Vectors_From_Memory(hostile.name, hostile.text);
            ADD_FAILURE() << "read " << read.vectors.size() << " vectors";
        } catch (const VectorFileError& error) {
            EXPECT_EQ(error.what(), hostile.name + std::string(hostile.message));
            EXPECT_EQ(error.file, hostile.name);
        }
    }
}

const Hostile hostileControls[] = {
    {"c.csv", "station,X,Y,Z\nGARR,4796983.5,160309.2,4187340.4\nGARR,4796983.5,160309.2,4187340.4\n",
     ":3: station: GARR is given twice, on lines 2 and 3"},
    {"c.csv", "station,X,Y,Z,sigmaEast,sigmaNorth,sigmaUp\nGARR,4796983.5,160309.2,4187340.4,0.01,,0.02\n",
     ":2: sigmaEast, sigmaNorth, sigmaUp: give all three (weighted) or none (held)"},
    {"c.csv", "station,X,Y,Z,sigmaEast,sigmaNorth\n", ":1: the heading names some of sigmaEast, sigmaNorth, sigmaUp: all "
                                                     "three or none"},
    {"c.csv", "station,latitude,longitude,height\nGARR,141.3,1.9,600\n", ":2: latitude: 141.3 is outside -90 to 90"},
    {"c.csv", "station,X,Y,Z\nGARR,1,2,3\n",
     ":2: X, Y, Z: the position lies -6356749 m from the ellipsoid, not on the Earth's surface"},
    {"c.csv", "station,east,north\n", ":1: the heading names neither X, Y, Z nor latitude, longitude, height"},
    {"c.csv", "station,X,Y,Z\nGARR,4796983.5,inf,4187340.4\n", ":2: Y: 'inf' is not a number"},
    {"c.csv", "station,X,Y,Z,sigmaEast,sigmaNorth,sigmaUp\nGARR,4796983.5,160309.2,4187340.4,0,0.01,0.02\n",
     ":2: sigmaEast: 0 m is not a standard deviation from above 0 to 100 m"},
    {"c.csv", "station,X,Y,Z\n", ": holds no control"},
};

TEST(HostileFiles, ControlsAreRefusedNamingFileLineAndField) {
    for (const Hostile& hostile : hostileControls) {
        SCOPED_TRACE(hostile.text);
        try {
            Read_Control_Coordinates_From_Memory(hostile.name, hostile.text);
            ADD_FAILURE() << "read";
        } catch (const VectorFileError& error) {
            EXPECT_EQ(error.what(), hostile.name + std::string(hostile.message));
        }
    }
}

TEST(HostileFiles, UnopenableFilesAreNamed) {
    try {
        Read_Vector_File(data + "/no such file.csv");
        ADD_FAILURE();
    } catch (const VectorFileError& error) {
        EXPECT_EQ(error.what(), data + "/no such file.csv: cannot be opened");
    }
    try {
        Read_Control_Coordinates(data);
        ADD_FAILURE();
    } catch (const VectorFileError& error) {
        EXPECT_EQ(error.what(), data + ": is a folder, not a file");
    }
}

TEST(Times, GpsIsoTextReadsBack) {
    for (const double seconds : {1268888400.0, 1268888400.5, 315964800.0}) {
        EXPECT_EQ(Gps_Seconds_From_Iso(Gps_Iso_Text(seconds)), seconds);
    }
    EXPECT_EQ(Gps_Iso_Text(1268888400.0), "2010-03-18T05:00:00");
    EXPECT_FALSE(Gps_Seconds_From_Iso("2010-03-18T05:00:00+01:00"));
}

}  // namespace

// The reader on real and hand-made files (tests/data), on damaged and
// foreign input, and on the layouts and streams a field file may come in.
// Expected times are those written in the files, worked out to seconds
// since 1970 apart from this code; positions were converted independently.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "tool/field/rinex_epochs.h"
#include "tool/field/rinex_reader.h"

namespace min_lumo_field {
namespace {

const std::string dataFolder = MIN_LUMO_FIELD_TEST_DATA;

constexpr double may14At0730 = 1715671800.0;  // 2024-05-14T07:30:00
constexpr double march5At0000 = 1267747200.0;  // 2010-03-05T00:00:00

std::string Data(const std::string& name) { return dataFolder + "/" + name; }

std::string Read_Bytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string Gzip(const std::string& text) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string packed(deflateBound(&stream, static_cast<uLong>(text.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    return packed;
}

bool Has_Warning(const Occupation& occupation, const std::string& text) {
    for (const std::string& warning : occupation.warnings)
        if (warning.find(text) != std::string::npos) return true;
    return false;
}

std::string All_Warnings(const Occupation& occupation) {
    std::string text;
    for (const std::string& warning : occupation.warnings) text += warning + "\n";
    return text;
}

struct FileCase {
    const char* file;
    const char* station;
    const char* receiver;
    const char* format;
    bool positionKnown;
    double latitude, longitude, height;
    int64_t epochs;
    double firstGps, lastGps;
    std::vector<std::string> warnings;  // each is part of one warning, in order; no others
    const char* damage = "";            // part of the damage (cut short); empty: whole
    int64_t damageLine = 0;
};

// The compressions libarchive reads where the build has it.
bool Reads_Archives() { return Reads_Packing(Packing::Bzip2); }

const FileCase fileCases[] = {
    {"CEDA00USA_R_20182100000_23H_15S_MO.rnx.gz", "ceda", "SEPT POLARX5", "RINEX 3.03, gzip", true, 40.6807215,
     -112.8604576, 1469.1593, 4675, 1532822415.0, 1532908785.0, {}},  // 2018-07-29 00:00:15 to 23:59:45
    {"P43300USA_R_20190012056_17M_15S_MO.crx", "p433", "SEPT POLARX5", "Compact RINEX 3.0 (RINEX 3.03)", true,
     44.5325348, -119.8720092, 1158.8950, 70, 1546376205.0, 1546377240.0, {}},  // 2019-01-01 20:56:45 to 21:14:00
    // TIME OF LAST OBS says 23:59:30; the records end at 00:00:30.
    {"demo3.10o", "MRKR", "ASHTECH UZ-12", "RINEX 3.01", true, 41.3887100, 2.1119993, 166.2509, 2, march5At0000,
     march5At0000 + 30.0, {}},
    {"badtime.10o", "BADT", "", "RINEX 2.11", false, 0, 0, 0, 2, march5At0000, march5At0000 + 60.0,
     {"badtime.10o: no MARKER NAME in the header; station 'BADT' taken from the file name"}},
    {"blank.10o", "BLAN", "", "RINEX 2.11", false, 0, 0, 0, 0, 0.0, 0.0,
     {"no MARKER NAME", "blank.10o: no observation epoch after the header"}},
    {"rinex2_events.11o", "EVNT", "RX TWO ELEVEN", "RINEX 2.11", true, 47.05, 8.30, 450.0, 4, may14At0730,
     may14At0730 + 90.0, {"rinex2_events.11o:33: 1 line that is neither an epoch record nor its data was skipped"},
     "the file ends inside this epoch line (cut short?); it was not read", 38},
    {"rinex2_glonass.10o", "GLON", "RX GLONASS", "RINEX 2.11", true, 47.05, 8.30, 450.0, 2, march5At0000 + 15.0,
     march5At0000 + 45.0, {}},
    {"rinex3_beidou.rnx", "BDOU", "RX BEIDOU", "RINEX 3.04", true, 47.05, 8.30, 450.0, 2, may14At0730 + 14.0,
     may14At0730 + 44.0, {}},
    {"rinex4_mixed.rnx", "R4MX", "RX FOUR", "RINEX 4.01", true, 47.05, 8.30, 450.0, 4, may14At0730, may14At0730 + 120.0,
     {"rinex4_mixed.rnx:15: this epoch record holds fewer lines than it announces"},
     "the file ends inside this epoch record (cut short?)", 20},
    // The real CEDA file's gzip cut after 16 KiB: 287 epoch lines, the
    // last (02:00:15) cut inside its record, and the stream at line 815.
    {"CEDA00USA_R_20182100000_23H_15S_MO.cut.rnx.gz", "ceda", "SEPT POLARX5", "RINEX 3.03, gzip", true, 40.6807215,
     -112.8604576, 1469.1593, 287, 1532822415.0, 1532822415.0 + 7200.0, {}, "the gzip data ends early (file cut short?)",
     815},
    {"crx1_sample.crx", "CRX1", "RX COMPACT", "Compact RINEX 1.0 (RINEX 2.11)", true, 47.05, 8.30, 450.0, 6,
     may14At0730, may14At0730 + 180.0, {"crx1_sample.crx:33: 2 lines that are neither"}},
    {"crx1_sample.crx.gz", "CRX1", "RX COMPACT", "Compact RINEX 1.0 (RINEX 2.11), gzip", true, 47.05, 8.30, 450.0, 6,
     may14At0730, may14At0730 + 180.0, {"crx1_sample.crx.gz:33: 2 lines that are neither"}},
    {"wxyz_no_marker.rnx", "WXYZ", "", "RINEX 3.05", false, 0, 0, 0, 1, may14At0730, may14At0730,
     {"station 'WXYZ' taken from the file name"}},
};

// The real P433, demo3 and their packed copies (made with bzip2, compress,
// xz and zip; tests/data/README.md) read alike.
const FileCase packedCases[] = {
    {"P43300USA_R_20190012056_17M_15S_MO.crx.bz2", "p433", "SEPT POLARX5", "Compact RINEX 3.0 (RINEX 3.03), bzip2",
     true, 44.5325348, -119.8720092, 1158.8950, 70, 1546376205.0, 1546377240.0, {}},
    {"demo3.10o.Z", "MRKR", "ASHTECH UZ-12", "RINEX 3.01, Unix compress", true, 41.3887100, 2.1119993, 166.2509, 2,
     march5At0000, march5At0000 + 30.0, {}},
    {"demo3.10o.xz", "MRKR", "ASHTECH UZ-12", "RINEX 3.01, xz", true, 41.3887100, 2.1119993, 166.2509, 2,
     march5At0000, march5At0000 + 30.0, {}},
    {"demo3.10o.zip", "MRKR", "ASHTECH UZ-12", "RINEX 3.01, zip", true, 41.3887100, 2.1119993, 166.2509, 2,
     march5At0000, march5At0000 + 30.0, {}},
};

void Expect_Read_As(const FileCase& c) {
    {
        SCOPED_TRACE(c.file);
        const Occupation occupation = Read_Occupation(Data(c.file));
        EXPECT_EQ(occupation.file, Data(c.file));
        EXPECT_EQ(occupation.station, c.station);
        EXPECT_EQ(occupation.receiver, c.receiver);
        EXPECT_EQ(occupation.format, c.format);
        EXPECT_EQ(occupation.positionKnown, c.positionKnown);
        if (c.positionKnown) {
            EXPECT_NEAR(occupation.latitude, c.latitude, 1e-6);
            EXPECT_NEAR(occupation.longitude, c.longitude, 1e-6);
            EXPECT_NEAR(occupation.height, c.height, 1e-3);
        }
        EXPECT_EQ(occupation.epochCount, c.epochs);
        EXPECT_EQ(occupation.hasEpochs, c.epochs > 0);
        EXPECT_EQ(occupation.firstGps, c.firstGps);
        EXPECT_EQ(occupation.lastGps, c.lastGps);
        EXPECT_EQ(occupation.damage, c.damage);
        EXPECT_EQ(occupation.damageLine, c.damageLine);
        ASSERT_EQ(occupation.warnings.size(), c.warnings.size()) << All_Warnings(occupation);
        for (std::size_t i = 0; i < c.warnings.size(); ++i)
            EXPECT_NE(occupation.warnings[i].find(c.warnings[i]), std::string::npos) << occupation.warnings[i];
    }
}

TEST(FieldReader, ReadsEveryFileOfTheTable) {
    for (const FileCase& c : fileCases) Expect_Read_As(c);
}

// Where libarchive is linked (Linux); the Windows build names what to do.
TEST(FieldReader, ReadsPackedFilesOrSaysHowToUnpackThem) {
    for (const FileCase& c : packedCases) {
        if (Reads_Archives()) {
            Expect_Read_As(c);
            continue;
        }
        try {
            Read_Occupation(Data(c.file));
            ADD_FAILURE() << c.file << ": no error";
        } catch (const FieldFileError& error) {
            EXPECT_NE(error.reason.find("which this build does not read"), std::string::npos) << error.what();
            EXPECT_NE(error.reason.find("unpack it first"), std::string::npos) << error.what();
        }
    }
}

TEST(FieldReader, MemoryAndFileReadAlike) {
    for (const char* file : {"crx1_sample.crx.gz", "rinex2_events.11o"}) {
        const Occupation fromFile = Read_Occupation(Data(file));
        const Occupation fromMemory = Read_Occupation_From_Memory(Data(file), Read_Bytes(Data(file)));
        EXPECT_EQ(fromMemory.station, fromFile.station);
        EXPECT_EQ(fromMemory.epochCount, fromFile.epochCount);
        EXPECT_EQ(fromMemory.lastGps, fromFile.lastGps);
        EXPECT_EQ(fromMemory.warnings, fromFile.warnings);
    }
}

// ---- Files that are no observation data ------------------------------------

struct ErrorCase {
    const char* what;
    std::string bytes;
    int64_t line;        // -1: wherever the data runs out
    const char* reason;  // part of the reason
};

std::string Header_Line(const std::string& content, const std::string& label) {
    std::string line = content;
    line.resize(60, ' ');
    return line + label + "\n";
}

std::string Random_Bytes() {
    std::string bytes;
    uint32_t state = 12345;
    for (int i = 0; i < 5000; ++i) {
        state = state * 1103515245u + 12345u;
        bytes.push_back(static_cast<char>(state >> 24));
    }
    return bytes;
}

TEST(FieldReader, RefusesWhatIsNoObservationFile) {
    const std::string demo3 = Read_Bytes(Data("demo3.10o"));
    std::size_t tenLines = 0;
    for (int i = 0; i < 10; ++i) tenLines = demo3.find('\n', tenLines) + 1;
    const std::string firstTenLines = demo3.substr(0, tenLines);
    const std::string rinex2NoTypes = Header_Line("     2.11           OBSERVATION DATA    G", "RINEX VERSION / TYPE")
                                      + Header_Line("", "END OF HEADER");
    const ErrorCase cases[] = {
        {"empty", "", 0, "the file is empty"},
        {"navigation", Header_Line("     3.04           N: GNSS NAV DATA    M: MIXED", "RINEX VERSION / TYPE"), 1,
         "a RINEX navigation message file, not observation data"},
        {"meteorological", Header_Line("     2.11           METEOROLOGICAL DATA", "RINEX VERSION / TYPE"), 1,
         "a RINEX meteorological data file"},
        {"random bytes", Random_Bytes(), 1, "not a RINEX file"},
        {"text", "hello\nworld\n", 1, "not a RINEX file: the first line is not RINEX VERSION / TYPE"},
        {"header cut short", firstTenLines, 10, "the header has no END OF HEADER line"},
        {"gzip cut in the header", Gzip(demo3).substr(0, 200), -1, "the gzip data ends early"},
        {"zstd", std::string("\x28\xb5\x2f\xfd", 4) + "junk", 0, "compressed with zstd, which is not read here"},
        {"RINEX 1", Header_Line("     1.00           OBSERVATION DATA    G", "RINEX VERSION / TYPE"), 1,
         "RINEX version 1.00 is not read here"},
        {"Compact RINEX 2", Header_Line("2.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE"), 1,
         "Compact RINEX version '2.0' is not read here"},
        {"RINEX 2 without observation types", rinex2NoTypes, 2, "no # / TYPES OF OBSERV"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            Read_Occupation_From_Memory("field.obs", c.bytes);
            ADD_FAILURE() << "no error";
        } catch (const FieldFileError& error) {
            EXPECT_EQ(error.file, "field.obs");
            if (c.line >= 0) {
                EXPECT_EQ(error.line, c.line) << error.what();
            }
            EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.what();
            const std::string where = error.line > 0 ? "field.obs:" + std::to_string(error.line) + ": " : "field.obs: ";
            EXPECT_EQ(std::string(error.what()), where + error.reason);
        }
    }
}

TEST(FieldReader, RefusesFilesItCannotReadAsSuch) {
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {Data("no_such_file.rnx"), "cannot be opened"},
        {dataFolder, "is a folder"},
        {Data("LICENSE-georinex.txt"), "not a RINEX file"},
    };
    for (const auto& c : cases) {
        try {
            Read_Occupation(c.path);
            ADD_FAILURE() << c.path << ": no error";
        } catch (const FieldFileError& error) {
            EXPECT_EQ(error.file, c.path);
            EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.what();
        }
    }
}

// ---- Time systems, stated and assumed ---------------------------------------

std::string Rinex3_With_Time_System(char system, const std::string& stated) {
    std::string text = Header_Line(std::string("     3.04           OBSERVATION DATA    ") + system, "RINEX VERSION / TYPE");
    text += Header_Line("TSYS", "MARKER NAME");
    text += Header_Line("  2024     5    14     7    30    0.0000000     " + stated, "TIME OF FIRST OBS");
    text += Header_Line("", "END OF HEADER");
    text += "> 2024 05 14 07 30 00.0000000  0  1\nX01  20000000.000\n";
    return text;
}

TEST(FieldReader, BringsEveryTimeSystemToGps) {
    const struct {
        char system;
        const char* stated;
        double offset;  // GPS minus the file's clock, 2024
        bool warned;
    } cases[] = {
        {'G', "GPS", 0.0, false}, {'R', "GLO", 18.0, false}, {'E', "GAL", 0.0, false}, {'C', "BDT", 14.0, false},
        {'J', "QZS", 0.0, false}, {'I', "IRN", 0.0, false}, {'M', "GLO", 18.0, false},
        // Not stated: the single system's own time; a mixed file is read as GPS with a warning.
        {'R', "", 18.0, false}, {'C', "", 14.0, false}, {'E', "", 0.0, false}, {'M', "", 0.0, true},
        {'G', "XYZ", 0.0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.system) + " " + c.stated);
        const Occupation occupation = Read_Occupation_From_Memory("t.rnx", Rinex3_With_Time_System(c.system, c.stated));
        EXPECT_EQ(occupation.firstGps, may14At0730 + c.offset);
        EXPECT_EQ(occupation.warnings.empty(), !c.warned) << All_Warnings(occupation);
    }
}

// ---- Streams: line ends, gzip members, long and damaged data ----------------

// Epochs a second apart from 07:30:00, two satellites each.
std::string Long_Rinex3(int epochs) {
    std::string text = Header_Line("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE");
    text += Header_Line("LONG", "MARKER NAME");
    text += Header_Line("", "END OF HEADER");
    char line[64];
    for (int i = 0; i < epochs; ++i) {
        const int second = 30 * 60 + i;
        std::snprintf(line, sizeof line, "> 2024 05 14 %02d %02d %02d.0000000  0  2\n", 7 + second / 3600,
                      second / 60 % 60, second % 60);
        text += line;
        text += "G01  20000000.000   105000000.000 7\nG02  21000000.000   110000000.000 7\n";
    }
    return text;
}

TEST(FieldReader, ReadsAcrossBufferRefillsPlainAndGzip) {
    constexpr int epochs = 12 * 3600;  // several MB through a 1 MiB buffer
    const std::string text = Long_Rinex3(epochs);
    ASSERT_GT(text.size(), std::size_t{3} << 20);
    for (const std::string& bytes : {text, Gzip(text)}) {
        const Occupation occupation = Read_Occupation_From_Memory("long.rnx", bytes);
        EXPECT_EQ(occupation.epochCount, epochs);
        EXPECT_EQ(occupation.firstGps, may14At0730);
        EXPECT_EQ(occupation.lastGps, may14At0730 + (epochs - 1));
        EXPECT_TRUE(occupation.warnings.empty()) << All_Warnings(occupation);
    }
}

TEST(FieldReader, CarriageReturnsAndGzipMembersChangeNothing) {
    const std::string text = Read_Bytes(Data("rinex4_mixed.rnx"));
    std::string crlf;
    for (const char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    const std::size_t middle = text.find("> 2024 05 14 07 31 00");
    const std::string twoMembers = Gzip(text.substr(0, middle)) + Gzip(text.substr(middle));
    const Occupation plain = Read_Occupation_From_Memory("m.rnx", text);
    for (const std::string& bytes : {crlf, twoMembers}) {
        const Occupation occupation = Read_Occupation_From_Memory("m.rnx", bytes);
        EXPECT_EQ(occupation.epochCount, plain.epochCount);
        EXPECT_EQ(occupation.firstGps, plain.firstGps);
        EXPECT_EQ(occupation.lastGps, plain.lastGps);
        EXPECT_EQ(occupation.warnings, plain.warnings);
    }
}

TEST(FieldReader, DamagedGzipKeepsWhatCameBefore) {
    const std::string text = Long_Rinex3(600);
    const std::string packed = Gzip(text);
    const Occupation cut = Read_Occupation_From_Memory("cut.rnx.gz", packed.substr(0, packed.size() / 2));
    EXPECT_GT(cut.epochCount, 0);
    EXPECT_LT(cut.epochCount, 600);
    EXPECT_EQ(cut.damage, "the gzip data ends early (file cut short?)");

    // Bytes after the end are no damage: every epoch was read.
    const Occupation padded = Read_Occupation_From_Memory("padded.rnx.gz", packed + std::string(512, '\0'));
    EXPECT_EQ(padded.epochCount, 600);
    EXPECT_TRUE(padded.damage.empty()) << padded.damage;
    EXPECT_TRUE(Has_Warning(padded, "bytes after the end of the compressed data were not read"));

    std::string damaged = packed;
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i) damaged[i] = static_cast<char>(~damaged[i]);
    const Occupation broken = Read_Occupation_From_Memory("broken.rnx.gz", damaged);
    EXPECT_LT(broken.epochCount, 600);
    EXPECT_EQ(broken.damage.rfind("the gzip data is damaged", 0), 0U) << broken.damage;
}

// A packed real file cut short anywhere is damaged: cut inside its
// compressed data, or (Unix compress has no end mark) inside a record.
TEST(FieldReader, CutPackedFilesAreDamaged) {
    if (!Reads_Archives()) GTEST_SKIP() << "this build reads no libarchive packing";
    for (const char* file : {"P43300USA_R_20190012056_17M_15S_MO.crx.bz2", "demo3.10o.Z", "demo3.10o.xz", "demo3.10o.zip",
                             "CEDA00USA_R_20182100000_23H_15S_MO.rnx.gz"}) {
        const std::string bytes = Read_Bytes(Data(file));
        // A zip archive ends in its list of members, after the member itself.
        const std::size_t nearEnd = std::string(file).ends_with(".zip") ? bytes.size() * 2 / 3 : bytes.size() - 9;
        for (const std::size_t kept : {bytes.size() / 3, bytes.size() / 2, nearEnd}) {
            SCOPED_TRACE(std::string(file) + " cut to " + std::to_string(kept) + " bytes");
            try {
                const Occupation occupation = Read_Occupation_From_Memory(file, bytes.substr(0, kept));
                EXPECT_FALSE(occupation.damage.empty()) << All_Warnings(occupation);
            } catch (const DamagedFieldFile& damaged) {
                EXPECT_NE(std::string(damaged.what()).find("cut short"), std::string::npos) << damaged.what();
            }
        }
    }
}

// One RINEX file a zip archive: a second would be planned unseen.
TEST(FieldReader, RefusesAZipOfTwoFiles) {
    if (!Reads_Archives()) GTEST_SKIP() << "this build reads no libarchive packing";
    try {
        Read_Occupation(Data("two_files.zip"));
        ADD_FAILURE() << "no error";
    } catch (const DamagedFieldFile& error) {
        ADD_FAILURE() << "not damage: " << error.what();
    } catch (const FieldFileError& error) {
        EXPECT_EQ(error.reason, "is a zip archive of more than one file; unzip it and give its files");
    }
}

TEST(FieldReader, SkipsALineLongerThanTheBuffer) {
    std::string text = Long_Rinex3(2);
    text.insert(text.find("> 2024 05 14 07 30 01"), std::string(3u << 20, 'x') + "\n");
    const Occupation occupation = Read_Occupation_From_Memory("long_line.rnx", text);
    EXPECT_EQ(occupation.epochCount, 2);
    EXPECT_EQ(occupation.lastGps, may14At0730 + 1.0);
    EXPECT_TRUE(Has_Warning(occupation, "1 line that is neither"));
}

TEST(FieldReader, CompactRinex3SkipsEscapeLinesAndStartsAfreshAfterEvents) {
    std::string text = Header_Line("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE");
    text += Header_Line("HANDMADE", "CRINEX PROG / DATE");
    text += Header_Line("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE");
    text += Header_Line("CRX3", "MARKER NAME");
    text += Header_Line("G    1 C1C", "SYS / # / OBS TYPES");
    text += Header_Line("", "END OF HEADER");
    text += "> 2024 05 14 07 30 00.0000000  0  2      G01G02\n\n3&20000000000\n3&21000000000\n";
    text += "                   3\n\n100\n100\n";                // 07:30:30
    text += "& AN ESCAPE LINE BEFORE AN EPOCH\n";
    text += ">                              3  1\n";               // event: one header line follows
    text += Header_Line("> 2024 05 14 23 00 00.0000000  0  1", "COMMENT");
    text += "                 1  \n";                           // not afresh after an event: skipped
    text += "> 2024 05 14 07 31 00.0000000  0  1      G01\n\n3&20000300000\n";
    const Occupation occupation = Read_Occupation_From_Memory("crx3.crx", text);
    EXPECT_EQ(occupation.format, "Compact RINEX 3.0 (RINEX 3.04)");
    EXPECT_EQ(occupation.epochCount, 3);
    EXPECT_EQ(occupation.lastGps, may14At0730 + 60.0);
    EXPECT_TRUE(Has_Warning(occupation, "crx3.crx:18: 1 line that is neither")) << All_Warnings(occupation);
    EXPECT_TRUE(Has_Warning(occupation, "new site occupation"));
}

// ---- What counts as a valid epoch line -------------------------------------

TEST(EpochLine, ValidLinesAndTheirFields) {
    const struct {
        const char* line;
        EpochLayout layout;
        int flag;
        int64_t count;
        bool timeGiven;
        int64_t year, month, day, hour, minute;
        double second;
    } cases[] = {
        {" 24  5 14  7 30  0.0000000  0 13G01G02G03G04G05G06G07G08G09G10G11G12", EpochLayout::TwoDigitYear, 0, 13, true, 2024, 5, 14, 7, 30, 0.0},
        {" 80  1  6  0  0  0.0000000  1  1", EpochLayout::TwoDigitYear, 1, 1, true, 1980, 1, 6, 0, 0, 0.0},
        {" 99 12 31 23 59 59.5000000  0  1", EpochLayout::TwoDigitYear, 0, 1, true, 1999, 12, 31, 23, 59, 59.5},
        {" 79  1  1  0  0  0.0000000  6  1", EpochLayout::TwoDigitYear, 6, 1, true, 2079, 1, 1, 0, 0, 0.0},
        {" 10  3  5  0  0 60.0000000  0  1G13", EpochLayout::TwoDigitYear, 0, 1, true, 2010, 3, 5, 0, 0, 60.0},
        {" 10  3  5  0  0 0 .0000000  0  8G13R19", EpochLayout::TwoDigitYear, 0, 8, true, 2010, 3, 5, 0, 0, 0.0},
        {"                            4  2", EpochLayout::TwoDigitYear, 4, 2, false, 0, 0, 0, 0, 0, 0.0},
        {"                            5", EpochLayout::TwoDigitYear, 5, 0, false, 0, 0, 0, 0, 0, 0.0},
        {"> 2024 05 14 07 30 00.0000000  0  2", EpochLayout::Marked, 0, 2, true, 2024, 5, 14, 7, 30, 0.0},
        {"> 2010 03 05 00 00 30.0000000  0 8      -0.123456789012", EpochLayout::Marked, 0, 8, true, 2010, 3, 5, 0, 0, 30.0},
        {"> 2024 02 29 23 59 59.9990000  1 40", EpochLayout::Marked, 1, 40, true, 2024, 2, 29, 23, 59, 59.999},
        {">                              3  4", EpochLayout::Marked, 3, 4, false, 0, 0, 0, 0, 0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EpochRecord record;
        ASSERT_TRUE(Parse_Epoch_Line(c.line, c.layout, record));
        EXPECT_EQ(record.flag, c.flag);
        EXPECT_EQ(record.count, c.count);
        EXPECT_EQ(record.timeGiven, c.timeGiven);
        if (!c.timeGiven) continue;
        EXPECT_EQ(record.time.year, c.year);
        EXPECT_EQ(record.time.month, c.month);
        EXPECT_EQ(record.time.day, c.day);
        EXPECT_EQ(record.time.hour, c.hour);
        EXPECT_EQ(record.time.minute, c.minute);
        EXPECT_DOUBLE_EQ(record.time.second, c.second);
    }
}

TEST(EpochLine, InvalidLines) {
    const struct {
        const char* line;
        EpochLayout layout;
    } cases[] = {
        {" 24 13 14  7 30  0.0000000  0  1", EpochLayout::TwoDigitYear},   // month 13
        {" 23  2 29  7 30  0.0000000  0  1", EpochLayout::TwoDigitYear},   // no 29 February in 2023
        {" 24  5 14 24 30  0.0000000  0  1", EpochLayout::TwoDigitYear},   // hour 24
        {" 24  5 14  7 60  0.0000000  0  1", EpochLayout::TwoDigitYear},   // minute 60
        {" 24  5 14  7 30 61.0000000  0  1", EpochLayout::TwoDigitYear},   // seconds 61
        {" 24  5 14  7 30  x.0000000  0  1", EpochLayout::TwoDigitYear},   // seconds not a number
        {" 24  5 14  7 30  0.0000000  7  1", EpochLayout::TwoDigitYear},   // flag 7
        {" 24  5 14  7 30  0.0000000  x  1", EpochLayout::TwoDigitYear},   // flag not a digit
        {" 24  5 14  7 30  0.0000000  0  x", EpochLayout::TwoDigitYear},   // count not a number
        {" 24  5 14  7 30  0.0000000  0   ", EpochLayout::TwoDigitYear},   // observations without a count
        {"                            0  1", EpochLayout::TwoDigitYear},   // observations without a time
        {" 24x 5 14  7 30  0.0000000  0  1", EpochLayout::TwoDigitYear},   // separator not blank
        {"  20000000.000   105000000.000", EpochLayout::TwoDigitYear},      // an observation line
        {" 24  5 14  7 30  0.0", EpochLayout::TwoDigitYear},                // too short
        {"  2024 05 14 07 30 00.0000000  0  2", EpochLayout::Marked},      // no '>'
        {"> 1979 12 31 07 30 00.0000000  0  2", EpochLayout::Marked},      // before GPS time
        {"> 2024 05 14 07 30 00.0000000 0   2", EpochLayout::Marked},      // flag in the wrong column
        {"G01  20000000.000   105000000.000", EpochLayout::Marked},
        {"", EpochLayout::Marked},
    };
    for (const auto& c : cases) {
        EpochRecord record;
        EXPECT_FALSE(Parse_Epoch_Line(c.line, c.layout, record)) << c.line;
    }
}

}  // namespace
}  // namespace min_lumo_field

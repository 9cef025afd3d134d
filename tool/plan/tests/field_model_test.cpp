// The field as a surveyor meets it, from RINEX files written by the test:
// gaps in the data, back-to-back files of one station, the same data given
// twice, receiver-default marker names, two names for one point, session
// days by the GPS calendar, folders.  Each case states the right plan worked
// out by hand: the occupations with their files, and every observation as
// FROM-TO SESSION first-last common-seconds (GPS time of day).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include "tool/field/gnss_time.h"
#include "tool/plan/campaign_project.h"

namespace min_lumo_tool {
namespace {

namespace fs = std::filesystem;
using min_lumo_field::CivilTime;

// ---- Writing RINEX 3 files ----------------------------------------------------

// GPS seconds of a GPS-time instant on 2024-05-14 (day 135) or a day after.
double At(int hours, int minutes, int seconds = 0, int day = 14, int month = 5) {
    return min_lumo_field::Seconds_Of_Civil(CivilTime{2024, month, day, hours, minutes, static_cast<double>(seconds)});
}

std::vector<double> Every(double first, double last, double step = 30.0) {
    std::vector<double> epochs;
    for (double t = first; t <= last + 1e-6; t += step) epochs.push_back(t);
    return epochs;
}

std::vector<double> Joined(std::vector<double> a, const std::vector<double>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Earth-centred positions: a point in central Europe and offsets east (m).
struct Place {
    double x, y, z;
};
constexpr Place basePlace{4331297.0, 567555.0, 4633133.0};
Place East_Of_Base(double metres) { return {basePlace.x, basePlace.y + metres, basePlace.z}; }

struct FieldFile {
    std::string path;  // inside the case's folder
    std::string marker;
    std::string serial;
    Place place;
    std::vector<double> epochs;  // GPS seconds
};

std::string Header_Line(const std::string& content, const std::string& label) {
    std::string line = content;
    line.resize(60, ' ');
    return line + label + "\n";
}

std::string Rinex_Text(const FieldFile& file) {
    std::string text = Header_Line("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE");
    text += Header_Line(file.marker, "MARKER NAME");
    text += Header_Line(fmt::format("{:<20}{:<20}{:<20}", file.serial, "FIELD RX", "1.0"), "REC # / TYPE / VERS");
    text += Header_Line(fmt::format("{:<20}{:<20}", "A1", "FIELD ANT"), "ANT # / TYPE");
    text += Header_Line(fmt::format("{:14.4f}{:14.4f}{:14.4f}", file.place.x, file.place.y, file.place.z),
                        "APPROX POSITION XYZ");
    text += Header_Line(fmt::format("{:14.4f}{:14.4f}{:14.4f}", 1.5, 0.0, 0.0), "ANTENNA: DELTA H/E/N");
    text += Header_Line("G    1 C1C", "SYS / # / OBS TYPES");
    text += Header_Line("", "END OF HEADER");
    for (const double epoch : file.epochs) {
        const CivilTime t = min_lumo_field::Civil_Of_Seconds(std::llround(epoch));
        text += fmt::format("> {:04} {:02} {:02} {:02} {:02}{:11.7f}  0  1\nG01  20000000.000\n", t.year, t.month, t.day,
                            t.hour, t.minute, t.second);
    }
    return text;
}

void Write_Text(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    if (path.extension() == ".gz") {
        gzFile file = gzopen(path.string().c_str(), "wb");
        ASSERT_NE(file, nullptr);
        gzwrite(file, text.data(), static_cast<unsigned>(text.size()));
        gzclose(file);
        return;
    }
    std::ofstream(path, std::ios::binary) << text;
}

// ---- Cases ------------------------------------------------------------------

struct FieldCase {
    const char* name;
    std::vector<FieldFile> files;
    std::vector<std::string> extraPaths;  // given after the files: copies, folders
    double minimumOverlapMinutes = 0.0;
    std::vector<std::pair<std::string, std::string>> fileStations;
    bool stationsFromFileNames = false;
    std::vector<std::string> occupations;   // "STATION: file file", in the campaign's order
    std::vector<std::string> observations;  // "FROM-TO SESSION hh:mm:ss-hh:mm:ss seconds"
    std::vector<std::string> warnings;      // each must be in some warning
    std::string error;                      // a CampaignError holding this, when not empty
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }

const std::vector<double> baseDay = Every(At(7, 0), At(12, 0));

std::vector<FieldCase> Cases() {
    std::vector<FieldCase> cases;
    // A file with six epochs is three spans at a 5-minute maximum gap; the
    // base from 1:53 shares one minute with it, not 33.
    cases.push_back({"six_epochs_share_one_minute",
                     {{"base.rnx", "BASE", "1001", basePlace, Every(At(1, 53), At(3, 0))},
                      {"rovr.rnx", "ROVR", "2002", East_Of_Base(2930.0),
                       {At(0, 0), At(0, 0, 30), At(1, 10), At(2, 25), At(2, 25, 30), At(2, 26)}}},
                     {}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROVR: rovr.rnx"},
                     {"BASE-ROVR 135A 02:25:00-02:26:00 60"}, {}, ""});
    {
        FieldCase c = cases.back();
        c.name = "six_epochs_too_short_by_default";
        c.minimumOverlapMinutes = 15.0;
        c.observations = {};
        cases.push_back(c);
    }
    // Five minutes of data and a stray epoch three hours later: five minutes.
    cases.push_back({"stray_epoch_adds_nothing",
                     {{"base.rnx", "BASE", "1001", basePlace, baseDay},
                      {"rovr.rnx", "ROVR", "2002", East_Of_Base(500.0), Joined(Every(At(8, 0), At(8, 5)), {At(11, 5)})}},
                     {}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROVR: rovr.rnx"},
                     {"BASE-ROVR 135A 08:00:00-08:05:00 300"}, {}, ""});
    {
        FieldCase c = cases.back();
        c.name = "stray_epoch_is_no_three_hour_overlap";
        c.minimumOverlapMinutes = 15.0;
        c.observations = {};
        cases.push_back(c);
    }
    // Eight hourly files of a reference station (given last first) are one
    // occupation; the 3 h rover gives one observation.
    {
        FieldCase c{"hourly_reference_files_joined", {}, {}, 0.0, {}, false, {}, {}, {}, ""};
        std::string files;
        for (int hour = 13; hour >= 6; --hour)
            c.files.push_back({fmt::format("BASE00CHE_R_20241350{:02}00_01H_30S_MO.rnx", hour), "BASE", "1001",
                               basePlace, Every(At(hour, 0), At(hour, 59, 30))});
        for (int hour = 6; hour <= 13; ++hour) files += fmt::format(" BASE00CHE_R_20241350{:02}00_01H_30S_MO.rnx", hour);
        c.files.push_back({"rovr.rnx", "ROVR", "2002", East_Of_Base(800.0), Every(At(8, 30), At(11, 30))});
        c.occupations = {"BASE:" + files, "ROVR: rovr.rnx"};
        c.observations = {"BASE-ROVR 135A 08:30:00-11:30:00 10800"};
        cases.push_back(c);
    }
    // A receiver restarted after 2.5 minutes: one occupation, one session.
    cases.push_back({"restarted_receiver_joined",
                     {{"base.rnx", "BASE", "1001", basePlace, baseDay},
                      {"rovr_a.rnx", "ROVR", "2002", East_Of_Base(600.0), Every(At(8, 0), At(9, 0))},
                      {"rovr_b.rnx", "ROVR", "2002", East_Of_Base(600.0), Every(At(9, 2, 30), At(10, 0))}},
                     {}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROVR: rovr_a.rnx rovr_b.rnx"},
                     {"BASE-ROVR 135A 08:00:00-10:00:00 7200"}, {}, ""});
    // Back to back but 200 m apart: joined, with a warning.
    cases.push_back({"back_to_back_far_apart_warned",
                     {{"base.rnx", "BASE", "1001", basePlace, baseDay},
                      {"rovr_a.rnx", "ROVR", "2002", East_Of_Base(600.0), Every(At(8, 0), At(9, 0))},
                      {"rovr_b.rnx", "ROVR", "2002", East_Of_Base(800.0), Every(At(9, 0, 30), At(10, 0))}},
                     {}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROVR: rovr_a.rnx rovr_b.rnx"},
                     {"BASE-ROVR 135A 08:00:00-10:00:00 7200"},
                     {"rovr_a.rnx and rovr_b.rnx: station ROVR one after the other but 200 m apart"}, ""});
    // The same file under another path, as gzip and through a link: read once.
    cases.push_back({"same_data_twice_read_once",
                     {{"base.rnx", "BASE", "1001", basePlace, baseDay},
                      {"copy/base.rnx", "BASE", "1001", basePlace, baseDay},
                      {"base.rnx.gz", "BASE", "1001", basePlace, baseDay},
                      {"rovr.rnx", "ROVR", "2002", East_Of_Base(700.0), Every(At(8, 0), At(10, 0))}},
                     {"link.rnx"}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROVR: rovr.rnx"},
                     {"BASE-ROVR 135A 08:00:00-10:00:00 7200"},
                     {"copy/base.rnx: the same data as base.rnx", "base.rnx.gz: the same data as base.rnx",
                      "link.rnx: the same data as base.rnx"},
                     ""});
    // A shortened copy of ROV1's file under ROV2's file name (its header
    // names ROV1): its epochs are all in ROV1's, so it is read once.
    cases.push_back({"shortened_copy_under_another_name",
                     {{"base.rnx", "BASE", "1001", basePlace, baseDay},
                      {"rov11350.24o", "ROV1", "2002", East_Of_Base(700.0), Every(At(8, 0), At(10, 0))},
                      {"rov21350.24o", "ROV1", "2002", East_Of_Base(700.0), Every(At(8, 30), At(9, 0))}},
                     {}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROV1: rov11350.24o"},
                     {"BASE-ROV1 135A 08:00:00-10:00:00 7200"},
                     {"rov21350.24o: all its epochs are also in rov11350.24o (station ROV1); read once"}, ""});
    // Overlapping files of one receiver that are not the same data: joined.
    cases.push_back({"overlapping_files_joined_with_a_warning",
                     {{"base.rnx", "BASE", "1001", basePlace, baseDay},
                      {"rovr_a.rnx", "ROVR", "2002", East_Of_Base(600.0), Every(At(8, 0), At(9, 0))},
                      {"rovr_b.rnx", "ROVR", "2002", East_Of_Base(600.0), Every(At(8, 30, 15), At(9, 30, 15))}},
                     {}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROVR: rovr_a.rnx rovr_b.rnx"},
                     {"BASE-ROVR 135A 08:00:00-09:30:15 5415"},
                     {"rovr_a.rnx and rovr_b.rnx: station ROVR in both at the same time, not the same data; joined"}, ""});
    // A base and a rover both left on one name, a metre apart, recording at
    // once: two points under one name.
    cases.push_back({"two_receivers_under_one_name",
                     {{"a.rnx", "BASE", "1001", basePlace, baseDay},
                      {"b.rnx", "BASE", "2002", East_Of_Base(1.0), Every(At(8, 0), At(9, 0))}},
                     {}, 0.0, {}, false, {}, {}, {},
                     "a.rnx and b.rnx both hold station BASE at the same time, but they were recorded by receiver FIELD "
                     "RX serial 1001 and receiver FIELD RX serial 2002 1.0 m apart: two points under one name. Name "
                     "each file's station with --station FILE=NAME"});
    cases.push_back({"one_name_150_m_apart",
                     {{"a.rnx", "BASE", "", basePlace, baseDay},
                      {"b.rnx", "BASE", "", East_Of_Base(150.0), Every(At(8, 0), At(9, 0))}},
                     {}, 0.0, {}, false, {}, {}, {},
                     "a.rnx and b.rnx both hold station BASE at the same time, but they were recorded by receiver "
                     "FIELD RX (no serial number) 150.0 m apart"});
    // The fix the message suggests.
    {
        FieldCase c = cases[cases.size() - 2];
        c.name = "two_receivers_named_apart";
        c.fileStations = {{"b.rnx", "ROVR"}};
        c.occupations = {"BASE: a.rnx", "ROVR: b.rnx"};
        c.observations = {"BASE-ROVR 135A 08:00:00-09:00:00 3600"};
        c.warnings = {"stations BASE and ROVR lie within 1 m of each other: the same point under two names?"};
        c.error = "";
        cases.push_back(c);
    }
    // Three rovers left on the default marker SITE, 1.1 km apart: three
    // stations named by their files, six baselines.
    cases.push_back({"receiver_default_marker_gives_way",
                     {{"base.rnx", "BASE", "1001", basePlace, baseDay},
                      {"rov11350.24o", "SITE", "2001", East_Of_Base(1100.0), Every(At(8, 0), At(10, 0))},
                      {"rov21350.24o", "SITE", "2002", East_Of_Base(2200.0), Every(At(8, 0), At(10, 0))},
                      {"rov31350.24o", "site", "2003", East_Of_Base(3300.0), Every(At(8, 0), At(10, 0))}},
                     {}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROV1: rov11350.24o", "ROV2: rov21350.24o", "ROV3: rov31350.24o"},
                     {"BASE-ROV1 135A 08:00:00-10:00:00 7200", "BASE-ROV2 135A 08:00:00-10:00:00 7200",
                      "BASE-ROV3 135A 08:00:00-10:00:00 7200", "ROV1-ROV2 135A 08:00:00-10:00:00 7200",
                      "ROV1-ROV3 135A 08:00:00-10:00:00 7200", "ROV2-ROV3 135A 08:00:00-10:00:00 7200"},
                     {"rov11350.24o: MARKER NAME 'SITE' looks like a receiver's default; station 'ROV1' taken from the "
                      "file name",
                      "rov31350.24o: MARKER NAME 'site' looks like a receiver's default; station 'ROV3'"},
                     ""});
    // Two names for one point.
    cases.push_back({"two_names_one_point",
                     {{"base.rnx", "BASE", "1001", basePlace, baseDay},
                      {"rov1.rnx", "ROV1", "2002", East_Of_Base(900.0), Every(At(8, 0), At(9, 0))},
                      {"rov1_01.rnx", "ROV1_01", "2002", East_Of_Base(900.0), Every(At(10, 0), At(11, 0))}},
                     {}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROV1: rov1.rnx", "ROV1_01: rov1_01.rnx"},
                     {"BASE-ROV1 135A 08:00:00-09:00:00 3600", "BASE-ROV1_01 135B 10:00:00-11:00:00 3600"},
                     {"stations ROV1 and ROV1_01 lie within 1 m of each other: the same point under two names?"}, ""});
    // --station-names file: every station from its file name.
    cases.push_back({"stations_from_file_names",
                     {{"base1350.24o", "BASE", "1001", basePlace, baseDay},
                      {"PEAK00CHE_R_20241350800_02H_30S_MO.rnx", "ROVER", "2002", East_Of_Base(900.0),
                       Every(At(8, 0), At(10, 0))}},
                     {}, 0.0, {}, true,
                     {"BASE: base1350.24o", "PEAK00CHE: PEAK00CHE_R_20241350800_02H_30S_MO.rnx"},
                     {"BASE-PEAK00CHE 135A 08:00:00-10:00:00 7200"}, {}, ""});
    cases.push_back({"station_names_need_conventional_names",
                     {{"base.rnx", "BASE", "1001", basePlace, baseDay}},
                     {}, 0.0, {}, true, {}, {}, {},
                     "--station-names file: base.rnx: the file name follows neither RINEX naming convention"});
    cases.push_back({"station_option_names_no_file_read",
                     {{"base.rnx", "BASE", "1001", basePlace, baseDay}},
                     {}, 0.0, {{"nothere.rnx", "X"}}, false, {}, {}, {},
                     "--station nothere.rnx=X: nothere.rnx is not among the files read"});
    // Files of GPS day 092 from GPS midnight: session 092A (UTC would say 091).
    cases.push_back({"session_day_from_gps_time",
                     {{"base.rnx", "BASE", "1001", basePlace, Every(At(0, 0, 0, 1, 4), At(2, 0, 0, 1, 4))},
                      {"rovr.rnx", "ROVR", "2002", East_Of_Base(900.0), Every(At(0, 0, 0, 1, 4), At(1, 0, 0, 1, 4))}},
                     {}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROVR: rovr.rnx"},
                     {"BASE-ROVR 092A 00:00:00-01:00:00 3600"}, {}, ""});
    // Daily files of days 135 and 136 of two stations: each station's two
    // days are one occupation, one observation of 48 h less 30 s, 135A.
    cases.push_back({"daily_files_of_two_days",
                     {{"base1350.24o", "BASE", "1001", basePlace, Every(At(0, 0), At(23, 59, 30))},
                      {"base1360.24o", "BASE", "1001", basePlace, Every(At(0, 0, 0, 15), At(23, 59, 30, 15))},
                      {"rovr1350.24o", "ROVR", "2002", East_Of_Base(900.0), Every(At(0, 0), At(23, 59, 30))},
                      {"rovr1360.24o", "ROVR", "2002", East_Of_Base(900.0), Every(At(0, 0, 0, 15), At(23, 59, 30, 15))}},
                     {}, 0.0, {}, false,
                     {"BASE: base1350.24o base1360.24o", "ROVR: rovr1350.24o rovr1360.24o"},
                     {"BASE-ROVR 135A 00:00:00-23:59:30 172770"}, {}, ""});
    // A session past midnight keeps the name of the day it began.
    cases.push_back({"session_past_midnight_keeps_its_name",
                     {{"base.rnx", "BASE", "1001", basePlace, Every(At(21, 0), At(3, 0, 0, 15))},
                      {"rov1.rnx", "ROV1", "2002", East_Of_Base(900.0), Every(At(22, 0), At(1, 0, 0, 15))},
                      {"rov2.rnx", "ROV2", "2003", East_Of_Base(1900.0), Every(At(0, 30, 0, 15), At(2, 0, 0, 15))}},
                     {}, 0.0, {}, false,
                     {"BASE: base.rnx", "ROV1: rov1.rnx", "ROV2: rov2.rnx"},
                     {"BASE-ROV1 135A 22:00:00-01:00:00 10800", "ROV1-ROV2 135A 00:30:00-01:00:00 1800",
                      "BASE-ROV2 135A 00:30:00-02:00:00 5400"},
                     {}, ""});
    return cases;
}

std::string Time_Of_Day(double gps) {
    const CivilTime t = min_lumo_field::Civil_Of_Seconds(std::llround(gps));
    return fmt::format("{:02}:{:02}:{:02}", t.hour, t.minute, static_cast<int>(t.second));
}

class FieldModelTest : public ::testing::TestWithParam<FieldCase> {
protected:
    void SetUp() override {
        folder_ = fs::path("field_model") / GetParam().name;
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Relative(const std::string& path) const {
        return fs::path(path).lexically_relative(folder_).generic_string();
    }

    // Paths in messages are as given, in the platform's separators: drop the
    // case's folder and compare with '/'.
    std::string Without_Folder(std::string text) const {
        const std::string prefix = (folder_ / "").string();
        for (std::string::size_type at; (at = text.find(prefix)) != std::string::npos;) text.erase(at, prefix.size());
        if (fs::path::preferred_separator != '/') std::replace(text.begin(), text.end(), '\\', '/');
        return text;
    }

    // Wine has no symbolic links: a copy is the same data under another path too.
    static void Link_Or_Copy(const fs::path& target, const fs::path& link) {
        std::error_code failed;
        fs::create_symlink(fs::absolute(target), link, failed);
        if (failed) fs::copy_file(target, link);
    }

    fs::path folder_;
};

TEST_P(FieldModelTest, PlansAsWorkedOutByHand) {
    const FieldCase& c = GetParam();
    std::vector<std::string> paths;
    for (const FieldFile& file : c.files) {
        Write_Text(folder_ / file.path, Rinex_Text(file));
        paths.push_back((folder_ / file.path).string());
    }
    for (const std::string& extra : c.extraPaths) {
        if (extra == "link.rnx") Link_Or_Copy(folder_ / "base.rnx", folder_ / extra);
        paths.push_back((folder_ / extra).string());
    }
    CampaignOptions options;
    options.minimumOverlapMinutes = c.minimumOverlapMinutes;
    for (const auto& [file, name] : c.fileStations) options.fileStations.emplace_back((folder_ / file).string(), name);
    options.stationsFromFileNames = c.stationsFromFileNames;
    CampaignFiles files = Read_Campaign_Files(paths, false);
    if (!c.error.empty()) {
        try {
            Form_Campaign(std::move(files), options);
            ADD_FAILURE() << "no error";
        } catch (const CampaignError& error) {
            const std::string message = Without_Folder(error.what());
            EXPECT_NE(message.find(c.error), std::string::npos) << message;
        }
        return;
    }
    const Campaign campaign = Form_Campaign(std::move(files), options);

    std::vector<std::string> occupations;
    for (const min_lumo_field::Occupation& occupation : campaign.occupations) {
        std::string line = occupation.station + ":";
        for (const std::string& file : occupation.files) line += " " + Relative(file);
        occupations.push_back(line);
    }
    EXPECT_EQ(occupations, c.occupations);

    std::vector<std::string> observations;
    for (const CampaignObservation& observation : campaign.observations) {
        const auto station = [&](OccupationIndex occupation) { return campaign.occupations[occupation].station; };
        observations.push_back(fmt::format("{}-{} {} {}-{} {}", station(observation.fromOccupation),
                                           station(observation.toOccupation), observation.session,
                                           Time_Of_Day(observation.startGps), Time_Of_Day(observation.endGps),
                                           observation.commonSeconds));
        // Every observation's common time lies within both occupations.
        for (const OccupationIndex end : {observation.fromOccupation, observation.toOccupation}) {
            const min_lumo_field::Occupation& occupation = campaign.occupations[end];
            EXPECT_GE(observation.startGps, occupation.firstGps);
            EXPECT_LE(observation.endGps, occupation.lastGps);
        }
    }
    EXPECT_EQ(observations, c.observations);

    std::string all;
    for (const std::string& warning : campaign.warnings) all += Without_Folder(warning) + "\n";
    for (const std::string& expected : c.warnings) EXPECT_NE(all.find(expected), std::string::npos) << expected << "\n" << all;
}

INSTANTIATE_TEST_SUITE_P(Field, FieldModelTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<FieldCase>& param) { return std::string(param.param.name); });

// A folder is read as the field files in it and below it, by content.
TEST(FieldFolderTest, ReadsFieldFilesByContentAndCountsTheRest) {
    const fs::path folder = "field_folder";
    fs::remove_all(folder);
    Write_Text(folder / "base.rnx", Rinex_Text({"base.rnx", "BASE", "1001", basePlace, baseDay}));
    Write_Text(folder / "day1" / "rover.obs.gz",
               Rinex_Text({"rover", "ROVR", "2002", East_Of_Base(900.0), Every(At(8, 0), At(10, 0))}));
    Write_Text(folder / "day1" / "notes.txt", "station,start,end\nLOGD,2024-05-14T08:00:00Z,2024-05-14T09:00:00Z\n");
    Write_Text(folder / "day1" / "brdc1350.24n",
               Header_Line("     3.04           N: GNSS NAV DATA    G", "RINEX VERSION / TYPE"));
    Write_Text(folder / "photo.jpg", "\xFF\xD8\xFF\xE0 not text");
    const CampaignFiles files = Read_Campaign_Files({folder.string()}, false);
    std::vector<std::string> read;
    for (const std::string& file : files.files) read.push_back(fs::path(file).lexically_relative(folder).generic_string());
    EXPECT_EQ(read, (std::vector<std::string>{"base.rnx", "day1/notes.txt", "day1/rover.obs.gz"}));
    ASSERT_EQ(files.warnings.size(), 1U);
    EXPECT_EQ(files.warnings[0],
              folder.string() + ": 2 files are neither RINEX observation data nor an occupation log; skipped");
    fs::remove_all(folder);
}

TEST(FieldFolderTest, AFolderWithoutFieldFilesIsRefused) {
    const fs::path folder = "field_folder_empty";
    fs::remove_all(folder);
    Write_Text(folder / "readme.txt", "nothing here\n");
    try {
        Read_Campaign_Files({folder.string()}, false);
        ADD_FAILURE() << "no error";
    } catch (const min_lumo_field::FieldFileError& error) {
        EXPECT_EQ(error.reason, "no RINEX observation file or occupation log in this folder (1 other file)");
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace min_lumo_tool

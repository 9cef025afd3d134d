// Synthetic campaigns: what is written reads back as planned, the same seed
// writes the same bytes, and the sessions are laid out as promised.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "tool/field/gnss_time.h"
#include "tool/field/rinex_campaign.h"
#include "tool/field/rinex_reader.h"

namespace min_lumo_field {
namespace {

namespace fs = std::filesystem;

std::string Read_Bytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

fs::path Fresh_Folder(const std::string& name) {
    const fs::path folder = fs::current_path() / name;
    fs::remove_all(folder);
    return folder;
}

TEST(RinexCampaign, ReadsBackAsWritten) {
    RinexCampaignOptions options;
    options.stations = 7;
    options.days = 2;
    options.sessions = 2;
    options.receivers = 3;
    options.seed = 42;
    options.intervalSeconds = 60;
    const fs::path folder = Fresh_Folder("campaign_round_trip");
    const std::vector<Occupation> written = Write_Rinex_Campaign(options, folder.string());
    ASSERT_EQ(written.size(), 2u * 2u * 3u);
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator())),
              written.size());
    for (const Occupation& plan : written) {
        SCOPED_TRACE(plan.file);
        const Occupation read = Read_Occupation(plan.file);
        EXPECT_TRUE(read.warnings.empty());
        EXPECT_EQ(read.station, plan.station);
        EXPECT_EQ(read.receiver, plan.receiver);
        EXPECT_EQ(read.format, "RINEX 3.04");
        EXPECT_TRUE(read.positionKnown);
        EXPECT_NEAR(read.x, plan.x, 1e-4);
        EXPECT_NEAR(read.y, plan.y, 1e-4);
        EXPECT_NEAR(read.z, plan.z, 1e-4);
        EXPECT_EQ(read.epochCount, plan.epochCount);
        EXPECT_EQ(read.firstGps, plan.firstGps);
        EXPECT_EQ(read.lastGps, plan.lastGps);
        EXPECT_EQ(read.epochCount, static_cast<int64_t>(plan.lastGps - plan.firstGps) / 60 + 1);
    }
}

TEST(RinexCampaign, SessionsPutEachReceiverOnItsOwnStationInTheSurveyRegion) {
    RinexCampaignOptions options;
    options.stations = 5;
    options.days = 3;
    options.sessions = 4;
    options.receivers = 5;
    const std::vector<Occupation> written = Write_Rinex_Campaign(options, Fresh_Folder("campaign_layout").string());
    ASSERT_EQ(written.size(), 3u * 4u * 5u);
    std::set<double> starts;
    // 2024-05-14 to 16; the 4 sessions of 2 h lie centred on noon, 08:00 to 16:00.
    constexpr double firstDay = 1715644800.0;
    const std::regex longName(R"([A-Z]\d{3}00CHE_R_2024\d{7}_\d\dM_30S_GO\.rnx)");
    for (std::size_t session = 0; session < written.size() / 5; ++session) {
        std::set<std::string> stations;
        for (std::size_t receiver = 0; receiver < 5; ++receiver) {
            const Occupation& occupation = written[session * 5 + receiver];
            stations.insert(occupation.station);
            starts.insert(occupation.firstGps);
            const double slotStart = firstDay + static_cast<double>(session / 4) * 86400.0 + 8 * 3600.0
                                     + static_cast<double>(session % 4) * 7200.0;
            EXPECT_GE(occupation.firstGps, slotStart);
            EXPECT_LE(occupation.lastGps, slotStart + 7200.0);
            EXPECT_GT(occupation.lastGps - occupation.firstGps, 3600.0);
            EXPECT_NEAR(occupation.latitude, 47.05, 0.2);
            EXPECT_NEAR(occupation.longitude, 8.30, 0.25);
            EXPECT_TRUE(std::regex_match(fs::path(occupation.file).filename().string(), longName)) << occupation.file;
        }
        EXPECT_EQ(stations.size(), 5u);
    }
    EXPECT_GT(starts.size(), written.size() / 2);  // staggered, not in lockstep
}

TEST(RinexCampaign, SameSeedSameBytes) {
    RinexCampaignOptions options;
    options.stations = 6;
    options.sessions = 2;
    options.receivers = 3;
    options.seed = 7;
    const auto first = Write_Rinex_Campaign(options, Fresh_Folder("campaign_seed_a").string());
    const auto second = Write_Rinex_Campaign(options, Fresh_Folder("campaign_seed_b").string());
    options.seed = 8;
    const auto other = Write_Rinex_Campaign(options, Fresh_Folder("campaign_seed_c").string());
    ASSERT_EQ(first.size(), second.size());
    bool anyDifferent = false;
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(fs::path(first[i].file).filename(), fs::path(second[i].file).filename());
        EXPECT_EQ(Read_Bytes(first[i].file), Read_Bytes(second[i].file));
        anyDifferent = anyDifferent || Read_Bytes(first[i].file) != Read_Bytes(other[i].file);
    }
    EXPECT_TRUE(anyDifferent);
}

TEST(RinexCampaign, RefusesBadOptionsAndUnwritableFolders) {
    const auto with = [](auto change) {
        RinexCampaignOptions options;
        change(options);
        return options;
    };
    const RinexCampaignOptions bad[] = {
        with([](RinexCampaignOptions& o) { o.stations = 0; }),
        with([](RinexCampaignOptions& o) { o.receivers = o.stations + 1; }),
        with([](RinexCampaignOptions& o) { o.days = 0; }),
        with([](RinexCampaignOptions& o) { o.sessions = maximumCampaignSessionsPerDay + 1; }),
        with([](RinexCampaignOptions& o) { o.intervalSeconds = 0; }),
        with([](RinexCampaignOptions& o) {
            o.stations = 1000;
            o.receivers = 1000;
            o.days = 366;
            o.sessions = 1;
        }),
    };
    for (const RinexCampaignOptions& options : bad)
        EXPECT_THROW(Write_Rinex_Campaign(options, Fresh_Folder("campaign_bad").string()), std::invalid_argument);

    const fs::path file = fs::current_path() / "campaign_blocker";
    std::ofstream(file) << "a file where the folder should go";
    try {
        Write_Rinex_Campaign(RinexCampaignOptions{}, (file / "inside").string());
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("campaign_blocker"), std::string::npos) << error.what();
    }
}

// The day of field situations after a one-day campaign: 2024-05-15, whose
// GPS midnight is 1715731200.  Epoch counts at 30 s: a span of S seconds
// holds S / 30 + 1 epochs; ROV1 loses the 39 epochs strictly between 07:40
// and 08:00; ROV2's second file starts 150 s after 07:50 and ends at the
// last epoch on its grid before 09:10.
TEST(RinexCampaign, FieldFaultsDayHoldsEachSituation) {
    RinexCampaignOptions options;
    options.stations = 4;
    options.sessions = 1;
    options.receivers = 2;
    options.fieldFaults = true;
    const fs::path folder = Fresh_Folder("campaign_field_faults");
    const std::vector<Occupation> written = Write_Rinex_Campaign(options, folder.string());
    ASSERT_EQ(written.size(), 2u + 16u);
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator())),
              written.size());
    constexpr double day = 1715731200.0;
    const auto at = [&](int hour, int minute, int second) { return day + hour * 3600.0 + minute * 60.0 + second; };
    struct Expected {
        const char* marker;
        double first, last;
        int64_t epochs;
    };
    const Expected expected[] = {
        {"REF1", at(6, 0, 0), at(6, 59, 30), 120},   {"REF1", at(7, 0, 0), at(7, 59, 30), 120},
        {"REF1", at(8, 0, 0), at(8, 59, 30), 120},   {"REF1", at(9, 0, 0), at(9, 59, 30), 120},
        {"REF1", at(10, 0, 0), at(10, 59, 30), 120}, {"REF1", at(11, 0, 0), at(11, 59, 30), 120},
        {"ROV1", at(7, 0, 0), at(9, 0, 0), 241 - 39},
        {"ROV2", at(7, 10, 0), at(7, 50, 0), 81},    {"ROV2", at(7, 52, 30), at(9, 10, 0), 156},
        {"ROV3", at(7, 20, 0), at(9, 20, 0), 241},   {"ROV3", at(7, 20, 0), at(9, 20, 0), 241},
        {"ROV3", at(7, 20, 0), at(9, 20, 0), 241},
        {"SITE", at(9, 30, 0), at(11, 0, 0), 181},   {"SITE", at(9, 30, 0), at(11, 0, 0), 181},
        {"SITE", at(9, 30, 0), at(11, 0, 0), 181},
        {"ROV1_01", at(10, 0, 0), at(11, 0, 0), 121},
    };
    std::vector<Occupation> read;
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Occupation& plan = written[2 + i];
        SCOPED_TRACE(plan.file);
        read.push_back(Read_Occupation(plan.file));
        EXPECT_EQ(read.back().markerName, expected[i].marker);
        EXPECT_EQ(read.back().firstGps, expected[i].first);
        EXPECT_EQ(read.back().lastGps, expected[i].last);
        EXPECT_EQ(read.back().epochCount, expected[i].epochs);
        EXPECT_EQ(plan.epochCount, expected[i].epochs);
    }
    // The copies: the same bytes under another name, and gzip of them.
    EXPECT_EQ(fs::path(written[12].file).filename(), "ROV3_copy.rnx");
    EXPECT_EQ(written[13].file, written[11].file + ".gz");
    EXPECT_EQ(Read_Bytes(written[12].file), Read_Bytes(written[11].file));
    EXPECT_EQ(read[11].format, "RINEX 3.04, gzip");
    // The placeholder markers: file names carry ROVA, ROVB, ROVC; 1 km apart.
    const auto distance = [](const Occupation& a, const Occupation& b) {
        return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
    };
    for (std::size_t i = 12; i < 15; ++i)
        EXPECT_EQ(fs::path(written[2 + i].file).filename().string().substr(0, 4), std::string("ROV") + char('A' + i - 12));
    EXPECT_NEAR(distance(read[12], read[13]), 1000.0, 1.0);
    EXPECT_NEAR(distance(read[12], read[14]), 1000.0, 1.0);
    EXPECT_NEAR(distance(read[13], read[14]), 1000.0, 1.0);
    // Two names for one point; a restarted receiver keeps its serial number.
    EXPECT_EQ(fs::path(written[17].file).filename(), "ROV1_01.rnx");
    EXPECT_LT(distance(read[15], read[6]), 0.001);
    EXPECT_EQ(read[7].receiverNumber, read[8].receiverNumber);
    EXPECT_NE(read[12].receiverNumber, read[13].receiverNumber);
}

TEST(RinexCampaign, FieldFaultsSameSeedSameBytes) {
    RinexCampaignOptions options;
    options.stations = 3;
    options.sessions = 1;
    options.receivers = 2;
    options.fieldFaults = true;
    const auto first = Write_Rinex_Campaign(options, Fresh_Folder("campaign_faults_a").string());
    const auto second = Write_Rinex_Campaign(options, Fresh_Folder("campaign_faults_b").string());
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(fs::path(first[i].file).filename(), fs::path(second[i].file).filename());
        EXPECT_EQ(Read_Bytes(first[i].file), Read_Bytes(second[i].file)) << first[i].file;
    }
    // A gzip member with no time and "unknown" system, whatever builds it.
    const std::string gzip = Read_Bytes(first[13].file);
    ASSERT_GE(gzip.size(), 10u);
    EXPECT_EQ(gzip.substr(0, 10), std::string("\x1f\x8b\x08\0\0\0\0\0\0\xff", 10));
}

}  // namespace
}  // namespace min_lumo_field

// Synthetic campaigns: what is written reads back as planned, the same seed
// writes the same bytes, and the sessions are laid out as promised.
#include <algorithm>
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

}  // namespace
}  // namespace min_lumo_field

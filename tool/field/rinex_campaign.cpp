#include "tool/field/rinex_campaign.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numeric>
#include <stdexcept>

#include <fmt/format.h>
#include <zlib.h>

#include "tool/field/gnss_time.h"

namespace min_lumo_field {

namespace {

namespace fs = std::filesystem;

// The campaign's first day (GPS calendar) and the survey region: Earth-
// centred coordinates of a point at 47.05 N, 8.30 E, 450 m on WGS 84, and
// the east, north and up unit vectors there, written out so that placing a
// station takes only additions and products.
constexpr int64_t firstDayYear = 2024, firstDayMonth = 5, firstDayDay = 14;
constexpr double regionX = 4308323.4356, regionY = 628516.4174, regionZ = 4645883.3246;
constexpr double eastX = -0.1443562010009732, eastY = 0.9895257890689695, eastZ = 0.0;
constexpr double northX = -0.7242819951024594, northY = -0.10566131617930892, northZ = 0.6813598739533001;
constexpr double upX = 0.6742231669135729, upY = 0.09835852291840036, upZ = 0.7319485789086163;
constexpr int64_t regionHalfWidthMetres = 15000;
constexpr int64_t regionHeightSpanMetres = 300;
constexpr const char* countryCode = "CHE";

constexpr int64_t longestSessionSlotSeconds = 7200;
constexpr int64_t longestStaggerSeconds = 300;  // occupations start and end up to 5 minutes apart
// Of each session slot, the last quarter is left for moving between stations.
constexpr int64_t slotOccupiedQuarters = 3;

// GPS L1: carrier frequency over the speed of light, cycles per millimetre.
constexpr double l1CyclesPerMillimetre = 1575.42e6 / 299792458.0 / 1000.0;
constexpr int32_t lowestSatellitesInView = 6, highestSatellitesInView = 10;
constexpr int32_t gpsSatelliteCount = 32;
constexpr int64_t nearestRangeMillimetres = 20000000000, rangeSpanMillimetres = 5000000000;
constexpr int64_t rangeRateSpanMillimetresPerSecond = 1600000;  // -800 to +800 m/s
constexpr int64_t rangeAccelerationSpanMillimetresPerSecond2 = 400;
constexpr int64_t phaseAmbiguitySpanCycles = 5000000;  // the phase starts up to this far from range / wavelength
constexpr int64_t lowestSignalStrength = 35, highestSignalStrength = 50;  // dB-Hz
constexpr int64_t signalStrengthWobble = 5;                                // dB-Hz over the minutes
constexpr int64_t signalStrengthPerIndicatorStep = 6;                      // RINEX: 1-9 from dB-Hz / 6
// Stations see a satellite up to this much nearer or farther than the region's centre.
constexpr int64_t stationRangeOffsetSpanMetres = 20000;
constexpr const char* receiverTypes[] = {"FIELDRX 100", "FIELDRX 200"};
constexpr const char* antennaTypes[] = {"FLDANT100       NONE", "FLDANT200       NONE"};

// splitmix64: the same numbers from the same seed everywhere.
class SplitMix64 {
public:
    explicit SplitMix64(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // In [0, count); the modulo bias is far below anything that matters here.
    int64_t Below(int64_t count) { return static_cast<int64_t>(Next() % static_cast<uint64_t>(count)); }
    int64_t Between(int64_t low, int64_t high) { return low + Below(high - low + 1); }

private:
    uint64_t state_;
};

struct Station {
    std::string name;
    double x, y, z;
};

struct Satellite {
    int32_t prn;
    int64_t rangeMillimetres;       // at the session's start
    int64_t rateMillimetresPerSecond;
    int64_t accelerationMillimetresPerSecond2;
    int64_t ambiguityCycles;
    int64_t signalStrength;         // dB-Hz
};

std::string Station_Name(int32_t index) {
    return fmt::format("{}{:03}", static_cast<char>('A' + index / 1000), index % 1000);
}

std::vector<Station> Place_Stations(int32_t count, SplitMix64& random) {
    std::vector<Station> stations;
    stations.reserve(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const auto east = static_cast<double>(random.Between(-regionHalfWidthMetres, regionHalfWidthMetres));
        const auto north = static_cast<double>(random.Between(-regionHalfWidthMetres, regionHalfWidthMetres));
        const auto up = static_cast<double>(random.Between(0, regionHeightSpanMetres));
        stations.push_back({Station_Name(i), regionX + east * eastX + north * northX + up * upX,
                            regionY + east * eastY + north * northY + up * upY,
                            regionZ + east * eastZ + north * northZ + up * upZ});
    }
    return stations;
}

std::vector<Satellite> Satellites_In_View(SplitMix64& random) {
    std::vector<int32_t> prns(gpsSatelliteCount);
    std::iota(prns.begin(), prns.end(), 1);
    const auto count = static_cast<std::size_t>(random.Between(lowestSatellitesInView, highestSatellitesInView));
    for (std::size_t i = 0; i < count; ++i)
        std::swap(prns[i], prns[i + static_cast<std::size_t>(random.Below(static_cast<int64_t>(prns.size() - i)))]);
    std::sort(prns.begin(), prns.begin() + static_cast<std::ptrdiff_t>(count));
    std::vector<Satellite> satellites;
    for (std::size_t i = 0; i < count; ++i)
        satellites.push_back({prns[i], nearestRangeMillimetres + random.Below(rangeSpanMillimetres),
                              random.Below(rangeRateSpanMillimetresPerSecond) - rangeRateSpanMillimetresPerSecond / 2,
                              random.Below(rangeAccelerationSpanMillimetresPerSecond2)
                                  - rangeAccelerationSpanMillimetresPerSecond2 / 2,
                              random.Between(-phaseAmbiguitySpanCycles, phaseAmbiguitySpanCycles),
                              random.Between(lowestSignalStrength, highestSignalStrength)});
    return satellites;
}

void Header_Line(std::string& text, const std::string& content, const char* label) {
    text += fmt::format("{:<60.60}{}\n", content, label);
}

// F14.3 from thousandths, as an integer so that every platform prints the same.
void Observation(std::string& text, int64_t thousandths, char strength) {
    const int64_t whole = thousandths / 1000;
    const int64_t fraction = thousandths % 1000;
    const bool negative = thousandths < 0;
    const std::string number = fmt::format("{}{}.{:03}", negative && whole == 0 ? "-" : "", whole, negative ? -fraction : fraction);
    text += fmt::format("{:>14} {}", number, strength);
}

std::string Duration_Code(int64_t seconds) {
    const int64_t minutes = (seconds + 59) / 60;
    if (minutes < 100) return fmt::format("{:02}M", minutes);
    return fmt::format("{:02}H", (minutes + 59) / 60);
}

std::string Interval_Code(int32_t seconds) {
    if (seconds < 100) return fmt::format("{:02}S", seconds);
    return fmt::format("{:02}M", (seconds + 59) / 60);
}

struct OccupationPlan {
    const Station* station;
    int32_t receiver;
    int64_t sessionStart;  // GPS seconds
    int64_t first, last;   // GPS seconds of the first and last epoch
    // Field situations: no epoch strictly between these two (GPS seconds;
    // equal: no gap), and a MARKER NAME other than the station's.
    int64_t gapAfter = 0, gapUntil = 0;
    std::string markerName;
};

// The epochs the receiver recorded: every interval from first to last,
// less those inside the gap.
int64_t Epoch_Count(const OccupationPlan& plan, int64_t interval) {
    int64_t count = 0;
    for (int64_t t = plan.first; t <= plan.last; t += interval)
        if (!(t > plan.gapAfter && t < plan.gapUntil)) ++count;
    return count;
}

std::string File_Name(const OccupationPlan& plan, int32_t interval) {
    const CivilTime start = Civil_Of_Seconds(plan.first);
    const int64_t dayOfYear = min_lumo_kit::Day_Of_Year({start.year, start.month, start.day});
    return fmt::format("{}00{}_R_{:04}{:03}{:02}{:02}_{}_{}_GO.rnx", plan.station->name, countryCode, start.year, dayOfYear,
                       start.hour, start.minute, Duration_Code(plan.last - plan.first + interval), Interval_Code(interval));
}

// A file written piece by piece; every failure throws "cannot write PATH:
// why".  A file not closed whole, whatever stopped it, is removed, so that
// no half-written file is left behind.
class OutputFile {
public:
    explicit OutputFile(const fs::path& path)
        : path_(path), file_(std::fopen(path.string().c_str(), "wb"), &std::fclose) {
        if (!file_) Fail();
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    ~OutputFile() {
        if (complete_) return;
        file_.reset();
        std::error_code ignored;
        fs::remove(path_, ignored);
    }

    void Write(const std::string& text) {
        if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size()) Fail();
    }

    void Close() {
        if (std::fclose(file_.release()) != 0) Fail();
        complete_ = true;
    }

private:
    [[noreturn]] void Fail() const {
        throw CampaignWriteError(fmt::format("cannot write {}: {}", path_.string(), std::strerror(errno)));
    }

    fs::path path_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    bool complete_ = false;
};

void Header_Text(std::string& text, const OccupationPlan& plan, int32_t interval) {
    const CivilTime first = Civil_Of_Seconds(plan.first);
    const int32_t kind = plan.receiver % 2;
    Header_Line(text, "     3.04           OBSERVATION DATA    G: GPS", "RINEX VERSION / TYPE");
    Header_Line(text, fmt::format("{:<20}{:<20}{:04}{:02}{:02} 000000 UTC", "min_lumo generate", "min_lumo", first.year,
                                  first.month, first.day),
                "PGM / RUN BY / DATE");
    Header_Line(text, plan.markerName.empty() ? plan.station->name : plan.markerName, "MARKER NAME");
    // A receiver left on its default name leaves the number empty too.
    Header_Line(text, plan.markerName.empty() || plan.markerName == plan.station->name ? plan.station->name : "",
                "MARKER NUMBER");
    Header_Line(text, "GEODETIC", "MARKER TYPE");
    Header_Line(text, fmt::format("{:<20}{:<40}", "FIELD CREW", "SYNTHETIC CAMPAIGN"), "OBSERVER / AGENCY");
    Header_Line(text, fmt::format("{:<20}{:<20}{:<20}", fmt::format("FR{:05}", plan.receiver + 1), receiverTypes[kind], "1.2.0"),
                "REC # / TYPE / VERS");
    Header_Line(text, fmt::format("{:<20}{:<20}", fmt::format("FA{:05}", plan.receiver + 1), antennaTypes[kind]),
                "ANT # / TYPE");
    Header_Line(text, fmt::format("{:14.4f}{:14.4f}{:14.4f}", plan.station->x, plan.station->y, plan.station->z),
                "APPROX POSITION XYZ");
    Header_Line(text, fmt::format("{:14.4f}{:14.4f}{:14.4f}", 1.5, 0.0, 0.0), "ANTENNA: DELTA H/E/N");
    Header_Line(text, "G    4 C1C L1C D1C S1C", "SYS / # / OBS TYPES");
    Header_Line(text, "DBHZ", "SIGNAL STRENGTH UNIT");
    Header_Line(text, fmt::format("{:10.3f}", static_cast<double>(interval)), "INTERVAL");
    Header_Line(text, fmt::format("{:6}{:6}{:6}{:6}{:6}{:13.7f}     GPS", first.year, first.month, first.day, first.hour,
                                  first.minute, first.second),
                "TIME OF FIRST OBS");
    Header_Line(text, "G L1C", "SYS / PHASE SHIFT");
    Header_Line(text, "", "END OF HEADER");
}

// One epoch record: its time line and a line per satellite.
void Epoch_Text(std::string& text, const OccupationPlan& plan, const std::vector<Satellite>& satellites,
                int64_t stationOffset, int64_t gps) {
    const CivilTime time = Civil_Of_Seconds(gps);
    text += fmt::format("> {:04} {:02} {:02} {:02} {:02}{:11.7f}  0{:3}\n", time.year, time.month, time.day, time.hour,
                        time.minute, time.second, satellites.size());
    const int64_t t = gps - plan.sessionStart;
    for (const Satellite& satellite : satellites) {
        const int64_t range = satellite.rangeMillimetres + stationOffset + satellite.rateMillimetresPerSecond * t
                              + satellite.accelerationMillimetresPerSecond2 * t * t / 2;
        const int64_t rate = satellite.rateMillimetresPerSecond + satellite.accelerationMillimetresPerSecond2 * t;
        const int64_t strength = satellite.signalStrength + (t / 60 + satellite.prn) % signalStrengthWobble;
        const char indicator = static_cast<char>('0' + std::min<int64_t>(9, strength / signalStrengthPerIndicatorStep));
        text += fmt::format("G{:02}", satellite.prn);
        Observation(text, range, ' ');
        Observation(text, std::llround(static_cast<double>(range) * l1CyclesPerMillimetre * 1000.0)
                              + satellite.ambiguityCycles * 1000, indicator);
        Observation(text, -std::llround(static_cast<double>(rate) * l1CyclesPerMillimetre * 1000.0), ' ');
        Observation(text, strength * 1000, ' ');
        while (text.back() == ' ') text.pop_back();
        text += '\n';
    }
}

// The file is written an epoch at a time through one buffer: at a short
// interval a whole file would take megabytes.
void Write_Rinex_File(const fs::path& path, const OccupationPlan& plan, const std::vector<Satellite>& satellites,
                      int32_t interval) {
    OutputFile file(path);
    std::string text;
    Header_Text(text, plan, interval);
    file.Write(text);
    const auto stationOffset =
        static_cast<int64_t>(plan.station->x - regionX) % stationRangeOffsetSpanMetres * 1000;
    for (int64_t gps = plan.first; gps <= plan.last; gps += interval) {
        if (gps > plan.gapAfter && gps < plan.gapUntil) continue;
        text.clear();
        Epoch_Text(text, plan, satellites, stationOffset, gps);
        file.Write(text);
    }
    file.Close();
}

// What a written file holds, as the reader will find it.
Occupation Written_Occupation(const fs::path& path, const OccupationPlan& plan, int64_t epochs) {
    Occupation occupation;
    occupation.file = path.string();
    occupation.station = plan.markerName.empty() ? plan.station->name : plan.markerName;
    occupation.receiver = receiverTypes[plan.receiver % 2];
    Set_Earth_Centred_Position(occupation, plan.station->x, plan.station->y, plan.station->z);
    occupation.hasEpochs = true;
    occupation.firstGps = static_cast<double>(plan.first);
    occupation.lastGps = static_cast<double>(plan.last);
    occupation.epochCount = epochs;
    occupation.format = "RINEX 3.04";
    return occupation;
}

// A gzip member of `bytes` that is the same on every platform: no time, no
// name, operating system "unknown" (255), zlib's default level.
std::string Gzip_Bytes(const std::string& bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("cannot start zlib's compression");
    std::string packed(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    const int status = deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) throw std::runtime_error("zlib could not compress a file copy");
    const auto crc = static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
    const auto size = static_cast<uint32_t>(bytes.size());
    std::string member = {'\x1f', '\x8b', '\x08', '\0', '\0', '\0', '\0', '\0', '\0', '\xff'};
    member += packed;
    for (const uint32_t word : {crc, size})
        for (int shift = 0; shift < 32; shift += 8) member += static_cast<char>((word >> shift) & 0xffU);
    return member;
}

std::string File_Bytes(const fs::path& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.string().c_str(), "rb"), &std::fclose);
    if (!file) throw std::runtime_error(fmt::format("cannot read {}: {}", path.string(), std::strerror(errno)));
    std::string bytes;
    char buffer[1 << 16];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) bytes.append(buffer, got);
    return bytes;
}

void Write_Bytes(const fs::path& path, const std::string& bytes) {
    OutputFile file(path);
    file.Write(bytes);
    file.Close();
}

// A station of the field situations: east and north of the region's centre.
Station Fault_Station(const char* name, int64_t eastMetres, int64_t northMetres) {
    const auto east = static_cast<double>(eastMetres), north = static_cast<double>(northMetres);
    return {name, regionX + east * eastX + north * northX, regionY + east * eastY + north * northY,
            regionZ + east * eastZ + north * northZ};
}

// Receivers of the field situations, numbered after any a campaign uses.
constexpr int32_t firstFaultReceiver = 900;

// A day of what field data really look like, on `day` (GPS seconds of its
// midnight), all tied together by a reference station:
// - REF1, a reference station, in hourly files from 06:00 to 12:00;
// - ROV1, 07:00 to 09:00 with a 20 minute gap after 07:40;
// - ROV2, a receiver restarted: 07:10 to 07:50, then 2.5 minutes later to 09:10
//   in a second file;
// - ROV3, 07:20 to 09:20, and the same file again under another name and
//   gzip-compressed beside it;
// - three rovers left on the receiver's default marker name SITE, about 1 km
//   apart, 09:30 to 11:00, their file names carrying ROVA, ROVB and ROVC;
// - ROV1_01 on ROV1's mark, 10:00 to 11:00: two names for one point.
void Write_Field_Faults(const fs::path& folder, int64_t day, int32_t interval, SplitMix64& random,
                        std::vector<Occupation>& written) {
    const std::vector<Station> stations = {
        Fault_Station("REF1", 0, 0),       Fault_Station("ROV1", 2000, 1000),  Fault_Station("ROV2", -1500, 2500),
        Fault_Station("ROV3", 1000, -2000), Fault_Station("ROVA", 3000, 3000), Fault_Station("ROVB", 4000, 3000),
        Fault_Station("ROVC", 3500, 3866)};
    const Station& ref1 = stations[0];
    const Station& rov1 = stations[1];
    const Station& rov2 = stations[2];
    const Station& rov3 = stations[3];
    const std::vector<Satellite> satellites = Satellites_In_View(random);
    const auto at = [&](int64_t hour, int64_t minute, int64_t second) {
        return day + hour * secondsPerHour + minute * secondsPerMinute + second;
    };
    // Epochs on the interval's grid from `first`, the last at or before `until`.
    const auto occupation = [&](const Station& station, int32_t receiver, int64_t first, int64_t until) {
        return OccupationPlan{&station, firstFaultReceiver + receiver, first, first,
                              first + (until - first) / interval * interval, 0, 0, {}};
    };
    const auto write = [&](const OccupationPlan& plan, const std::string& name) {
        const fs::path path = folder / (name.empty() ? File_Name(plan, interval) : name);
        Write_Rinex_File(path, plan, satellites, interval);
        written.push_back(Written_Occupation(path, plan, Epoch_Count(plan, interval)));
        return path;
    };

    for (int64_t hour = 6; hour < 12; ++hour)
        write(occupation(ref1, 0, at(hour, 0, 0), at(hour + 1, 0, 0) - interval), "");

    OccupationPlan gap = occupation(rov1, 1, at(7, 0, 0), at(9, 0, 0));
    gap.gapAfter = at(7, 40, 0);
    gap.gapUntil = at(8, 0, 0);
    write(gap, "");

    const OccupationPlan beforeRestart = occupation(rov2, 2, at(7, 10, 0), at(7, 50, 0));
    write(beforeRestart, "");
    write(occupation(rov2, 2, beforeRestart.last + 150, at(9, 10, 0)), "");

    const fs::path original = write(occupation(rov3, 3, at(7, 20, 0), at(9, 20, 0)), "");
    const std::string bytes = File_Bytes(original);
    const fs::path renamed = folder / "ROV3_copy.rnx";
    const fs::path gzipped = fs::path(original.string() + ".gz");
    Write_Bytes(renamed, bytes);
    Write_Bytes(gzipped, Gzip_Bytes(bytes));
    const Occupation copied = written.back();
    for (const fs::path& copy : {renamed, gzipped}) {
        written.push_back(copied);
        written.back().file = copy.string();
    }
    written.back().format = "RINEX 3.04, gzip";

    for (int32_t rover = 4; rover < 7; ++rover) {
        OccupationPlan placeholder = occupation(stations[static_cast<std::size_t>(rover)], rover, at(9, 30, 0), at(11, 0, 0));
        placeholder.markerName = "SITE";
        write(placeholder, "");
    }

    Station renamedPoint = rov1;
    renamedPoint.name = "ROV1_01";
    OccupationPlan secondName = occupation(renamedPoint, 7, at(10, 0, 0), at(11, 0, 0));
    write(secondName, "ROV1_01.rnx");
}

void Check_Options(const RinexCampaignOptions& options) {
    const auto check = [](bool good, const std::string& what) {
        if (!good) throw std::invalid_argument(what);
    };
    check(options.stations >= 1 && options.stations <= maximumCampaignStations,
          fmt::format("--stations must be 1 to {}", maximumCampaignStations));
    check(options.days >= 1 && options.days <= maximumCampaignDays, fmt::format("--days must be 1 to {}", maximumCampaignDays));
    check(options.sessions >= 1 && options.sessions <= maximumCampaignSessionsPerDay,
          fmt::format("--sessions must be 1 to {} a day", maximumCampaignSessionsPerDay));
    check(options.receivers >= 1 && options.receivers <= options.stations,
          "--receivers must be at least 1 and at most --stations (one station per receiver in a session)");
    check(options.intervalSeconds >= 1 && options.intervalSeconds <= maximumCampaignIntervalSeconds,
          fmt::format("--interval must be 1 to {} seconds", maximumCampaignIntervalSeconds));
    const int64_t files = int64_t{options.days} * options.sessions * options.receivers;
    check(files <= maximumCampaignFiles, fmt::format("{} files asked for; at most {}", files, maximumCampaignFiles));
}

}  // namespace

std::vector<Occupation> Write_Rinex_Campaign(const RinexCampaignOptions& options, const std::string& directory) {
    Check_Options(options);
    const fs::path folder(directory);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder, error))
        throw CampaignWriteError(fmt::format("cannot make the folder {}: {}", directory,
                                             error ? error.message() : "a file of that name is in the way"));

    SplitMix64 random(options.seed);
    const std::vector<Station> stations = Place_Stations(options.stations, random);
    const int64_t interval = options.intervalSeconds;
    const int64_t slot = std::min(longestSessionSlotSeconds, secondsPerDay / options.sessions) / interval * interval;
    const int64_t occupied = std::max(interval, slot * slotOccupiedQuarters / 4 / interval * interval);
    const int64_t stagger = std::min(longestStaggerSeconds, occupied / 8) / interval * interval;
    const int64_t firstSlot = (secondsPerDay - slot * options.sessions) / 2 / interval * interval;
    const int64_t firstDay = Days_From_Civil(firstDayYear, firstDayMonth, firstDayDay) * secondsPerDay;

    std::vector<int32_t> order(static_cast<std::size_t>(options.stations));
    std::vector<Occupation> written;
    for (int32_t day = 0; day < options.days; ++day)
        for (int32_t session = 0; session < options.sessions; ++session) {
            const int64_t sessionStart = firstDay + day * secondsPerDay + firstSlot + session * slot;
            const std::vector<Satellite> satellites = Satellites_In_View(random);
            std::iota(order.begin(), order.end(), 0);
            for (int32_t receiver = 0; receiver < options.receivers; ++receiver) {
                const auto pick = static_cast<std::size_t>(receiver + random.Below(options.stations - receiver));
                std::swap(order[static_cast<std::size_t>(receiver)], order[pick]);
                OccupationPlan plan{&stations[static_cast<std::size_t>(order[static_cast<std::size_t>(receiver)])], receiver,
                                    sessionStart, 0, 0, 0, 0, {}};
                plan.first = sessionStart + random.Between(0, stagger / interval) * interval;
                plan.last = sessionStart + occupied - random.Between(0, stagger / interval) * interval;
                const int64_t epochs = Epoch_Count(plan, interval);
                const fs::path path = folder / File_Name(plan, options.intervalSeconds);
                Write_Rinex_File(path, plan, satellites, options.intervalSeconds);
                written.push_back(Written_Occupation(path, plan, epochs));
            }
        }
    if (options.fieldFaults)
        Write_Field_Faults(folder, firstDay + options.days * secondsPerDay, options.intervalSeconds, random, written);
    return written;
}

}  // namespace min_lumo_field

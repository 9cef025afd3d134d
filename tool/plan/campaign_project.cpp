#include "tool/plan/campaign_project.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include <fmt/format.h>

#include "hostkit/iso_time.h"
#include "hostkit/project_model.h"
#include "tool/field/gnss_time.h"
#include "tool/field/occupation_log.h"
#include "tool/field/rinex_reader.h"
#include "tool/project/validator.h"

namespace min_lumo_tool {

using min_lumo_kit::Default_Label;
using min_lumo_kit::Format_Iso_Time;
using min_lumo_kit::Parse_Iso_Time;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectStation;
using min_lumo_kit::ProjectTime;
using min_lumo_kit::labelTokenCount;
using min_lumo_kit::secondsPerMinute;

namespace {

namespace fs = std::filesystem;
using min_lumo_field::FieldFileError;
using min_lumo_field::Located;
using min_lumo_field::Occupation;

constexpr int32_t lettersInAlphabet = 26;
// Occupations of one marker whose approximate positions (a receiver's own
// single-point fix) lie farther apart than this are probably two markers
// that share a name.
constexpr double widestOccupationSpreadMetres = 100.0;
// A --control list longer than this is shown shortened in messages.
constexpr std::size_t mostStationsNamed = 20;

bool Is_Occupation_Log(const std::string& path) {
    return Ascii_Lowered(fs::path(path).extension().string()) == ".csv";
}

// A project time in UTC on the JSON reader's axis: the ISO 8601 text is the
// authority, so a written project reads back to exactly these seconds.
ProjectTime Utc_Project_Time(double gpsSeconds) {
    const double utc = min_lumo_field::Utc_Seconds_From_Gps(gpsSeconds);
    const std::string text = Format_Iso_Time(utc);
    return {Parse_Iso_Time(text).value_or(utc), text};
}

int64_t Utc_Day(double utcSeconds) {
    return static_cast<int64_t>(std::floor(utcSeconds / static_cast<double>(min_lumo_field::secondsPerDay)));
}

std::string Session_Letters(int32_t sessionOfDay) {
    // Bijective base 26: A ... Z, AA ... AZ, BA ...
    std::string letters;
    for (int64_t n = int64_t{sessionOfDay} + 1; n > 0; n = (n - 1) / lettersInAlphabet)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % lettersInAlphabet));
    return letters;
}

class CampaignBuilder {
public:
    CampaignBuilder(CampaignFiles files, const CampaignOptions& options) : options_(options) {
        campaign_.options = options;
        campaign_.files = std::move(files);
        campaign_.warnings = campaign_.files.warnings;
    }

    Campaign Build() {
        if (!(options_.minimumOverlapMinutes >= 0.0) || !std::isfinite(options_.minimumOverlapMinutes))
            throw CampaignError(
                fmt::format("--min-overlap {}: must be zero or more minutes", options_.minimumOverlapMinutes));
        Form_Sources();
        Form_Stations();
        Form_Observations();
        Form_Controls();
        return std::move(campaign_);
    }

private:
    const std::vector<Occupation>& Occupations() const { return campaign_.files.occupations; }
    const Occupation& Occupation_At(int32_t index) const { return Occupations()[static_cast<std::size_t>(index)]; }
    Project& Records() { return campaign_.project; }
    const Project& Records() const { return campaign_.project; }

    void Form_Sources() {
        for (const std::string& file : campaign_.files.files) {
            std::string name = fs::path(file).filename().string();
            if (name.size() > longestSourceName) name.resize(longestSourceName);
            Records().sources.push_back({name, 1, 1});
        }
    }

    void Form_Stations() {
        // Markers in the order first seen, under their first spelling.
        std::map<std::string, int32_t> byLoweredName;
        std::vector<std::string> names;
        std::vector<int32_t> provisional(Occupations().size(), -1);
        for (std::size_t i = 0; i < Occupations().size(); ++i) {
            if (!Occupations()[i].hasEpochs) continue;
            const std::string& name = Occupations()[i].station;
            const auto [found, isNew] = byLoweredName.emplace(Ascii_Lowered(name), static_cast<int32_t>(names.size()));
            if (isNew) names.push_back(name);
            provisional[i] = found->second;
        }
        std::vector<int32_t> order(names.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
        std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
            return names[static_cast<std::size_t>(a)] < names[static_cast<std::size_t>(b)];
        });
        std::vector<int32_t> finalIndex(names.size());
        for (std::size_t rank = 0; rank < order.size(); ++rank)
            finalIndex[static_cast<std::size_t>(order[rank])] = static_cast<int32_t>(rank);

        campaign_.stations.resize(names.size());
        campaign_.occupationStation.assign(Occupations().size(), -1);
        for (std::size_t i = 0; i < Occupations().size(); ++i) {
            if (provisional[i] < 0) continue;
            const int32_t station = finalIndex[static_cast<std::size_t>(provisional[i])];
            campaign_.occupationStation[i] = station;
            campaign_.stations[static_cast<std::size_t>(station)].occupations.push_back(static_cast<int32_t>(i));
        }
        for (const int32_t provisionalIndex : order)
            Records().stations.push_back(Station_Record(names[static_cast<std::size_t>(provisionalIndex)],
                                                        campaign_.stations[Records().stations.size()]));
    }

    ProjectStation Station_Record(const std::string& name, CampaignStation& station) {
        double sumX = 0.0, sumY = 0.0, sumZ = 0.0;
        int32_t positioned = 0;
        for (const int32_t occupation : station.occupations) {
            const Occupation& read = Occupation_At(occupation);
            if (!read.positionKnown) continue;
            sumX += read.x;
            sumY += read.y;
            sumZ += read.z;
            ++positioned;
        }
        ProjectStation record;
        record.name = name;
        if (positioned == 0) {
            record.positionFlagA = 0;
            campaign_.warnings.push_back(fmt::format(
                "station {}: no file gives its position, so it has none (no length, a flat score term)", name));
            return record;
        }
        station.positionKnown = true;
        station.x = sumX / positioned;
        station.y = sumY / positioned;
        station.z = sumZ / positioned;
        double widest = 0.0;
        for (const int32_t occupation : station.occupations) {
            const Occupation& read = Occupation_At(occupation);
            if (read.positionKnown)
                widest = std::max(widest, std::hypot(read.x - station.x, read.y - station.y, read.z - station.z));
        }
        if (widest > widestOccupationSpreadMetres)
            campaign_.warnings.push_back(fmt::format(
                "station {}: its files' positions lie up to {:.0f} m from their mean; two markers of one name?", name,
                widest));
        const min_lumo_field::GeodeticPosition position =
            min_lumo_field::Geodetic_From_Earth_Centred(station.x, station.y, station.z);
        record.latitude = position.latitude;
        record.longitude = position.longitude;
        record.height = static_cast<float>(position.height);
        return record;
    }

    struct Pairing {
        int32_t fromOccupation, toOccupation;
        int32_t fromStation, toStation;
        double startGps, endGps;
    };

    // Every pair of occupations of different stations that overlap long
    // enough.  Overlaps are taken on GPS seconds, which have no leap second
    // inside them, so a duration is exact.
    std::vector<Pairing> Overlapping_Pairs() const {
        std::vector<int32_t> byStart;
        for (std::size_t i = 0; i < Occupations().size(); ++i)
            if (campaign_.occupationStation[i] >= 0) byStart.push_back(static_cast<int32_t>(i));
        std::stable_sort(byStart.begin(), byStart.end(),
                         [&](int32_t a, int32_t b) { return Occupation_At(a).firstGps < Occupation_At(b).firstGps; });
        const double shortest = options_.minimumOverlapMinutes * secondsPerMinute;
        std::vector<Pairing> pairs;
        for (std::size_t i = 0; i < byStart.size(); ++i) {
            const Occupation& earlier = Occupation_At(byStart[i]);
            // Later starters only, and only while they start before this one ends.
            for (std::size_t j = i + 1; j < byStart.size() && Occupation_At(byStart[j]).firstGps < earlier.lastGps;
                 ++j) {
                const Occupation& later = Occupation_At(byStart[j]);
                int32_t a = byStart[i], b = byStart[j];
                int32_t stationA = campaign_.occupationStation[static_cast<std::size_t>(a)];
                int32_t stationB = campaign_.occupationStation[static_cast<std::size_t>(b)];
                if (stationA == stationB) continue;
                const double start = later.firstGps;
                const double end = std::min(earlier.lastGps, later.lastGps);
                if (!(end - start > 0.0) || end - start < shortest) continue;
                // Stations are ordered by name, so the lower index sorts first.
                if (stationB < stationA) {
                    std::swap(a, b);
                    std::swap(stationA, stationB);
                }
                pairs.push_back({a, b, stationA, stationB, start, end});
            }
        }
        const auto key = [&](const Pairing& p) {
            return std::tie(p.startGps, p.endGps, Records().stations[static_cast<std::size_t>(p.fromStation)].name,
                            Records().stations[static_cast<std::size_t>(p.toStation)].name, p.fromOccupation,
                            p.toOccupation);
        };
        std::sort(pairs.begin(), pairs.end(), [&](const Pairing& a, const Pairing& b) { return key(a) < key(b); });
        return pairs;
    }

    // Sessions: within each UTC day, the maximal runs of observations that
    // overlap in time, one after another in start order.
    std::vector<std::string> Sessions(const std::vector<Pairing>& pairs) const {
        std::vector<std::string> sessions;
        int64_t day = 0;
        int32_t sessionOfDay = -1;
        double latestEnd = 0.0;
        for (const Pairing& pair : pairs) {
            const double utcStart = min_lumo_field::Utc_Seconds_From_Gps(pair.startGps);
            if (sessionOfDay < 0 || Utc_Day(utcStart) != day) {
                day = Utc_Day(utcStart);
                sessionOfDay = 0;
                latestEnd = pair.endGps;
            } else if (pair.startGps >= latestEnd) {
                ++sessionOfDay;
            }
            latestEnd = std::max(latestEnd, pair.endGps);
            sessions.push_back(Session_Token(utcStart, sessionOfDay));
        }
        return sessions;
    }

    void Form_Observations() {
        const std::vector<Pairing> pairs = Overlapping_Pairs();
        const std::vector<std::string> sessions = Sessions(pairs);
        std::map<std::pair<int32_t, int32_t>, int32_t> openBaseline;
        const std::vector<int32_t>& fileOf = campaign_.files.occupationFile;
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            const Pairing& pair = pairs[i];
            const auto observationIndex = static_cast<int32_t>(Records().observations.size());
            auto [found, isNew] = openBaseline.emplace(std::make_pair(pair.fromStation, pair.toStation), -1);
            // The host lists at most so many observations on a baseline; the
            // pair then goes on in another baseline of the same two stations.
            if (isNew
                || Records().baselines[static_cast<std::size_t>(found->second)].observations.size()
                       >= mostBaselineObservations) {
                found->second = static_cast<int32_t>(Records().baselines.size());
                ProjectBaseline baseline;
                baseline.fromStation = pair.fromStation;
                baseline.toStation = pair.toStation;
                Records().baselines.push_back(baseline);
            }
            ProjectBaseline& baseline = Records().baselines[static_cast<std::size_t>(found->second)];
            baseline.observations.push_back(observationIndex);

            ProjectObservation observation;
            observation.baseline = found->second;
            observation.baselineSlot = static_cast<int32_t>(baseline.observations.size() - 1);
            observation.label =
                Observation_Label(Records().stations[static_cast<std::size_t>(pair.fromStation)].name, sessions[i],
                                  Records().stations[static_cast<std::size_t>(pair.toStation)].name,
                                  static_cast<int32_t>(baseline.observations.size()));
            observation.fromSource = fileOf[static_cast<std::size_t>(pair.fromOccupation)];
            observation.toSource = fileOf[static_cast<std::size_t>(pair.toOccupation)];
            observation.fromSourceName = Records().sources[static_cast<std::size_t>(observation.fromSource)].name;
            observation.toSourceName = Records().sources[static_cast<std::size_t>(observation.toSource)].name;
            observation.start = Utc_Project_Time(pair.startGps);
            observation.end = Utc_Project_Time(pair.endGps);
            observation.timeSpan = pair.endGps - pair.startGps;
            Records().observations.push_back(std::move(observation));
            CampaignObservation origin;
            origin.fromOccupation = pair.fromOccupation;
            origin.toOccupation = pair.toOccupation;
            origin.startGps = pair.startGps;
            origin.endGps = pair.endGps;
            origin.session = sessions[i];
            campaign_.observations.push_back(std::move(origin));
        }
    }

    void Form_Controls() {
        std::set<int32_t> named;
        for (const std::string& name : options_.controls) {
            if (name.size() > longestControlName)
                throw CampaignError(
                    fmt::format("--control {}: longer than {} characters, which a control record cannot hold", name,
                                longestControlName));
            const auto& stations = Records().stations;
            const auto found = std::find_if(stations.begin(), stations.end(), [&](const ProjectStation& station) {
                return Names_Match(station.name, name);
            });
            if (found == stations.end()) throw CampaignError(Unknown_Control_Message(name));
            if (named.insert(static_cast<int32_t>(found - stations.begin())).second)
                Records().controls.push_back({found->name, 0});
        }
    }

    std::string Unknown_Control_Message(const std::string& name) const {
        const auto& stations = campaign_.project.stations;
        if (stations.empty())
            return fmt::format("--control {}: no station of that name; the files give no stations", name);
        std::string list;
        for (std::size_t i = 0; i < stations.size() && i < mostStationsNamed; ++i)
            list += (i == 0 ? "" : ", ") + stations[i].name;
        if (stations.size() > mostStationsNamed)
            list += fmt::format(" and {} more", stations.size() - mostStationsNamed);
        return fmt::format("--control {}: no station of that name; the stations are {}", name, list);
    }

    const CampaignOptions& options_;
    Campaign campaign_;
};

}  // namespace

std::string Observation_Label(const std::string& from, const std::string& session, const std::string& to,
                              int32_t occurrence) {
    const std::vector<std::string> tokens = Label_Tokens(Default_Label(from, session, to, occurrence));
    std::string first = tokens.at(0), second = tokens.at(2);
    const std::size_t fixed = tokens.at(1).size() + tokens.at(3).size() + labelTokenCount - 1;
    while (first.size() + second.size() + fixed > longestLabel) {
        std::string& longer = first.size() >= second.size() ? first : second;
        longer.pop_back();
    }
    return first + " " + tokens[1] + " " + second + " " + tokens[3];
}

std::string Session_Token(double utcSeconds, int32_t sessionOfDay) {
    const int64_t dayOfYear = min_lumo_kit::Day_Of_Year(min_lumo_kit::Civil_From_Days(Utc_Day(utcSeconds)));
    return fmt::format("{:03}{}", dayOfYear, Session_Letters(sessionOfDay));
}

CampaignFiles Read_Campaign_Files(const std::vector<std::string>& paths, bool keepGoing) {
    CampaignFiles read;
    std::set<std::string> seen;
    for (const std::string& path : paths) {
        if (!seen.insert(fs::path(path).lexically_normal().string()).second) {
            read.warnings.push_back(Located(path, 0, "given more than once; read once"));
            continue;
        }
        std::vector<Occupation> occupations;
        try {
            if (Is_Occupation_Log(path))
                occupations = min_lumo_field::Read_Occupation_Log(path);
            else
                occupations.push_back(min_lumo_field::Read_Occupation(path));
        } catch (const FieldFileError& error) {
            if (!keepGoing) throw;
            read.warnings.push_back(std::string(error.what()) + " (left out)");
            continue;
        }
        const auto file = static_cast<int32_t>(read.files.size());
        read.files.push_back(path);
        for (Occupation& occupation : occupations) {
            read.warnings.insert(read.warnings.end(), occupation.warnings.begin(), occupation.warnings.end());
            read.occupationFile.push_back(file);
            read.occupations.push_back(std::move(occupation));
        }
    }
    return read;
}

Campaign Form_Campaign(CampaignFiles files, const CampaignOptions& options) {
    return CampaignBuilder(std::move(files), options).Build();
}

}  // namespace min_lumo_tool

#include "tool/plan/campaign_project.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <set>
#include <tuple>

#include <fmt/format.h>

#include "hostkit/iso_time.h"
#include "hostkit/project_model.h"
#include "tool/field/epoch_runs.h"
#include "tool/field/field_file_kind.h"
#include "tool/field/gnss_time.h"
#include "tool/field/occupation_log.h"
#include "tool/field/rinex_reader.h"
#include "tool/plan/observation_labels.h"
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
// Stations of different names closer than this are probably one point.
constexpr double samePointMetres = 1.0;

bool Is_Log_Occupation(const Occupation& occupation) {
    return occupation.epochRuns.size() == 1 && occupation.epochRuns.front().count == 0;
}

double Distance_Metres(const Occupation& a, const Occupation& b) { return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z); }

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

// The day of a GPS instant on the GPS calendar, as RINEX file names count it.
int64_t Gps_Day(double gpsSeconds) {
    return static_cast<int64_t>(std::floor(gpsSeconds / static_cast<double>(min_lumo_field::secondsPerDay)));
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
        if (!(options_.maximumGapMinutes >= 0.0) || !std::isfinite(options_.maximumGapMinutes))
            throw CampaignError(fmt::format("--max-gap {}: must be more than zero minutes", options_.maximumGapMinutes));
        Name_Stations();
        Form_Occupations();
        Form_Sources();
        Form_Stations();
        Warn_Look_Alike_Stations();
        Form_Observations();
        Form_Controls();
        return std::move(campaign_);
    }

private:
    const IndexedList<ReadIndex, ReadOccupation>& Read() const { return campaign_.files.reads; }
    const ReadOccupation& Read_At(ReadIndex index) const { return Read()[index]; }
    const IndexedList<OccupationIndex, CampaignOccupation>& Occupations() const { return campaign_.occupations; }
    const CampaignOccupation& Occupation_At(OccupationIndex index) const { return Occupations()[index]; }
    const std::string& File_Of_Read(ReadIndex index) const { return campaign_.files.files[Read_At(index).file]; }
    Project& Records() { return campaign_.project; }
    const Project& Records() const { return campaign_.project; }

    double Maximum_Gap_Seconds(double intervalSeconds) const {
        return options_.maximumGapMinutes > 0.0 ? options_.maximumGapMinutes * secondsPerMinute
                                                : min_lumo_field::Default_Maximum_Gap_Seconds(intervalSeconds);
    }

    // ---- Station identity ------------------------------------------------

    // True when `given` names the file read as `path`: the same text, the
    // same path once tidied, or the same file on disk.
    static bool Same_File(const std::string& given, const std::string& path) {
        if (given == path || fs::path(given).lexically_normal() == fs::path(path).lexically_normal()) return true;
        std::error_code error;
        return fs::equivalent(given, path, error);
    }

    void Name_Stations() {
        IndexedList<ReadIndex, ReadOccupation>& read = campaign_.files.reads;
        std::vector<bool> used(options_.fileStations.size(), false);
        for (const ReadIndex i : read.Indices()) {
            Occupation& occupation = read[i];
            // Occupations made without their epochs hold data from the first
            // to the last, as a log's line does.
            if (occupation.hasEpochs && occupation.epochRuns.empty())
                occupation.epochRuns = {{occupation.firstGps, occupation.lastGps, 0}};
            const std::string& path = File_Of_Read(i);
            bool named = false;
            for (std::size_t k = 0; k < options_.fileStations.size(); ++k) {
                const auto& [file, name] = options_.fileStations[k];
                if (!Same_File(file, path)) continue;
                used[k] = true;
                if (Is_Log_Occupation(occupation))
                    throw CampaignError(fmt::format("--station {}={}: {} is an occupation log, whose lines name their "
                                                    "stations; --station names the station of a RINEX file",
                                                    file, name, path));
                occupation.station = name;
                named = true;
            }
            if (!named && options_.stationsFromFileNames && !Is_Log_Occupation(occupation)) {
                if (occupation.fileStationId.empty())
                    throw CampaignError(fmt::format(
                        "--station-names file: {}: the file name follows neither RINEX naming convention (ssssdddf.yyo "
                        "or a long name of nine characters before _), so it names no station; rename the file or "
                        "name its station with --station {}=NAME",
                        path, path));
                occupation.station = occupation.fileStationId;
                named = true;
            }
            if (!named && !occupation.stationWarning.empty()) campaign_.warnings.push_back(occupation.stationWarning);
        }
        for (std::size_t k = 0; k < options_.fileStations.size(); ++k) {
            const auto& [file, name] = options_.fileStations[k];
            if (name.empty() || name.size() > longestStationName)
                throw CampaignError(fmt::format("--station {}={}: the name must be 1 to {} characters", file, name,
                                                longestStationName));
            if (!used[k])
                throw CampaignError(fmt::format("--station {}={}: {} is not among the files read", file, name, file));
        }
    }

    // ---- Occupations: the same data once, files of one station joined ----

    std::string Receiver_Text(const Occupation& occupation) const {
        if (occupation.receiverNumber.empty() && occupation.receiver.empty()) return "an unnamed receiver";
        return fmt::format("receiver {} {}", occupation.receiver.empty() ? "?" : occupation.receiver,
                           occupation.receiverNumber.empty() ? "(no serial number)" : "serial " + occupation.receiverNumber);
    }

    // Two files of one station recorded at the same time by different
    // receivers, or far apart, are two points under one name.
    void Refuse_Two_Points(ReadIndex a, ReadIndex b) const {
        const Occupation& first = Read_At(a);
        const Occupation& second = Read_At(b);
        const bool receiversDiffer = !first.receiverNumber.empty() && !second.receiverNumber.empty()
                                     && Ascii_Lowered(first.receiverNumber) != Ascii_Lowered(second.receiverNumber);
        const bool positioned = first.positionKnown && second.positionKnown;
        const double distance = positioned ? Distance_Metres(first, second) : 0.0;
        if (!receiversDiffer && !(distance > widestOccupationSpreadMetres)) return;
        throw CampaignError(fmt::format(
            "{} and {} both hold station {} at the same time, but {}: two points under one name. Name each file's "
            "station with --station FILE=NAME (or --station-names file to take every station from its file name)",
            File_Of_Read(a), File_Of_Read(b), first.station,
            fmt::format("{}{}", receiversDiffer ? fmt::format("they were recorded by {} and {}", Receiver_Text(first),
                                                              Receiver_Text(second))
                                                : fmt::format("they were recorded by {}", Receiver_Text(first)),
                        positioned ? fmt::format(" {:.1f} m apart", distance) : std::string(" (positions unknown)"))));
    }

    // Two overlapping files of one station: the epochs of one all lie in
    // the other's (a copy, or a cut of it), or they are different data.
    enum class Sameness { Different, SecondWithinFirst, FirstWithinSecond };
    Sameness Compare_Data(ReadIndex a, ReadIndex b) const {
        const Occupation& first = Read_At(a);
        const Occupation& second = Read_At(b);
        if (Is_Log_Occupation(first) != Is_Log_Occupation(second)) return Sameness::Different;
        if (min_lumo_field::Epochs_Within(second.epochRuns, first.epochRuns)) return Sameness::SecondWithinFirst;
        if (min_lumo_field::Epochs_Within(first.epochRuns, second.epochRuns)) return Sameness::FirstWithinSecond;
        return Sameness::Different;
    }

    void Warn_Copy(ReadIndex kept, ReadIndex dropped, bool identical) {
        campaign_.warnings.push_back(fmt::format(
            "{}: {} {} (station {}); read once", File_Of_Read(dropped),
            identical ? "the same data as" : "all its epochs are also in", File_Of_Read(kept), Read_At(kept).station));
        campaign_.copies.push_back({.copy = dropped, .kept = kept});
    }

    bool Identical(ReadIndex a, ReadIndex b) const {
        return Read_At(a).epochRuns.size() == Read_At(b).epochRuns.size()
               && min_lumo_field::Epochs_Within(Read_At(a).epochRuns, Read_At(b).epochRuns)
               && min_lumo_field::Epochs_Within(Read_At(b).epochRuns, Read_At(a).epochRuns);
    }

    // The read occupations of each station, in time order, grouped into
    // occupations: each next one joins the group when its data start within
    // the maximum gap of the group's end.
    void Form_Occupations() {
        std::map<std::string, std::vector<ReadIndex>> byStation;
        for (const ReadIndex i : Read().Indices())
            if (Read()[i].hasEpochs) byStation[Ascii_Lowered(Read()[i].station)].push_back(i);
        std::vector<std::vector<ReadIndex>> groups;
        for (auto& [name, members] : byStation) {
            std::stable_sort(members.begin(), members.end(),
                             [&](ReadIndex a, ReadIndex b) { return Read_At(a).firstGps < Read_At(b).firstGps; });
            std::vector<ReadIndex> group;
            double groupEnd = 0.0, groupInterval = 0.0;
            for (const ReadIndex next : members) {
                const Occupation& read = Read_At(next);
                const double gap = Maximum_Gap_Seconds(std::max(groupInterval, read.intervalSeconds));
                if (!group.empty() && read.firstGps - groupEnd > gap) {
                    groups.push_back(std::move(group));
                    group.clear();
                }
                if (!Take_Into_Group(group, next)) continue;
                groupEnd = group.size() == 1 ? read.lastGps : std::max(groupEnd, read.lastGps);
                groupInterval = group.size() == 1 ? read.intervalSeconds : std::max(groupInterval, read.intervalSeconds);
            }
            if (!group.empty()) groups.push_back(std::move(group));
        }
        // Occupations in the order of their first read occupation.
        std::sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
            return *std::min_element(a.begin(), a.end()) < *std::min_element(b.begin(), b.end());
        });
        for (const std::vector<ReadIndex>& group : groups) Join(group);
        campaign_.readOccupation.assign(Read().size(), std::nullopt);
        for (const OccupationIndex i : Occupations().Indices())
            for (const ReadIndex read : Occupation_At(i).reads) campaign_.readOccupation[read] = i;
        // A copy of a copy is resolved once its keeper is known.
        for (bool changed = true; changed;) {
            changed = false;
            for (const auto& [copy, kept] : campaign_.copies) {
                const std::optional<OccupationIndex> target = campaign_.readOccupation[kept];
                if (campaign_.readOccupation[copy] != target) {
                    campaign_.readOccupation[copy] = target;
                    changed = true;
                }
            }
        }
    }

    // True when `later` (which starts no earlier) begins before `earlier`
    // ends, or on its last epoch: the one test of two files of a station
    // holding data of the same time.
    bool Overlap_In_Time(ReadIndex earlier, ReadIndex later) const {
        return Read_At(earlier).lastGps >= Read_At(later).firstGps - min_lumo_field::sameEpochSeconds;
    }

    // Adds `next` to the group unless it is a copy of data already there;
    // a group member that is a copy of `next`'s data gives way to it.
    // False when `next` was left out.
    bool Take_Into_Group(std::vector<ReadIndex>& group, ReadIndex next) {
        std::vector<ReadIndex> overlapping;
        for (const ReadIndex member : group)
            if (Overlap_In_Time(member, next)) overlapping.push_back(member);
        for (const ReadIndex member : overlapping) Refuse_Two_Points(member, next);
        for (const ReadIndex member : overlapping) {
            const Sameness sameness = Compare_Data(member, next);
            if (sameness == Sameness::SecondWithinFirst) {
                Warn_Copy(member, next, Identical(member, next));
                return false;
            }
            if (sameness == Sameness::FirstWithinSecond) {
                Warn_Copy(next, member, false);
                group.erase(std::find(group.begin(), group.end(), member));
            }
        }
        // The overlapping members left (not copies) hold other data of the same time.
        for (const ReadIndex member : overlapping)
            if (std::find(group.begin(), group.end(), member) != group.end())
                campaign_.warnings.push_back(fmt::format(
                    "{} and {}: station {} in both at the same time, not the same data; joined into one occupation",
                    File_Of_Read(member), File_Of_Read(next), Read_At(next).station));
        group.push_back(next);
        return true;
    }

    void Join(const std::vector<ReadIndex>& group) {
        std::vector<ReadIndex> members = group;
        std::stable_sort(members.begin(), members.end(),
                         [&](ReadIndex a, ReadIndex b) { return Read_At(a).firstGps < Read_At(b).firstGps; });
        CampaignOccupation joined;
        static_cast<Occupation&>(joined) = Read_At(members.front());
        joined.files.clear();
        joined.warnings.clear();
        std::vector<FileIndex>& fileIndices = joined.fileIndices;
        std::vector<const std::vector<min_lumo_field::EpochRun>*> parts;
        int64_t mostEpochs = -1;
        for (const ReadIndex member : members) {
            const ReadOccupation& read = Read_At(member);
            const FileIndex file = read.file;
            if (std::find(fileIndices.begin(), fileIndices.end(), file) == fileIndices.end()) {
                fileIndices.push_back(file);
                joined.files.push_back(campaign_.files.files[file]);
            }
            joined.warnings.insert(joined.warnings.end(), read.warnings.begin(), read.warnings.end());
            parts.push_back(&read.epochRuns);
            joined.firstGps = std::min(joined.firstGps, read.firstGps);
            joined.lastGps = std::max(joined.lastGps, read.lastGps);
            if (read.epochCount > mostEpochs && read.intervalSeconds > 0.0) {
                mostEpochs = read.epochCount;
                joined.intervalSeconds = read.intervalSeconds;
            }
            if (!joined.positionKnown && read.positionKnown) Set_Earth_Centred_Position(joined, read.x, read.y, read.z);
            else if (joined.positionKnown && read.positionKnown && Distance_Metres(joined, read) > widestOccupationSpreadMetres)
                campaign_.warnings.push_back(fmt::format(
                    "{} and {}: station {} one after the other but {:.0f} m apart; joined into one occupation, "
                    "though they may be two markers of one name (--station FILE=NAME names them apart)",
                    campaign_.files.files[fileIndices.front()], campaign_.files.files[file], joined.station,
                    Distance_Metres(joined, read)));
        }
        if (members.size() > 1) {
            joined.epochRuns = min_lumo_field::Union_Of_Runs(parts);
            joined.epochCount = 0;
            for (const min_lumo_field::EpochRun& run : joined.epochRuns) joined.epochCount += run.count;
        }
        min_lumo_field::Set_Spans(joined, Maximum_Gap_Seconds(joined.intervalSeconds));
        joined.reads = std::move(members);
        campaign_.occupations.push_back(std::move(joined));
    }

    // ---- Records ----------------------------------------------------------

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
        IndexedList<OccupationIndex, int32_t> provisional;
        for (const CampaignOccupation& occupation : Occupations()) {
            const auto [found, isNew] =
                byLoweredName.emplace(Ascii_Lowered(occupation.station), static_cast<int32_t>(names.size()));
            if (isNew) names.push_back(occupation.station);
            provisional.push_back(found->second);
        }
        std::vector<int32_t> order(names.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
        std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
            return names[static_cast<std::size_t>(a)] < names[static_cast<std::size_t>(b)];
        });
        std::vector<StationIndex> finalIndex(names.size());
        for (std::size_t rank = 0; rank < order.size(); ++rank)
            finalIndex[static_cast<std::size_t>(order[rank])] = Index_At<StationIndex>(rank);

        campaign_.stations.resize(names.size());
        for (const OccupationIndex i : Occupations().Indices()) {
            const StationIndex station = finalIndex[static_cast<std::size_t>(provisional[i])];
            campaign_.occupations[i].stationIndex = station;
            campaign_.stations[station].occupations.push_back(i);
        }
        for (const int32_t provisionalIndex : order)
            Records().stations.push_back(
                Station_Record(names[static_cast<std::size_t>(provisionalIndex)],
                               campaign_.stations[Index_At<StationIndex>(Records().stations.size())]));
    }
    ProjectStation Station_Record(const std::string& name, CampaignStation& station) {
        double sumX = 0.0, sumY = 0.0, sumZ = 0.0;
        int32_t positioned = 0;
        for (const OccupationIndex occupation : station.occupations) {
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
        for (const OccupationIndex occupation : station.occupations) {
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

    // Stations of different names within a metre: swept in order of x, so
    // that only neighbours within a metre in x are compared.
    void Warn_Look_Alike_Stations() {
        std::vector<StationIndex> positioned;
        for (const StationIndex i : campaign_.stations.Indices())
            if (campaign_.stations[i].positionKnown) positioned.push_back(i);
        const auto station = [&](StationIndex i) -> const CampaignStation& { return campaign_.stations[i]; };
        std::sort(positioned.begin(), positioned.end(),
                  [&](StationIndex a, StationIndex b) { return station(a).x < station(b).x; });
        std::vector<std::pair<StationIndex, StationIndex>> pairs;
        for (std::size_t i = 0; i < positioned.size(); ++i)
            for (std::size_t j = i + 1; j < positioned.size() && station(positioned[j]).x - station(positioned[i]).x <= samePointMetres; ++j) {
                const CampaignStation& a = station(positioned[i]);
                const CampaignStation& b = station(positioned[j]);
                if (std::hypot(a.x - b.x, a.y - b.y, a.z - b.z) <= samePointMetres)
                    pairs.emplace_back(std::min(positioned[i], positioned[j]), std::max(positioned[i], positioned[j]));
            }
        // Stations within a metre of each other, chained, are one warning.
        IndexedList<StationIndex, StationIndex> cluster;
        for (const StationIndex i : campaign_.stations.Indices()) cluster.push_back(i);
        const auto root = [&](StationIndex i) {
            while (cluster[i] != i) i = cluster[i];
            return i;
        };
        for (const auto& [a, b] : pairs) {
            const StationIndex first = root(a), second = root(b);
            cluster[std::max(first, second)] = std::min(first, second);
        }
        std::map<StationIndex, std::vector<StationIndex>> members;
        for (const auto& [a, b] : pairs) {
            members[root(a)].push_back(a);
            members[root(a)].push_back(b);
        }
        for (auto& [first, stations] : members) {
            std::sort(stations.begin(), stations.end());
            stations.erase(std::unique(stations.begin(), stations.end()), stations.end());
            std::string names;
            for (const StationIndex i : stations)
                names += (names.empty() ? "" : (i == stations.back() ? " and " : ", "))
                         + Records().stations[Slot(i)].name;
            campaign_.warnings.push_back(fmt::format(
                "stations {} lie within {} m of each other: the same point under two names? (--station FILE=NAME "
                "names a file's station)",
                names, samePointMetres));
        }
    }

    struct Pairing {
        OccupationIndex fromOccupation, toOccupation;
        StationIndex fromStation, toStation;
        min_lumo_field::CommonTime common;
    };

    // Every pair of occupations of different stations whose common data
    // time is long enough.  Times are GPS seconds, which have no leap second
    // inside them, so a duration is exact.
    // Overlaps too short for an observation go to `shortOverlaps`.
    std::vector<Pairing> Overlapping_Pairs(std::vector<CampaignShortOverlap>& shortOverlaps) const {
        const IndexRange<OccupationIndex> all = Occupations().Indices();
        std::vector<OccupationIndex> byStart(all.begin(), all.end());
        std::stable_sort(byStart.begin(), byStart.end(), [&](OccupationIndex a, OccupationIndex b) {
            return Occupation_At(a).firstGps < Occupation_At(b).firstGps;
        });
        const double shortest = options_.minimumOverlapMinutes * secondsPerMinute;
        std::vector<Pairing> pairs;
        for (std::size_t i = 0; i < byStart.size(); ++i) {
            const CampaignOccupation& earlier = Occupation_At(byStart[i]);
            // Later starters only, and only while they start before this one ends.
            for (std::size_t j = i + 1; j < byStart.size() && Occupation_At(byStart[j]).firstGps < earlier.lastGps;
                 ++j) {
                const CampaignOccupation& later = Occupation_At(byStart[j]);
                OccupationIndex a = byStart[i], b = byStart[j];
                StationIndex stationA = earlier.stationIndex;
                StationIndex stationB = later.stationIndex;
                if (stationA == stationB) continue;
                const min_lumo_field::CommonTime common = min_lumo_field::Common_Time(earlier.spans, later.spans);
                if (!(common.seconds > 0.0)) continue;
                // Stations are ordered by name, so the lower index sorts first.
                if (stationB < stationA) {
                    std::swap(a, b);
                    std::swap(stationA, stationB);
                }
                if (common.seconds < shortest) {
                    shortOverlaps.push_back({a, b, common.startGps, common.endGps, common.seconds});
                    continue;
                }
                pairs.push_back({a, b, stationA, stationB, common});
            }
        }
        const auto key = [&](const Pairing& p) {
            return std::tie(p.common.startGps, p.common.endGps, Records().stations[Slot(p.fromStation)].name,
                            Records().stations[Slot(p.toStation)].name, p.fromOccupation, p.toOccupation);
        };
        std::sort(pairs.begin(), pairs.end(), [&](const Pairing& a, const Pairing& b) { return key(a) < key(b); });
        return pairs;
    }

    // Sessions: the maximal runs of observations that overlap in time, one
    // after another in start order.  A session is named after the GPS day
    // of its first observation, as RINEX file names are, and keeps that name
    // when it runs past midnight; its letter counts the sessions begun on
    // that day.
    static std::vector<std::string> Sessions(const std::vector<Pairing>& pairs) {
        std::vector<std::string> sessions;
        std::map<int64_t, int32_t> sessionsOfDay;
        std::string current;
        double latestEnd = 0.0;
        for (const Pairing& pair : pairs) {
            if (current.empty() || pair.common.startGps >= latestEnd) {
                const int32_t sessionOfDay = sessionsOfDay[Gps_Day(pair.common.startGps)]++;
                current = Session_Token(pair.common.startGps, sessionOfDay);
                latestEnd = pair.common.endGps;
            }
            latestEnd = std::max(latestEnd, pair.common.endGps);
            sessions.push_back(current);
        }
        return sessions;
    }

    // The file of an occupation that holds most of the common time.
    FileIndex File_For(OccupationIndex occupation, const min_lumo_field::CommonTime& common) const {
        FileIndex best{};
        double bestSeconds = -std::numeric_limits<double>::infinity();
        for (const ReadIndex read : Occupation_At(occupation).reads) {
            const ReadOccupation& part = Read_At(read);
            const double seconds = std::min(part.lastGps, common.endGps) - std::max(part.firstGps, common.startGps);
            if (seconds > bestSeconds) {
                bestSeconds = seconds;
                best = part.file;
            }
        }
        return best;
    }

    void Form_Observations() {
        const std::vector<Pairing> pairs = Overlapping_Pairs(campaign_.shortOverlaps);
        const std::vector<std::string> sessions = Sessions(pairs);
        std::map<std::pair<StationIndex, StationIndex>, int32_t> openBaseline;
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
                baseline.fromStation = Project_Station(pair.fromStation);
                baseline.toStation = Project_Station(pair.toStation);
                Records().baselines.push_back(baseline);
            }
            ProjectBaseline& baseline = Records().baselines[static_cast<std::size_t>(found->second)];
            baseline.observations.push_back(observationIndex);

            CampaignObservation origin;
            origin.fromOccupation = pair.fromOccupation;
            origin.toOccupation = pair.toOccupation;
            origin.startGps = pair.common.startGps;
            origin.endGps = pair.common.endGps;
            origin.commonSeconds = pair.common.seconds;
            origin.session = sessions[i];
            origin.fromFile = File_For(pair.fromOccupation, pair.common);
            origin.toFile = File_For(pair.toOccupation, pair.common);

            ProjectObservation observation;
            observation.baseline = found->second;
            observation.baselineSlot = static_cast<int32_t>(baseline.observations.size() - 1);
            observation.label = Observation_Label(Records().stations[Slot(pair.fromStation)].name, sessions[i],
                                                  Records().stations[Slot(pair.toStation)].name,
                                                  static_cast<int32_t>(baseline.observations.size()));
            // One source per file, in the order of the files.
            observation.fromSource = static_cast<int32_t>(origin.fromFile);
            observation.toSource = static_cast<int32_t>(origin.toFile);
            observation.fromSourceName = Records().sources[static_cast<std::size_t>(observation.fromSource)].name;
            observation.toSourceName = Records().sources[static_cast<std::size_t>(observation.toSource)].name;
            observation.start = Utc_Project_Time(pair.common.startGps);
            observation.end = Utc_Project_Time(pair.common.endGps);
            observation.timeSpan = pair.common.seconds;
            Records().observations.push_back(std::move(observation));
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

std::string Session_Token(double gpsSeconds, int32_t sessionOfDay) {
    const int64_t dayOfYear = min_lumo_kit::Day_Of_Year(min_lumo_kit::Civil_From_Days(Gps_Day(gpsSeconds)));
    return fmt::format("{:03}{}", dayOfYear, Session_Letters(sessionOfDay));
}

namespace {

// The field files in a folder and below it, recognised by their content, in
// the order of their paths, each with whether it is an occupation log; what
// else is there is counted.
std::vector<std::pair<std::string, bool>> Field_Files_In_Folder(const std::string& folder,
                                                                std::vector<std::string>& warnings) {
    std::vector<std::pair<std::string, bool>> found;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
    if (error) throw FieldFileError(folder, 0, "cannot read the folder: " + error.message());
    std::vector<fs::path> paths;
    for (const fs::directory_entry& entry : walk) {
        std::error_code kindError;
        if (entry.is_regular_file(kindError)) paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    int64_t skipped = 0;
    for (const fs::path& path : paths) {
        const min_lumo_field::FieldFileKind kind = min_lumo_field::Field_File_Kind(path.string());
        if (kind == min_lumo_field::FieldFileKind::Other) ++skipped;
        else found.emplace_back(path.string(), kind == min_lumo_field::FieldFileKind::OccupationLog);
    }
    if (found.empty())
        throw FieldFileError(folder, 0,
                             skipped > 0 ? fmt::format("no RINEX observation file or occupation log in this folder ({} "
                                                       "other file{})", skipped, skipped == 1 ? "" : "s")
                                         : std::string("no RINEX observation file or occupation log in this folder"));
    if (skipped > 0)
        warnings.push_back(Located(folder, 0,
                                   fmt::format("{} file{} neither RINEX observation data nor an occupation log; skipped",
                                               skipped, skipped == 1 ? " is" : "s are")));
    return found;
}

}  // namespace

CampaignFiles Read_Campaign_Files(const std::vector<std::string>& paths, bool keepGoing) {
    CampaignFiles read;
    std::set<std::string> seen;
    // A folder stands for the field files in it; a file in it is a log
    // when its content says so.
    std::vector<std::pair<std::string, bool>> expanded;  // path, log
    for (const std::string& path : paths) {
        std::error_code error;
        if (fs::is_directory(path, error)) {
            try {
                for (auto& file : Field_Files_In_Folder(path, read.warnings)) expanded.push_back(std::move(file));
            } catch (const FieldFileError& folderError) {
                if (!keepGoing) throw;
                read.warnings.push_back(std::string(folderError.what()) + " (left out)");
            }
        } else {
            expanded.emplace_back(path, Is_Occupation_Log(path));
        }
    }
    for (const auto& [path, log] : expanded) {
        if (!seen.insert(fs::path(path).lexically_normal().string()).second) {
            read.warnings.push_back(Located(path, 0, "given more than once; read once"));
            continue;
        }
        std::vector<Occupation> occupations;
        try {
            if (log)
                occupations = min_lumo_field::Read_Occupation_Log(path);
            else
                occupations.push_back(min_lumo_field::Read_Occupation(path));
        } catch (const FieldFileError& error) {
            if (!keepGoing) throw;
            read.warnings.push_back(std::string(error.what()) + " (left out)");
            continue;
        }
        // How the station was named is told when the campaign is formed,
        // and not when the station is named otherwise.
        for (const Occupation& occupation : occupations)
            for (const std::string& warning : occupation.warnings)
                if (warning != occupation.stationWarning) read.warnings.push_back(warning);
        read.Add_File(path, std::move(occupations));
    }
    return read;
}

FileIndex CampaignFiles::Add_File(std::string path, std::vector<Occupation> occupations) {
    const FileIndex file = files.push_back(std::move(path));
    for (Occupation& occupation : occupations) {
        ReadOccupation read;
        static_cast<Occupation&>(read) = std::move(occupation);
        read.file = file;
        reads.push_back(std::move(read));
    }
    return file;
}

std::pair<std::string, std::string> Parse_Station_Assignment(const std::string& text) {
    const std::size_t equals = text.rfind('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size())
        throw CampaignError(fmt::format("--station {}: give it as FILE=NAME", text));
    return {text.substr(0, equals), text.substr(equals + 1)};
}

Campaign Form_Campaign(CampaignFiles files, const CampaignOptions& options) {
    Campaign campaign = CampaignBuilder(std::move(files), options).Build();
    Label_Observations_Uniquely(campaign);
    return campaign;
}

}  // namespace min_lumo_tool

// From a surveyor's field files to a project: every occupation of a marker
// is one station, and every two occupations of different stations that ran
// at the same time long enough give one observation of the baseline between
// them.  The project is the same record model the JSON reader fills, so it
// is laid out, run and written exactly like a project file.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "hostkit/project_model.h"
#include "tool/field/occupation.h"
#include "tool/plan/indexed_list.h"

namespace min_lumo_tool {

inline constexpr double defaultMinimumOverlapMinutes = 15.0;

// Indices of a campaign's lists, each of its own type (indexed_list.h).
enum class FileIndex : int32_t {};        // CampaignFiles::files
enum class ReadIndex : int32_t {};        // CampaignFiles::reads: an occupation as read
enum class OccupationIndex : int32_t {};  // Campaign::occupations: an occupation as formed
// Campaign::stations, the same position as the project's station records
// (min_lumo_kit::Project::stations, whose records index them as int32_t).
enum class StationIndex : int32_t {};

constexpr int32_t Project_Station(StationIndex station) { return static_cast<int32_t>(station); }
constexpr StationIndex Campaign_Station(int32_t projectStation) { return static_cast<StationIndex>(projectStation); }

// One occupation as read: a receiver file's, or one line of an occupation log.
struct ReadOccupation : min_lumo_field::Occupation {
    FileIndex file{};  // the file it was read from
};

// The files as read: their occupations and what the reader had to say.
struct CampaignFiles {
    IndexedList<FileIndex, std::string> files;     // the files read, in the order given
    IndexedList<ReadIndex, ReadOccupation> reads;  // in the order read
    std::vector<std::string> warnings;             // one line each, naming the file

    // Adds a file read and its occupations (a receiver file's one, a log's
    // lines), and returns the file's index.
    FileIndex Add_File(std::string path, std::vector<min_lumo_field::Occupation> occupations);
};

// Reads RINEX observation files and, for names ending in .csv (any letter
// case), occupation logs.  A folder stands for the RINEX observation files
// and occupation logs in it and below it, told by their content; the other
// files there are counted in one warning.  A file that cannot be read throws
// min_lumo_field::FieldFileError, unless `keepGoing`: then it becomes a
// warning and is left out.  A path given twice is read once.
CampaignFiles Read_Campaign_Files(const std::vector<std::string>& paths, bool keepGoing);

struct CampaignOptions {
    // Occupations must share at least this much common data time (and more
    // than nothing) to give an observation.
    double minimumOverlapMinutes = defaultMinimumOverlapMinutes;
    std::vector<std::string> controls;  // station names, matched ignoring ASCII letter case
    // A gap in the data longer than this splits it into spans; 0 means per
    // occupation: 10 times its interval, and at least 2 minutes.
    double maximumGapMinutes = 0.0;
    // --station FILE=NAME: the station of one file (FILE as given, or any
    // path to the same file).
    std::vector<std::pair<std::string, std::string>> fileStations;
    bool stationsFromFileNames = false;  // --station-names file
};

// What the project's records do not say about where they came from.
struct CampaignStation {
    std::vector<OccupationIndex> occupations;  // in the order formed
    bool positionKnown = false;
    double x = 0.0, y = 0.0, z = 0.0;  // metres, Earth-centred: the mean of the occupations' positions
};

struct CampaignObservation {
    OccupationIndex fromOccupation{}, toOccupation{};  // at the baseline's stored from and to ends
    double startGps = 0.0, endGps = 0.0;  // the first and last common instant, GPS seconds
    double commonSeconds = 0.0;           // common data time: total length of the intersection of the two occupations' spans
    std::string session;                  // GPS day of year of the session's first observation and letter, e.g. 135A
    FileIndex fromFile{}, toFile{};       // the file of each occupation holding most of the common time
};

// Two occupations of different stations that overlap, but by less than
// --min-overlap, so they give no observation.  Kept for the survey standard's
// near-miss check (standard_checks.h); the overlap is on GPS seconds.
struct CampaignShortOverlap {
    OccupationIndex fromOccupation{}, toOccupation{};  // from: the station whose name sorts first
    double startGps = 0.0, endGps = 0.0;  // the first and last common instant
    double commonSeconds = 0.0;           // common data time
};

// An occupation as formed: files of one station joined, the same data once,
// spans from the epochs.  `files` (from Occupation) lists its files' paths
// as given.
struct CampaignOccupation : min_lumo_field::Occupation {
    StationIndex stationIndex{};         // its station
    std::vector<FileIndex> fileIndices;  // its files, as `files` lists them
    std::vector<ReadIndex> reads;        // the occupations read that were joined into it, in time order
};

// A read occupation left out because another holds all its epochs.
struct CampaignCopy {
    ReadIndex copy{}, kept{};
};

struct Campaign {
    CampaignOptions options;  // as it was formed with
    CampaignFiles files;      // as read: one occupation per file (per line of a log)
    // Read occupations without epochs are left out, and so are copies.
    IndexedList<OccupationIndex, CampaignOccupation> occupations;
    // The occupation each read occupation went into (a copy: the kept one's);
    // none for one without epochs.
    IndexedList<ReadIndex, std::optional<OccupationIndex>> readOccupation;
    std::vector<CampaignCopy> copies;
    IndexedList<StationIndex, CampaignStation> stations;  // as the project's station records
    std::vector<CampaignObservation> observations;        // by project observation index
    std::vector<CampaignShortOverlap> shortOverlaps;      // by start, in no other order
    min_lumo_kit::Project project;
    std::vector<std::string> warnings;  // the files' warnings, then the forming's

    // The project's station index of an occupation, and its record.
    int32_t Project_Station_Of(OccupationIndex occupation) const {
        return Project_Station(occupations[occupation].stationIndex);
    }
    const min_lumo_kit::ProjectStation& Station_Record(OccupationIndex occupation) const {
        return project.stations[static_cast<std::size_t>(Project_Station_Of(occupation))];
    }
};

// A campaign that cannot be formed as asked: an unknown or overlong control
// name, a negative overlap or gap, a --station naming no file read, two
// points under one name.  The message says what and why.
class CampaignError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Forms the project:
// - station names: --station FILE=NAME, else with --station-names file the
//   file name's station ID, else the marker name (a receiver default gives
//   way to the file name's station ID, with a warning);
// - occupations: per station, read occupations in time order, each joining
//   the one before when its data start within the maximum gap of its end;
//   one whose epochs all lie in another's is left out as a copy (warned);
//   overlapping ones of different receivers or more than 100 m apart are
//   refused (CampaignError), other overlapping ones joined (warned); spans
//   from the epochs split at gaps longer than the maximum gap;
// - stations: one per station name, matched ignoring ASCII letter case (the
//   first spelling seen is kept), ordered by name; positioned at the mean
//   of the Earth-centred positions of the occupations that give one;
// - sources: one per file, ratio 1/1, named after the file;
// - observations: one per pair of occupations of different stations whose
//   common data time (the intersection of their spans) is long enough, from
//   the first to the last common instant, ordered by start, end and station
//   names; sessions named by the GPS day of their first observation;
// - baselines: one per station pair (another once a baseline holds as many
//   observations as the host allows), stored from the station whose name
//   sorts first;
// - labels FROM SESSION TO N, and the controls.
Campaign Form_Campaign(CampaignFiles files, const CampaignOptions& options);

// FILE=NAME of --station (split at the last '='); CampaignError when either
// side is empty.
std::pair<std::string, std::string> Parse_Station_Assignment(const std::string& text);

// FROM SESSION TO N within the label's 31 characters: each token cut to
// what a token may hold, and when the four still do not fit, the longer
// station token gives way a character at a time.
std::string Observation_Label(const std::string& from, const std::string& session, const std::string& to,
                              int32_t occurrence);

// The session token of a GPS day (the day of a GPS instant on the GPS
// calendar, as RINEX file names count days) and a session's number within
// it (from 0): the day of year in three digits and A ... Z, AA, AB ...
std::string Session_Token(double gpsSeconds, int32_t sessionOfDay);

}  // namespace min_lumo_tool

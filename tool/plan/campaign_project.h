// From a surveyor's field files to a project: every occupation of a marker
// is one station, and every two occupations of different stations that ran
// at the same time long enough give one observation of the baseline between
// them.  The project is the same record model the JSON reader fills, so it
// is laid out, run and written exactly like a project file.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "hostkit/project_model.h"
#include "tool/field/occupation.h"

namespace min_lumo_tool {

inline constexpr double defaultMinimumOverlapMinutes = 15.0;
// Stations of different names closer than this are probably one point
// under two names: warned of, and never paired in a suggested session.
inline constexpr double samePointMetres = 1.0;

// The files as read: their occupations and what the reader had to say.
struct CampaignFiles {
    std::vector<std::string> files;                       // the files read, in the order given
    std::vector<min_lumo_field::Occupation> occupations;  // in the order read
    std::vector<int32_t> occupationFile;                  // index into `files`, per occupation
    std::vector<std::string> warnings;                    // one line each, naming the file
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
    std::vector<int32_t> occupations;  // indices into CampaignFiles::occupations
    bool positionKnown = false;
    double x = 0.0, y = 0.0, z = 0.0;  // metres, Earth-centred: the mean of the occupations' positions
};

struct CampaignObservation {
    int32_t fromOccupation = -1;  // the occupations (Campaign::occupations) at the baseline's stored from and to ends
    int32_t toOccupation = -1;
    double startGps = 0.0, endGps = 0.0;  // the first and last common instant, GPS seconds
    double commonSeconds = 0.0;           // common data time: total length of the intersection of the two occupations' spans
    std::string session;                  // GPS day of year of the session's first observation and letter, e.g. 135A
    int32_t fromFile = -1, toFile = -1;   // CampaignFiles::files index: the file of each occupation holding most of the common time
};

// Two occupations of different stations that overlap, but by less than
// --min-overlap, so they give no observation.  Kept for the survey standard's
// near-miss check (standard_checks.h); the overlap is on GPS seconds.
struct CampaignShortOverlap {
    int32_t fromOccupation = -1, toOccupation = -1;  // from: the station whose name sorts first
    double startGps = 0.0, endGps = 0.0;  // the first and last common instant
    double commonSeconds = 0.0;           // common data time
};

struct Campaign {
    CampaignOptions options;  // as it was formed with
    CampaignFiles files;      // as read: one occupation per file (per line of a log)
    // The occupations as formed: files of one station joined, the same data
    // once, spans from the epochs.  Each lists its files (`files`, paths as
    // given) and `occupationFiles` their indices into files.files.  Read
    // occupations without epochs are left out, and so are copies.
    std::vector<min_lumo_field::Occupation> occupations;
    std::vector<std::vector<int32_t>> occupationFiles;
    std::vector<std::vector<int32_t>> occupationReads;     // files.occupations joined into each, in time order
    // The occupation each read occupation went into (a copy: the kept one's);
    // -1 for one without epochs.
    std::vector<int32_t> readOccupation;
    // Read occupations left out as copies of data read already: (left out, kept).
    std::vector<std::pair<int32_t, int32_t>> copies;
    std::vector<int32_t> occupationStation;         // project station of each occupation
    std::vector<CampaignStation> stations;          // by project station index; occupations index Campaign::occupations
    std::vector<CampaignObservation> observations;  // by project observation index
    std::vector<CampaignShortOverlap> shortOverlaps;  // by start, in no other order
    min_lumo_kit::Project project;
    std::vector<std::string> warnings;  // the files' warnings, then the forming's
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

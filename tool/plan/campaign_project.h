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

// The files as read: their occupations and what the reader had to say.
struct CampaignFiles {
    std::vector<std::string> files;                       // the files read, in the order given
    std::vector<min_lumo_field::Occupation> occupations;  // in the order read
    std::vector<int32_t> occupationFile;                  // index into `files`, per occupation
    std::vector<std::string> warnings;                    // one line each, naming the file
};

// Reads RINEX observation files and, for names ending in .csv (any letter
// case), occupation logs.  A file that cannot be read throws
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

struct Campaign {
    CampaignOptions options;  // as it was formed with
    CampaignFiles files;      // as read: one occupation per file (per line of a log)
    // The occupations as formed: files of one station joined, the same data
    // once, spans from the epochs.  Each lists its files (`files`, paths as
    // given) and `occupationFiles` their indices into files.files.  Read
    // occupations without epochs are left out, and so are copies.
    std::vector<min_lumo_field::Occupation> occupations;
    std::vector<std::vector<int32_t>> occupationFiles;
    std::vector<int32_t> occupationStation;         // project station of each occupation
    std::vector<CampaignStation> stations;          // by project station index; occupations index Campaign::occupations
    std::vector<CampaignObservation> observations;  // by project observation index
    min_lumo_kit::Project project;
    std::vector<std::string> warnings;  // the files' warnings, then the forming's
};

// A campaign that cannot be formed as asked: an unknown or overlong control
// name, a negative overlap.  The message says what and why.
class CampaignError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Forms the project:
// - stations: one per marker name, matched ignoring ASCII letter case (the
//   first spelling seen is kept), ordered by name; positioned at the mean
//   of the Earth-centred positions of the occupations that give one;
// - sources: one per file, ratio 1/1, named after the file;
// - observations: one per overlapping pair of occupations, from the later
//   start to the earlier end, ordered by start, end and station names;
// - baselines: one per station pair (another once a baseline holds as many
//   observations as the host allows), stored from the station whose name
//   sorts first;
// - labels FROM SESSION TO N, and the controls.
Campaign Form_Campaign(CampaignFiles files, const CampaignOptions& options);

// FROM SESSION TO N within the label's 31 characters: each token cut to
// what a token may hold, and when the four still do not fit, the longer
// station token gives way a character at a time.
std::string Observation_Label(const std::string& from, const std::string& session, const std::string& to,
                              int32_t occurrence);

// The session token of a UTC day and a session's number within it (from 0):
// the day of year in three digits and A ... Z, AA, AB ...
std::string Session_Token(double utcSeconds, int32_t sessionOfDay);

}  // namespace min_lumo_tool

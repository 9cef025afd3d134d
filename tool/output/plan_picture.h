// What the pictures of a run show -- the map (SVG, shared by the HTML report)
// and the HTML report's timeline and tables -- in terms that know nothing of
// how the run was made.  The plan command fills it from its campaign and
// plan, minimise and orient from their map view; the drawing code reads
// only this.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace min_lumo_tool {

struct PictureStation {
    std::string name;
    bool positioned = false;
    double latitude = 0.0, longitude = 0.0, height = 0.0;  // degrees, degrees, metres on WGS 84
    bool control = false;
    int32_t level = -1;       // orienting level; -1 unreached or not oriented
    int32_t occupations = 0;  // files of the station (0 where there are none, as for a project file)
};

struct PictureSession {
    std::string name;                          // e.g. 135A, or "network 3" where there are no sessions
    double startSeconds = 0.0, endSeconds = 0.0;  // in the picture's time scale, seconds since 1970
    int32_t network = -1;
};

// One observation of a baseline.  `from` and `to` are the processing
// direction where the picture is directed.
struct PictureObservation {
    int32_t from = -1, to = -1;  // station indices
    int32_t session = -1;        // index into sessions; -1 none
    bool kept = true;            // to process (drawn by default); otherwise redundant
    int32_t order = 0;           // place in its session's processing order from 1; 0 none
    std::string label, state, reason;
    std::string start, end;  // as the text report writes them
    double overlapSeconds = 0.0;
    std::optional<double> lengthMetres;
    int32_t level = -1;
    std::optional<int32_t> score;
    std::string fromFile, toFile;
};

struct PictureSpan {
    double startSeconds = 0.0, endSeconds = 0.0;  // in the picture's time scale
    int64_t epochs = 0;
};

// One occupation: a receiver file, or a line of an occupation log, with
// the set-up its header gives, as the text report's occupation table.
struct PictureOccupation {
    int32_t number = 0;    // as the text report numbers it, from 1 (by station, then in time order)
    int32_t station = -1;  // -1: the file had no epoch and joined no station
    std::string stationName, file, receiver, format;  // file: the paths as given, joined by ", "
    std::vector<std::string> files;  // the same, one each
    std::vector<PictureSpan> spans;  // the data, split at its gaps; empty without epochs
    int64_t epochs = 0;
    std::optional<double> intervalSeconds, completeness;  // completeness 0 to 1
    int32_t gapCount = 0;
    double longestGapSeconds = 0.0;
    // The set-up as a receiver file's header writes it; an occupation log's
    // line gives none of it (setUpGiven false).
    bool setUpGiven = true;
    std::string receiverNumber, antennaType, antennaNumber;  // empty when absent
    double antennaHeight = 0.0, antennaEast = 0.0, antennaNorth = 0.0;  // ANTENNA: DELTA H/E/N, metres
    std::string markerName, markerNumber;
    // What the standard's antenna check finds wrong with this set-up, in
    // words ("height 15.000 m, above 3 m"); empty when it finds nothing or
    // no standard was asked for.  The report flags the occupation with it.
    std::string antennaCheck;
};

// One failing item of a rule: a station, baseline, occupation or session.
struct PictureFailure {
    std::string item, measured, required;
    std::vector<std::string> stations;  // names of the stations concerned
};

// One rule of the standard, in the words of the text report's Checks.
struct PictureRule {
    std::string rule;
    std::string result;    // passes, fails, or noted (an advisory rule that fails)
    std::string severity;  // required or advisory
    std::string requirement, source;
    std::vector<PictureFailure> failures;
};

// One new session the field list suggests: two receivers, `minutes` long.
struct PictureFieldSession {
    int32_t number = 0;  // from 1
    std::string station, partner;
    std::optional<double> lengthMetres;
    double minutes = 0.0;
    std::vector<std::string> mends;  // what it mends, one text each
};

// A survey standard's verdict on the whole campaign, its checks and what to
// observe again, when one was asked for.
struct PictureStandard {
    std::string profile, title;  // from the profile file: text, never markup
    std::string verdict;         // "meets basic", "fails basic: 3 rules"
    bool meets = false;
    std::vector<PictureRule> rules;
    std::vector<PictureFieldSession> fieldList;  // a suggestion, not a survey design
    std::vector<std::string> fieldNotes;         // what new sessions cannot mend, and what to do
};

struct PlanPicture {
    std::string title;            // what was run on what, e.g. "plan of 15 files"
    std::string timeScale = "UTC";  // the scale every time in the picture is on (UTC, GPST)
    bool directed = false;        // observations carry their processing direction
    std::vector<PictureStation> stations;
    std::vector<PictureSession> sessions;  // in time order
    // What the groups that colour the lines are, in the subtitle: sessions,
    // or for a processed network the solutions.
    std::string groupWord = "session";
    std::vector<PictureObservation> observations;
    std::vector<PictureOccupation> occupations;
    std::vector<std::string> warnings;
    std::vector<std::string> facts;  // summary lines: files, overlap, controls ...
    std::optional<PictureStandard> standard;  // when a standard was asked for
};

// Keeps only the named sessions (names as the picture spells them; the
// plan command checks the names given before, in Restrict_To_Sessions):
// their observations, the occupations that overlap them in time, and every
// station (stations stay so that indices hold; the drawing leaves out those
// that take no part).
void Keep_Sessions(PlanPicture& picture, const std::vector<std::string>& names);

// "2024-05-14 07:30" from seconds since 1970 on the picture's time scale.
std::string Picture_Time_Text(double seconds);

}  // namespace min_lumo_tool

// A survey standard as the planner checks a campaign against it: a profile
// of rules, each with its parameters and the published source it comes
// from.  Profiles are readable JSON files; the project ships some (in
// tool/plan/standards, installed beside the tool), and a surveyor may write
// their own in the same format.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace min_lumo_tool {

inline constexpr const char* defaultStandardName = "basic";
// The field list suggests no session longer than this unless the profile
// says otherwise: a working day of a crew.
inline constexpr double defaultMaximumSessionMinutes = 8.0 * 60.0;

// The rules a profile may hold, in the order the checks report them.
// Adding a rule is a change in these places, each named by the compiler
// once the value is here (a switch without it does not compile):
// - its value below, `lastRule` if it is the last, and its key in Rule_Key;
// - its parameters: a struct beside the others, a member of StandardProfile
//   and its case in StandardProfile::Settings;
// - its reader in standard_profile.cpp (Read_Rule);
// - its stage (Rule_Stage), and for a plan rule its check in
//   standard_checks.cpp (Check_Rule), for a later stage's rule that
//   stage's command;
// - the failure kinds it reports, added to FailureKind (standard_checks.h),
//   which the field list answers in reobservation.cpp;
// - a line in the README's table of rules.
enum class RuleId {
    occupations,
    redundancy,
    observationTime,
    occupationQuality,
    controls,
    sessions,
    loops,
    nearMisses,
    antenna,
    ties,
    nearbyControls,
    baselineLength,
    fixedSolutions,
    loopMisclosure,
    repeatBaselines,
    relativeAccuracy,
};
inline constexpr RuleId lastRule = RuleId::relativeAccuracy;

// Every rule, in order.
std::vector<RuleId> All_Rules();

// The rule's key in a profile and in every report, e.g. "observationTime".
const char* Rule_Key(RuleId rule);

// The rule of a profile key; none for a key no rule has.
std::optional<RuleId> Rule_Of_Key(const std::string& key);

// When a rule can be checked: on the field files and their plan, or once
// later work (processing, adjustment) has given what it judges.  Rules of a
// later stage are read with the profile and checked by that stage's
// command.
enum class RuleStage { plan, process, adjustment };
RuleStage Rule_Stage(RuleId rule);

// A failing rule either fails the verdict (required) or is only reported
// (advisory): some findings, such as a session split into pieces, cannot be
// mended by observing again.
enum class RuleSeverity { required, advisory };

struct RuleSettings {
    bool enabled = false;
    // False when the profile does not name the rule at all: then it is
    // left out, as a rule given with "enabled": false is.
    bool listed = false;
    RuleSeverity severity = RuleSeverity::required;
    // The document, edition and section the rule's numbers come from; for a
    // rule left out, why.
    std::string source;
};

// Each non-control station occupied in at least this many different
// sessions; with `minimumMinutes`, only occupations at least that long
// count, and with `antennaHeightChanged` only as many as there are
// antenna heights among them (a set-up repeated at the same height is not
// independent).
struct OccupationsRule {
    RuleSettings settings;
    int32_t minimumOccupations = 2;
    double minimumMinutes = 0.0;
    bool antennaHeightChanged = false;
};

// Each non-control station held by kept observations of this many sessions.
struct RedundancyRule {
    RuleSettings settings;
    int32_t minimumSessions = 2;
};

// A step of a length table: baselines up to this length need this long.
struct LengthStep {
    double upToKilometres = 0.0;
    double minutes = 0.0;
};

// The common data time a baseline needs: a formula, a + b x length, or a
// length table (then `lengthTable` is not empty and the formula unused).
struct ObservationTimeRule {
    RuleSettings settings;
    double baseMinutes = 0.0;
    double minutesPerKilometre = 0.0;
    std::vector<LengthStep> lengthTable;  // by increasing length
};

struct OccupationQualityRule {
    RuleSettings settings;
    double maximumIntervalSeconds = 0.0;
    double minimumCompleteness = 0.0;  // 0 ... 1
    double maximumGapSeconds = 0.0;
};

struct ControlsRule {
    RuleSettings settings;
    int32_t minimumControls = 1;
};

struct SessionsRule {
    RuleSettings settings;
};

struct LoopsRule {
    RuleSettings settings;
    bool bridgesAllowed = false;
    double minimumLoopShare = 0.0;  // of the observed stations, 0 ... 1
};

struct NearMissesRule {
    RuleSettings settings;
    double marginMinutes = 0.0;  // overlaps this much under --min-overlap
};

// Each receiver file's antenna of a station but the controls: its height
// within the range (a tripod or a pole), its type one that names an antenna.
struct AntennaRule {
    RuleSettings settings;
    double minimumHeightMetres = 0.0;
    double maximumHeightMetres = 0.0;
    bool knownType = false;
};

// Each non-control station tied by kept observations to at least this
// many other stations.
struct TiesRule {
    RuleSettings settings;
    int32_t minimumStations = 3;
};

// Every control within this distance of a station tied to it directly by
// a kept observation.
struct NearbyControlsRule {
    RuleSettings settings;
    double withinKilometres = 0.0;
};

// Each kept baseline no longer than its receivers allow: single-frequency
// (L1 only) at either end, or dual-frequency (L1/L2) at both.  A receiver
// whose frequencies no file says (an occupation log) counts as
// dual-frequency.
struct BaselineLengthRule {
    RuleSettings settings;
    double singleFrequencyKilometres = 0.0;
    double dualFrequencyKilometres = 0.0;
};

// Processing (`process`): every kept observation processed to a fixed
// solution whose ratio reaches this.
struct FixedSolutionsRule {
    RuleSettings settings;
    double minimumRatio = 0.0;
};

// Processing: each closed loop's 3D misclosure at most millimetres + parts
// per million of the loop's length (the sum of its vectors' lengths).
struct LoopMisclosureRule {
    RuleSettings settings;
    double millimetres = 0.0;
    double partsPerMillion = 0.0;
};

// Processing: a baseline processed in two sessions agrees within
// millimetres + parts per million of its length, horizontally and vertically.
struct RepeatBaselinesRule {
    RuleSettings settings;
    double horizontalMillimetres = 0.0, horizontalPartsPerMillion = 0.0;
    double verticalMillimetres = 0.0, verticalPartsPerMillion = 0.0;
};

// The precision of the vector between two adjusted stations at 95 %: the
// semi-major axis of its relative error ellipse within horizontal mm + ppm
// of its length, 1.96 sigma of its up component within vertical mm + ppm.
// Checked by `adjust`.
struct RelativeAccuracyRule {
    RuleSettings settings;
    double horizontalMillimetres = 0.0, horizontalPpm = 0.0;
    double verticalMillimetres = 0.0, verticalPpm = 0.0;
};

struct StandardProfile {
    std::string name;   // as the verdict names it
    std::string title;  // one line: what the profile is
    std::string file;   // where it was read from
    // The longest session the field list may suggest (maxSessionMinutes);
    // a need only a longer one meets is named instead.
    double maximumSessionMinutes = defaultMaximumSessionMinutes;
    OccupationsRule occupations;
    RedundancyRule redundancy;
    ObservationTimeRule observationTime;
    OccupationQualityRule occupationQuality;
    ControlsRule controls;
    SessionsRule sessions;
    LoopsRule loops;
    NearMissesRule nearMisses;
    AntennaRule antenna;
    TiesRule ties;
    NearbyControlsRule nearbyControls;
    BaselineLengthRule baselineLength;
    FixedSolutionsRule fixedSolutions;
    LoopMisclosureRule loopMisclosure;
    RepeatBaselinesRule repeatBaselines;
    RelativeAccuracyRule relativeAccuracy;

    const RuleSettings& Settings(RuleId rule) const;
    RuleSettings& Settings(RuleId rule);
};

// A profile that cannot be used.  what() reads FILE:LINE: key KEY: REASON
// (no line when none applies).
class ProfileError : public std::runtime_error {
public:
    ProfileError(std::string file, int64_t line, std::string key, const std::string& reason);

    std::string file;
    int64_t line = 0;
    std::string key;  // dotted, e.g. rules.occupations.minimumOccupations
};

// Where shipped profiles are looked for, in order: `standards` beside the
// running program (the build tree), then ../share/min_lumo/standards (an
// installation).
std::vector<std::filesystem::path> Standard_Profile_Folders();

// The profile a --standard value names, from the shipped folders.  The
// option takes an optional value, so a value that names no profile is a
// file that followed it: it goes back to the front of `files`, and the
// default profile is read.
StandardProfile Load_Standard_Option(const std::string& value, std::vector<std::string>& files);

// The names of the profiles in `folders` (file names without .json).
std::vector<std::string> Shipped_Profile_Names(const std::vector<std::filesystem::path>& folders);

// A shipped profile's name (empty: the default) or the path of a profile
// file.  Throws ProfileError for an unknown name, a file that cannot be read
// and any unknown key or rule, wrong type, missing key, or value out of
// range.  A rule the profile does not name is left out (RuleSettings::listed).
StandardProfile Load_Standard_Profile(const std::string& nameOrFile,
                                      const std::vector<std::filesystem::path>& folders);

// The same from a profile's text; `file` names it in messages.
StandardProfile Parse_Standard_Profile(const std::string& file, const std::string& text);

// "required" or "advisory".
const char* Severity_Name(RuleSeverity severity);

// Whether a --standard value names a profile (a shipped name, a file ending
// in .json, or a word without extension that names no file) rather than a
// field file that followed the option.
bool Names_Standard_Profile(const std::string& value, const std::vector<std::filesystem::path>& folders);

}  // namespace min_lumo_tool

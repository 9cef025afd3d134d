#include "tool/field/rinex_epochs.h"

#include <algorithm>
#include <charconv>

#include <fmt/format.h>

#include "tool/field/occupation.h"

namespace min_lumo_field {

namespace {

// The columns of an epoch line (from 0), per layout.
struct EpochColumns {
    std::size_t year, yearWidth, month, day, hour, minute, second, flag, count;
    std::size_t separators[5];
};
constexpr EpochColumns twoDigitYearColumns{1, 2, 4, 7, 10, 13, 15, 28, 29, {0, 3, 6, 9, 12}};
constexpr EpochColumns markedColumns{2, 4, 7, 10, 13, 16, 18, 31, 32, {1, 6, 9, 12, 15}};
constexpr std::size_t secondsWidth = 11;  // F11.7
constexpr std::size_t countWidth = 3;     // I3
constexpr int64_t largestCount = 999;
constexpr int64_t firstTwoDigitYearOf1900s = 80;  // 80-99: 1980-1999, 00-79: 2000-2079
constexpr int64_t firstFourDigitYear = 1980;
constexpr int64_t lastFourDigitYear = 2199;
constexpr double secondsLimit = 61.0;  // 60.x rolls into the next minute
// RINEX 2 lines: 12 satellites on the epoch line and each continuation
// line, 5 observations on each observation line.
constexpr int64_t satellitesPerLine = 2 * 6;
constexpr int64_t observationsPerLine = 5;
// Past this many, skipped runs of junk are only counted.
constexpr int maximumJunkWarnings = 20;

bool Is_Blank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

// Blanks, then digits, then blanks: the usual epoch field, read without
// the general parser (an epoch line has six of them).  False when the
// field holds anything else.
bool Read_Plain_Digits(std::string_view field, int64_t& value) {
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    const std::size_t digitsStart = i;
    int64_t number = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) number = number * 10 + (field[i] - '0');
    if (i == digitsStart) return false;
    for (; i < field.size(); ++i)
        if (field[i] != ' ') return false;
    value = number;
    return true;
}

// Whole number field in range, blanks around it allowed.
bool Read_Field(std::string_view line, std::size_t first, std::size_t width, int64_t low, int64_t high, int64_t& value) {
    const std::string_view field = Columns(line, first, width);
    int64_t digits = 0;
    if (Read_Plain_Digits(field, digits)) {
        if (digits < low || digits > high) return false;
        value = digits;
        return true;
    }
    const std::optional<int64_t> parsed = Parse_Integer_Field(field);
    if (!parsed || *parsed < low || *parsed > high) return false;
    value = *parsed;
    return true;
}

// F11.7 as Fortran reads it: blanks inside the field are ignored.
bool Read_Seconds(std::string_view field, double& seconds) {
    char digits[secondsWidth];
    std::size_t size = 0;
    for (const char c : field)
        if (c != ' ') digits[size++] = c;
    if (size == 0) return false;
    const auto [end, error] = std::from_chars(digits, digits + size, seconds);
    return error == std::errc() && end == digits + size && seconds >= 0.0 && seconds < secondsLimit;
}

class EpochScanner {
public:
    EpochScanner(LineReader& lines, const RinexHeader& header, std::vector<std::string>& warnings)
        : lines_(lines),
          header_(header),
          warnings_(warnings),
          layout_(header.major == 2 ? EpochLayout::TwoDigitYear : EpochLayout::Marked) {}

    EpochSummary Scan() {
        if (header_.compact) Scan_Compact();
        else Scan_Plain();
        Close_Junk();
        if (pending_ > 0)
            Damage(pendingStart_, pendingData_ ? "the file ends inside this epoch record (cut short?)"
                                               : "the file ends inside this event record (cut short?)");
        // The last line without a line end: a cut inside it, whatever the
        // line held.  A lone DOS end-of-file character has none either.
        if (lines_.Line_Unterminated() && !dosEnd_)
            Damage(lines_.Line_Number(), "the file ends inside this line, which has no line end (cut short?)");
        if (junkRuns_ > maximumJunkWarnings)
            Warn(0, fmt::format("{} more runs of lines that are neither an epoch record nor its data were skipped",
                                junkRuns_ - maximumJunkWarnings));
        summary_.runs = runs_.Finish();
        return summary_;
    }

private:
    void Warn(int64_t line, const std::string& text) { warnings_.push_back(Located(lines_.Name(), line, text)); }
    // The first sign of a cut is the one told.
    void Damage(int64_t line, const std::string& text) {
        if (!summary_.damage.empty()) return;
        summary_.damage = text;
        summary_.damageLine = line;
    }

    // Lines an epoch record announces after its epoch line.
    int64_t Lines_Announced(const EpochRecord& record) const {
        if (Special_Records_Follow(record)) return record.count;
        if (header_.compact) return 1 + record.count;  // the clock line, then one line per satellite
        if (layout_ == EpochLayout::Marked) return record.count;
        const int64_t continuation = record.count > satellitesPerLine ? (record.count - 1) / satellitesPerLine : 0;
        const int64_t linesPerSatellite = (header_.observationTypes + observationsPerLine - 1) / observationsPerLine;
        return continuation + record.count * linesPerSatellite;
    }

    // Events announce special records (header lines and the like); Compact
    // RINEX writes cycle-slip records (flag 6) as they are, like events.
    bool Special_Records_Follow(const EpochRecord& record) const {
        return (record.flag >= 2 && record.flag <= 5) || (header_.compact && record.flag == 6);
    }

    // An epoch record's epoch line has been read: count it, and expect what
    // it announces.
    void Take_Record(const EpochRecord& record) {
        const int64_t line = lines_.Line_Number();
        pending_ = Lines_Announced(record);
        pendingData_ = !Special_Records_Follow(record);
        pendingStart_ = line;
        if (record.flag == 3 && !siteEventWarned_) {
            siteEventWarned_ = true;
            Warn(line, "a new site occupation starts here (event flag 3); the file's first marker is used for all of it");
        }
        if (record.flag > 1) return;
        const double gps = Gps_Seconds_From_Civil(record.time, header_.timeSystem);
        if (summary_.count == 0) {
            summary_.firstGps = summary_.lastGps = gps;
        } else {
            if (gps < previousGps_ && !orderWarned_) {
                orderWarned_ = true;
                Warn(line, "this epoch is earlier than the one before it; the earliest and latest epochs are used");
            }
            summary_.firstGps = std::min(summary_.firstGps, gps);
            summary_.lastGps = std::max(summary_.lastGps, gps);
        }
        previousGps_ = gps;
        ++summary_.count;
        runs_.Add(gps);
    }

    // True when the line read is the file's last, cut inside: it must not count.
    bool Cut_Last_Line() {
        if (!lines_.Line_Unterminated()) return false;
        Damage(lines_.Line_Number(), "the file ends inside this epoch line (cut short?); it was not read");
        return true;
    }

    void Note_Junk() {
        if (junkLines_ == 0) junkStart_ = lines_.Line_Number();
        ++junkLines_;
    }

    void Close_Junk() {
        if (junkLines_ == 0) return;
        if (++junkRuns_ <= maximumJunkWarnings)
            Warn(junkStart_, fmt::format("{} line{} that {} neither an epoch record nor its data {} skipped", junkLines_,
                                         junkLines_ == 1 ? "" : "s", junkLines_ == 1 ? "is" : "are",
                                         junkLines_ == 1 ? "was" : "were"));
        junkLines_ = 0;
    }

    // An announced line that is in fact a valid epoch line: the record
    // before it was shorter than it said (a writer's fault or a cut).
    bool Early_Epoch(std::string_view line, EpochRecord& record) {
        if (!pendingData_) return false;
        if (!Parse_Epoch_Line(line, layout_, record)) return false;
        Warn(pendingStart_, "this epoch record holds fewer lines than it announces");
        pending_ = 0;
        return true;
    }

    void Scan_Plain() {
        std::string_view line;
        EpochRecord record;
        while (lines_.Next(line)) {
            if (pending_ > 0) {
                // Cheap look first: most announced lines are observations.
                const std::size_t flag = twoDigitYearColumns.flag;
                const bool mayBeEpoch = layout_ == EpochLayout::Marked
                                            ? !line.empty() && line[0] == '>'
                                            : line.size() > flag && line[flag] >= '0' && line[flag] <= '6';
                if (!(mayBeEpoch && Early_Epoch(line, record))) {
                    --pending_;
                    continue;
                }
            } else if (!Parse_Epoch_Line(line, layout_, record)) {
                if (!line.empty() && line[0] == '\x1a') {  // DOS end of file
                    dosEnd_ = true;
                    break;
                }
                if (!Is_Blank(line)) Note_Junk();
                continue;
            }
            if (Cut_Last_Line()) break;
            Close_Junk();
            Take_Record(record);
        }
    }

    // Compact RINEX: each epoch line is a text difference against the epoch
    // line before it (a blank keeps the character, '&' makes it a blank, any
    // other character replaces it, and what reaches past the old line is
    // appended).  A line starting with the initialisation mark ('&' for
    // RINEX 2, '>' for RINEX 3 and 4) starts afresh.  Events (flags 2-6) are
    // written whole with the mark, followed by their special records as they
    // are, and the next epoch starts afresh.  Version 3.0 may put escape
    // lines starting with '&' before an epoch line.  The clock line and the
    // satellite lines are skipped without decoding.
    void Scan_Compact() {
        const char mark = layout_ == EpochLayout::Marked ? '>' : '&';
        const char top = layout_ == EpochLayout::Marked ? '>' : ' ';
        const bool escapeLines = header_.compactVersion == "3.0" && mark == '>';
        std::string candidate;
        std::string_view line;
        EpochRecord record;
        while (lines_.Next(line)) {
            if (pending_ > 0) {
                const bool marked = pendingData_ && !line.empty() && line[0] == mark;
                if (marked) Rebuild_Marked(line, top, candidate);
                if (!(marked && Early_Epoch(candidate, record))) {
                    --pending_;
                    continue;
                }
                Start_Afresh(candidate, record);
            } else if (!line.empty() && line[0] == mark) {
                Rebuild_Marked(line, top, candidate);
                if (!Parse_Epoch_Line(candidate, layout_, record)) {
                    referenceValid_ = false;
                    Note_Junk();
                    continue;
                }
                Start_Afresh(candidate, record);
            } else if (escapeLines && !line.empty() && line[0] == '&') {
                continue;
            } else {
                if (!line.empty() && line[0] == '\x1a') {  // DOS end of file
                    dosEnd_ = true;
                    break;
                }
                if (!referenceValid_) {
                    if (!Is_Blank(line)) Note_Junk();
                    continue;
                }
                Apply_Difference(line);
                if (!Parse_Epoch_Line(reference_, layout_, record) || record.flag > 1) {
                    // Nothing more can be rebuilt before the next fresh start.
                    referenceValid_ = false;
                    Note_Junk();
                    continue;
                }
            }
            if (Cut_Last_Line()) break;
            Close_Junk();
            Take_Record(record);
        }
    }

    // The marked line as it reads in full: the mark back to its RINEX
    // character and, as in any rebuilt line, '&' as a blank.
    static void Rebuild_Marked(std::string_view line, char top, std::string& candidate) {
        candidate.assign(line.data(), line.size());
        candidate[0] = top;
        std::replace(candidate.begin() + 1, candidate.end(), '&', ' ');
        while (!candidate.empty() && candidate.back() == ' ') candidate.pop_back();
    }

    // A marked epoch line: the new reference, unless it is an event, after
    // which the next epoch line must start afresh.
    void Start_Afresh(const std::string& candidate, const EpochRecord& record) {
        referenceValid_ = record.flag <= 1;
        if (referenceValid_) reference_ = candidate;
    }

    void Apply_Difference(std::string_view difference) {
        const std::size_t common = std::min(reference_.size(), difference.size());
        for (std::size_t i = 0; i < common; ++i) {
            const char c = difference[i];
            if (c != ' ') reference_[i] = c == '&' ? ' ' : c;
        }
        for (std::size_t i = common; i < difference.size(); ++i) reference_.push_back(difference[i] == '&' ? ' ' : difference[i]);
        while (!reference_.empty() && reference_.back() == ' ') reference_.pop_back();
    }

    LineReader& lines_;
    const RinexHeader& header_;
    std::vector<std::string>& warnings_;
    const EpochLayout layout_;
    EpochSummary summary_;
    EpochRunBuilder runs_;
    double previousGps_ = 0.0;

    int64_t pending_ = 0;       // announced lines still to skip
    bool pendingData_ = false;  // they are observations (not an event's special records)
    int64_t pendingStart_ = 0;  // the epoch line that announced them

    std::string reference_;     // Compact RINEX: the last epoch line rebuilt
    bool referenceValid_ = false;

    int64_t junkStart_ = 0, junkLines_ = 0;
    int junkRuns_ = 0;
    bool siteEventWarned_ = false, orderWarned_ = false;
    bool dosEnd_ = false;  // the data ended with a DOS end-of-file character
};

}  // namespace

bool Parse_Epoch_Line(std::string_view line, EpochLayout layout, EpochRecord& record) {
    const EpochColumns& columns = layout == EpochLayout::Marked ? markedColumns : twoDigitYearColumns;
    if (line.size() <= columns.flag) return false;
    if (layout == EpochLayout::Marked && line[0] != '>') return false;
    const char flag = line[columns.flag];
    if (flag < '0' || flag > '6' || line[columns.flag - 1] != ' ' || line[columns.flag - 2] != ' ') return false;
    record.flag = flag - '0';
    const bool event = record.flag >= 2 && record.flag <= 5;

    const std::string_view count = Columns(line, columns.count, countWidth);
    if (Is_Blank(count)) {
        if (!event) return false;
        record.count = 0;
    } else if (!Read_Field(line, columns.count, countWidth, 0, largestCount, record.count)) {
        return false;
    }

    const std::size_t timeStart = layout == EpochLayout::Marked ? 1 : 0;
    if (event && Is_Blank(line.substr(timeStart, columns.flag - 2 - timeStart))) {
        record.timeGiven = false;
        return true;
    }
    for (const std::size_t separator : columns.separators)
        if (line[separator] != ' ') return false;
    CivilTime& time = record.time;
    if (layout == EpochLayout::Marked) {
        if (!Read_Field(line, columns.year, columns.yearWidth, firstFourDigitYear, lastFourDigitYear, time.year)) return false;
    } else {
        if (!Read_Field(line, columns.year, columns.yearWidth, 0, 99, time.year)) return false;
        time.year += time.year >= firstTwoDigitYearOf1900s ? 1900 : 2000;
    }
    if (!Read_Field(line, columns.month, 2, 1, 12, time.month) || !Read_Field(line, columns.day, 2, 1, 31, time.day)
        || !Is_Valid_Civil_Date(time.year, time.month, time.day) || !Read_Field(line, columns.hour, 2, 0, 23, time.hour)
        || !Read_Field(line, columns.minute, 2, 0, 59, time.minute)
        || !Read_Seconds(Columns(line, columns.second, secondsWidth), time.second))
        return false;
    record.timeGiven = true;
    return true;
}

EpochSummary Scan_Epochs(LineReader& lines, const RinexHeader& header, std::vector<std::string>& warnings) {
    return EpochScanner(lines, header, warnings).Scan();
}

}  // namespace min_lumo_field

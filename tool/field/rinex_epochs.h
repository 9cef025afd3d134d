// The epoch records of a RINEX observation file, plain or Compact: their
// times, read from the records themselves (TIME OF LAST OBS is optional and
// not to be trusted), without decoding a single observation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tool/field/epoch_runs.h"
#include "tool/field/gnss_time.h"
#include "tool/field/line_reader.h"
#include "tool/field/rinex_header.h"

namespace min_lumo_field {

// Where the fields of an epoch line lie: RINEX 2 (and Compact RINEX 1.0
// once its line is rebuilt), or RINEX 3 and 4 (and Compact RINEX 3.0).
enum class EpochLayout { TwoDigitYear, Marked };

struct EpochRecord {
    int flag = 0;            // 0 and 1 observations; 2-5 events; 6 cycle slips
    int64_t count = 0;       // satellites, or for events the special records that follow
    bool timeGiven = false;  // events may leave the time blank
    CivilTime time;
};

// True when the line is a valid epoch line, filling `record`.  Valid means:
// the separating columns are blank (and RINEX 3 lines start with '>'); year,
// month, day, hour and minute are whole numbers in range (two-digit years
// 80-99 are 19xx, 00-79 20xx; four-digit years 1980-2199; real dates);
// the seconds are a number from 0 to below 61 (blanks inside it are ignored,
// as Fortran reads it); the flag is one digit 0-6; the count is a number
// 0-999.  An event (flags 2-5) may leave every time field blank, and a blank
// count there means none.
bool Parse_Epoch_Line(std::string_view line, EpochLayout layout, EpochRecord& record);

struct EpochSummary {
    int64_t count = 0;  // observation epochs (flags 0 and 1)
    double firstGps = 0.0, lastGps = 0.0;  // earliest and latest of them, GPS seconds
    std::vector<EpochRun> runs;            // all of them, in time order, without repeats
    // The file ends inside a record or a line (cut short): why, and the
    // line; empty when the records end whole.
    std::string damage;
    int64_t damageLine = 0;
};

// Reads the epoch records after the header to the end of the data.  Lines
// that are neither an epoch record nor what one announces are skipped until
// the next valid epoch line; each such run and anything else doubtful
// becomes a warning.  A file cut inside a record or a line is damage.
EpochSummary Scan_Epochs(LineReader& lines, const RinexHeader& header, std::vector<std::string>& warnings);

}  // namespace min_lumo_field

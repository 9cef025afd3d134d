// The solution file the engine (RTKLIB's rnx2rtkp) writes for one baseline,
// as the tool asks for it: Earth-centred positions (out-solformat=xyz), GPS
// week and seconds of week (out-timeform=tow), one line per epoch
// (out-solstatic=all), each the static solution over the epochs so far.
// The last line is the solution over the whole window: the one line
// out-solstatic=single writes (checked on the real test data); the lines
// before it count the epochs used.
//
// A line, as RTKLIB's solution writer lays it out (its manual's appendix on
// output file formats):
//   week  seconds  x  y  z  Q  ns  sdx  sdy  sdz  sdxy  sdyz  sdzx  age  ratio
// metres, Q the quality (1 fix, 2 float, 3 SBAS, 4 DGPS, 5 single, 6 PPP),
// ns the satellites; sdxy, sdyz and sdzx are signed square roots of the
// covariances: sign(c) * sqrt(|c|).  Lines starting with % are the header;
// "% ref pos   : x y z" is the base position the engine used.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tool/vectors/processed_vector.h"
#include "tool/vectors/vector_files.h"

namespace min_lumo_tool {

using min_lumo_vectors::EarthCentred;
using min_lumo_vectors::SolutionKind;
using min_lumo_vectors::VectorCovariance;

// RTKLIB's quality flags (its solution format's Q column).
enum class EngineQuality : int32_t { fixed = 1, floating = 2, sbas = 3, dgps = 4, single = 5, ppp = 6 };

struct EngineSolutionLine {
    double gpsSeconds = 0.0;  // on the tool's GPS seconds axis (tool/field/gnss_time.h)
    EarthCentred position;    // the rover's mark, metres
    EngineQuality quality = EngineQuality::single;
    int32_t satellites = 0;
    VectorCovariance covariance;  // m², from the signed roots
    double ageSeconds = 0.0;
    double ratio = 0.0;
};

struct EngineSolution {
    std::optional<EngineSolutionLine> last;  // none when the file holds no solution line
    int64_t epochs = 0;                      // solution lines
    std::optional<EarthCentred> basePosition;  // "% ref pos", when the header gives it
};

// A solution file that is not what the engine writes.  what() reads
// FILE:LINE: REASON.
class SolutionFileError : public std::runtime_error {
public:
    SolutionFileError(const std::string& file, int64_t line, const std::string& reason);
};

// Reads the text of a solution file; `file` names it in messages.  Throws
// SolutionFileError on a line that is neither header nor a solution line
// (wrong count of fields, a field that is no finite number, a quality
// outside 1 to 6, a negative standard deviation or satellite count) or on
// times that go backwards.
EngineSolution Parse_Solution_Text(const std::string& file, std::string_view text);

// The kind of vector a quality flag gives: fixed, float, or single for a
// solution from codes alone (SBAS, DGPS, single point, PPP).
SolutionKind Solution_Kind_Of(EngineQuality quality);

// "fixed", "float", "single", "failed", as every output names solutions
// (the exchange files' names).
inline const char* Solution_Kind_Name(SolutionKind kind) { return min_lumo_vectors::Solution_Name(kind); }

}  // namespace min_lumo_tool

// A processed GNSS vector between two survey marks, as `process` writes it
// and `adjust` reads it, and the exchange files that carry vectors and
// control coordinates: the tool's CSV and JSON, NGS G-files and GNU GaMa
// XML.  One layer owns both directions of every format, so that a file the
// tool writes is a file it reads back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace min_lumo_vectors {

// How the engine solved the vector.
enum class SolutionKind { fixed, floating, single, failed };

// An Earth-centred, Earth-fixed position, metres (WGS 84 / ITRF as given).
struct EarthCentred {
    double x = 0.0, y = 0.0, z = 0.0;
};

// The vector's covariance in m², Earth-centred axes: the six distinct
// elements of the symmetric 3x3 matrix.
struct VectorCovariance {
    double xx = 0.0, xy = 0.0, xz = 0.0, yy = 0.0, yz = 0.0, zz = 0.0;
};

struct ProcessedVector {
    std::string from, to;  // station names: the vector runs from `from` to `to`
    std::string session;   // e.g. 077F; empty when the input does not say
    std::string label;     // the plan's observation label; empty when unknown
    // The common time window the vector was processed over, GPS seconds as
    // tool/field/gnss_time.h counts them; both 0 when the input does not say.
    double startGps = 0.0, endGps = 0.0;
    double dX = 0.0, dY = 0.0, dZ = 0.0;  // metres, Earth-centred: to minus from, mark to mark
    VectorCovariance covariance;          // m²

    // What the engine reported; inputs that do not say leave the defaults.
    SolutionKind solution = SolutionKind::fixed;
    std::optional<double> ratio;  // the ambiguity validation ratio
    int32_t satellites = 0;
    int64_t epochs = 0;
    std::optional<EarthCentred> basePosition;  // the from-station's position the engine was given
    std::string baseFrom;                      // where that position came from, in words
    double engineSeconds = 0.0;                // the engine's wall-clock time

    // Where the vector was read from, for messages: the file and its line
    // (0 when no line applies).
    std::string file;
    int64_t line = 0;
};

// A control station's coordinates, with optional standard deviations that
// weight it instead of holding it fixed.
struct ControlCoordinate {
    std::string station;
    EarthCentred position;
    std::optional<std::array<double, 3>> sigmasMetres;  // east, north, up; none: held fixed
    std::string file;
    int64_t line = 0;
};

}  // namespace min_lumo_vectors

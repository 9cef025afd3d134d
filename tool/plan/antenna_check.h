// The antenna a receiver file records, checked for the commonest blunders
// of a static survey: a height no tripod or pole gives (a height in
// centimetres or feet typed as metres, or left at zero), and a type nobody
// set, which no processing can correct for.
#pragma once

#include <string>
#include <vector>

#include "tool/field/occupation.h"

namespace min_lumo_tool {

// What a tripod or a pole gives: the warning's range, and the antenna
// rule's unless a profile says otherwise.
inline constexpr double lowestTripodAntennaHeightMetres = 0.05;
inline constexpr double highestTripodAntennaHeightMetres = 3.0;

struct AntennaLimits {
    double lowestHeightMetres = lowestTripodAntennaHeightMetres;
    double highestHeightMetres = highestTripodAntennaHeightMetres;
    bool knownType = true;  // the antenna type must name an antenna
};

// An antenna type that names no antenna: empty, or a receiver's or an
// office's placeholder (UNKNOWN, NONE, DEFAULT, ? and the like, ignoring
// letter case), the radome after it (columns 17-20 of ANT # / TYPE) aside.
bool Is_Placeholder_Antenna_Type(const std::string& antennaType);

// One doubt about an occupation's antenna.
struct AntennaDoubt {
    bool height = false;  // the height is out of range; else the type names no antenna
    std::string text;     // e.g. "antenna height 15.000 m, outside 0.05 to 3 m"
};

// What is doubtful about the antenna of a receiver file's occupation; none
// for an occupation log's line, which records no antenna.
std::vector<AntennaDoubt> Antenna_Doubts(const min_lumo_field::Occupation& occupation,
                                         const AntennaLimits& limits = {});

// The doubts in one line, "; " between them; empty when there are none.
std::string Antenna_Doubts_Text(const std::vector<AntennaDoubt>& doubts);

}  // namespace min_lumo_tool

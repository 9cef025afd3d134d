// Which antennas a phase-centre file (ANTEX, --antex) models, so that every
// output can say whether a model was applied at each end: RTKLIB looks a
// receiver antenna up by its type and radome, and falls back to the type
// without radome; an antenna it does not find gets no model, silently.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace min_lumo_tool {

// The antenna types (TYPE / SERIAL NO, columns 1-20) of the receiver
// antennas in the file, spaces between words made one.
using AntennaTypes = std::set<std::string>;

// Throws FieldFileError (tool/field) naming the file when it cannot be read
// or is not ANTEX (its first line is not ANTEX VERSION / SYST).
AntennaTypes Antex_Antenna_Types(const std::string& file);
AntennaTypes Antex_Antenna_Types_Of_Bytes(const std::string& name, std::string_view bytes);

// Whether RTKLIB finds a model for `type` (as a RINEX header writes it):
// every word of it within one type of the file, or else a type of the file
// that starts with its first word (the antenna without its radome).
bool Antex_Has_Model(const AntennaTypes& types, const std::string& type);

}  // namespace min_lumo_tool

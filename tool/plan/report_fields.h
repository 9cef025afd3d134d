// How the plan's reports write single values: durations, file lists and CSV
// fields, the same in the text, JSON and CSV.
#pragma once

#include <string>
#include <vector>

namespace min_lumo_tool {

// "2:05:00" for 2 hours and 5 minutes: hours, minutes and seconds to the
// nearest second (half a second up), hours not limited to a day.
std::string Hours_Minutes_Seconds(double seconds);

// Paths as given on the command line, joined with " + ".
std::string Joined_Files(const std::vector<std::string>& files);

// A field as a spreadsheet reads it back: quoted when it holds a separator,
// a quote or a line end, quotes doubled.
std::string Csv_Field(const std::string& text);

// The fields, each as Csv_Field writes it, separated by commas and ended
// with a line end.
std::string Csv_Line(const std::vector<std::string>& fields);

}  // namespace min_lumo_tool

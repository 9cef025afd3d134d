// How the plan's reports write single values: durations, file lists and CSV
// fields, the same in the text, JSON and CSV.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace min_lumo_tool {

// "2:05:00" for 2 hours and 5 minutes: hours, minutes and seconds to the
// nearest second (half a second up), hours not limited to a day.
std::string Hours_Minutes_Seconds(double seconds);

// A measured and a required value as a failing item shows them: each with
// `decimals` places, or as many more (up to 9) as it takes for the texts to
// compare as the values do -- "4.9995" against "5.0000", never "5.0"
// against "5.0" for 299.97 s against 300 s.
std::pair<std::string, std::string> Compared_Texts(double measured, double required, int decimals);

// Paths as given on the command line, joined with " + ".
std::string Joined_Files(const std::vector<std::string>& files);

// A field as a spreadsheet reads it back: quoted when it holds a separator,
// a quote or a line end, quotes doubled.
std::string Csv_Field(const std::string& text);

// The fields, each as Csv_Field writes it, separated by commas and ended
// with a line end.
std::string Csv_Line(const std::vector<std::string>& fields);

}  // namespace min_lumo_tool

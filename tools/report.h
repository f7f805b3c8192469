#pragma once
// gauzel-report: the profile of one directory, as the window would show it after a rescan.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace gauzel {

// Runs the report with `args` (without the program name). Exit status: 0 done, 1 the directory
// cannot be profiled, 2 bad usage, 3 done but some of the tree could not be read (listed on
// `err`), 4 the report could not be written.
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Control characters (below 0x20, and 0x7F) as \n, \t, \r or \xHH, so that a name cannot forge a
// line of the report or reach the terminal raw. A logical name never holds "\", so these read
// unambiguously.
std::string EscapeControls(std::string_view text);
// The same, appended to `escaped`.
void AppendEscaped(std::string& escaped, std::string_view text);

// "RRGGBB" of a 0x00BBGGRR colour.
std::string HexColour(unsigned colour);

}  // namespace gauzel

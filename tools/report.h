#pragma once
// gauzel-report: the profile of one directory, as the window would show it after a rescan.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace gauzel {

// Runs the report with `args` (without the program name). Exit status: 0 done, 1 the directory
// cannot be profiled, 2 bad usage.
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A JSON string literal of `bytes`; a byte that is not part of valid UTF-8 becomes U+FFFD.
std::string JsonString(std::string_view bytes);

// "RRGGBB" of a 0x00BBGGRR colour.
std::string HexColour(unsigned colour);

}  // namespace gauzel

#pragma once
// gauzel-report: the profile of one directory, as the window would show it after a rescan.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "core/display/format_size.h"
#include "core/kinds/file_stats.h"
#include "core/profile/profile.h"
#include "core/saved/comparison.h"
#include "core/scan/tree_walk.h"

namespace gauzel {

// Runs the report with `args` (without the program name). Exit status: 0 done, 1 the directory
// (or the saved scan) cannot be profiled, or the export's file cannot be written (the file it was
// to replace then stays as it was), 2 bad usage, 3 done but some of the tree could not be read
// (listed on `err`), 4 the report (or an export to standard output) could not be written.
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The report of a rescanned profile: the summary lines and one line an entry, in `units`. Compared
// with a saved scan: each entry's change between its size and its name, and a line for each
// entry that is gone.
// `treeLine` and `freeSpaceLine`, when given, stand for the summary's own; `afterSummary` (whole
// lines) follows it.
void PrintText(const Profile& profile, Units units, std::ostream& out, const Comparison* comparison = nullptr,
               const std::string& treeLine = {}, const std::string& freeSpaceLine = {},
               const std::string& afterSummary = {});
// Its entries alone, a line each: "COLOUR  SIZE  NAME" (the change before the name, compared).
void PrintRows(const Profile& profile, Units units, std::ostream& out,
               const Comparison* comparison = nullptr);
// The same profile as one JSON object on one line, with how it counted and what it could not read,
// and what the rescan gathered of its files (`stats`: the arrays kinds, types, ages and largest;
// compared with the saved scan's `statsBefore`, each row's change).
void PrintJson(const Profile& profile, Counting counting, std::ostream& out,
               const Comparison* comparison = nullptr, const FileStats* stats = nullptr,
               const FileStats* statsBefore = nullptr);

// "RRGGBB" of a 0x00BBGGRR colour.
std::string HexColour(unsigned colour);

}  // namespace gauzel

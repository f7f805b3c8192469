#pragma once
// The three summary lines under the chart, and where their baselines stand.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/display/format_size.h"
#include "core/profile/profile.h"

namespace gauzel {

struct SummaryLines {
    std::string tree;       // "Size of tree: 8,000,000 bytes"
    std::string freeSpace;  // "C: has 1,234,567 bytes free (12%)"
    std::string path;       // "Path: C:\"
};

// A size that leaves something out reads "1,547,023,401+", and the tree line says what:
// "Size of tree: 1,547,023,401+ bytes (8 directories could not be read)". A complete profile's
// lines have neither.
SummaryLines MakeSummaryLines(const Profile& profile, Units units);
// The tree line when files are counted: "Files in tree: 12,345" (marked as the size line is).
std::string FilesInTreeLine(const Profile& profile);

// Entry i's size text in the units, with the "+" of a size that leaves something out.
std::string EntrySizeText(const Profile& profile, std::size_t entry, Units units);

// The logical path as the user reads it: a drive root gets its "\" ("C:\").
std::string DisplayPath(const std::string& path);

// Entry i's name as text, escaped (EscapeControls); a real directory named like the loose files
// shows its ">" as "\x3E", so that the two never read alike.
void AppendEntryName(std::string& text, const Profile& profile, std::size_t entry);
std::string EntryName(const Profile& profile, std::size_t entry);

// What a legend row says when asked (its tooltip, and its description for screen readers): the
// entry's whole name, its size in the units (and in bytes when the units are not bytes), and its
// share of the tree, one line each; then what the size leaves out, if anything.
std::string EntryDescription(const Profile& profile, std::size_t entry, Units units);

// "1 directory", "2 directories": a count and the word that goes with it.
std::string Counted(std::uint64_t count, const char* one, const char* many);

// What the window lists under "What Could Not Be Read...": a line a problem below entry `entry`
// (every problem of the profile when none), its real path escaped, then
// "and N more" for those past the kept ones. `realPathOf` maps a logical path to the real one.
std::string UnreadListing(const Profile& profile, std::optional<std::size_t> entry,
                          const std::function<std::optional<std::string>(const std::string&)>& realPathOf);

// Baselines, top to bottom, for a client area ending at `clientBottom` and a font `fontHeight`
// pixels high: the path line half a line above the bottom, each other line one line above.
struct SummaryBaselines {
    int tree;
    int freeSpace;
    int path;
};
SummaryBaselines MakeSummaryBaselines(int clientBottom, int fontHeight);

}  // namespace gauzel

#pragma once
// The three summary lines under the chart, and where their baselines stand.

#include <string>

#include "view/display/format_size.h"
#include "view/profile/profile.h"

namespace gauzel {

struct SummaryLines {
    std::string tree;       // "Size of tree: 8,000,000 bytes"
    std::string freeSpace;  // "C: has 1,234,567 bytes free (12%)"
    std::string path;       // "Path: C:\"
};

SummaryLines MakeSummaryLines(const Profile& profile, Units units);

// The logical path as the user reads it: a drive root gets its "\" ("C:\").
std::string DisplayPath(const std::string& path);

// Entry i's name as text, escaped (EscapeControls); a real directory named like the loose files
// shows its ">" as "\x3E", so that the two never read alike.
void AppendEntryName(std::string& text, const Profile& profile, std::size_t entry);
std::string EntryName(const Profile& profile, std::size_t entry);

// What a legend row says when asked (its tooltip, and its description for screen readers): the
// entry's whole name, its size in the units (and in bytes when the units are not bytes), and its
// share of the tree, one line each.
std::string EntryDescription(const Profile& profile, std::size_t entry, Units units);

// Baselines, top to bottom, for a client area ending at `clientBottom` and a font `fontHeight`
// pixels high: the path line half a line above the bottom, each other line one line above.
struct SummaryBaselines {
    int tree;
    int freeSpace;
    int path;
};
SummaryBaselines MakeSummaryBaselines(int clientBottom, int fontHeight);

}  // namespace gauzel

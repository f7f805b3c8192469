#pragma once
// A profile beside the same directory of a saved scan: what each entry was then, and which of
// the entries then are gone. Entries are matched by name (the loose files with the loose files),
// so a renamed directory is one gone and one new, never one grown.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/display/format_size.h"
#include "core/profile/profile.h"
#include "core/saved/saved_scan.h"
#include "core/scan/read_directory.h"
#include "platform/settings_store.h"

namespace gauzel {

struct Comparison {
    // The saved scan's tree reaches the directory (it lies at or below the scan's root): without
    // that nothing is compared, and nothing is told as new.
    bool reached = true;
    // The saved scan has the directory; without it every entry is new and nothing is gone.
    bool found = false;
    std::optional<std::int64_t> timestamp;  // the saved scan's
    Profile before;                         // the directory as the saved scan has it
    std::vector<std::size_t> match;  // by entry of the profile: its entry in `before`, or kNoEntry (new)
    std::vector<std::size_t> gone;   // entries of `before` the profile lacks, largest first
};

// Matches `now` with `before` (nothing: the saved scan lacks the directory).
Comparison Compare(const Profile& now, std::optional<Profile> before, std::optional<std::int64_t> timestamp);

// The directory `logicalPath` of `saved` profiled as a rescan counts with `settings` and
// `counting`; nothing when the saved scan has no such directory.
// `gathering` (when given): what it gathers of the files too, into `stats`.
std::optional<Profile> ProfileOfSaved(SavedScanFileSystem& saved, const std::string& logicalPath,
                                      const SettingsStore& settings, Counting counting,
                                      const Gathering* gathering = nullptr,
                                      std::optional<FileStats>* stats = nullptr);

// Whether an entry's change leaves something out: either side could not read all below it.
bool ChangeIsPartial(const Profile& now, const Comparison& comparison, std::size_t entry);
// The same of a gone entry: the saved scan could not read all below it.
bool GoneIsPartial(const Comparison& comparison, std::size_t gone);
// "+1,000,000", "-200,000", "0" (in the units), or "new"; a "+" after it when it is partial.
std::string ChangeText(const Profile& now, const Comparison& comparison, std::size_t entry, Units units);
// A gone entry's change: minus its size then.
std::string GoneChangeText(const Comparison& comparison, std::size_t gone, Units units);
// What the tree line adds: " (+700,000 since 2026-12-01 10:04)", " (... since the saved scan)"
// without a time, " (not in the saved scan)".
std::string TreeChangeText(const Profile& now, const Comparison& comparison, Units units);
// The change as a signed decimal integer of bytes ("-200000").
std::string SignedDecimal(ByteCount now, ByteCount before);

// A legend row's size text, and its change after it while comparing (`comparison` not null).
std::string SizeAndChangeText(const Profile& now, const Comparison* comparison, std::size_t entry,
                              Units units);
// What a row's description adds while comparing: its size in the saved scan and the change, or
// that the saved scan lacks it.
std::string ChangeDescription(const Profile& now, const Comparison& comparison, std::size_t entry,
                              Units units);
// The saved scan a comparison is made with: its file and the directory it is a scan of.
struct SavedScanOrigin {
    std::string file;
    std::string root;
};
// "What Changed": a line naming the directory and the saved scan, then a line an entry that
// changed, "CHANGE  NAME", the gone ones too ("  (gone)", new ones "  (new)"), largest growth
// first; where the saved scan does not reach the directory, only that.
std::string ChangeListing(const Profile& now, const Comparison& comparison, const SavedScanOrigin& origin,
                          Units units);

}  // namespace gauzel

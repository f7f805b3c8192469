#pragma once
// The profile of one directory: its entries (each immediate subdirectory and the loose files),
// their sizes and colours, the totals, and where the user is.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/profile/byte_count.h"

namespace gauzel {

using Colour = std::uint32_t;  // 0x00BBGGRR: red in the low byte
inline constexpr Colour kWhite = 0xFFFFFF;

constexpr Colour MakeColour(int red, int green, int blue) {
    return static_cast<Colour>(red) | static_cast<Colour>(green) << 8 | static_cast<Colour>(blue) << 16;
}

// The error of a saved scan's directory or entry that could not be read when the scan was made
// (the file keeps no reason), beside the errno values.
inline constexpr int kUnreadWhenScanned = -1;
inline std::string ErrorText(int error) {
    return error == kUnreadWhenScanned ? "not read when the scan was made" : std::strerror(error);
}

// Something a rescan could not read. The totals leave it out.
struct ScanProblem {
    std::string path;                  // logical path of the directory
    int error = 0;                     // errno value, or kUnreadWhenScanned
    std::uint32_t unsizedEntries = 0;  // 0: the directory could not be opened or read to its end;
                                       // otherwise this many of its entries could not be sized
    bool operator==(const ScanProblem&) const = default;
};

// How much a size leaves out: what could not be read below an entry, or in the whole profile.
struct Unread {
    std::uint64_t directories = 0;  // that could not be opened or read to their end
    std::uint64_t entries = 0;      // that could not be sized
    std::uint64_t problems = 0;     // ScanProblems behind these
    bool Any() const { return problems != 0; }
    void Add(const ScanProblem& problem) {
        ++problems;
        if (problem.unsizedEntries == 0)
            ++directories;
        else
            entries += problem.unsizedEntries;
    }
};

// How many files (every entry that is not a directory, counted as the sizes count them) and
// directories an entry's tree holds (a directory entry counts itself).
struct EntryCounts {
    std::uint64_t files = 0;
    std::uint64_t directories = 0;
};

// The name the loose-files entry shows. A real directory may carry it too; the entry is known
// by its index (IsFilesEntry), never by this name alone.
inline constexpr const char* kFilesEntryName = ">files";

// A rescan (the scan engine) writes a profile through its methods: the place at construction,
// then the volume, the entries, their bytes and problems, and Finish. Everyone else reads it.
class Profile {
public:
    // Only the first 21 colours take part in the cycle; the last is the white of the small tail.
    static constexpr std::array<Colour, 22> m_crPalette = {
        MakeColour(0, 0, 255),     MakeColour(0, 255, 0),     MakeColour(0, 255, 255),
        MakeColour(255, 0, 0),     MakeColour(255, 0, 255),   MakeColour(255, 255, 0),
        MakeColour(191, 191, 191), MakeColour(191, 191, 127), MakeColour(191, 127, 191),
        MakeColour(191, 127, 127), MakeColour(127, 191, 191), MakeColour(127, 191, 127),
        MakeColour(127, 127, 191), MakeColour(127, 127, 127), MakeColour(127, 127, 127),
        MakeColour(127, 127, 255), MakeColour(127, 255, 127), MakeColour(127, 255, 255),
        MakeColour(255, 127, 127), MakeColour(255, 127, 255), MakeColour(255, 255, 127),
        MakeColour(255, 255, 255)};
    static constexpr std::size_t kCycleLength = 21;

    // ResetModel's modes, with the numbers they have always had.
    static constexpr int kResetToRoot = 1;   // the view stands at the drive root
    static constexpr int kResetEntries = 2;  // no entries and no tree total (path, flag and volume stay)

    static constexpr std::size_t kNoEntry = SIZE_MAX;

    Profile() = default;
    // The profile a rescan of `path` builds.
    Profile(std::string path, bool belowRoot) : m_strPath(std::move(path)), m_bBelowRoot(belowRoot) {}
    // A drive's root whose first rescan was stopped before anything was summed: no entries.
    static Profile Unsummed(std::string rootPath);

    // Other modes do nothing.
    void ResetModel(int mode);

    // What a rescan writes, in this order.
    void SetVolume(ByteCount freeBytes, ByteCount totalBytes, bool known);
    void ReserveEntries(std::size_t count);
    // A new entry of 0 bytes; its index.
    std::size_t AddEntry(std::string name);
    // The loose files' entry, after the others: known by its index, whatever its name.
    std::size_t AddFilesEntry();
    // Entry `entry`'s bytes grow, and the tree's with them.
    void AddBytes(std::size_t entry, ByteCount bytes);
    // Entry `entry`'s counts grow, and the tree's with them.
    void AddCounts(std::size_t entry, std::uint64_t files, std::uint64_t directories);
    // `count` more entries were left out.
    void AddLeftOut(std::uint64_t count) { m_leftOut += count; }
    // Takes what the rescan could not read below entry `entry` (the loose files' entry: the
    // profiled directory's own, which may come before that entry is added).
    void AddProblem(std::size_t entry, ScanProblem problem);
    // Sorts the entries (SortEntriesBySize) and colours them (AssignEntryColors).
    void Finish();

    // Stable, largest first: equal sizes keep their order, so the loose-files entry, appended
    // last, stays last among its equals. Whatever is known by an entry's index follows it.
    void SortEntriesBySize();

    // One colour per entry, after sorting: palette colour i mod 21, or white for the entries
    // of the small tail that get no pie slice.
    void AssignEntryColors();

    // The same profile with each size a number of files: sorted and coloured by them.
    Profile CountedByFiles() const;
    // The same directory under another drive letter (a mount moved): nothing else changes.
    void Relabel(std::string path) { m_strPath = std::move(path); }

    // Entry i exists in all three lists: true once a rescan has completed.
    // Painting and the legend read entries only when this holds.
    bool IsComplete() const {
        return !m_listSizes.empty() && m_listNames.size() == m_listSizes.size() &&
               m_pEntryColors.size() == m_listSizes.size();
    }
    std::size_t EntryCount() const { return m_listNames.size(); }
    ByteCount EntrySize(std::size_t i) const { return m_listSizes[i]; }
    EntryCounts CountsOf(std::size_t i) const {
        return i < m_listCounts.size() ? m_listCounts[i] : EntryCounts{};
    }
    bool IsFilesEntry(std::size_t i) const { return i == m_nFilesEntry; }
    // What entry i's size leaves out (the loose files' holds the profiled directory's own).
    Unread UnreadBelow(std::size_t i) const;
    bool IsIncomplete() const { return m_unread.Any(); }

    // Problems past this many are counted, not kept.
    static constexpr std::size_t kKeptProblems = 1000;
    struct EntryProblem {
        std::size_t entry;  // the entry it lies below
        ScanProblem problem;
    };

    // Read them; a rescan writes them through the methods above.
    std::vector<std::string> m_listNames;   // bare names, bytes as on disk
    std::vector<ByteCount> m_listSizes;     // element i belongs to name i
    std::vector<Colour> m_pEntryColors;     // empty until AssignEntryColors
    std::vector<EntryCounts> m_listCounts;  // element i belongs to name i
    EntryCounts m_treeCounts;
    std::uint64_t m_leftOut = 0;           // entries its rescan left out (exclusions), below it
    std::size_t m_nFilesEntry = kNoEntry;  // the loose-files entry's index, if any
    ByteCount m_dTreeSize = 0;
    bool m_bStopped = false;  // its rescan was stopped before anything was summed: no entries
    ByteCount m_dFreeSpace = 0;
    ByteCount m_dDiskSize = 0;
    bool m_bSpaceKnown = true;                              // false: a saved scan that kept no volume figures
    Unread m_unread;                                        // of the whole profile
    std::unordered_map<std::size_t, Unread> m_unreadBelow;  // by entry: only incomplete entries
    std::vector<EntryProblem> m_problems;                   // the first kKeptProblems, in walk order
    std::string m_strPath;                                  // logical: "C:", "C:\dir\sub"
    bool m_bBelowRoot = false;
};

}  // namespace gauzel

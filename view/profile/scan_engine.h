#pragma once
// The directory walks of a rescan and the rescan itself, over the platform's listing interface.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/settings_store.h"
#include "view/profile/profile.h"

namespace gauzel {

// The first text of the progress window, before any directory is summed.
inline constexpr const char* kStartingStatus = "starting...";

// Something a rescan could not read. The totals leave it out.
struct ScanProblem {
    std::string path;                  // logical path of the directory
    int error = 0;                     // errno value
    std::uint32_t unsizedEntries = 0;  // 0: the directory could not be opened or read to its end;
                                       // otherwise this many of its entries could not be sized
    bool operator==(const ScanProblem&) const = default;
};

// Where a rescan reports its progress: the window shows it, the report may print it.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void Opened() = 0;                           // the progress window appears
    virtual void Status(const std::string& text) = 0;    // "starting...", then each directory
    virtual void Beep() = 0;                             // every rescan, after the trees are summed
    virtual void Closed() = 0;                           // the progress window goes
    // The window says nothing of these; the report lists them.
    virtual void Problem(const ScanProblem& problem) { (void)problem; }
};

// What one read of a directory yields: the bytes of its files and its subdirectories.
struct DirectoryContents {
    double fileBytes = 0;
    std::vector<std::string> subdirs;  // listing order
    ListingStatus status;
};

// A listed entry that is a directory of this filesystem (and not "." or "..") is walked into;
// every other entry, symbolic links and mount points included, counts as a file of its size.
bool IsWalkedDirectory(const ListingRecord& record);
double RecordSize(const ListingRecord& record);

// Reads `directory` once. A null directory (one that could not be opened) reads as empty.
DirectoryContents ReadDirectory(Directory* directory);

class ScanEngine {
public:
    ScanEngine(FileSystem& fileSystem, const SettingsStore& settings, ProgressSink& progress)
        : m_fileSystem(fileSystem), m_settings(settings), m_progress(progress) {}

    // Rebuilds `profile` for its m_strPath: sums every admitted subdirectory's tree and the
    // loose files, sorts and colours the entries. Path and flag are left as they are.
    void Rescan(Profile& profile);

    void QueryDiskSpace(Profile& profile);
    // Appends to `names` the subdirectories of `contents` that the [Search] filter admits.
    void ListSubdirs(const DirectoryContents& contents, std::vector<std::string>& names) const;
    // Adds the loose files of `contents` to the accumulator and to the tree total.
    static void SumFiles(double& accumulator, const DirectoryContents& contents, Profile& profile);
    // Adds every file of the tree below `root` (logical path `path`) to the accumulator and to
    // the tree total, reporting each directory, depth first, subdirectories in reverse listing
    // order. Iterative: depth is bounded by memory, not by the stack or the path length.
    // Descriptors: one per level that still has subdirectories to walk; when the process runs
    // out, those are given back and reopened when their level is reached again.
    void SumTree(double& accumulator, Opened root, std::string path, Profile& profile);

private:
    struct Level;
    // Opens `name` below level `at` of the walk, reopening that level first if it was given back.
    Opened OpenBelow(std::vector<Level>& levels, std::size_t at, std::string_view name, const std::string& path);
    // 0, or why the level could not be opened again.
    int ReopenLevel(std::vector<Level>& levels, std::size_t at, const std::string& path);
    // A failed open for lack of descriptors gives back those of the pending levels (all but the
    // walk's first and `keep`), then tries once more.
    static Opened RetryOpen(std::vector<Level>& levels, std::size_t keep, const std::function<Opened()>& open);
    void Report(const std::string& path, const DirectoryContents& contents, int openError);

    FileSystem& m_fileSystem;
    const SettingsStore& m_settings;
    ProgressSink& m_progress;
};

}  // namespace gauzel

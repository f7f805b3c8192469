#pragma once
// The directory walks of a rescan and the rescan itself, over the platform's listing interface.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/profile/profile.h"
#include "core/scan/tree_walk.h"
#include "platform/file_system.h"
#include "platform/reader_pool.h"
#include "platform/settings_store.h"

namespace gauzel {

// The first text of the progress window, before any directory is summed.
inline constexpr const char* kStartingStatus = "starting...";

// Where a rescan reports its progress: the window shows it, the report may print it.
// Every call does nothing unless a sink says otherwise: a rescan nobody watches takes this one.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void Opened() {}                             // the progress window appears
    virtual void Status(const std::string& /*text*/) {}  // "starting...", then each directory
    virtual void Beep() {}                               // every rescan, after the trees are summed
    virtual void Closed() {}                             // the progress window goes
    // The window says nothing of these; the report lists them.
    virtual void Problem(const ScanProblem& problem) { (void)problem; }
    // Asked after every directory, and every kKeepGoingInterval while the rescan waits for the
    // disk: false stops the rescan (the window's Esc).
    virtual bool KeepGoing() { return true; }
    // Whether KeepGoing may say no. Then the calling thread never reads (a read that hangs must
    // not keep it from stopping); else it reads too, which is faster on a local disk.
    virtual bool MayStop() const { return false; }
};

// Lists a directory of more entries than a rescan keeps once more, handing each entry to `each` on
// the calling thread; false when the rescan was stopped meanwhile (the rest is not handed out).
using ListAgain = std::function<bool(const std::function<void(const ListedEntry&)>& each)>;

// Told every directory a rescan reads, with every entry of its listing: a saved scan is written
// from it as the rescan goes, so nothing of the tree is held.
class ScanRecorder {
public:
    virtual ~ScanRecorder() = default;
    // The volume of the profiled directory, before any directory.
    virtual void Volume(const VolumeSpace& space) = 0;
    // The profiled directory first, then every walked one in walk order (a directory before its
    // subdirectories). `openError`: it could not be opened (its contents are empty). It may take
    // the entries: nobody reads them after it. A directory of more entries than were kept
    // (`contents.tooManyToKeep`) hands them out through `listAgain` instead.
    virtual void Directory(const std::string& path, DirectoryContents& contents, int openError,
                           const ListAgain& listAgain) = 0;
};

// How a rescan ended.
struct RescanEnd {
    bool stopped = false;  // told to stop: the profile is half built, to be thrown away
    int openError = 0;     // the profiled directory could not be opened (its profile is empty)
};

// The threads a rescan may read on: 0 the machine's default, 1 none but its own, at most this.
// Any other value, from the settings or the command line, is refused (the caller tells) and the
// default used.
inline constexpr int kMaxThreads = 256;
constexpr bool ThreadsInRange(int threads) { return threads >= 0 && threads <= kMaxThreads; }

struct FileId {
    std::uint64_t device;
    std::uint64_t inode;
    bool operator==(const FileId&) const = default;
};
struct FileIdHash {
    std::size_t operator()(const FileId& id) const {
        return std::hash<std::uint64_t>()(id.inode * 31 + id.device);
    }
};

// How sizes count by the settings: [Option] Allocated and LinksOnce, each on only at 1.
Counting CountingOfSettings(const SettingsStore& settings);
// How many of the largest files a rescan keeps when it gathers them: [Scan] Largest, 100 when it
// is missing or outside 1 to kMaxLargest.
inline constexpr std::size_t kMaxLargest = 100000;
std::size_t LargestOfSettings(const SettingsStore& settings);
// [Option] Threads as stored (it may be out of range).
int ThreadsOfSettings(const SettingsStore& settings);

class ScanEngine {
public:
    // Every read is a job of `pool` that owns what it reads: `fileSystem` (a Snapshot), the
    // directories, its own copies of names and paths.
    ScanEngine(std::shared_ptr<FileSystem> fileSystem, ReaderPool pool, const SettingsStore& settings,
               ProgressSink& progress)
        : m_fileSystem(std::move(fileSystem)),
          m_pool(std::move(pool)),
          m_settings(settings),
          m_progress(progress) {}

    // Rebuilds `profile` for its m_strPath: sums every admitted subdirectory's tree and the
    // loose files, sorts and colours the entries. Path and flag are left as they are. With a sink
    // that may stop, the calling thread never waits on the disk itself: it can stop whatever a
    // read does.
    RescanEnd Rescan(Profile& profile);

    // The volume's free and total bytes (a thread of the rescan's asks; the profile takes them).
    static VolumeSpace QueryDiskSpace(FileSystem& fileSystem, const std::string& path) {
        return fileSystem.QueryVolume(path);
    }
    // Adds to the profile, as entries, the subdirectories of `contents` that the [Search] filter
    // admits (their names moved).
    void ListSubdirs(DirectoryContents& contents, Profile& profile) const;
    // Adds the loose files of `contents` to entry `entry` and to the tree total. Counting
    // links once, a file with several names adds its size only the first time the rescan meets
    // it: the calls come in walk order.
    void SumFiles(std::size_t entry, const DirectoryContents& contents, Profile& profile,
                  const std::string& path);
    // Adds every file of the trees of the entries (the admitted subdirectories of `current`,
    // in `profile.m_listNames`) to their sizes and to the tree total, reporting each directory,
    // depth first, subdirectories in reverse listing order. Iterative: depth is bounded by
    // memory, not by the stack or the path length. False when stopped.
    bool SumTree(Profile& profile, std::shared_ptr<Directory> current);

    // Threads that read ahead of the walk (ThreadsInRange). Without a call, the settings'
    // [Option] Threads decides at every rescan.
    void SetThreads(int threads) { m_threadsOverride = threads; }
    // How sizes count, for every rescan; without a call, [Option] Allocated and LinksOnce decide.
    void SetCounting(Counting counting) { m_countingOverride = counting; }
    // What every later rescan gathers of the files besides their sizes (Gathering), from the
    // rescan's start when `gathering.start` is 0; Stats() holds it after the rescan.
    void SetGathering(Gathering gathering) { m_gathering = std::move(gathering); }
    const std::optional<FileStats>& Stats() const { return m_stats; }
    std::optional<FileStats> TakeStats() { return std::move(m_stats); }
    // What every later rescan leaves out besides what the settings' [Scan] section says.
    void AddExclusions(std::vector<std::string> patterns, bool caches) {
        m_extraPatterns = std::move(patterns);
        m_extraCaches = caches;
    }
    // Every directory of every later rescan goes to `recorder` too (null: none).
    void SetRecorder(ScanRecorder* recorder) { m_recorder = recorder; }

    // The threads of a rescan: the override, else [Option] Threads; 0 (also for a value out of
    // range): the program chooses, one a core and, while reads wait, as many as fit the
    // filesystem (ReadersThatFit).
    int Threads() const;

private:
    // Hands `contents` to the recorder, with a second listing of the directory when it held too
    // many entries to keep (on a job of the pool when the rescan may stop).
    void Record(const std::string& path, DirectoryContents& contents, int openError);
    // Tells the sink and the profile what a read of `path` left out, below entry `entry`.
    void Report(Profile& profile, std::size_t entry, const std::string& path,
                const DirectoryContents& contents, int openError);

    const std::shared_ptr<FileSystem> m_fileSystem;
    ReaderPool m_pool;
    const SettingsStore& m_settings;
    ProgressSink& m_progress;
    std::optional<int> m_threadsOverride;
    std::optional<Counting> m_countingOverride;
    Counting m_counting;
    ScanRecorder* m_recorder = nullptr;
    Gathering m_gathering;
    std::vector<std::string> m_extraPatterns;
    bool m_extraCaches = false;
    std::optional<FileStats> m_stats;  // of the last rescan, when it gathered
    int m_threads = 1;                 // of this rescan, from the settings once
    // The files of several names met so far in this rescan. Files of one name are never held.
    std::unordered_set<FileId, FileIdHash> m_seen;
};

}  // namespace gauzel

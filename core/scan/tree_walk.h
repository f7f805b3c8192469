#pragma once
// The walk of a rescan: every directory of the trees below the profiled one, in the order the
// progress window shows them, read once each. Worker threads may read ahead of the walk; the
// walk itself stays one ordered loop on the calling thread, which gets every directory's
// contents in that order. The calling thread never reads: a read that waits in the kernel for a
// share that stopped answering cannot keep it from stopping the walk.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/scan/read_directory.h"
#include "core/scan/tuning.h"
#include "core/scan/wait.h"
#include "platform/file_system.h"
#include "platform/locking.h"
#include "platform/reader_pool.h"

namespace gauzel {

// Made with std::make_shared: its readers are jobs of the reader pool, and one still waiting on
// the disk when the walk is stopped keeps the walk (and so the file system and the directories it
// reads) alive until its read returns.
class TreeWalk : public std::enable_shared_from_this<TreeWalk> {
public:
    // `entry`: which of the walked subdirectories of the profiled directory this one lies in.
    // `openError`: 0, or why the directory could not be opened (it reads as empty then).
    using Visit = std::function<void(std::size_t entry, const std::string& path, DirectoryContents& contents,
                                     int openError)>;

    // `threads` readers (0: as many as fit the root's filesystem, ReadersThatFit): one
    // a core read ahead of the walk always, the rest only while reads wait on the disk (they start
    // the first time they do). `callerReads`: the
    // calling thread is one of them, which spares it the hand-over of the directories it reads
    // itself, but a read that hangs then holds it; a walk that must be stoppable whatever a read
    // does leaves all reading to the threads.
    using KeepGoing = std::function<bool()>;
    // The walk reaches `path`: before it waits for the directory (a read that never returns is
    // named), or just before its visit when it was read already. Once a directory, in walk order.
    using Reach = std::function<void(const std::string& path)>;
    // `record`: each directory's contents carry its entries (ReadDirectory).
    TreeWalk(std::shared_ptr<FileSystem> fileSystem, ReaderPool pool, int threads, Counting counting = {},
             bool callerReads = false, bool record = false);
    ~TreeWalk();

    // Walks the trees of `names` (read only by the calling thread, and only until Run returns),
    // subdirectories of `root` (logical path `rootPath`): the entries
    // in the order given, each tree depth first, subdirectories in reverse listing order, a
    // directory before its subdirectories. Returns when every directory has been visited.
    // Descriptors: one per level of the walk's path that has subdirectories left, plus one per
    // directory read ahead. When the process runs out, those are given back (and the read-ahead
    // stops for this walk); a level given back is reopened from its nearest open ancestor, or by
    // its logical path, when the walk returns to it.
    // `keepGoing` is asked after every directory and every kKeepGoingInterval while the walk
    // waits; when it says no, Run returns false at once, and a reader still waiting on the disk
    // is left to finish on its own (nothing it reads is used).
    bool Run(
        std::shared_ptr<Directory> root, const std::string& rootPath, const std::vector<std::string>& names,
        const Visit& visit, const Reach& reach = [](const std::string&) {},
        const KeepGoing& keepGoing = [] { return true; });

private:
    struct Node;
    struct Sizing;
    struct Read;
    struct Pending {
        std::string name;
        std::unique_ptr<Node> ahead;  // read ahead, or being read, by a worker
        std::string below;            // its path below the profiled directory, when patterns need it
    };
    struct Level {
        std::shared_ptr<Directory> directory;  // null when given back
        std::vector<Pending> pending;          // never empty on the stack; the next at the back
        std::size_t pathLength;                // its logical path is that long a prefix of the walk's
        bool entries;                          // the profiled directory: its subdirectories are the entries
    };
    struct Candidate {
        Pending* pending = nullptr;
        std::shared_ptr<Directory> parent;
    };
    // The walk's next directory, not read ahead: the first reader free reads it.
    struct Urgent {
        Node* node = nullptr;
        std::size_t at = 0;  // its level
        std::string name;
        std::string path;
    };

    // These run with m_mutex held; those that read let go of it meanwhile.
    // The readers start, the profiled directory's level is queued.
    void Begin(std::shared_ptr<Directory> root, std::size_t rootLength, const std::vector<std::string>& names)
        REQUIRES(m_mutex);
    // The next directory of the walk, from level `at`.
    Pending TakeNext(std::size_t at) REQUIRES(m_mutex);
    // Waits until `node` (made when it was not read ahead) has been read, handing it to a reader
    // when nobody reads it; false when told to stop.
    bool PatternsOnPaths() const { return m_counting.exclusions && m_counting.exclusions->HasPaths(); }
    bool Await(std::unique_ptr<Node>& node, std::size_t at, const Pending& next, const std::string& path,
               bool& urgent, const KeepGoing& keepGoing) REQUIRES(m_mutex);
    // The walk steps past `node`: its subdirectories become the last level; returns the directory
    // of a level that is done, to be closed outside the lock.
    std::shared_ptr<Directory> Advance(Node& node, std::size_t at, const std::string& path, bool urgent)
        REQUIRES(m_mutex);
    // Told to stop: returns false at once.
    bool Stop(std::unique_ptr<Node> node) REQUIRES(m_mutex);
    // Takes the last level off the walk's path, its directory into `directory`.
    void PopLevel(std::shared_ptr<Directory>& directory) REQUIRES(m_mutex);
    // Tops up the profiled directory's level from m_entryNames.
    void QueueEntries() REQUIRES(m_mutex);
    void Work(bool eager) EXCLUDES(m_mutex);
    // The walk is done or stopped: the readers are told to end; none is waited for.
    void EndReaders() REQUIRES(m_mutex);
    // Starts readers up to `count`; one the pool cannot run is done without.
    void StartReaders(int count) REQUIRES(m_mutex);
    // Wakes up to `readers` readers for new directories to read.
    void Wake(std::size_t readers) REQUIRES(m_mutex);
    // Whether reads wait on the disk, by how long they took lately.
    bool Waiting() const REQUIRES(m_mutex) { return ReadsWait(m_microsPerEntry); }
    void ReadAhead(Candidate& candidate) REQUIRES(m_mutex);
    void ReadUrgent() REQUIRES(m_mutex);
    // Reads what `opened` opened (since `start`) into `node` and tells the walk; on a share, its
    // entries may be left to the readers to size (m_sizing).
    void Store(Node* node, Opened opened, bool mayRetry, std::chrono::steady_clock::time_point start)
        REQUIRES(m_mutex);
    // Lists a share's directory by names and sizes them here while they come at once (`waits`:
    // the walk knows they wait); returns the first left to the readers, or the count when none is.
    static std::size_t ListOnShare(Sizing& sizing, bool waits, std::chrono::steady_clock::time_point start);
    // `node`'s entries from `from` on are left to the readers.
    void HandOut(Node* node, std::unique_ptr<Sizing> sizing, std::size_t from) REQUIRES(m_mutex);
    // Sizes the next entry of m_sizing's first directory; the last one in tells the walk.
    void SizeNext() REQUIRES(m_mutex);
    // Tells the walk that `node` has been read.
    void Settle(Node* node, Read read) REQUIRES(m_mutex);
    // What a read gave, ready for the walk (`micros` it took): runs without m_mutex.
    Read Prepared(const Node& node, DirectoryContents contents, std::shared_ptr<Directory> directory,
                  int openError, double micros);
    Candidate FindCandidate() REQUIRES(m_mutex);
    // kReadAheadWindow, or kWaitingReadAheadWindow while reads wait.
    std::size_t Window() const REQUIRES(m_mutex);
    bool FindIn(Pending& pending, const std::shared_ptr<Directory>& parent, std::size_t& budget,
                Candidate& found) REQUIRES(m_mutex);

    Opened OpenBelow(std::size_t at, const std::string& name, const std::string& path) REQUIRES(m_mutex);
    int ReopenLevel(std::size_t at, const std::string& path) REQUIRES(m_mutex);
    Opened RetryOpen(std::size_t keep, const std::function<Opened()>& open) REQUIRES(m_mutex);
    void GiveBackAhead(std::vector<Pending>& pending) REQUIRES(m_mutex);

    const std::shared_ptr<FileSystem> m_fileSystem;
    ReaderPool m_pool;
    const bool m_callerReads;
    const bool m_record;
    const Counting m_counting;
    Mutex m_mutex;
    int m_threads GUARDED_BY(m_mutex);      // readers besides the calling thread
    int m_eager GUARDED_BY(m_mutex) = 0;    // of those, the ones that always read ahead: one a core
    int m_readers GUARDED_BY(m_mutex) = 0;  // started
    // How long a read takes, per entry, lately (microseconds, a running average). The readers
    // beyond m_eager read ahead only while the disk keeps reads waiting: on a warm cache they
    // would only take turns on the cores.
    double m_microsPerEntry GUARDED_BY(m_mutex) = 0;
    std::vector<Level> m_levels GUARDED_BY(m_mutex);  // the walk's path
    // The entries, walked in this order: the calling thread's, while Run runs.
    const std::vector<std::string>* m_entryNames GUARDED_BY(m_mutex) = nullptr;
    std::size_t m_entriesQueued GUARDED_BY(m_mutex) = 0;  // how many of them have been queued
    std::size_t m_entriesTaken GUARDED_BY(m_mutex) = 0;   // and taken by the walk
    std::condition_variable m_ready;                      // a directory read ahead is done
    std::condition_variable m_work;                       // the walk moved on, or there is more to read
    std::condition_variable m_reserve;  // the same, for the readers beyond m_eager, while the disk is slow
    std::size_t m_stepsSinceWake GUARDED_BY(m_mutex) = 0;  // the walk's steps since it last woke the readers
    Urgent m_urgent GUARDED_BY(m_mutex);
    // Directories of a share whose entries the readers size one by one, the oldest first; each
    // until all its entries have been handed out.
    std::deque<Node*> m_sizing GUARDED_BY(m_mutex);
    Node* m_awaited GUARDED_BY(m_mutex) = nullptr;  // the directory the walk waits for
    // Being read when the walk was stopped.
    std::vector<std::unique_ptr<Node>> m_abandoned GUARDED_BY(m_mutex);
    bool m_finished GUARDED_BY(m_mutex) = false;  // done or stopped: the readers end
    bool m_starved GUARDED_BY(m_mutex) = false;   // out of descriptors: no more reading ahead
};

}  // namespace gauzel

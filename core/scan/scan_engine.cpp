#include "core/scan/scan_engine.h"

#include "core/scan/wait.h"
#include "platform/locking.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <utility>

namespace gauzel {

namespace {

// Runs `task` as a job of `pool` while the calling thread asks `keepGoing` every
// kKeepGoingInterval. Nothing when told to stop: the job finishes on its own, and what it
// returns is dropped with it.
template <typename Result>
std::optional<Result> RunAside(ReaderPool& pool, std::function<Result()> task,
                               const std::function<bool()>& keepGoing) {
    struct Shared {
        Mutex mutex;
        std::condition_variable done;
        std::optional<Result> result GUARDED_BY(mutex);
    };
    const auto shared = std::make_shared<Shared>();
    if (!pool.Run([shared, task] {
            Result result = task();
            const MutexLock lock(shared->mutex);
            shared->result = std::move(result);
            shared->done.notify_one();
        }))
        return task();  // no thread to be had: here, then
    Shared& aside = *shared;
    const MutexLock lock(aside.mutex);
    if (!WaitAsking(
            aside.done, aside.mutex, [&aside]() REQUIRES(aside.mutex) { return aside.result.has_value(); },
            keepGoing))
        return std::nullopt;
    return std::move(aside.result);
}

// Every entry of `directory` ("." and ".." left out) to `each`, on the calling thread; jobs of
// `pool` may size a large one's entries.
void ListEntries(Directory& directory, ReaderPool& pool, const std::function<void(ListedEntry&&)>& each) {
    directory.List(
        [&each](const ListingRecord& record) {
            if (IsDotOrDotDot(record.name)) return;
            ListedEntry entry{std::string(record.name), record};
            entry.record.name = {};  // the listing's: the entry keeps its own
            each(std::move(entry));
        },
        ReadersThatFit(directory.Kind()), &pool);
}

// Lists `directory` as a job of `pool`, handing its entries to `each` here a batch at a time and
// asking `keepGoing` while it waits: false when told to stop (the job drops the rest). The job
// keeps at most two batches ahead, so a directory of a million entries costs no more memory.
bool ListAside(ReaderPool& pool, const std::shared_ptr<Directory>& directory,
               const std::function<void(const ListedEntry&)>& each, const std::function<bool()>& keepGoing) {
    struct Shared {
        Mutex mutex;
        std::condition_variable changed;
        std::deque<std::vector<ListedEntry>> batches GUARDED_BY(mutex);
        bool done GUARDED_BY(mutex) = false;
        bool abandoned GUARDED_BY(mutex) = false;
    };
    const auto shared = std::make_shared<Shared>();
    const bool started = pool.Run([shared, directory, pool]() mutable {
        Shared& list = *shared;
        std::vector<ListedEntry> batch;
        const auto hand = [&list, &batch] {
            const MutexLock lock(list.mutex);
            list.mutex.Wait(list.changed, [&list]() REQUIRES(list.mutex) {
                return list.abandoned || list.batches.size() < 2;
            });
            if (!list.abandoned) list.batches.push_back(std::move(batch));
            batch = {};
            list.changed.notify_all();
        };
        ListEntries(*directory, pool, [&](ListedEntry&& entry) {
            batch.push_back(std::move(entry));
            if (batch.size() == kKeptEntries) hand();
        });
        hand();
        const MutexLock lock(list.mutex);
        list.done = true;
        list.changed.notify_all();
    });
    if (!started) {  // no thread to be had: here, then
        ListEntries(*directory, pool, [&each](ListedEntry&& entry) { each(entry); });
        return true;
    }
    Shared& list = *shared;
    const MutexLock lock(list.mutex);
    for (;;) {
        const auto ready = [&list]() REQUIRES(list.mutex) { return !list.batches.empty() || list.done; };
        if (!WaitAsking(list.changed, list.mutex, ready, keepGoing)) {
            list.abandoned = true;
            list.batches.clear();
            list.changed.notify_all();
            return false;
        }
        if (list.batches.empty()) return true;
        std::vector<ListedEntry> batch = std::move(list.batches.front());
        list.batches.pop_front();
        list.changed.notify_all();
        list.mutex.Unlock();
        for (const ListedEntry& entry : batch) each(entry);
        list.mutex.Lock();
    }
}

// What a rescan reads before the walk: the volume, and the profiled directory's own listing.
struct Start {
    VolumeSpace space;
    Opened current;
    DirectoryContents contents;
};

}  // namespace

void ScanEngine::ListSubdirs(DirectoryContents& contents, Profile& profile) const {
    const int limit = m_settings.GetProfileInt(kSectionSearch, kKeyLimit, 0);
    const std::string filter = m_settings.GetProfileString(kSectionSearch, kKeyName, "^");
    for (std::string& name : contents.subdirs) {
        if (limit == 0 || name.find(filter) != std::string::npos) profile.AddEntry(std::move(name));
    }
    contents.subdirs = std::vector<std::string>();  // moved into the names, or left out: its memory goes
}

Counting CountingOfSettings(const SettingsStore& settings) {
    // Only 1 turns a way of counting on; any other value reads as 0.
    return {settings.GetProfileInt(kSectionOption, kKeyAllocated, 0) == 1,
            settings.GetProfileInt(kSectionOption, kKeyLinksOnce, 0) == 1, nullptr, nullptr};
}

void ScanEngine::SumFiles(std::size_t entry, const DirectoryContents& contents, Profile& profile,
                          const std::string& path) {
    ByteCount bytes = contents.fileBytes;
    std::uint64_t files = contents.files - contents.linked.size();
    if (m_stats) m_stats->Enter(path);
    for (const LinkedFile& file : contents.linked) {
        if (!m_seen.insert({file.device, file.inode}).second) continue;
        bytes += file.size;
        ++files;
        if (m_stats && file.gathered < contents.gathered.files.size())
            m_stats->Add(contents.gathered.files[file.gathered], contents.gathered.names);
    }
    if (m_stats) {
        if (contents.gathered.tally) m_stats->Add(*contents.gathered.tally);
        for (const GatheredFile& file : contents.gathered.files)
            if (!file.linked) m_stats->Add(file, contents.gathered.names);
    }
    profile.AddBytes(entry, bytes);
    profile.AddCounts(entry, files, 0);
    profile.AddLeftOut(contents.leftOut);
}

void ScanEngine::Record(const std::string& path, DirectoryContents& contents, int openError) {
    ListAgain listAgain;
    if (const std::shared_ptr<Directory> directory = std::move(contents.listAgain)) {
        listAgain = [this, directory](const std::function<void(const ListedEntry&)>& each) {
            if (m_progress.MayStop())
                return ListAside(m_pool, directory, each, [this] { return m_progress.KeepGoing(); });
            ListEntries(*directory, m_pool, [&each](ListedEntry&& entry) { each(entry); });
            return true;
        };
    }
    m_recorder->Directory(path, contents, openError, listAgain);
}

void ScanEngine::Report(Profile& profile, std::size_t entry, const std::string& path,
                        const DirectoryContents& contents, int openError) {
    const auto report = [&](ScanProblem problem) {
        m_progress.Problem(problem);
        profile.AddProblem(entry, std::move(problem));
    };
    if (openError != 0) report({path, openError, 0});
    if (contents.status.error != 0) report({path, contents.status.error, 0});
    if (contents.status.unsized != 0) report({path, contents.status.unsizedError, contents.status.unsized});
}

std::size_t LargestOfSettings(const SettingsStore& settings) {
    const int largest = settings.GetProfileInt(kSectionScan, kKeyLargest, 100);
    return largest >= 1 && static_cast<std::size_t>(largest) <= kMaxLargest
               ? static_cast<std::size_t>(largest)
               : 100;
}

int ThreadsOfSettings(const SettingsStore& settings) {
    return settings.GetProfileInt(kSectionOption, kKeyThreads, 0);
}

int ScanEngine::Threads() const {
    const int threads = m_threadsOverride.value_or(ThreadsOfSettings(m_settings));
    return ThreadsInRange(threads) ? threads : 0;
}

bool ScanEngine::SumTree(Profile& profile, std::shared_ptr<Directory> current) {
    // A directory's path is reported when the walk reaches it, before its subdirectories: before
    // the walk waits for it (a share that stopped answering shows where), or as its files are
    // summed. A directory that cannot be read is reported too, and adds nothing.
    return std::make_shared<TreeWalk>(m_fileSystem, m_pool, m_threads, m_counting, !m_progress.MayStop(),
                                      m_recorder != nullptr)
        ->Run(
            std::move(current), profile.m_strPath, profile.m_listNames,
            [&](std::size_t entry, const std::string& path, DirectoryContents& contents, int openError) {
                if (m_recorder != nullptr) Record(path, contents, openError);
                SumFiles(entry, contents, profile, path);
                profile.AddCounts(entry, 0, contents.isCache ? 0 : 1);
                Report(profile, entry, path, contents, openError);
            },
            [this](const std::string& path) { m_progress.Status(path); },
            [this] { return m_progress.KeepGoing(); });
}

RescanEnd ScanEngine::Rescan(Profile& profile) {
    profile.ResetModel(Profile::kResetEntries);
    m_counting = m_countingOverride.value_or(CountingOfSettings(m_settings));
    m_stats.reset();
    auto exclusions = std::make_shared<Exclusions>(ExclusionsOfSettings(m_settings));
    for (const std::string& pattern : m_extraPatterns) exclusions->AddPattern(pattern);
    if (m_extraCaches) exclusions->ExcludeCaches();
    if (exclusions->Any()) m_counting.exclusions = std::move(exclusions);  // the readers hold it too
    if (m_gathering.types || m_gathering.largest != 0) {
        auto gathering = std::make_shared<Gathering>(m_gathering);
        if (gathering->start == 0) gathering->start = std::time(nullptr);
        if (gathering->largest != 0)
            gathering->smallestLarge = std::make_shared<std::atomic<std::uint64_t>>(0);
        m_stats.emplace(*gathering);
        m_counting.gathering = std::move(gathering);  // the readers hold it as long as they read
    }
    m_threads = Threads();
    m_seen.clear();

    // The window shows "starting..." while the volume is asked and the profiled directory read:
    // on a slow share that takes a while, and it can be stopped too. One read of the directory
    // serves both the subdirectory list and the loose files; the walk has not begun, so its
    // threads may size the entries of a large one.
    m_progress.Opened();
    m_progress.Status(kStartingStatus);
    const std::function<Start()> read = [fileSystem = m_fileSystem, pool = m_pool, path = profile.m_strPath,
                                         counting = m_counting, threads = m_threads,
                                         record = m_recorder != nullptr]() mutable {
        Start what{QueryDiskSpace(*fileSystem, path), fileSystem->OpenDirectory(path), {}};
        what.contents = ReadDirectory(what.current.directory.get(), counting, threads, &pool, record);
        return what;
    };
    std::optional<Start> start =
        m_progress.MayStop() ? RunAside(m_pool, read, [this] { return m_progress.KeepGoing(); }) : read();
    if (!start) {
        m_progress.Closed();
        return {true, 0};
    }
    profile.SetVolume(start->space.freeBytes, start->space.totalBytes, start->space.known);
    DirectoryContents& contents = start->contents;
    const int openError = start->current.directory ? 0 : start->current.error;
    std::shared_ptr<Directory> current = std::move(start->current.directory);
    if (m_recorder != nullptr) {
        if (contents.tooManyToKeep) contents.listAgain = current;
        m_recorder->Volume(start->space);
        Record(profile.m_strPath, contents, openError);
        contents.entries = std::vector<ListedEntry>();
    }
    // Room for every entry and the loose files' (a hundred thousand entries must not double).
    profile.ReserveEntries(contents.subdirs.size() + 1);
    ListSubdirs(contents, profile);
    // The loose files' entry holds what the profiled directory's own listing left out; it joins
    // the entries after the walk, at the index after theirs.
    const std::size_t filesEntry = profile.EntryCount();
    Report(profile, filesEntry, profile.m_strPath, contents, openError);

    if (!SumTree(profile, std::move(current))) {
        m_progress.Closed();
        return {true, openError};
    }
    m_progress.Beep();
    m_progress.Closed();

    profile.AddFilesEntry();
    SumFiles(filesEntry, contents, profile, profile.m_strPath);
    m_seen = decltype(m_seen)();  // its memory goes with the rescan
    profile.Finish();
    return {false, openError};
}

}  // namespace gauzel

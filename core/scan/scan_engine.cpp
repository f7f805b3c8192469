#include "core/scan/scan_engine.h"

#include "core/scan/wait.h"
#include "platform/threads.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <utility>

namespace gauzel {

namespace {

// Runs `task` on a thread of its own while the calling thread asks `keepGoing` every
// kKeepGoingInterval. Nothing when told to stop: the thread finishes on its own, and what it
// returns is dropped.
template <typename Result>
std::optional<Result> RunAside(std::function<Result()> task, const std::function<bool()>& keepGoing) {
    struct Shared {
        std::function<Result()> task;
        std::mutex mutex;
        std::condition_variable done;
        std::optional<Result> result;
    };
    const auto shared = std::make_shared<Shared>();
    shared->task = std::move(task);
    ThreadGroup aside;
    const bool started = aside.Start([shared] {
        Result result = shared->task();
        const std::lock_guard lock(shared->mutex);
        shared->result = std::move(result);
        shared->done.notify_one();
    });
    if (!started) return shared->task();  // no thread to be had: here, then
    std::unique_lock lock(shared->mutex);
    if (!WaitAsking(
            shared->done, lock, [&] { return shared->result.has_value(); }, keepGoing)) {
        aside.Leave();
        return std::nullopt;
    }
    lock.unlock();
    aside.Join();
    return std::move(shared->result);
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
    return std::make_shared<TreeWalk>(m_fileSystem, m_threads, m_counting, !m_progress.MayStop(),
                                      m_recorder != nullptr)
        ->Run(
            std::move(current), profile.m_strPath, profile.m_listNames,
            [&](std::size_t entry, const std::string& path, DirectoryContents& contents, int openError) {
                if (m_recorder != nullptr) m_recorder->Directory(path, contents, openError);
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
    const std::function<Start()> read = [&fileSystem = m_fileSystem, path = profile.m_strPath,
                                         counting = m_counting, threads = m_threads,
                                         record = m_recorder != nullptr] {
        Start what{QueryDiskSpace(fileSystem, path), fileSystem.OpenDirectory(path), {}};
        what.contents = ReadDirectory(what.current.directory.get(), counting, threads, record);
        return what;
    };
    std::optional<Start> start =
        m_progress.MayStop() ? RunAside(read, [this] { return m_progress.KeepGoing(); }) : read();
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
        m_recorder->Directory(profile.m_strPath, contents, openError);
        contents.entries = std::vector<ListedEntry>();
        contents.listAgain.reset();
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

#include "view/profile/scan_engine.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace gauzel {

bool IsWalkedDirectory(const ListingRecord& record) {
    return (record.attributes & kAttributeDirectory) != 0 &&
           (record.attributes & kAttributeReparsePoint) == 0 && !IsDotOrDotDot(record.name);
}

std::uint64_t RecordSize(const ListingRecord& record) {
    return std::uint64_t{record.sizeHigh} << 32 | record.sizeLow;
}

void ScanEngine::QueryDiskSpace(Profile& profile) {
    const VolumeSpace space = m_fileSystem.QueryVolume(profile.m_strPath);
    profile.m_dFreeSpace = space.freeBytes;
    profile.m_dDiskSize = space.totalBytes;
}

void ScanEngine::ListSubdirs(DirectoryContents& contents, std::vector<std::string>& names) const {
    const int limit = m_settings.GetProfileInt(kSectionSearch, kKeyLimit, 0);
    const std::string filter = m_settings.GetProfileString(kSectionSearch, kKeyName, "^");
    for (std::string& name : contents.subdirs) {
        if (limit == 0 || name.find(filter) != std::string::npos) names.push_back(std::move(name));
    }
    contents.subdirs = std::vector<std::string>();  // moved into the names, or left out: its memory goes
}

Counting ScanEngine::CountingOfSettings() const {
    // Only 1 turns a way of counting on; any other value reads as 0.
    return {m_settings.GetProfileInt(kSectionOption, kKeyAllocated, 0) == 1,
            m_settings.GetProfileInt(kSectionOption, kKeyLinksOnce, 0) == 1};
}

void ScanEngine::SumFiles(ByteCount& accumulator, const DirectoryContents& contents, Profile& profile) {
    ByteCount bytes = contents.fileBytes;
    for (const LinkedFile& file : contents.linked)
        if (m_seen.insert({file.device, file.inode}).second) bytes += file.size;
    accumulator += bytes;
    profile.m_dTreeSize += bytes;
}

void ScanEngine::Report(Profile& profile, const ByteCount* entry, const std::string& path,
                        const DirectoryContents& contents, int openError) {
    const auto report = [&](ScanProblem problem) {
        m_progress.Problem(problem);
        profile.AddProblem(entry, std::move(problem));
    };
    if (openError != 0) report({path, openError, 0});
    if (contents.status.error != 0) report({path, contents.status.error, 0});
    if (contents.status.unsized != 0) report({path, contents.status.unsizedError, contents.status.unsized});
}

int ScanEngine::DefaultThreads() {
    return std::min(16, 4 * Cores());  // one reader a core always, the rest while the disk is slow
}

int ScanEngine::ThreadsOfSettings() const { return m_settings.GetProfileInt(kSectionOption, kKeyThreads, 0); }

int ScanEngine::Threads() const {
    const int threads = m_threadsOverride.value_or(ThreadsOfSettings());
    return threads > 0 && ThreadsInRange(threads) ? threads : DefaultThreads();
}

void ScanEngine::SumTree(Profile& profile, std::shared_ptr<Directory> current) {
    // A directory's path is reported after its own files are summed, before its subdirectories;
    // a directory that cannot be read is reported too, and adds nothing.
    TreeWalk(m_fileSystem, m_threads, m_counting)
        .Run(std::move(current), profile.m_strPath, profile.m_listNames,
             [&](std::size_t entry, const std::string& path, const DirectoryContents& contents, int openError) {
                 SumFiles(*profile.m_listSizes[entry], contents, profile);
                 m_progress.Status(path);
                 Report(profile, profile.m_listSizes[entry].get(), path, contents, openError);
             });
}

void ScanEngine::Rescan(Profile& profile) {
    profile.ResetModel(Profile::kResetEntries);
    QueryDiskSpace(profile);
    m_counting = m_countingOverride.value_or(CountingOfSettings());
    m_threads = Threads();
    m_seen.clear();

    // One read of the current directory serves both the subdirectory list and the loose files.
    Opened current = m_fileSystem.OpenDirectory(profile.m_strPath);
    // The walk has not begun: its threads may size a large profiled directory's entries.
    DirectoryContents contents = ReadDirectory(current.directory.get(), m_counting, m_threads);
    // The loose files' slot holds what the profiled directory's own listing left out; it joins
    // the entries after the walk.
    auto filesSize = std::make_unique<ByteCount>(0);
    Report(profile, filesSize.get(), profile.m_strPath, contents, current.directory ? 0 : current.error);
    // Room for every entry and the loose files' (a hundred thousand entries must not double).
    profile.m_listNames.reserve(contents.subdirs.size() + 1);
    profile.m_listSizes.reserve(contents.subdirs.size() + 1);
    ListSubdirs(contents, profile.m_listNames);
    for (std::size_t i = 0; i < profile.m_listNames.size(); ++i)
        profile.m_listSizes.push_back(std::make_unique<ByteCount>(0));

    m_progress.Opened();
    m_progress.Status(kStartingStatus);
    SumTree(profile, std::move(current.directory));
    m_progress.Beep();
    m_progress.Closed();

    profile.m_pFilesSize = filesSize.get();
    profile.m_listSizes.push_back(std::move(filesSize));
    SumFiles(*profile.m_pFilesSize, contents, profile);
    profile.m_listNames.emplace_back(kFilesEntryName);

    m_seen = decltype(m_seen)();  // its memory goes with the rescan
    profile.SortEntriesBySize();
    profile.AssignEntryColors();
}

}  // namespace gauzel

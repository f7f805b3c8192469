#include "view/profile/scan_engine.h"

#include <utility>

namespace gauzel {

static bool IsDotOrDotDot(std::string_view name) { return name == "." || name == ".."; }

bool IsWalkedDirectory(const ListingRecord& record) {
    return (record.attributes & kAttributeDirectory) != 0 &&
           (record.attributes & kAttributeReparsePoint) == 0 && !IsDotOrDotDot(record.name);
}

double RecordSize(const ListingRecord& record) {
    return static_cast<double>(record.sizeHigh) * 4294967296.0 + static_cast<double>(record.sizeLow);
}

DirectoryContents ReadDirectory(Directory* directory) {
    DirectoryContents contents;
    if (directory == nullptr) return contents;
    contents.status = directory->List([&contents](const ListingRecord& record) {
        if (IsDotOrDotDot(record.name)) return;
        if (IsWalkedDirectory(record))
            contents.subdirs.emplace_back(record.name);
        else
            contents.fileBytes += RecordSize(record);
    });
    return contents;
}

void ScanEngine::QueryDiskSpace(Profile& profile) {
    const VolumeSpace space = m_fileSystem.QueryVolume(profile.m_strPath);
    profile.m_dFreeSpace = static_cast<double>(space.freeBytes);
    profile.m_dDiskSize = static_cast<double>(space.totalBytes);
}

void ScanEngine::ListSubdirs(const DirectoryContents& contents, std::vector<std::string>& names) const {
    const int limit = m_settings.GetProfileInt(kSectionSearch, kKeyLimit, 0);
    const std::string filter = m_settings.GetProfileString(kSectionSearch, kKeyName, "^");
    for (const std::string& name : contents.subdirs) {
        if (limit == 0 || name.find(filter) != std::string::npos) names.push_back(name);
    }
}

void ScanEngine::SumFiles(double& accumulator, const DirectoryContents& contents, Profile& profile) {
    accumulator += contents.fileBytes;
    profile.m_dTreeSize += contents.fileBytes;
}

struct ScanEngine::Level {
    std::unique_ptr<Directory> directory;  // null once its last subdirectory is open, or given back
    std::vector<std::string> pending;      // subdirectories still to walk, taken from the back
    std::size_t pathLength;                // its logical path is that long a prefix of the walk's
};

void ScanEngine::Report(const std::string& path, const DirectoryContents& contents, int openError) {
    if (openError != 0) m_progress.Problem({path, openError, 0});
    if (contents.status.error != 0) m_progress.Problem({path, contents.status.error, 0});
    if (contents.status.unsized != 0)
        m_progress.Problem({path, contents.status.unsizedError, contents.status.unsized});
}

Opened ScanEngine::RetryOpen(std::vector<Level>& levels, std::size_t keep, const std::function<Opened()>& open) {
    Opened opened = open();
    if (opened.directory || !OutOfDescriptors(opened.error)) return opened;
    for (std::size_t i = 1; i < levels.size(); ++i)
        if (i != keep) levels[i].directory.reset();
    return open();
}

int ScanEngine::ReopenLevel(std::vector<Level>& levels, std::size_t at, const std::string& path) {
    // From the nearest open level above; when none is, the first level by its logical path.
    std::size_t next = at;
    while (next > 0 && !levels[next - 1].directory) --next;
    if (next == 0) {
        const std::string first = path.substr(0, levels[0].pathLength);
        Opened opened = RetryOpen(levels, 0, [&] { return m_fileSystem.OpenDirectory(first); });
        if (!opened.directory) return opened.error;
        levels[0].directory = std::move(opened.directory);
        next = 1;
    }
    // The levels in between keep their descriptors while they have subdirectories left, so the
    // next reopen starts nearer.
    for (; next <= at; ++next) {
        Level& parent = levels[next - 1];
        const std::size_t begin = parent.pathLength + 1;
        const std::string_view name = std::string_view(path).substr(begin, levels[next].pathLength - begin);
        Opened opened = RetryOpen(levels, next - 1, [&] { return parent.directory->OpenSubdirectory(name); });
        if (parent.pending.empty()) parent.directory.reset();
        if (!opened.directory) return opened.error;
        levels[next].directory = std::move(opened.directory);
    }
    return 0;
}

Opened ScanEngine::OpenBelow(std::vector<Level>& levels, std::size_t at, std::string_view name,
                             const std::string& path) {
    if (!levels[at].directory)
        if (const int error = ReopenLevel(levels, at, path); error != 0) return {nullptr, error};
    return RetryOpen(levels, at, [&] { return levels[at].directory->OpenSubdirectory(name); });
}

void ScanEngine::SumTree(double& accumulator, Opened root, std::string path, Profile& profile) {
    std::vector<Level> levels;

    // A directory's path is reported after its own files are summed, before its subdirectories;
    // a directory that cannot be read is reported too, and adds nothing.
    auto visit = [&](Opened opened) {
        DirectoryContents contents = ReadDirectory(opened.directory.get());
        SumFiles(accumulator, contents, profile);
        m_progress.Status(path);
        Report(path, contents, opened.directory ? 0 : opened.error);
        if (!contents.subdirs.empty())
            levels.push_back({std::move(opened.directory), std::move(contents.subdirs), path.size()});
    };

    visit(std::move(root));
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.pending.empty()) {
            levels.pop_back();
            continue;
        }
        std::string name = std::move(level.pending.back());
        level.pending.pop_back();
        Opened child = OpenBelow(levels, levels.size() - 1, name, path);
        // Keeps one descriptor per level that still has subdirectories to walk, so a long
        // chain of single subdirectories holds a constant number open.
        if (level.pending.empty()) level.directory.reset();
        path.resize(level.pathLength);
        path += '\\';
        path += name;
        visit(std::move(child));
    }
}

void ScanEngine::Rescan(Profile& profile) {
    profile.ResetModel(2);
    QueryDiskSpace(profile);

    // One read of the current directory serves both the subdirectory list and the loose files.
    Opened current = m_fileSystem.OpenDirectory(profile.m_strPath);
    const DirectoryContents contents = ReadDirectory(current.directory.get());
    Report(profile.m_strPath, contents, current.directory ? 0 : current.error);
    ListSubdirs(contents, profile.m_listNames);
    for (std::size_t i = 0; i < profile.m_listNames.size(); ++i)
        profile.m_listSizes.push_back(std::make_unique<double>(0.0));

    m_progress.Opened();
    m_progress.Status(kStartingStatus);
    for (std::size_t i = 0; i < profile.m_listNames.size(); ++i) {
        const std::string& name = profile.m_listNames[i];
        SumTree(*profile.m_listSizes[i], current.directory->OpenSubdirectory(name),
                profile.m_strPath + '\\' + name, profile);
    }
    m_progress.Beep();
    m_progress.Closed();

    profile.m_listSizes.push_back(std::make_unique<double>(0.0));
    profile.m_pFilesSize = profile.m_listSizes.back().get();
    SumFiles(*profile.m_pFilesSize, contents, profile);
    profile.m_listNames.emplace_back(kFilesEntryName);

    profile.SortEntriesBySize();
    profile.AssignEntryColors();
}

}  // namespace gauzel

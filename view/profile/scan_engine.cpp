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
    directory->List([&contents](const ListingRecord& record) {
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

void ScanEngine::SumTree(double& accumulator, std::unique_ptr<Directory> root, std::string path,
                         Profile& profile) {
    struct Level {
        std::unique_ptr<Directory> directory;  // released once its last subdirectory is open
        std::vector<std::string> pending;      // subdirectories still to walk, taken from the back
        std::size_t pathLength;
    };
    std::vector<Level> levels;

    // A directory's path is reported after its own files are summed, before its subdirectories;
    // a directory that cannot be read is reported too, and adds nothing.
    auto visit = [&](std::unique_ptr<Directory> directory) {
        DirectoryContents contents = ReadDirectory(directory.get());
        SumFiles(accumulator, contents, profile);
        m_progress.Status(path);
        if (!contents.subdirs.empty())
            levels.push_back({std::move(directory), std::move(contents.subdirs), path.size()});
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
        std::unique_ptr<Directory> child = level.directory->OpenSubdirectory(name);
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
    std::unique_ptr<Directory> current = m_fileSystem.OpenDirectory(profile.m_strPath);
    const DirectoryContents contents = ReadDirectory(current.get());
    ListSubdirs(contents, profile.m_listNames);
    for (std::size_t i = 0; i < profile.m_listNames.size(); ++i)
        profile.m_listSizes.push_back(std::make_unique<double>(0.0));

    m_progress.Opened();
    m_progress.Status(kStartingStatus);
    for (std::size_t i = 0; i < profile.m_listNames.size(); ++i) {
        const std::string& name = profile.m_listNames[i];
        SumTree(*profile.m_listSizes[i], current->OpenSubdirectory(name), profile.m_strPath + '\\' + name,
                profile);
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

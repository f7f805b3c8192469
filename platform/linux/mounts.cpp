#include "platform/linux/mounts.h"

#include <fcntl.h>
#include <libmount/libmount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace gauzel {

std::vector<std::string> ParseDriveMounts(std::string_view mountInfo,
                                          const std::function<bool(const std::string&)>& isDirectory) {
    std::vector<std::string> mounts;
    if (mountInfo.empty()) return mounts;
    const std::unique_ptr<libmnt_table, decltype(&mnt_unref_table)> table(mnt_new_table(), &mnt_unref_table);
    std::string text(mountInfo);
    const std::unique_ptr<FILE, decltype(&std::fclose)> stream(fmemopen(text.data(), text.size(), "r"),
                                                               &std::fclose);
    const std::unique_ptr<libmnt_iter, decltype(&mnt_free_iter)> iter(mnt_new_iter(MNT_ITER_FORWARD),
                                                                      &mnt_free_iter);
    if (!table || !stream || !iter) return mounts;
    // A line that cannot be read is passed over, not the table.
    mnt_table_set_parser_errcb(table.get(), [](libmnt_table*, const char*, int) { return 1; });
    if (mnt_table_parse_stream(table.get(), stream.get(), "/proc/self/mountinfo") != 0) return mounts;

    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(table.get(), iter.get(), &fs) == 0) {
        const char* target = mnt_fs_get_target(fs);
        if (target == nullptr || mnt_fs_is_pseudofs(fs) || mnt_fs_is_swaparea(fs)) continue;
        const std::string_view type = mnt_fs_get_fstype(fs) != nullptr ? mnt_fs_get_fstype(fs) : "";
        const std::string_view source = mnt_fs_get_source(fs) != nullptr ? mnt_fs_get_source(fs) : "";
        const std::string_view root = mnt_fs_get_root(fs) != nullptr ? mnt_fs_get_root(fs) : "/";
        // Squashfs images (snaps) sit on loop devices, but are nobody's disk space.
        const bool blockDevice = source.starts_with("/dev/") && type != "squashfs";
        if (mnt_fs_is_netfs(fs) || (blockDevice && (root == "/" || isDirectory(target))))
            mounts.emplace_back(target);
    }
    return mounts;
}

DriveTable LoadDriveTable(const SettingsStore& settings) {
    std::ifstream file("/proc/self/mountinfo");
    std::string text{std::istreambuf_iterator<char>(file), {}};
    const std::vector<std::string> mounts = ParseDriveMounts(text, [](const std::string& path) {
        struct stat info {};
        return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    });
    return MakeDriveTable(mounts, settings.ReadSection(kSectionDrives));
}

LogicalDirectory ResolveDirectory(const DriveTable& drives, const std::string& realPath) {
    struct stat info {};
    if (stat(realPath.c_str(), &info) != 0) return {std::nullopt, std::strerror(errno)};
    if (!S_ISDIR(info.st_mode)) return {std::nullopt, std::strerror(ENOTDIR)};
    if (faccessat(AT_FDCWD, realPath.c_str(), R_OK | X_OK, AT_EACCESS) != 0)
        return {std::nullopt, std::strerror(errno)};
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(realPath.c_str(), nullptr), &std::free);
    if (!resolved) return {std::nullopt, std::strerror(errno)};
    std::optional<std::string> logical = drives.ToLogical(resolved.get());
    if (!logical) return {std::nullopt, "not on any drive"};
    return {logical, {}};
}

std::optional<std::string> CurrentLogicalDirectory(const DriveTable& drives) {
    std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    if (!cwd) return std::nullopt;
    return drives.ToLogical(cwd.get());
}

namespace {

std::vector<std::string> EntriesOf(const DriveTable& drives) {
    std::vector<std::string> entries;
    for (const Drive& drive : drives.Drives()) entries.push_back(DriveTable::EntryText(drive));
    return entries;
}

}  // namespace

LinuxDriveList::LinuxDriveList(LinuxFileSystem& fileSystem, const SettingsStore& settings)
    : m_fileSystem(fileSystem),
      m_settings(settings),
      m_mountInfo(open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC)) {}

LinuxDriveList::~LinuxDriveList() {
    if (m_mountInfo >= 0) close(m_mountInfo);
}

std::vector<std::string> LinuxDriveList::Entries() const { return EntriesOf(Drives()); }

bool LinuxDriveList::Refresh() {
    DriveTable fresh = LoadDriveTable(m_settings);
    if (EntriesOf(fresh) == Entries()) return false;
    m_fileSystem.SetDrives(std::move(fresh));
    return true;
}

std::optional<std::string> LinuxDriveList::RealPathOf(const std::string& logicalPath) const {
    const std::optional<RealPath> real = Drives().ToReal(logicalPath);
    if (!real) return std::nullopt;
    return real->Joined();
}

}  // namespace gauzel

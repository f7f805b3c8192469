#include "platform/linux/mounts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace gauzel {

static std::string DecodeOctal(std::string_view field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            field.substr(i + 1, 3).find_first_not_of("01234567") == std::string_view::npos) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

static bool IsNetworkFilesystem(std::string_view type) {
    static constexpr std::array<std::string_view, 10> kTypes = {
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "ceph", "9p", "afs", "fuse.sshfs", "glusterfs"};
    for (std::string_view known : kTypes)
        if (type == known) return true;
    return false;
}

std::vector<std::string> ParseDriveMounts(std::string_view mountInfo,
                                          const std::function<bool(const std::string&)>& isDirectory) {
    std::vector<std::string> mounts;
    std::istringstream lines{std::string(mountInfo)};
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options [optional…] - type source super-options
        std::istringstream fields(line);
        std::vector<std::string> words{std::istream_iterator<std::string>(fields), {}};
        std::size_t dash = 6;
        while (dash < words.size() && words[dash] != "-") ++dash;
        if (words.size() < 5 || dash + 2 >= words.size()) continue;
        const std::string& type = words[dash + 1];
        const std::string& source = words[dash + 2];
        const bool blockDevice = source.starts_with("/dev/") && type != "squashfs";
        std::string mountPoint = DecodeOctal(words[4]);
        if (IsNetworkFilesystem(type) || (blockDevice && (words[3] == "/" || isDirectory(mountPoint))))
            mounts.push_back(std::move(mountPoint));
    }
    return mounts;
}

DriveTable LoadDriveTable(const SettingsStore& settings) {
    std::ifstream file("/proc/self/mountinfo");
    std::string text{std::istreambuf_iterator<char>(file), {}};
    const std::vector<std::string> mounts = ParseDriveMounts(text, [](const std::string& path) {
        struct stat info{};
        return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    });
    return MakeDriveTable(mounts, settings.ReadSection(kSectionDrives));
}

LogicalDirectory ResolveDirectory(const DriveTable& drives, const std::string& realPath) {
    struct stat info{};
    if (stat(realPath.c_str(), &info) != 0) return {std::nullopt, std::strerror(errno)};
    if (!S_ISDIR(info.st_mode)) return {std::nullopt, std::strerror(ENOTDIR)};
    if (faccessat(AT_FDCWD, realPath.c_str(), R_OK | X_OK, AT_EACCESS) != 0) return {std::nullopt, std::strerror(errno)};
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

std::vector<std::string> LinuxDriveList::Entries() const {
    std::vector<std::string> entries;
    for (const Drive& drive : m_drives.Drives()) entries.push_back(DriveTable::EntryText(drive));
    return entries;
}

std::optional<std::string> LinuxDriveList::RealPathOf(const std::string& logicalPath) const {
    const std::optional<RealPath> real = m_drives.ToReal(logicalPath);
    if (!real) return std::nullopt;
    return real->Joined();
}

}  // namespace gauzel

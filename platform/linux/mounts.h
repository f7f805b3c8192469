#pragma once
// The machine's drives, from the mount table, and the current directory in logical form.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drive_list.h"
#include "platform/drive_table.h"
#include "platform/linux/linux_file_system.h"
#include "platform/settings_store.h"

namespace gauzel {

// Mount points of /proc/self/mountinfo text that are drives: block-device and network
// filesystems. Pseudo filesystems (proc, sysfs, cgroup, devpts, tmpfs, …) and squashfs images are
// not. Octal escapes ("\040") are decoded. The text decides, so that a dead network server cannot
// hang the start: `isDirectory` is asked only about a block-device mount of a part of a
// filesystem, which may be a single file (containers bind /etc/hosts that way).
std::vector<std::string> ParseDriveMounts(std::string_view mountInfo,
                                          const std::function<bool(const std::string&)>& isDirectory);

// The mount table of this process plus the settings' [Drives] section.
DriveTable LoadDriveTable(const SettingsStore& settings);

// A real directory (relative to the current directory or absolute), resolved through symbolic
// links, in logical form; or an error text.
LogicalDirectory ResolveDirectory(const DriveTable& drives, const std::string& realPath);

// The process's current directory in logical form ("C:\home\me\src"), or nothing.
std::optional<std::string> CurrentLogicalDirectory(const DriveTable& drives);

// The drives of a file system, read again from the mount table and the settings' [Drives] when
// the mount table changes.
class LinuxDriveList final : public DriveList {
public:
    LinuxDriveList(LinuxFileSystem& fileSystem, const SettingsStore& settings);
    ~LinuxDriveList() override;
    LinuxDriveList(const LinuxDriveList&) = delete;
    LinuxDriveList& operator=(const LinuxDriveList&) = delete;

    std::vector<std::string> Entries() const override;
    std::optional<std::string> CurrentDirectory() const override { return CurrentLogicalDirectory(Drives()); }
    LogicalDirectory Resolve(const std::string& realPath) const override {
        return ResolveDirectory(Drives(), realPath);
    }
    std::optional<std::string> RealPathOf(const std::string& logicalPath) const override;
    // The file system's drives become the mount table's of now.
    bool Refresh() override;
    // /proc/self/mountinfo, which polls POLLPRI after every mount and unmount.
    int ChangeDescriptor() const override { return m_mountInfo; }

private:
    const DriveTable& Drives() const { return m_fileSystem.Drives(); }

    LinuxFileSystem& m_fileSystem;
    const SettingsStore& m_settings;
    int m_mountInfo;
};

}  // namespace gauzel

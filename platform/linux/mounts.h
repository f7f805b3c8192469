#pragma once
// The machine's drives, from the mount table, and the current directory in logical form.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drive_list.h"
#include "platform/drive_table.h"
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

class LinuxDriveList final : public DriveList {
public:
    explicit LinuxDriveList(DriveTable drives) : m_drives(std::move(drives)) {}
    std::vector<std::string> Entries() const override;
    std::optional<std::string> CurrentDirectory() const override { return CurrentLogicalDirectory(m_drives); }
    LogicalDirectory Resolve(const std::string& realPath) const override { return ResolveDirectory(m_drives, realPath); }
    std::optional<std::string> RealPathOf(const std::string& logicalPath) const override;

private:
    DriveTable m_drives;
};

}  // namespace gauzel

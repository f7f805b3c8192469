#pragma once
// Directory listing on openat / getdents64 / statx and volume figures on statvfs.

#include "platform/drive_table.h"
#include "platform/file_system.h"

namespace gauzel {

// The directory `realPath`'s own record, as its parent's listing would give it (which file it is,
// when it changed); only its attributes when it cannot be read.
ListingRecord DirectoryRecord(const std::string& realPath);

class LinuxFileSystem final : public FileSystem {
public:
    explicit LinuxFileSystem(DriveTable drives) : m_drives(std::move(drives)) {}

    // Opens the drive's directory, then each level below it by name, never through a symbolic
    // link, so a path of any length opens; the levels above need only search permission.
    Opened OpenDirectory(const std::string& logicalPath) override;
    // statvfs of the directory itself: the filesystem that holds it, whatever its drive.
    VolumeSpace QueryVolume(const std::string& logicalPath) override;

    std::shared_ptr<FileSystem> Snapshot() const override {
        return std::make_shared<LinuxFileSystem>(m_drives);
    }
    const DriveTable& Drives() const { return m_drives; }
    // The drives after the mount table changed (a rescan reads its own Snapshot).
    void SetDrives(DriveTable drives) { m_drives = std::move(drives); }

private:
    DriveTable m_drives;
};

// A walk keeps a descriptor per level with subdirectories left: the soft limit on open
// descriptors (often 1024) is raised to the hard one. A walk that still runs out gives some back.
void RaiseDescriptorLimit();

}  // namespace gauzel

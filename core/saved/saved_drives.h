#pragma once
// The drives of the window: the machine's, and each saved scan opened as a drive of its own. A
// path on a saved scan's drive is read from the scan; every other one from the machine.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/saved/saved_scan.h"
#include "platform/drive_list.h"
#include "platform/file_system.h"

namespace gauzel {

// A saved scan's drive letter: the first from Z down that is not `taken`; 0 when all are.
char SavedDriveLetter(const std::function<bool(char)>& taken);

class SavedDrives final : public FileSystem, public DriveList {
public:
    SavedDrives(FileSystem& machine, DriveList& machineDrives)
        : m_machine(machine), m_machineDrives(machineDrives) {}

    // The scan becomes the drive of the first letter from Z down that no drive has; 0 when every
    // letter is taken.
    char Add(std::shared_ptr<const SavedScan> scan);
    // The saved scan whose drive `logicalPath` is on, or null.
    const SavedScanFileSystem* SavedOf(const std::string& logicalPath) const { return Find(logicalPath); }
    // What the user knows a path by: the machine's real path, or the path on the scanned machine.
    std::optional<std::string> ShownPathOf(const std::string& logicalPath) const;
    // A saved scan's entry in the drive list: its letter, the scanned root and when it was saved.
    static std::string EntryText(char letter, const SavedScan& scan);

    Opened OpenDirectory(const std::string& logicalPath) override;
    VolumeSpace QueryVolume(const std::string& logicalPath) override;
    // The machine's drives as they are now and the scans opened so far, owned by the snapshot.
    std::shared_ptr<FileSystem> Snapshot() const override;

    std::vector<std::string> Entries() const override;
    std::optional<std::string> CurrentDirectory() const override {
        return m_machineDrives.CurrentDirectory();
    }
    LogicalDirectory Resolve(const std::string& realPath) const override {
        return m_machineDrives.Resolve(realPath);
    }
    // Nothing for a saved scan's path: it is not on this machine.
    std::optional<std::string> RealPathOf(const std::string& logicalPath) const override;
    bool Refresh() override { return m_machineDrives.Refresh(); }
    int ChangeDescriptor() const override { return m_machineDrives.ChangeDescriptor(); }

private:
    SavedScanFileSystem* Find(const std::string& logicalPath) const;

    FileSystem& m_machine;
    DriveList& m_machineDrives;
    std::vector<std::shared_ptr<SavedScanFileSystem>> m_saved;
};

}  // namespace gauzel

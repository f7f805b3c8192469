#include "core/saved/saved_drives.h"

#include <algorithm>
#include <ctime>

#include "platform/ascii.h"

namespace gauzel {

char SavedDriveLetter(const std::function<bool(char)>& taken) {
    for (char letter = 'Z'; letter >= 'A'; --letter)
        if (!taken(letter)) return letter;
    return 0;
}

char SavedDrives::Add(std::shared_ptr<const SavedScan> scan) {
    const std::vector<std::string> entries = Entries();
    const char letter = SavedDriveLetter([&entries](char candidate) {
        return std::any_of(entries.begin(), entries.end(), [candidate](const std::string& entry) {
            return entry.size() > 2 && AsciiUpper(entry[2]) == candidate;
        });
    });
    if (letter != 0) m_saved.push_back(std::make_shared<SavedScanFileSystem>(std::move(scan), letter));
    return letter;
}

SavedScanFileSystem* SavedDrives::Find(const std::string& logicalPath) const {
    if (logicalPath.empty()) return nullptr;
    for (const auto& saved : m_saved)
        if (AsciiUpper(logicalPath[0]) == saved->Letter()) return saved.get();
    return nullptr;
}

std::optional<std::string> SavedDrives::ShownPathOf(const std::string& logicalPath) const {
    if (const SavedScanFileSystem* saved = SavedOf(logicalPath)) return saved->ScannedPathOf(logicalPath);
    return m_machineDrives.RealPathOf(logicalPath);
}

std::string SavedDrives::EntryText(char letter, const SavedScan& scan) {
    std::string text = "[-";
    text += static_cast<char>(letter - 'A' + 'a');
    text += "-] " + scan.RootPath() + " (saved scan";
    if (const std::optional<std::int64_t> timestamp = scan.Timestamp())
        if (const std::string date = ScanDate(*timestamp); !date.empty()) text += ", " + date;
    return text + ')';
}

Opened SavedDrives::OpenDirectory(const std::string& logicalPath) {
    if (SavedScanFileSystem* saved = Find(logicalPath)) return saved->OpenDirectory(logicalPath);
    return m_machine.OpenDirectory(logicalPath);
}

VolumeSpace SavedDrives::QueryVolume(const std::string& logicalPath) {
    if (const SavedScanFileSystem* saved = SavedOf(logicalPath)) return saved->Scan().Volume();
    return m_machine.QueryVolume(logicalPath);
}

namespace {

// What a rescan reads: the machine's drives and the saved scans, as they were when it began.
class DrivesAsTheyWere final : public FileSystem {
public:
    DrivesAsTheyWere(std::shared_ptr<FileSystem> machine,
                     std::vector<std::shared_ptr<SavedScanFileSystem>> saved)
        : m_machine(std::move(machine)), m_saved(std::move(saved)) {}
    Opened OpenDirectory(const std::string& logicalPath) override {
        if (FileSystem* saved = Find(logicalPath)) return saved->OpenDirectory(logicalPath);
        return m_machine->OpenDirectory(logicalPath);
    }
    VolumeSpace QueryVolume(const std::string& logicalPath) override {
        if (FileSystem* saved = Find(logicalPath)) return saved->QueryVolume(logicalPath);
        return m_machine->QueryVolume(logicalPath);
    }
    std::shared_ptr<FileSystem> Snapshot() const override {
        return std::make_shared<DrivesAsTheyWere>(m_machine, m_saved);
    }

private:
    FileSystem* Find(const std::string& logicalPath) const {
        for (const auto& saved : m_saved)
            if (!logicalPath.empty() && AsciiUpper(logicalPath[0]) == saved->Letter()) return saved.get();
        return nullptr;
    }

    std::shared_ptr<FileSystem> m_machine;
    std::vector<std::shared_ptr<SavedScanFileSystem>> m_saved;
};

}  // namespace

std::shared_ptr<FileSystem> SavedDrives::Snapshot() const {
    return std::make_shared<DrivesAsTheyWere>(m_machine.Snapshot(), m_saved);
}

std::vector<std::string> SavedDrives::Entries() const {
    std::vector<std::string> entries = m_machineDrives.Entries();
    // A drive mounted since, under a letter a scan holds, waits until the scan's letter is free.
    std::erase_if(entries, [this](const std::string& entry) {
        return entry.size() > 2 && SavedOf(entry.substr(2, 1)) != nullptr;
    });
    for (const auto& saved : m_saved) entries.push_back(EntryText(saved->Letter(), saved->Scan()));
    return entries;
}

std::optional<std::string> SavedDrives::RealPathOf(const std::string& logicalPath) const {
    if (SavedOf(logicalPath) != nullptr) return std::nullopt;
    return m_machineDrives.RealPathOf(logicalPath);
}

}  // namespace gauzel

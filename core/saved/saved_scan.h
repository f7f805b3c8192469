#pragma once
// A saved scan: the tree of a JSON export (ours, ncdu's or gdu's; export_reader reads it) in a
// compact form, and listed as a file system whose one drive is the scan. Nothing of it is on this
// machine: its paths are the scanned machine's.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace gauzel {

class SavedScan {
public:
    // One entry: 56 bytes, its name in the scan's name store. Trivial, so that a block of them
    // takes memory only as it fills.
    struct Entry {
        const char* name;     // logical: a "\" of the real name reads "/"
        std::uint64_t asize;  // apparent size
        std::uint64_t dsize;  // bytes allocated
        std::uint64_t inode;
        std::int64_t mtime;  // seconds since 1970; INT64_MIN: the file keeps none
        std::uint32_t nameLength;
        std::uint32_t end;     // the index after its last descendant (after itself: not a directory)
        std::uint32_t count;   // a file's names (0: not said); a directory's entries not sized
        std::uint32_t device;  // index into the devices
        std::uint8_t flags;
        std::uint8_t error;  // a directory not read: its errno when the file keeps it
    };
    enum Flags : std::uint8_t {
        kDirectory = 1,
        kNotRegular = 2,
        kReadError = 4,
        kExcluded = 8,          // not scanned
        kOtherFilesystem = 16,  // excluded as another filesystem's mount point
        kLinked = 32,           // a file of several names (hlnkc)
        kErrorKept = 64,        // our export said the directory was not read (error: why, 0 unknown)
    };

    const std::string& RootPath() const { return m_rootPath; }  // the scanned root, as the file names it
    const std::string& Program() const { return m_program; }
    std::optional<std::int64_t> Timestamp() const { return m_timestamp; }
    VolumeSpace Volume() const { return m_volume; }  // known only when the file keeps ours
    // Our export: the subdirectories below the root come in walk order, the reverse of listing order.
    bool InWalkOrder() const { return m_walkOrder; }
    std::size_t EntryCount() const { return m_count; }
    const Entry& At(std::uint32_t index) const { return m_blocks[index >> kBlockBits][index & kBlockMask]; }
    std::uint64_t Device(const Entry& entry) const { return m_devices[entry.device]; }
    // What the tree holds in memory.
    std::size_t MemoryBytes() const;

private:
    friend class ExportReader;  // fills it
    static constexpr unsigned kBlockBits = 16;
    static constexpr std::uint32_t kBlockMask = (1u << kBlockBits) - 1;
    static constexpr std::size_t kNameBlock = 1 << 20;

    Entry& Add();  // a new entry at index EntryCount()
    const char* StoreName(std::string_view name);

    std::vector<std::unique_ptr<Entry[]>> m_blocks;
    std::size_t m_count = 0;
    std::vector<std::unique_ptr<char[]>> m_names;
    std::size_t m_nameUsed = kNameBlock;  // in the last name block
    std::size_t m_nameBytes = 0;          // allocated for names
    std::vector<std::uint64_t> m_devices;
    std::string m_rootPath;
    std::string m_program;
    std::optional<std::int64_t> m_timestamp;
    VolumeSpace m_volume{0, 0, false};
    bool m_walkOrder = false;
};

// A saved scan's time in local time, "2026-12-01 10:04"; empty when it cannot be told.
std::string ScanDate(std::int64_t timestamp);

// The saved scan as a file system whose only drive is `letter`: "Z:" is the scanned root.
class SavedScanFileSystem final : public FileSystem {
public:
    SavedScanFileSystem(std::shared_ptr<const SavedScan> scan, char letter)
        : m_scan(std::move(scan)), m_letter(letter) {}
    Opened OpenDirectory(const std::string& logicalPath) override;
    VolumeSpace QueryVolume(const std::string& logicalPath) override;
    std::shared_ptr<FileSystem> Snapshot() const override {
        return std::make_shared<SavedScanFileSystem>(m_scan, m_letter);
    }
    // The path of a logical one as it was on the scanned machine, or nothing.
    std::optional<std::string> ScannedPathOf(const std::string& logicalPath) const;
    // The logical path of a path on the scanned machine at or below the scanned root ("//", "."
    // and ".." read as a live path's are).
    std::optional<std::string> LogicalPathOf(std::string_view scannedPath) const;
    char Letter() const { return m_letter; }
    const SavedScan& Scan() const { return *m_scan; }

private:
    // The names of a logical path on this drive, the root's none; nothing for another drive's.
    std::optional<std::vector<std::string_view>> NamesOf(std::string_view logicalPath) const;

    std::shared_ptr<const SavedScan> m_scan;
    char m_letter;
};

}  // namespace gauzel

#pragma once
// A rescan written as it goes in the JSON export format that ncdu writes (-o) and reads (-f), and
// gdu too: [1, 2, {metadata}, [{root}, items...]], a directory an array whose first element is
// its own object, every other entry an object. Nothing of the tree is held but the path walked.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/saved/chunked_output.h"
#include "core/scan/scan_engine.h"
#include "platform/file_system.h"

namespace gauzel {

// Our own keys: readers of the format ignore keys they do not know.
inline constexpr const char* kKeyFreeBytes = "gauzel_free_bytes";
inline constexpr const char* kKeyTotalBytes = "gauzel_total_bytes";
inline constexpr const char* kKeyAllocatedSaved = "gauzel_allocated";
inline constexpr const char* kKeyLinksOnceSaved = "gauzel_links_once";
inline constexpr const char* kKeyWalkOrder =
    "gauzel_walk_order";                                  // subdirectories below the root in walk order
inline constexpr const char* kKeyError = "gauzel_error";  // a directory not read: its errno, 0 unknown
inline constexpr const char* kKeySavedAgain = "gauzel_saved_again";  // seconds, as the timestamp
inline constexpr const char* kKeyUnsized = "gauzel_unsized";  // a directory's entries that could not be sized

struct ExportHead {
    std::string rootPath;  // real and absolute: the root's name
    ListingRecord root;    // the root directory's device and inode
    Counting counting;     // how the rescan counted, kept in the metadata
    std::string program = "gauzel-report";
    std::string version;
    std::optional<std::int64_t> timestamp;  // when it was scanned, in seconds since 1970; none: not known
    // A saved scan saved again keeps the time it was scanned, and says when it was saved again.
    std::optional<std::int64_t> savedAgain;
};

class ScanExport final : public ScanRecorder {
public:
    ScanExport(std::ostream& out, ExportHead head);
    void Volume(const VolumeSpace& space) override;
    void Directory(const std::string& path, DirectoryContents& contents, int openError,
                   const ListAgain& listAgain) override;
    // Closes the directories still open; false when a write failed.
    bool Finish();
    // Why the first write failed (an errno), or 0.
    int WriteError() const { return m_chunks.Error(); }

private:
    struct Level {
        std::size_t pathLength;  // of its logical path
        std::uint64_t device;
        bool entries;  // the profiled directory's: its subdirectories are walked in listing order
        struct Subdirectory {
            std::string name;
            std::uint64_t device;
            std::uint64_t inode;
            std::int64_t mtime;
        };
        std::vector<Subdirectory> subdirs;  // listing order: what a directory's own object needs
        std::size_t taken;                  // the entries': how many the walk has passed
        // The record of the subdirectory the walk has come to (an empty one if it was not listed).
        ListingRecord TakeSubdirectory(std::string_view name);
    };
    // One entry's object; `logical`: its name's "/" is a real "\".
    void Item(std::string_view name, bool logical, const ListingRecord& record, std::uint64_t parentDevice);

    ChunkedOutput m_chunks;
    std::string& m_text = m_chunks.text();
    ExportHead m_head;
    std::vector<Level> m_levels;  // the walk's path
    std::string m_path;           // the last directory's logical path: the levels' are its prefixes
};

}  // namespace gauzel

#pragma once
// One read of a directory: the bytes of its files, its subdirectories, and how the read went.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/kinds/file_stats.h"
#include "core/profile/byte_count.h"
#include "core/scan/exclusions.h"
#include "platform/file_system.h"

namespace gauzel {

// A listed entry that is a directory of this filesystem (and not "." or "..") is walked into;
// every other entry, symbolic links and mount points included, counts as a file of its size.
bool IsWalkedDirectory(const ListingRecord& record);
std::uint64_t RecordSize(const ListingRecord& record);

// How a file's size counts.
struct Counting {
    bool allocated = false;  // the bytes allocated for it, not its apparent size
    bool linksOnce = false;  // a file with several names counts at the first name the walk meets
    // What is gathered of each file besides its size (null: nothing); the reads fill
    // DirectoryContents::gathered.
    std::shared_ptr<const Gathering> gathering;
    // What is left out (null: nothing).
    std::shared_ptr<const Exclusions> exclusions;
};

// A file with more than one name, met in a directory: whether it counts is decided in walk order.
struct LinkedFile {
    std::uint64_t device;
    std::uint64_t inode;
    std::uint64_t size;
    std::uint32_t gathered;  // its index in DirectoryContents::gathered.files, when gathering
};

// One entry of a listing as it came, kept when a rescan is recorded (a saved scan is written).
struct ListedEntry {
    std::string name;      // logical
    ListingRecord record;  // its name left empty
};

// What one read of a directory yields: the bytes of its files and its subdirectories.
struct DirectoryContents {
    ByteCount fileBytes = 0;           // without `linked`
    std::vector<LinkedFile> linked;    // only when counting links once, in listing order
    std::vector<std::string> subdirs;  // listing order
    std::size_t files = 0;             // entries that are not walked into
    std::uint64_t leftOut = 0;         // entries left out (Counting::exclusions): neither of those
    bool cacheTag = false;             // it holds a CACHEDIR.TAG, and cache directories are left out
    bool isCache = false;              // a cache directory, left out whole (LeaveOutIfCache)
    // When gathering: those files by kind, type and age, and the ones the walk decides on.
    GatheredFiles gathered;
    ListingStatus status;
    // Only when recorded: every entry, "." and ".." left out; none when there were more than
    // kKeptEntries files, and `listAgain` set instead (by the walk) to the directory to list again
    // (the recorder is handed a ListAgain of it).
    std::vector<ListedEntry> entries;
    bool tooManyToKeep = false;
    std::shared_ptr<Directory> listAgain;
};

// Reads `directory` once. A null directory (one that could not be opened) reads as empty.
// `threads` jobs of `pool` may size a large directory's entries side by side. `record`: every
// entry is kept too. `below`: the directory's path below the profiled one (names joined by "/";
// empty: the profiled one), which patterns on paths are matched against.
DirectoryContents ReadDirectory(Directory* directory, const Counting& counting = {}, int threads = 1,
                                ReaderPool* pool = nullptr, bool record = false, std::string_view below = {});
// A walked directory that holds a valid CACHEDIR.TAG when cache directories are left out: its
// contents are dropped, and it is one entry left out.
void LeaveOutIfCache(const Directory* directory, DirectoryContents& contents);

// A directory listed in two steps (Directory::ListNames, then SizeEntry): each name with what
// its size gave. Any thread may size any entry; `Contents` then reads them as ReadDirectory would.
struct EntriesToSize {
    ListingStatus status;  // the names' listing's
    std::vector<std::string> names;
    std::vector<ListingRecord> records;
    std::vector<int> errors;

    void ListNames(Directory& directory);  // sizes nothing yet
    void Size(const Directory& directory, std::size_t i) {
        errors[i] = directory.SizeEntry(names[i], records[i]);
    }
    DirectoryContents Contents(const Counting& counting, bool record, std::string_view below = {});
};

}  // namespace gauzel

#pragma once
// The read-only view of the disk that a rescan needs: directory listings and volume figures.
// Paths handed in are logical ("C:", "C:\dir\sub"); names handed out are logical names
// (a real "\" in a name reads as "/").

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace gauzel {

// Attribute words of a listing record.
inline constexpr std::uint32_t kAttributeDirectory = 16;
inline constexpr std::uint32_t kAttributeNormal = 128;
// Symbolic link, or (together with kAttributeDirectory) the mount point of another filesystem.
inline constexpr std::uint32_t kAttributeReparsePoint = 1024;

struct ListingRecord {
    std::uint32_t attributes = kAttributeNormal;
    std::uint32_t sizeHigh = 0;  // upper 32 bits of the byte count
    std::uint32_t sizeLow = 0;   // lower 32 bits
    std::string_view name;       // valid only during the callback that receives the record
    // From the same look at the entry: the bytes the filesystem allocated for it (its blocks),
    // and which file it is, with how many names it has.
    std::uint64_t allocated = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint32_t links = 1;
    std::int64_t mtime = INT64_MIN;  // when it was last modified, in seconds since 1970; INT64_MIN: not known
    bool special = false;  // neither a regular file nor a directory: a link, a device, a pipe, a socket
};

// How a listing went. Errors are errno values; 0 means none.
struct ListingStatus {
    int error = 0;              // why the listing stopped before its end
    std::uint32_t unsized = 0;  // entries found but not sized: they were not handed out
    int unsizedError = 0;       // why the first of them could not be sized
    bool waited = false;        // the listing waited on the disk or the network (it slept)
};

class Directory;
class ReaderPool;

// The result of opening a directory: the directory, or why it could not be opened.
struct Opened {
    std::unique_ptr<Directory> directory;
    int error = 0;
};

// The two names every directory lists besides its entries; never walked, never counted.
inline bool IsDotOrDotDot(std::string_view name) { return name == "." || name == ".."; }

// The machine's cores, at least 1 (asked once: glibc reads /sys for it).
inline int Cores() {
    static const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return cores;
}

// What a directory's reads go to: how many of them a scan keeps in flight is its own choice.
enum class Medium {
    kLocalDisk,  // a queue that more readers only make seek
    kShare,      // a network or FUSE filesystem: many requests are served at once
    kMemory,     // nothing waits
};

// Whether reads wait on the disk or the network (then many in flight help), judged by how long
// they took, in microseconds an entry: a warm cache takes 2 to 5.
inline constexpr double kWaitingMicrosPerEntry = 15;
inline bool ReadsWait(double microsPerEntry) { return microsPerEntry > kWaitingMicrosPerEntry; }

// A process or the whole system has no descriptor left: the directory itself may be fine.
inline bool OutOfDescriptors(int error) { return error == EMFILE || error == ENFILE; }

// One open directory. It can be listed, and its subdirectories opened relative to it, so that
// a walk never builds a real path longer than one name.
class Directory {
public:
    virtual ~Directory() = default;
    // Calls `each` for every entry that could be sized, in listing order, on the calling thread.
    // Reads the directory once per call. Up to `threads` jobs of `pool` may size the entries of a
    // large directory side by side (the records and their order stay the same); the call returns
    // when they have.
    virtual ListingStatus List(const std::function<void(const ListingRecord&)>& each, int threads = 1,
                               ReaderPool* pool = nullptr) = 0;
    // The same listing in two steps, for a caller that sizes the entries on threads of its own (a
    // share, where each size waits for an answer): the names, in listing order and without "."
    // and "..", then any of them sized, on any thread, into `record` (its name left empty): 0,
    // ENOENT when it went meanwhile, or why it could not be sized. A share's directory has them.
    virtual ListingStatus ListNames(std::vector<std::string>& names) {
        (void)names;
        return {ENOTSUP};
    }
    virtual int SizeEntry(std::string_view name, ListingRecord& record) const {
        (void)name, (void)record;
        return ENOTSUP;
    }
    // Up to `size` bytes from the start of the regular file `name` (never through a symbolic
    // link, never waiting on a pipe) into `bytes`: how many, or -1 when it cannot be read. Only a
    // cache directory's tag is ever read so.
    virtual long ReadFileStart(std::string_view name, char* bytes, std::size_t size) const {
        (void)name, (void)bytes, (void)size;
        return -1;
    }
    // Opens the subdirectory `name` (a logical name), never through a symbolic link.
    virtual Opened OpenSubdirectory(std::string_view name) = 0;
    virtual Medium Kind() const { return Medium::kShare; }
};

struct VolumeSpace {
    std::uint64_t freeBytes = 0;  // available to the user
    std::uint64_t totalBytes = 0;
    bool known = true;  // false: nobody can ask any more (a saved scan that kept none)
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Fails when the directory cannot be opened (missing, refused, drive unknown: ENOENT).
    virtual Opened OpenDirectory(const std::string& logicalPath) = 0;
    // Both figures 0 when the query fails.
    virtual VolumeSpace QueryVolume(const std::string& logicalPath) = 0;
    // This file system as it is now, for the reads of one rescan: any thread may read it while
    // this one changes (the drives after a mount) or goes (the window closed).
    virtual std::shared_ptr<FileSystem> Snapshot() const = 0;
};

}  // namespace gauzel

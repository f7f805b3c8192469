#include "platform/linux/linux_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <libmount/libmount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/locking.h"
#include "platform/reader_pool.h"

namespace gauzel {

ListingRecord DirectoryRecord(const std::string& realPath) {
    ListingRecord record;
    record.attributes = kAttributeDirectory;
    struct stat info {};
    if (::stat(realPath.c_str(), &info) != 0) return record;
    record.device = std::uint64_t{major(info.st_dev)} << 32 | minor(info.st_dev);  // as the listing gives it
    record.inode = info.st_ino;
    record.mtime = info.st_mtime;
    return record;
}

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    ~FileDescriptor() {
        if (m_fd >= 0) close(m_fd);
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Reading a directory must not change its access time: O_NOATIME where the kernel allows it
// (the owner, or a process with CAP_FOWNER), a plain open elsewhere.
int OpenDirectoryAt(int parent, const char* name, int extraFlags) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | extraFlags;
    int fd = openat(parent, name, flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = openat(parent, name, flags);
    return fd;
}

// A level above the directory to read: a path descriptor needs only search permission on it.
int OpenPathAt(int parent, const char* name, int extraFlags) {
    return openat(parent, name, O_PATH | O_DIRECTORY | O_CLOEXEC | extraFlags);
}

// Which mount a directory belongs to; directories of another mount are not entered.
struct MountKey {
    bool byMountId = false;
    std::uint64_t mountId = 0;
    std::uint32_t devMajor = 0;
    std::uint32_t devMinor = 0;

    static MountKey Of(const struct statx& info) {
        MountKey key;
        key.byMountId = (info.stx_mask & STATX_MNT_ID) != 0;
        key.mountId = info.stx_mnt_id;
        key.devMajor = info.stx_dev_major;
        key.devMinor = info.stx_dev_minor;
        return key;
    }
    bool SameMount(const struct statx& info) const {
        if (byMountId && (info.stx_mask & STATX_MNT_ID) != 0) return info.stx_mnt_id == mountId;
        return info.stx_dev_major == devMajor && info.stx_dev_minor == devMinor;
    }
};

// AT_STATX_DONT_SYNC: the attributes the lookup of the name just brought are taken as they came.
// Without it a network filesystem (FUSE, NFS with its attribute cache off) asks the server a
// second time for each entry; a local filesystem ignores it.
constexpr unsigned kStatxFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC;
std::string Child(const std::string& path, std::string_view name) {
    std::string child = path;
    if (child.empty() || child.back() != '/') child += '/';
    child += name;
    return child;
}

// The mount points of the mount table, by real path. A mount point in a directory being listed is
// never sized (that would ask the mounted filesystem, which may be a share that stopped
// answering): it is the root of another mount, which the walk does not enter, and counts 0.
struct MountPoints {
    std::unordered_set<std::string> points;
    std::unordered_set<std::string> parents;   // the directories that hold them
    std::unordered_set<std::uint64_t> shares;  // the mounts (by id) of network and FUSE filesystems

    static std::shared_ptr<const MountPoints> Read() {
        auto table = std::make_shared<MountPoints>();
        // libmount decodes the octal escapes of the paths, as it does for the drives.
        const std::unique_ptr<libmnt_table, decltype(&mnt_unref_table)> mounts(
            mnt_new_table_from_file("/proc/self/mountinfo"), &mnt_unref_table);
        const std::unique_ptr<libmnt_iter, decltype(&mnt_free_iter)> iter(mnt_new_iter(MNT_ITER_FORWARD),
                                                                          &mnt_free_iter);
        if (!mounts || !iter) return table;
        libmnt_fs* fs = nullptr;
        while (mnt_table_next_fs(mounts.get(), iter.get(), &fs) == 0) {
            // A userspace filesystem may wait on anything, as a share does (fuseblk is a disk's).
            const std::string_view type = mnt_fs_get_fstype(fs) != nullptr ? mnt_fs_get_fstype(fs) : "";
            if (mnt_fs_is_netfs(fs) != 0 || type.starts_with("fuse."))
                table->shares.insert(static_cast<std::uint64_t>(mnt_fs_get_id(fs)));
            std::string point = mnt_fs_get_target(fs) != nullptr ? mnt_fs_get_target(fs) : "";
            if (point.size() < 2 || point[0] != '/') continue;  // "/" is in no directory
            table->parents.insert(point.substr(0, std::max<std::size_t>(point.rfind('/'), 1)));
            table->points.insert(std::move(point));
        }
        return table;
    }
};

constexpr unsigned kStatxMask =
    STATX_TYPE | STATX_SIZE | STATX_MNT_ID | STATX_BLOCKS | STATX_NLINK | STATX_INO | STATX_MTIME;
constexpr std::size_t kListingBufferBytes = 32 * 1024;
// A listing buffer holding this many entries or more is sized by several threads (when given).
constexpr std::size_t kSizedApartFrom = 256;

// A listing's getdents64 buffer. Each thread keeps one for its next listing (a walk lists one
// directory after another, and a buffer this large would take the allocator's lock each time);
// a listing inside another's callback gets its own.
class ListingBuffer {
public:
    ListingBuffer() {
        if (t_inUse) {
            m_own = std::make_unique_for_overwrite<char[]>(kListingBufferBytes);
            return;
        }
        if (!t_kept) t_kept = std::make_unique_for_overwrite<char[]>(kListingBufferBytes);
        t_inUse = true;
    }
    ~ListingBuffer() {
        if (!m_own) t_inUse = false;
    }
    ListingBuffer(const ListingBuffer&) = delete;
    ListingBuffer& operator=(const ListingBuffer&) = delete;
    char* get() const { return m_own ? m_own.get() : t_kept.get(); }

private:
    static thread_local std::unique_ptr<char[]> t_kept;
    static thread_local bool t_inUse;
    std::unique_ptr<char[]> m_own;
};
thread_local std::unique_ptr<char[]> ListingBuffer::t_kept;
thread_local bool ListingBuffer::t_inUse = false;

// Jobs of the reader pool that take a share of a run of work items, a slice at a time, the
// calling thread among them. Finish returns when every one has returned, so a job touches nothing
// its listing does not keep until then.
class Crew {
public:
    explicit Crew(ReaderPool& pool) : m_pool(pool) {}
    ~Crew() { Finish(); }
    Crew(const Crew&) = delete;
    Crew& operator=(const Crew&) = delete;
    // Starts calling `each(i)` for every i from `from` below `count` on up to `helpers` jobs of
    // the pool (fewer when it has no more threads); Finish takes its share on this thread and
    // returns when all are done. `slice`: how many items a job takes at a time (1 when each item
    // waits on the disk). Returns how many jobs help.
    std::size_t Start(std::size_t from, std::size_t count, std::size_t helpers, std::size_t slice,
                      const std::function<void(std::size_t)>& each) {
        {
            const MutexLock lock(m_mutex);
            m_each = &each;
            m_count = count;
            m_next = from;
            m_slice = slice;
        }
        std::size_t started = 0;
        while (started < helpers && m_pool.Run([this] { Help(); })) {
            ++started;
            const MutexLock lock(m_mutex);
            ++m_busy;
        }
        return started;
    }
    void Finish() {
        if (m_each != nullptr) Slices();
        const MutexLock lock(m_mutex);
        m_mutex.Wait(m_done, [this]() REQUIRES(m_mutex) { return m_busy == 0; });
    }

private:
    void Slices() {
        for (std::size_t start; (start = m_next.fetch_add(m_slice)) < m_count;)
            for (std::size_t i = start; i < std::min(start + m_slice, m_count); ++i) (*m_each)(i);
    }
    void Help() {
        Slices();
        const MutexLock lock(m_mutex);
        if (--m_busy == 0) m_done.notify_one();
    }

    ReaderPool& m_pool;
    Mutex m_mutex;
    std::condition_variable m_done;
    // Set by Start before any job runs, and read by the jobs until Finish returns.
    const std::function<void(std::size_t)>* m_each = nullptr;
    std::size_t m_count = 0;
    std::atomic<std::size_t> m_next{0};
    std::size_t m_slice = 1;
    std::size_t m_busy GUARDED_BY(m_mutex) = 0;  // jobs not done yet
};

class LinuxDirectory final : public Directory {
public:
    LinuxDirectory(FileDescriptor fd, MountKey mount, std::shared_ptr<const MountPoints> mountPoints,
                   std::string path)
        : m_fd(std::move(fd)),
          m_mount(mount),
          m_mountPoints(std::move(mountPoints)),
          m_path(std::move(path)),
          m_holdsMountPoints(m_mountPoints->parents.count(m_path) != 0),
          m_share(m_mount.byMountId && m_mountPoints->shares.count(m_mount.mountId) != 0) {}

    Medium Kind() const override { return m_share ? Medium::kShare : Medium::kLocalDisk; }

    ListingStatus List(const std::function<void(const ListingRecord&)>& each, int threads,
                       ReaderPool* pool) override {
        ListingStatus status;
        if (!Rewind(status)) return status;
        std::string converted;  // a name holding "\\" in its logical form
        const auto deliver = [&](const char* name, int error, const struct statx& info) {
            if (error != 0) {
                if (error == ENOENT) return;  // gone meanwhile: it is no longer there to count
                if (status.unsized++ == 0) status.unsizedError = error;
                return;
            }
            ListingRecord record = RecordOf(info);
            record.name = name;
            if (record.name.find('\\') != std::string_view::npos) {
                converted = LogicalName(record.name);
                record.name = converted;
            }
            each(record);
        };
        if (threads > 1 && pool != nullptr) {
            ListSizedApart(status, deliver, threads, *pool);
            return status;
        }
        // Whether the listing slept is asked of the kernel only after one that took long: the
        // two calls would cost a warm listing of a few entries a tenth of its time.
        const auto start = std::chrono::steady_clock::now();
        const long sleeps = t_askSleeps ? Sleeps() : 0;
        std::size_t entries = 1;
        const ListingBuffer buffer;
        for (ssize_t length; (length = Read(buffer.get(), status)) > 0;) {
            ForEachName(buffer.get(), length, [&](const char* name) {
                struct statx info;
                deliver(name, Size(name, info), info);
                ++entries;
            });
        }
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        const bool slow = ReadsWait(took.count() / static_cast<double>(entries));
        status.waited = t_askSleeps && slow && Sleeps() != sleeps;
        t_askSleeps = slow;
        return status;
    }

    ListingStatus ListNames(std::vector<std::string>& names) override {
        ListingStatus status;
        if (!Rewind(status)) return status;
        const ListingBuffer buffer;
        for (ssize_t length; (length = Read(buffer.get(), status)) > 0;)
            ForEachName(buffer.get(), length,
                        [&names](const char* name) { names.push_back(LogicalName(name)); });
        return status;
    }

    int SizeEntry(std::string_view name, ListingRecord& record) const override {
        struct statx info;
        const int error = Size(RealName(name).c_str(), info);
        if (error == 0) record = RecordOf(info);
        return error;
    }

    long ReadFileStart(std::string_view name, char* bytes, std::size_t size) const override {
        const FileDescriptor fd(openat(m_fd.Get(), RealName(name).c_str(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat info {};
        if (fd.Get() < 0 || fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
        long got = 0;
        while (static_cast<std::size_t>(got) < size) {
            const ssize_t n = read(fd.Get(), bytes + got, size - static_cast<std::size_t>(got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += n;
        }
        return got;
    }

    Opened OpenSubdirectory(std::string_view name) override {
        const std::string real = RealName(name);
        FileDescriptor fd(OpenDirectoryAt(m_fd.Get(), real.c_str(), O_NOFOLLOW));
        if (fd.Get() < 0) return {nullptr, errno};
        // Its entries are compared with this directory's mount: the walk only enters
        // directories of the same mount.
        std::string path = Child(m_path, real);
        return {std::make_unique<LinuxDirectory>(std::move(fd), m_mount, m_mountPoints, std::move(path)), 0};
    }

private:
    // A second listing starts over; false (the error in `status`) when it cannot.
    bool Rewind(ListingStatus& status) {
        if (m_listed && lseek(m_fd.Get(), 0, SEEK_SET) != 0) {
            status.error = errno;
            return false;
        }
        m_listed = true;
        return true;
    }

    // How often this thread has slept in the kernel (waited for something, not for a core).
    static long Sleeps() {
        struct rusage usage {};
        getrusage(RUSAGE_THREAD, &usage);
        return usage.ru_nvcsw;
    }

    // One getdents64 into `buffer`: its length, 0 at the end, or -1 with the error in `status`.
    ssize_t Read(char* buffer, ListingStatus& status) const {
        for (;;) {
            const ssize_t length = getdents64(m_fd.Get(), buffer, kListingBufferBytes);
            if (length >= 0) return length;
            if (errno != EINTR) {
                status.error = errno;
                return -1;
            }
        }
    }

    template <typename Each>
    static void ForEachName(const char* buffer, ssize_t length, const Each& each) {
        for (ssize_t offset = 0; offset < length;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            const char* name = entry->d_name;
            if (IsDotOrDotDot(name)) continue;
            each(name);
        }
    }

    // A buffer's entries are sized side by side by a crew of the pool's jobs (one a core, the
    // others while the sizes wait on the disk). Meanwhile this thread delivers
    // the buffer before, in listing order, and reads the next one into it.
    template <typename Deliver>
    void ListSizedApart(ListingStatus& status, const Deliver& deliver, int threads, ReaderPool& pool) const {
        struct Batch {
            ListingBuffer buffer;
            std::vector<const char*> names;
            std::vector<struct statx> infos;
            std::vector<int> errors;
        };
        const auto read = [&](Batch& batch) {
            batch.names.clear();
            const ssize_t length = Read(batch.buffer.get(), status);
            ForEachName(batch.buffer.get(), length,
                        [&batch](const char* name) { batch.names.push_back(name); });
            batch.infos.resize(batch.names.size());
            batch.errors.resize(batch.names.size());
            return length > 0;
        };
        const auto deliverAll = [&deliver](const Batch& batch) {
            for (std::size_t i = 0; i < batch.names.size(); ++i)
                deliver(batch.names[i], batch.errors[i], batch.infos[i]);
        };
        Batch batches[2];
        Batch* sizing = &batches[0];
        const std::function<void(std::size_t)> size = [this, &sizing](std::size_t i) {
            sizing->errors[i] = Size(sizing->names[i], sizing->infos[i]);
        };
        std::optional<Crew> crew;  // after what it uses: should a delivery throw, it goes first
        const auto cores = static_cast<std::size_t>(Cores());
        const auto most = static_cast<std::size_t>(threads - 1);
        std::optional<bool> slow;  // whether the sizes wait: the first one's word, then each buffer's
        Batch* sized = nullptr;    // its records not delivered yet
        for (bool more = read(*sizing); more;) {
            Batch* const following = sizing == &batches[0] ? &batches[1] : &batches[0];
            const std::size_t count = sizing->names.size();
            std::size_t from = 0;
            auto start = std::chrono::steady_clock::now();
            if (!slow && count > 0) {
                // Wall time: one size that waits on a share says the rest will.
                size(from++);
                const auto end = std::chrono::steady_clock::now();
                slow = ReadsWait(std::chrono::duration<double, std::micro>(end - start).count());
                start = end;
            }
            const bool apart = count - from >= kSizedApartFrom || (slow.value_or(false) && count - from > 1);
            std::size_t helpers = 0;
            if (apart) {
                if (!crew) crew.emplace(pool);
                // No more helpers than entries left beside this thread's share.
                helpers = std::min(slow.value_or(true) ? most : std::min(cores - 1, most), count - from - 1);
                helpers = crew->Start(from, count, helpers, slow.value_or(true) ? 1 : 32, size);
            }
            if (sized != nullptr) deliverAll(*sized);
            more = read(*following);
            if (apart) {
                crew->Finish();
                const std::chrono::duration<double, std::micro> took =
                    std::chrono::steady_clock::now() - start;
                // Core time an entry: threads beyond the cores only take turns on them.
                slow = ReadsWait(took.count() * static_cast<double>(std::min(helpers + 1, cores)) /
                                 static_cast<double>(count - from));
            } else {
                for (std::size_t i = from; i < count; ++i) size(i);
            }
            sized = std::exchange(sizing, following);
        }
        if (sized != nullptr) deliverAll(*sized);
        status.waited = slow.value_or(false);
    }

    // The statx of one entry: 0, or its errno.
    int Size(const char* name, struct statx& info) const {
        if (m_holdsMountPoints && m_mountPoints->points.count(Child(m_path, name)) != 0) {
            info = {};  // another mount's directory: not entered, counts 0
            info.stx_mask = STATX_TYPE;
            info.stx_mode = S_IFDIR;
            info.stx_dev_major = m_mount.devMajor + 1;
            return 0;
        }
        int result;
        do result = statx(m_fd.Get(), name, kStatxFlags, kStatxMask, &info);
        while (result != 0 && errno == EINTR);
        return result == 0 ? 0 : errno;
    }

    ListingRecord RecordOf(const struct statx& info) const {
        ListingRecord record;
        if (S_ISDIR(info.stx_mode)) {
            // Its own size counts nowhere; another mount's directory is not entered. A saved scan
            // keeps which directory a walked one is.
            record.attributes = kAttributeDirectory | (m_mount.SameMount(info) ? 0 : kAttributeReparsePoint);
            if ((record.attributes & kAttributeReparsePoint) != 0) return record;
            if ((info.stx_mask & STATX_MTIME) != 0) record.mtime = info.stx_mtime.tv_sec;
            record.device = static_cast<std::uint64_t>(info.stx_dev_major) << 32 | info.stx_dev_minor;
            record.inode = info.stx_ino;
            return record;
        }
        record.attributes = S_ISLNK(info.stx_mode) ? kAttributeReparsePoint : kAttributeNormal;
        record.special = !S_ISREG(info.stx_mode);
        record.sizeHigh = static_cast<std::uint32_t>(info.stx_size >> 32);
        record.sizeLow = static_cast<std::uint32_t>(info.stx_size);
        // A filesystem that keeps no block count: its apparent size is all we know.
        record.allocated = (info.stx_mask & STATX_BLOCKS) != 0 ? info.stx_blocks * 512 : info.stx_size;
        record.links = (info.stx_mask & STATX_NLINK) != 0 ? info.stx_nlink : 1;
        if ((info.stx_mask & STATX_MTIME) != 0) record.mtime = info.stx_mtime.tv_sec;
        record.device = static_cast<std::uint64_t>(info.stx_dev_major) << 32 | info.stx_dev_minor;
        record.inode = info.stx_ino;
        return record;
    }

    static thread_local bool t_askSleeps;  // this thread's last listing took long

    FileDescriptor m_fd;
    MountKey m_mount;
    std::shared_ptr<const MountPoints> m_mountPoints;
    std::string m_path;  // real, for the mount points
    bool m_holdsMountPoints;
    bool m_share;  // a network or FUSE filesystem
    bool m_listed = false;
};

thread_local bool LinuxDirectory::t_askSleeps = false;

}  // namespace

namespace {

// The levels of a real path, each opened by name from the one above and never through a symbolic
// link, so a path of any length opens. The levels above are opened as paths, so a directory below
// one that may only be passed through (mode 711) opens; the last is opened for reading when
// `forListing`, else as a path too.
FileDescriptor OpenLevels(const RealPath& real, bool forListing) {
    const std::size_t levels = real.names.size();
    const auto open = [forListing](int at, const char* name, int flags, bool last) {
        return last && forListing ? OpenDirectoryAt(at, name, flags) : OpenPathAt(at, name, flags);
    };
    FileDescriptor fd(open(AT_FDCWD, real.driveDirectory.c_str(), 0, levels == 0));
    for (std::size_t i = 0; i < levels && fd.Get() >= 0; ++i)
        fd = FileDescriptor(open(fd.Get(), real.names[i].c_str(), O_NOFOLLOW, i + 1 == levels));
    return fd;
}

}  // namespace

Opened LinuxFileSystem::OpenDirectory(const std::string& logicalPath) {
    const std::optional<RealPath> real = m_drives.ToReal(logicalPath);
    if (!real) return {nullptr, ENOENT};
    FileDescriptor fd = OpenLevels(*real, true);
    if (fd.Get() < 0) return {nullptr, errno};
    struct statx info;
    if (statx(fd.Get(), "", AT_EMPTY_PATH, STATX_MNT_ID, &info) != 0) return {nullptr, errno};
    return {std::make_unique<LinuxDirectory>(std::move(fd), MountKey::Of(info), MountPoints::Read(),
                                             real->Joined()),
            0};
}

VolumeSpace LinuxFileSystem::QueryVolume(const std::string& logicalPath) {
    // The filesystem that holds the directory itself, whatever drive its path names.
    const std::optional<RealPath> real = m_drives.ToReal(logicalPath);
    if (!real) return {};
    const FileDescriptor fd = OpenLevels(*real, false);
    struct statvfs info {};
    if (fd.Get() < 0 || fstatvfs(fd.Get(), &info) != 0) return {};
    const std::uint64_t unit = info.f_frsize;
    return {static_cast<std::uint64_t>(info.f_bavail) * unit,
            static_cast<std::uint64_t>(info.f_blocks) * unit};
}

void RaiseDescriptorLimit() {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace gauzel

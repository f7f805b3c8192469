#include "platform/linux/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

namespace gauzel {

namespace {

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// `path` with every symbolic link of its last name followed (a link that points nowhere: where
// it points), or an errno.
int FollowLinks(std::string& path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0) return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(info.st_mode)) return 0;
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length < 0) return errno;
        if (static_cast<std::size_t>(length) == sizeof target) return ENAMETOOLONG;
        const std::string to(target, static_cast<std::size_t>(length));
        path = to.starts_with('/') ? to : DirectoryOf(path) + '/' + to;
    }
    return ELOOP;
}

// A name beside `target` that nothing else uses.
std::string PartName(const std::string& target) {
    static std::atomic<unsigned> made{0};
    return target + ".part-" + std::to_string(getpid()) + '-' + std::to_string(made++);
}

}  // namespace

int WriteAll(int fd, const char* bytes, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : ENOSPC;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

std::unique_ptr<WholeFile> WholeFile::Begin(const std::string& path, int& error) {
    std::string target = path;
    if ((error = FollowLinks(target)) != 0) return nullptr;
    struct stat old {};
    const bool replaces = stat(target.c_str(), &old) == 0;
    if (replaces && !S_ISREG(old.st_mode)) {
        error = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;  // a pipe or a device is not ours to replace
        return nullptr;
    }
    std::string part;
    int fd = open(DirectoryOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        part = PartName(target);  // a file system without unnamed files
        fd = open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    if (replaces) {
        // Its owner and group where the process may set them, else the group alone, else none:
        // then it is the writer's, as a new file would be.
        [[maybe_unused]] const bool owned =
            fchown(fd, old.st_uid, old.st_gid) == 0 || fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
        if (fchmod(fd, old.st_mode & 07777) != 0) {
            error = errno;
            close(fd);
            if (!part.empty()) unlink(part.c_str());
            return nullptr;
        }
    }
    error = 0;
    return std::unique_ptr<WholeFile>(new WholeFile(fd, std::move(target), std::move(part)));
}

WholeFile::~WholeFile() {
    if (m_fd >= 0) close(m_fd);
    if (!m_committed && !m_part.empty()) unlink(m_part.c_str());
}

int WholeFile::Commit() {
    if (fsync(m_fd) != 0) return errno;
    if (const int error = Name(); error != 0) return error;
    m_committed = true;
    const int closed = close(m_fd);
    m_fd = -1;
    // The new name on the disk too; a directory that cannot be synced has it in memory already.
    if (const int directory = open(DirectoryOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        directory >= 0) {
        fsync(directory);
        close(directory);
    }
    return closed == 0 ? 0 : errno;
}

int WholeFile::Name() {
    if (m_part.empty()) {
        // An unnamed file is named through /proc (AT_EMPTY_PATH needs a privilege); a file that is
        // there already is replaced by a rename from a name of its own.
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_target.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
        if (errno != EEXIST) return errno;
        m_part = PartName(m_target);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_part.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            const int error = errno;
            m_part.clear();
            return error;
        }
    }
    if (rename(m_part.c_str(), m_target.c_str()) != 0) return errno;  // the destructor removes the part
    m_part.clear();
    return 0;
}

}  // namespace gauzel

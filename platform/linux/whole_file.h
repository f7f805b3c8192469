#pragma once
// The one way this program replaces a file (a saved scan, the settings file): the new version is
// written to an unnamed file in the same directory, synced, then given the name in one step. The
// old file stays byte for byte as it was until then; a write that fails or is never committed
// leaves nothing behind (a killed program leaves at most an unnamed file, which the kernel frees).

#include <memory>
#include <string>

namespace gauzel {

class WholeFile {
public:
    // Begins a new version of `path`. A symbolic link is followed: the file it points to is
    // replaced and the link stays. The new version takes the mode of the file it replaces (and
    // its owner, where the process may set it); a new file is made as open(2) makes one. Null,
    // `error` set to an errno, when it cannot be begun.
    static std::unique_ptr<WholeFile> Begin(const std::string& path, int& error);
    // Not committed: the new version is dropped.
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Where the new version is written (stays owned here).
    int Descriptor() const { return m_fd; }
    // Syncs the new version and puts it in the old one's place: 0, or why not (an errno; the old
    // file then stays as it was, and nothing is left beside it).
    int Commit();

private:
    WholeFile(int fd, std::string target, std::string part) noexcept
        : m_fd(fd), m_target(std::move(target)), m_part(std::move(part)) {}
    int Name();

    int m_fd;
    std::string m_target;  // the file replaced, its links followed
    std::string m_part;    // where the file system refuses unnamed files: the named file written
    bool m_committed = false;
};

// Writes all of `size` bytes to `fd`: 0, or an errno.
int WriteAll(int fd, const char* bytes, std::size_t size);

}  // namespace gauzel

#pragma once
// A real directory tree under /tmp for the platform tests, removed with everything in it.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace gauzel::testing {

class TempTree {
public:
    TempTree();  // world-readable, so a test may look at it as another user
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& Root() const { return m_root; }
    std::string PathOf(const std::string& relative) const { return m_root + "/" + relative; }

    void Dir(const std::string& relative) const;                       // with its parents
    void File(const std::string& relative, std::uint64_t size) const;  // sparse: no blocks written
    void Symlink(const std::string& target, const std::string& relative) const;
    void HardLink(const std::string& existing, const std::string& relative) const;

private:
    std::string m_root;
};

// A tmpfs of `bytes` mounted on a fresh directory for the life of the object: a disk that fills.
// Only root may mount one; elsewhere Mounted() is false and the test that needs it is skipped.
class SmallDisk {
public:
    explicit SmallDisk(std::uint64_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    std::string PathOf(const std::string& relative) const { return m_place.PathOf(relative); }
    // The names in it, sorted.
    std::string Names() const;

private:
    TempTree m_place;
    bool m_mounted;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    bool m_had;
    std::string m_old;
};

// Runs `body` in a child process as an ordinary user (nobody, when the test runs as root, since
// root reads everything) and returns the child's exit status, or -1 when it died.
template <typename Body>
int AsOrdinaryUser(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace gauzel::testing

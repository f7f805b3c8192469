#include "tests/support/temp_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace gauzel::testing {

static void Check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error("temp tree: " + what);
}

TempTree::TempTree() {
    std::string pattern = "/tmp/gauzel-test-XXXXXX";
    Check(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    m_root = pattern;
    Check(chmod(m_root.c_str(), 0755) == 0, "chmod");
}

TempTree::~TempTree() {
    // rm copes with trees deeper than PATH_MAX; modes are opened first for unreadable test dirs.
    const std::string command = "chmod -R u+rwx '" + m_root + "' 2>/dev/null; rm -rf '" + m_root + "'";
    [[maybe_unused]] int status = std::system(command.c_str());
}

void TempTree::Dir(const std::string& relative) const {
    std::string path = m_root;
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t slash = relative.find('/', start);
        path += "/" + relative.substr(start, slash - start);
        if (mkdir(path.c_str(), 0755) != 0) Check(errno == EEXIST, "mkdir " + path);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
}

void TempTree::File(const std::string& relative, std::uint64_t size) const {
    const int fd = open(PathOf(relative).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Check(fd >= 0, "create " + relative);
    const bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
    close(fd);
    Check(ok, "truncate " + relative);
}

void TempTree::Symlink(const std::string& target, const std::string& relative) const {
    Check(symlink(target.c_str(), PathOf(relative).c_str()) == 0, "symlink " + relative);
}

void TempTree::HardLink(const std::string& existing, const std::string& relative) const {
    Check(link(PathOf(existing).c_str(), PathOf(relative).c_str()) == 0, "link " + relative);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name) {
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (m_had) m_old = old;
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (m_had)
        setenv(m_name.c_str(), m_old.c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

SmallDisk::SmallDisk(std::uint64_t bytes)
    : m_mounted(mount("tmpfs", m_place.Root().c_str(), "tmpfs", 0,
                      ("size=" + std::to_string(bytes) + ",mode=755").c_str()) == 0) {}

SmallDisk::~SmallDisk() {
    if (m_mounted) umount2(m_place.Root().c_str(), MNT_DETACH);
}

std::string SmallDisk::Names() const {
    std::vector<std::string> names;
    if (DIR* dir = opendir(m_place.Root().c_str())) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
    return joined;
}

}  // namespace gauzel::testing

// The floor for the scan benchmark: a bare walk with getdents64 and one statx per entry and
// nothing else, printing the apparent size of every non-directory entry. gauzel-report's time
// over this one's is the cost of everything above the system calls.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

unsigned long long total = 0;
char buffer[32768];

void Walk(int fd) {
    std::vector<std::string> subdirectories;
    for (;;) {
        const long length = getdents64(fd, buffer, sizeof buffer);
        if (length <= 0) break;
        for (long offset = 0; offset < length;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
            struct statx info;
            if (statx(fd, name, AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_SIZE, &info) != 0) continue;
            if (S_ISDIR(info.stx_mode))
                subdirectories.emplace_back(name);
            else
                total += info.stx_size;
        }
    }
    for (const std::string& name : subdirectories) {
        const int child = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0) continue;
        Walk(child);
        close(child);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const int fd = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 1;
    Walk(fd);
    std::printf("%llu\n", total);
    return 0;
}

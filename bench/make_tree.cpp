#include "bench/make_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

void Check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error("make_tree: " + what);
}

}  // namespace

std::uint64_t MakeTree(const std::string& root, int directories, int files, std::uint32_t seed) {
    std::mt19937 random(seed);
    auto uniform = [&random](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    auto below = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };

    Check(mkdir(root.c_str(), 0755) == 0, "mkdir " + root);
    std::vector<std::string> dirs{root};
    for (int i = 1; i < directories; ++i) {
        // Later directories lean towards recent parents, which makes deep and bushy parts.
        const std::size_t parent =
            dirs.size() - 1 - static_cast<std::size_t>(std::pow(uniform(0, 1), 3) * dirs.size());
        const bool dot = below(20) == 0;
        const std::string path = dirs[parent] + "/" + (dot ? ".cache" : "d") + std::to_string(i);
        Check(mkdir(path.c_str(), 0755) == 0, "mkdir " + path);
        dirs.push_back(path);
    }

    std::uint64_t total = 0;
    std::vector<std::string> made;
    std::vector<char> data(4096, 'g');
    for (int i = 0; i < files; ++i) {
        // Files crowd into few directories: a skewed choice of directory.
        const std::string& dir = dirs[static_cast<std::size_t>(std::pow(uniform(0, 1), 2) * dirs.size())];
        const std::string path = dir + "/f" + std::to_string(i);
        const int kind = static_cast<int>(below(100));
        if (kind < 2 && !made.empty()) {  // a hard link to an earlier file
            const std::string& target = made[below(made.size())];
            Check(link(target.c_str(), path.c_str()) == 0, "link " + path);
            struct stat info {};
            stat(path.c_str(), &info);
            total += static_cast<std::uint64_t>(info.st_size);
            continue;
        }
        if (kind < 4) {  // a symbolic link, sometimes a loop; its size is its target's length
            const std::string target = kind == 2 ? "../.." : "f" + std::to_string(below(files));
            Check(symlink(target.c_str(), path.c_str()) == 0, "symlink " + path);
            total += target.size();
            continue;
        }
        // Log-uniform sizes from 0 to 100 MB; the large ones sparse, so the tree stays small on disk.
        const auto size = static_cast<std::uint64_t>(std::exp(uniform(0, std::log(1e8))) - 1);
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        Check(fd >= 0, "create " + path);
        if (size <= data.size())
            Check(write(fd, data.data(), size) == static_cast<ssize_t>(size), "write " + path);
        else
            Check(ftruncate(fd, static_cast<off_t>(size)) == 0, "truncate " + path);
        close(fd);
        total += size;
        made.push_back(path);
    }
    return total;
}

std::uint64_t MakeWideTree(const std::string& root, int directories) {
    Check(mkdir(root.c_str(), 0755) == 0, "mkdir " + root);
    std::vector<char> data(1000, 'w');
    std::uint64_t total = 0;
    for (int i = 0; i < directories; ++i) {
        const std::string dir = root + "/w" + std::to_string(i);
        Check(mkdir(dir.c_str(), 0755) == 0, "mkdir " + dir);
        const std::size_t size = 300 + static_cast<std::size_t>(i % 700);
        const int fd = open((dir + "/f").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        Check(fd >= 0 && write(fd, data.data(), size) == static_cast<ssize_t>(size), "write " + dir);
        close(fd);
        total += size;
    }
    return total;
}

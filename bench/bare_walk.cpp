// The floor for the scan benchmark: a bare walk with getdents64 and one statx per entry (taking
// the attributes its lookup brought, AT_STATX_DONT_SYNC, as a network filesystem allows) and
// nothing else, printing the apparent size of every non-directory entry. gauzel-report's time
// over this one's is the cost of everything above the system calls.
//
//   bare_walk [-e] [-j N] DIRECTORY
//
// With -j N, N threads take directories from one shared stack, in no order and with no
// progress: the limit of this machine for that many threads. With -e, every entry is sized by
// a job of its own on those threads, and a subdirectory is listed the moment the listing names
// it, unsized (the limit of a share, where each request waits). Each prints the total
// it found (the benchmark checks it against the tree's).

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<unsigned long long> total{0};

// Lists one directory: adds its files, returns its subdirectories' names.
std::vector<std::string> List(int fd, char* buffer, std::size_t size) {
    std::vector<std::string> subdirectories;
    unsigned long long bytes = 0;
    for (;;) {
        const long length = getdents64(fd, buffer, size);
        if (length <= 0) break;
        for (long offset = 0; offset < length;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
            struct statx info;
            if (statx(fd, name, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, STATX_TYPE | STATX_SIZE, &info) !=
                0)
                continue;
            if (S_ISDIR(info.stx_mode))
                subdirectories.emplace_back(name);
            else
                bytes += info.stx_size;
        }
    }
    total += bytes;
    return subdirectories;
}

int OpenChild(int fd, const std::string& name) {
    return openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

char buffer[32768];

void Walk(int fd) {
    for (const std::string& name : List(fd, buffer, sizeof buffer)) {
        const int child = OpenChild(fd, name);
        if (child < 0) continue;
        Walk(child);
        close(child);
    }
}

// A directory's descriptor, closed when the last of its subdirectories waiting to be read has
// been opened from it.
using SharedFd = std::shared_ptr<const int>;
SharedFd Share(int fd) {
    return SharedFd(new int(fd), [](const int* owned) {
        close(*owned);
        delete owned;
    });
}

// N threads over one stack of jobs, in no order: `run` does one job (on any thread) and returns
// the jobs it makes; the walk ends when the stack is empty and no thread is busy.
template <typename Job, typename Run>
void RunStack(Job first, int threads, const Run& run) {
    std::mutex mutex;
    std::condition_variable more;
    std::vector<Job> stack;
    stack.push_back(std::move(first));
    int busy = 0;
    auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            more.wait(lock, [&] { return !stack.empty() || busy == 0; });
            if (stack.empty()) return;
            Job job = std::move(stack.back());
            stack.pop_back();
            ++busy;
            lock.unlock();
            std::vector<Job> children = run(job);
            job = Job{};
            lock.lock();
            std::move(children.begin(), children.end(), std::back_inserter(stack));
            children.clear();  // the last references to a directory may go under the lock; fine
            --busy;
            more.notify_all();
        }
    };
    std::vector<std::jthread> workers;
    for (int i = 0; i < threads; ++i) workers.emplace_back(work);
}

struct Job {
    SharedFd parent;  // null for the root
    std::string name;
    bool list = true;  // a directory to list, else an entry to size (-e)
};

// Directories to read, each named below its open parent: only the parents of waiting
// directories are held open, however wide the tree.
void WalkParallel(int root, int threads) {
    RunStack(Job{}, threads, [root](Job& job) {
        thread_local std::vector<char> own(32768);
        const int fd = job.parent ? OpenChild(*job.parent, job.name) : root;
        job.parent.reset();
        std::vector<Job> children;
        if (fd < 0) return children;
        const SharedFd self = Share(fd);
        for (std::string& name : List(fd, own.data(), own.size()))
            children.push_back({self, std::move(name)});
        return children;
    });
}

// Every entry sized by a job of its own: a directory's entries are sized side by side, and a
// subdirectory is opened and listed as soon as the listing names it (its type comes with its
// name; sized first only when the filesystem does not tell it): the most a share can have in
// flight with N threads.
void WalkEveryEntry(int root, int threads) {
    RunStack(Job{}, threads, [root](Job& job) {
        thread_local std::vector<char> own(32768);
        std::vector<Job> children;
        if (job.list) {
            const int fd = job.parent ? OpenChild(*job.parent, job.name) : root;
            if (fd < 0) return children;
            const SharedFd self = Share(fd);
            for (long length; (length = getdents64(fd, own.data(), own.size())) > 0;)
                for (long offset = 0; offset < length;) {
                    const auto* entry = reinterpret_cast<const dirent64*>(own.data() + offset);
                    offset += entry->d_reclen;
                    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                        children.push_back({self, entry->d_name, entry->d_type == DT_DIR});
                }
            return children;
        }
        struct statx info;
        if (statx(*job.parent, job.name.c_str(), AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC,
                  STATX_TYPE | STATX_SIZE, &info) == 0) {
            if (S_ISDIR(info.stx_mode))
                children.push_back({job.parent, std::move(job.name), true});
            else
                total += info.stx_size;
        }
        return children;
    });
}

}  // namespace

int main(int argc, char** argv) {
    int threads = 1;
    bool everyEntry = false;
    if (argc >= 2 && std::strcmp(argv[1], "-e") == 0) {
        everyEntry = true;
        ++argv;
        --argc;
    }
    if (argc == 4 && std::strcmp(argv[1], "-j") == 0) {
        threads = std::atoi(argv[2]);
        argv += 2;
        argc -= 2;
    }
    if (argc != 2 || threads < 1) return 2;
    struct rlimit limit {};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;  // a deep tree holds a descriptor a level
    setrlimit(RLIMIT_NOFILE, &limit);
    const int fd = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 1;
    if (everyEntry) {
        WalkEveryEntry(fd, threads);
    } else if (threads == 1) {
        Walk(fd);
        close(fd);
    } else {
        WalkParallel(fd, threads);
    }
    std::printf("%llu\n", total.load());
    return 0;
}

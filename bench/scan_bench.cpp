// The scan benchmark: gauzel-report against a bare getdents64 + statx walk (one thread, and N
// threads), GNU du and the peers gdu and ncdu, on generated trees, warm and (as root) cold.
// Every command of a table runs once per round, in an order that rotates from round to round;
// a ratio is taken within each round and the median over the rounds is printed.
//
//   scan_bench WORKDIR [ROUNDS]
//
// WORKDIR keeps the generated trees between runs. GAUZEL_BENCH_HUGE=1 adds a tree of a million
// files for the memory line.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/make_tree.h"

namespace {

using Command = std::vector<std::string>;

struct RunResult {
    double seconds = 0;
    long peakKilobytes = 0;
    std::string out;
};

// Empties the page, dentry and inode caches, so that the next run reads the disk.
void DropCaches() {
    sync();
    std::ofstream("/proc/sys/vm/drop_caches") << "3\n";
}

// Runs a command with its standard output captured and its error discarded.
RunResult Run(const Command& command, bool cold) {
    if (cold) DropCaches();
    char outputName[] = "/tmp/gauzel-bench-XXXXXX";
    const int output = mkstemp(outputName);
    unlink(outputName);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(output, 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        std::vector<char*> argv;
        for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", command[0].c_str());
        std::exit(1);
    }
    std::string out(1 << 16, '\0');
    const ssize_t length = pread(output, out.data(), out.size(), 0);
    out.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    close(output);
    return {seconds, usage.ru_maxrss, out};
}

std::uint64_t Tree(const std::string& path, const std::function<std::uint64_t()>& make) {
    const std::string stamp = path + ".total";
    std::ifstream existing(stamp);
    std::uint64_t total = 0;
    if (existing >> total) return total;
    std::printf("generating %s...\n", path.c_str());
    std::fflush(stdout);
    std::system(("rm -rf '" + path + "'").c_str());
    // Generated in a child, so that this process stays small: a forked command's peak memory
    // counts the pages it inherited before exec.
    const pid_t pid = fork();
    if (pid == 0) {
        std::ofstream(stamp) << make() << "\n";
        _exit(0);
    }
    waitpid(pid, nullptr, 0);
    std::ifstream made(stamp);
    made >> total;
    return total;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The tree size that gauzel-report printed on its first line, in bytes.
std::uint64_t ReportedTotal(const std::string& out) {
    std::string digits;
    for (char c : out.substr(0, out.find('\n')))
        if (c >= '0' && c <= '9') digits += c;
    return digits.empty() ? 0 : std::stoull(digits);
}

// Each command's times and peak memory over `rounds` rounds, the order rotating every round.
struct Table {
    std::vector<std::string> names;
    std::vector<std::vector<RunResult>> runs;  // [command][round]

    double Ratio(std::size_t a, std::size_t b) const {
        std::vector<double> ratios;
        for (std::size_t r = 0; r < runs[a].size(); ++r)
            ratios.push_back(runs[a][r].seconds / runs[b][r].seconds);
        return Median(ratios);
    }
    double MedianSeconds(std::size_t a) const {
        std::vector<double> seconds;
        for (const RunResult& run : runs[a]) seconds.push_back(run.seconds);
        return Median(seconds);
    }
    long Peak(std::size_t a) const {
        long peak = 0;
        for (const RunResult& run : runs[a]) peak = std::max(peak, run.peakKilobytes);
        return peak;
    }
};

Table Measure(const std::vector<std::pair<std::string, Command>>& commands, int rounds, bool cold,
              bool warmUp = true) {
    Table table;
    table.runs.resize(commands.size());
    for (const auto& [name, command] : commands) table.names.push_back(name);
    if (!cold && warmUp)
        for (const auto& [name, command] : commands) Run(command, false);  // warm the caches
    for (int r = 0; r < rounds; ++r)
        for (std::size_t k = 0; k < commands.size(); ++k) {
            const std::size_t c = (k + static_cast<std::size_t>(r)) % commands.size();
            table.runs[c].push_back(Run(commands[c].second, cold));
        }
    return table;
}

bool Have(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

void Report(const Table& table, std::size_t reference) {
    for (std::size_t c = 0; c < table.names.size(); ++c)
        std::printf("    %-28s %9.1f ms  %6.3f x %s  %7.2f MiB peak\n", table.names[c].c_str(),
                    1000 * table.MedianSeconds(c), table.Ratio(c, reference), table.names[reference].c_str(),
                    table.Peak(c) / 1024.0);
}

// A peer's output with the mount's path read as the source's: the same tree must print the same.
std::string Unmounted(std::string out, const std::string& mount, const std::string& source) {
    for (std::size_t at; (at = out.find(mount)) != std::string::npos;) out.replace(at, mount.size(), source);
    return out;
}

// The latency-bound table: a tree of 10,000 entries in 1,000 directories through bench/slowfs,
// every lookup, getattr, opendir and readdir waiting 1 ms, no kernel caches: a network share.
#ifdef SLOWFS_PATH
// A chain of `levels` directories of `files` files each, or one directory of `files` files beside
// three small ones (`levels` 0); the bytes of the files.
std::uint64_t MakeShareTree(const std::string& root, int levels, int files) {
    std::uint64_t total = 0;
    const auto fill = [&total](const std::string& dir, int count, int size) {
        if (mkdir(dir.c_str(), 0755) != 0) {
            std::perror(("mkdir " + dir).c_str());
            std::exit(1);
        }
        for (int i = 0; i < count; ++i) {
            std::ofstream(dir + "/f" + std::to_string(i))
                << std::string(static_cast<std::size_t>(i % size), 'x');
            total += static_cast<std::uint64_t>(i % size);
        }
    };
    if (levels == 0) {
        fill(root, 0, 1);
        fill(root + "/big", files, 50);
        for (const char* small : {"/a", "/b", "/c"}) fill(root + small, 5, 5);
        return total;
    }
    std::string dir = root;
    for (int level = 0; level < levels; ++level, dir += "/d") fill(dir, files, 10);
    return total;
}

// Mounts `source` through bench/slowfs at `mount`, each request waiting `waitMicros`; its pid.
pid_t MountSlow(const std::string& source, const std::string& mount, int waitMicros) {
    mkdir(mount.c_str(), 0755);
    std::system(("umount -l '" + mount + "' 2>/dev/null").c_str());
    const pid_t server = fork();
    if (server == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(SLOWFS_PATH, "slowfs", "--wait-us", std::to_string(waitMicros).c_str(), source.c_str(),
              mount.c_str(), nullptr);
        _exit(127);
    }
    struct stat sourceInfo {
    }, mountInfo{};
    stat(source.c_str(), &sourceInfo);
    for (int i = 0;
         i < 100 && (stat(mount.c_str(), &mountInfo) != 0 || mountInfo.st_dev == sourceInfo.st_dev); ++i)
        usleep(50000);
    return server;
}
#endif

// Trees on a share where every request waits (bench/slowfs, no kernel caches): a bushy one, one
// directory of 5,000 files, a chain of 300 directories; at 0.2, 1 and 5 ms a request
// (GAUZEL_BENCH_DELAYS, microseconds, narrows them). The yardsticks: a bare walk reading
// directories side by side, and one sizing every entry by a request of its own (-e), the most
// the share allows with that many threads. The serial walks and the peers at 1 ms on the bushy tree.
void LatencyTable(const std::string& root, int rounds, const std::string& report, const std::string& bare) {
#ifndef SLOWFS_PATH
    (void)root, (void)rounds, (void)report, (void)bare;
    std::printf("\nlatency-bound: bench/slowfs was not built (libfuse3-dev), left out\n");
#else
    if (geteuid() != 0) {
        std::printf("\nlatency-bound: needs root to mount bench/slowfs, left out\n");
        return;
    }
    struct Share {
        const char* name;
        std::function<std::uint64_t(const std::string&)> make;
    };
    const Share shares[] = {
        {"bushy", [](const std::string& p) { return MakeTree(p, 1000, 9000, 20261209); }},
        {"wide", [](const std::string& p) { return MakeShareTree(p, 0, 5000); }},
        {"deep", [](const std::string& p) { return MakeShareTree(p, 300, 10); }},
    };
    const char* delays = std::getenv("GAUZEL_BENCH_DELAYS");
    std::istringstream delayList(delays != nullptr ? delays : "1000 200 5000");
    for (int wait; delayList >> wait;)
        for (const Share& share : shares) {
            const std::string source = root + "/share-" + share.name;
            const std::uint64_t expected = Tree(source, [&] { return share.make(source); });
            const std::string mount = root + "/share-mounted";
            const pid_t server = MountSlow(source, mount, wait);
            // The first lookup of each name after mounting is served one at a time whoever asks,
            // which a share's cache of names would have spared: one walk first.
            Run({bare, "-e", "-j", "64", mount}, false);
            std::printf("\nlatency-bound %s tree (bench/slowfs, %.1f ms a request, no kernel caches)\n",
                        share.name, wait / 1000.0);
            const bool full = wait == 1000 && std::string(share.name) == "bushy";
            std::vector<std::pair<std::string, Command>> commands = {
                {"gauzel-report", {report, "--units", "bytes", mount}},
                {"bare walk -e -j 32", {bare, "-e", "-j", "32", mount}},
                {"bare walk -e -j 64", {bare, "-e", "-j", "64", mount}},
                {"bare walk -j 32", {bare, "-j", "32", mount}},
                {"bare walk -j 64", {bare, "-j", "64", mount}}};
            if (full) {
                commands.push_back({"bare walk", {bare, mount}});
                commands.push_back(
                    {"gauzel-report --threads 1", {report, "--threads", "1", "--units", "bytes", mount}});
            }
            std::vector<std::pair<std::string, Command>> peers;
            // Apparent sizes, as for ncdu: gdu's disk usage through slowfs differs from the source
            // tree's by a few blocks (10.7 against 10.6 MiB in one directory), its apparent sizes not.
            if (full && Have("gdu")) peers.push_back({"gdu -n -p -x -a", {"gdu", "-n", "-p", "-x", "-a"}});
            if (full && Have("ncdu")) peers.push_back({"ncdu -x -0 -o -", {"ncdu", "-x", "-0", "-o", "-"}});
            for (const auto& [name, command] : commands) {
                const std::uint64_t total = ReportedTotal(Run(command, false).out);
                std::printf("  %-28s total %s\n", name.c_str(), total == expected ? "equal" : "DIFFERENT");
            }
            for (auto& [name, command] : peers) {
                Command onSource = command;
                onSource.push_back(source);
                command.push_back(mount);
                // An ncdu export carries a timestamp and the devices: its apparent sizes are compared.
                const auto tree = [](const std::string& out) {
                    if (out.find("\"asize\":") == std::string::npos) return out;
                    unsigned long long sum = 0;
                    for (std::size_t at = 0; (at = out.find("\"asize\":", at)) != std::string::npos; at += 8)
                        sum += std::strtoull(out.c_str() + at + 8, nullptr, 10);
                    return std::to_string(sum);
                };
                const bool same =
                    tree(Unmounted(Run(command, false).out, mount, source)) == tree(Run(onSource, false).out);
                std::printf("  %-28s total %s to its own on the source tree\n", name.c_str(),
                            same ? "equal" : "DIFFERENT");
                commands.push_back({name, command});
            }
            const Table table = Measure(commands, rounds, false, false);
            std::printf("  medians of %d rounds (ratios within a round):\n", rounds);
            Report(table, 0);
            const std::size_t best = table.MedianSeconds(1) < table.MedianSeconds(2) ? 1 : 2;
            std::printf("  target: gauzel-report / %s %.3f (<= %s)\n", table.names[best].c_str(),
                        table.Ratio(0, best), wait == 1000 ? "1.2" : "1.5");
            if (full) {
                std::printf("  target: gauzel-report --threads 1 / bare walk %.3f (<= 1.1)\n",
                            table.Ratio(6, 5));
                for (std::size_t k = 7; k < table.names.size(); ++k)
                    std::printf("  target: %s / gauzel-report %.1f (>= 10)\n", table.names[k].c_str(),
                                table.Ratio(k, 0));
            }
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
            std::system(("umount -l '" + mount + "' 2>/dev/null").c_str());
        }
#endif
}

// Saved scans: an export against the plain report on the same tree (time and memory), and the
// import of an export of 1,000,101 entries (time, and memory an entry over a tiny import's).
// What gathering the kinds, ages, largest files and leaving out cost on the large tree, warm and
// (as root) cold: the report as it is, and with the options.
void GatherTable(const std::string& root, int rounds, const std::string& report, const std::string& tree,
                 bool canDrop) {
    std::printf("\ngathering and leaving out, %s\n", tree.substr(root.size() + 1).c_str());
    // 100 patterns that match nothing in the tree: the cost of trying them on every name.
    Command excluded{report, "--units", "bytes"};
    for (int i = 0; i < 50; ++i) {
        excluded.insert(excluded.end(), {"--exclude", "nothing-" + std::to_string(i) + "*.tmp"});
        excluded.insert(excluded.end(), {"--exclude", "cache-" + std::to_string(i)});
    }
    excluded.push_back(tree);
    for (const bool cold : {false, true}) {
        if (cold && !canDrop) {
            std::printf("  cold: needs root to drop the caches, left out\n");
            continue;
        }
        const Table table =
            Measure({{"gauzel-report", {report, "--units", "bytes", tree}},
                     {"--by kind --largest 100", {report, "--by", "kind", "--largest", "100", tree}},
                     {"--largest 100000", {report, "--largest", "100000", tree}},
                     {"100 --exclude", excluded}},
                    rounds, cold);
        std::printf("  %s, medians of %d rounds:\n", cold ? "cold" : "warm", rounds);
        Report(table, 0);
        std::printf(
            "  targets: --by kind --largest 100 / report %.3f (<= 1.05), 100 --exclude %.3f (<= 1.10);\n",
            table.Ratio(1, 0), table.Ratio(3, 0));
        std::printf("  peak memory: --largest 100 %+.2f MiB (<= 2), --largest 100000 %+.2f MiB (<= 40)\n",
                    (table.Peak(1) - table.Peak(0)) / 1024.0, (table.Peak(2) - table.Peak(0)) / 1024.0);
    }
}

void SavedScanTable(const std::string& root, int rounds, const std::string& report,
                    const std::vector<std::string>& trees) {
    std::printf("\nsaved scans\n");
    for (const std::string& tree : trees) {
        const std::string saved = root + "/export.json";
        // Each round exports before it compares: the comparison reads the export just written.
        const Table table = Measure({{"gauzel-report", {report, "--units", "bytes", tree}},
                                     {"gauzel-report --export", {report, "--export", saved, tree}},
                                     {"gauzel-report --compare", {report, "--compare", saved, tree}},
                                     {"gauzel-report --import", {report, "--import", saved}}},
                                    rounds, false);
        std::printf("  %s, warm, medians of %d rounds:\n", tree.substr(root.size() + 1).c_str(), rounds);
        Report(table, 0);
        std::printf("  target: export / report %.3f (<= 1.15); peak memory %+.2f MiB (a few at most)\n",
                    table.Ratio(1, 0), (table.Peak(1) - table.Peak(0)) / 1024.0);
        // The report's comparison reads the saved scan too, which the window does once, when chosen.
        std::printf("  compare / report %.3f (the saved scan read included; its import alone %.3f s)\n",
                    table.Ratio(2, 0), table.MedianSeconds(3));
    }
    // 100 directories of 100 directories of 99 files, names as long as a photo's.
    const std::string big = root + "/saved-1m.json";
    const std::uint64_t entries = 1 + 100 + 100 * 100 + 100 * 100 * 99;
    if (access(big.c_str(), R_OK) != 0) {
        std::ofstream out(big, std::ios::binary);
        out << "[1,2,{\"progname\":\"scan_bench\",\"progver\":\"0\",\"timestamp\":0},\n[{\"name\":\"/srv/"
               "photos\"}";
        std::string text;
        std::uint64_t inode = 100;
        for (int a = 0; a < 100; ++a) {
            text +=
                ",\n[{\"name\":\"album-" + std::to_string(a) + "\",\"ino\":" + std::to_string(++inode) + "}";
            for (int b = 0; b < 100; ++b) {
                text += ",\n[{\"name\":\"day-" + std::to_string(b) + "\",\"ino\":" + std::to_string(++inode) +
                        "}";
                for (int f = 0; f < 99; ++f)
                    text += ",\n{\"name\":\"IMG_" + std::to_string(20000000 + a * 10000 + b * 100 + f) +
                            ".jpg\",\"asize\":" + std::to_string(1000 + f * 37) +
                            ",\"dsize\":" + std::to_string(4096 + f * 4096) +
                            ",\"ino\":" + std::to_string(++inode) + "}";
                text += ']';
            }
            text += ']';
            out << text;
            text.clear();
        }
        out << "]]\n";
    }
    const std::string tiny = root + "/saved-tiny.json";
    std::ofstream(tiny) << "[1,2,{},[{\"name\":\"/\"},{\"name\":\"f\",\"asize\":1}]]\n";
    const Table table = Measure({{"gauzel-report --import 1M", {report, "--import", big}},
                                 {"gauzel-report --import tiny", {report, "--import", tiny}}},
                                rounds, false);
    std::printf("  import of %llu entries, warm, medians of %d rounds:\n",
                static_cast<unsigned long long>(entries), rounds);
    Report(table, 1);
    std::printf("  target: import time %.2f s (<= 3); memory an entry %.1f bytes (<= 100)\n",
                table.MedianSeconds(0),
                (table.Peak(0) - table.Peak(1)) * 1024.0 / static_cast<double>(entries));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_bench WORKDIR [ROUNDS]\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);  // lines as they come, also into a file
    const std::string work = argv[1];
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    mkdir(work.c_str(), 0755);
    char* real = realpath(work.c_str(), nullptr);
    const std::string root = real;
    std::free(real);
    // The report must not read the user's settings.
    const std::string config = root + "/config";
    mkdir(config.c_str(), 0755);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const bool canDrop = geteuid() == 0;
    const std::string report = GAUZEL_REPORT_PATH;
    const std::string bare = BARE_WALK_PATH;

    // The peers, installed when we may.
    if (canDrop && (!Have("gdu") || !Have("ncdu")))
        std::system(
            "(apt-get install -y -qq gdu ncdu || (apt-get update -qq && apt-get install -y -qq gdu ncdu)) "
            ">/dev/null 2>&1");
    for (const char* peer : {"gdu", "ncdu"})
        if (!Have(peer)) std::printf("peer %s: not installed, left out\n", peer);

    struct Case {
        std::string name;
        std::function<std::uint64_t(const std::string&)> make;
    };
    std::vector<Case> cases = {
        {"large", [](const std::string& p) { return MakeTree(p, 20000, 200000, 20261208); }},
        {"wide", [](const std::string& p) { return MakeWideTree(p, 100000); }},
    };
    std::vector<Case> memoryOnly = {
        {"small", [](const std::string& p) { return MakeTree(p, 2000, 20000, 20261208); }}};
    if (std::getenv("GAUZEL_BENCH_HUGE") != nullptr)
        memoryOnly.push_back(
            {"huge", [](const std::string& p) { return MakeTree(p, 100000, 1000000, 20261208); }});

    // GAUZEL_BENCH_ONLY=latency, saved or gather: that table alone.
    const std::string only =
        std::getenv("GAUZEL_BENCH_ONLY") != nullptr ? std::getenv("GAUZEL_BENCH_ONLY") : "";
    const bool onlyLatency = only == "latency";
    if (only == "saved") {
        std::vector<std::string> trees;
        for (const Case& c : cases) {
            trees.push_back(root + "/" + c.name);
            Tree(trees.back(), [&] { return c.make(trees.back()); });
        }
        if (std::getenv("GAUZEL_BENCH_HUGE") != nullptr) {
            trees.push_back(root + "/huge");
            Tree(trees.back(), [&] { return MakeTree(trees.back(), 100000, 1000000, 20261208); });
        }
        SavedScanTable(root, rounds, report, trees);
        return 0;
    }
    if (only == "gather") {
        const std::string tree = root + "/large";
        Tree(tree, [&] { return cases.front().make(tree); });
        GatherTable(root, rounds, report, tree, canDrop);
        return 0;
    }
    if (onlyLatency) cases.clear();
    for (const Case& c : cases) {
        const std::string tree = root + "/" + c.name;
        const std::uint64_t expected = Tree(tree, [&] { return c.make(tree); });
        const Command gauzel{report, "--units", "bytes", tree};
        std::printf("\n%s tree\n", c.name.c_str());
        const RunResult check = Run(gauzel, false);
        std::printf("  tree total: reported %llu, generated %llu: %s\n",
                    static_cast<unsigned long long>(ReportedTotal(check.out)),
                    static_cast<unsigned long long>(expected),
                    ReportedTotal(check.out) == expected ? "equal" : "DIFFERENT");
        // The yardsticks must walk the whole tree too (a walker that skipped what it could not
        // open would look fast).
        for (const Command& walker : {Command{bare, tree}, Command{bare, "-j", "8", tree}})
            std::printf("  bare walk%s total: %s\n", walker.size() > 2 ? " -j 8" : "",
                        ReportedTotal(Run(walker, false).out) == expected ? "equal" : "DIFFERENT");

        for (const bool cold : {false, true}) {
            if (cold && !canDrop) {
                std::printf("  cold: needs root to drop the caches, left out\n");
                continue;
            }
            std::vector<std::pair<std::string, Command>> commands = {{"bare walk", {bare, tree}},
                                                                     {"gauzel-report", gauzel}};
            for (const char* n : {"1", "2", "4", "8", "16", "32"}) {
                commands.push_back({std::string("bare walk -j ") + n, {bare, "-j", n, tree}});
                commands.push_back({std::string("gauzel-report --threads ") + n,
                                    {report, "--threads", n, "--units", "bytes", tree}});
            }
            commands.push_back({"du -sb -l -x", {"du", "-sb", "-l", "-x", tree}});
            if (Have("gdu")) commands.push_back({"gdu -n -p -x", {"gdu", "-n", "-p", "-x", tree}});
            if (Have("ncdu"))
                commands.push_back(
                    {"ncdu -x -0 -o /dev/null", {"ncdu", "-x", "-0", "-o", "/dev/null", tree}});
            const Table table = Measure(commands, rounds, cold);
            std::printf("  %s, medians of %d rounds (ratios within a round):\n", cold ? "cold" : "warm",
                        rounds);
            Report(table, 0);

            // The fastest bare parallel walk of this run, and the targets.
            std::size_t best = 2;
            for (std::size_t k = 2; k < table.names.size(); ++k)
                if (table.names[k].starts_with("bare walk -j") &&
                    table.MedianSeconds(k) < table.MedianSeconds(best))
                    best = k;
            const auto named = [&table](const std::string& name) {
                return static_cast<std::size_t>(std::find(table.names.begin(), table.names.end(), name) -
                                                table.names.begin());
            };
            if (!cold) {
                std::printf("  target: gauzel-report / bare walk %.3f (<= %s)\n", table.Ratio(1, 0),
                            c.name == "wide" ? "0.65" : "0.6");
                std::printf(
                    "  target: gauzel-report / bare walk -j 2 %.3f (<= 1.10); --threads 1 / bare walk "
                    "-j 1 %.3f (<= 1.05)\n",
                    table.Ratio(1, named("bare walk -j 2")),
                    table.Ratio(named("gauzel-report --threads 1"), named("bare walk -j 1")));
            } else {
                std::printf("  target: gauzel-report / fastest %s %.3f (<= 1.10)\n",
                            table.names[best].c_str(), table.Ratio(1, best));
                for (std::size_t k = 0; k < table.names.size(); ++k)
                    if (table.names[k].starts_with("gdu"))
                        std::printf("  target: gauzel-report / gdu %.3f (< 1)\n", table.Ratio(1, k));
            }
        }
    }

    LatencyTable(root, std::max(rounds, 5), report, bare);
    if (onlyLatency) return 0;
    SavedScanTable(root, rounds, report, {root + "/large"});
    GatherTable(root, rounds, report, root + "/large", canDrop);

    std::printf("\npeak resident memory of gauzel-report (target <= 16 MiB, flat):\n");
    for (const Case& c : memoryOnly) {
        const std::string tree = root + "/" + c.name;
        Tree(tree, [&] { return c.make(tree); });
        const RunResult run = Run({report, "--units", "bytes", tree}, false);
        std::printf("  %-6s %7.2f MiB\n", c.name.c_str(), run.peakKilobytes / 1024.0);
    }
    return 0;
}

// The scan benchmark: gauzel-report against GNU du on the same generated trees, warm, in
// alternating pairs; prints the median of the per-pair time ratios and the peak memory.
//
//   scan_bench WORKDIR [PAIRS]
//
// WORKDIR keeps the generated trees between runs.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/make_tree.h"

namespace {

struct RunResult {
    double seconds;
    long peakKilobytes;
    std::string out;
};

// Runs a command with its standard output captured and its error discarded.
RunResult Run(const std::vector<std::string>& command) {
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

std::uint64_t Tree(const std::string& path, int directories, int files) {
    const std::string stamp = path + ".total";
    std::ifstream existing(stamp);
    std::uint64_t total = 0;
    if (existing >> total) return total;
    std::printf("generating %s: %d directories, %d files...\n", path.c_str(), directories, files);
    std::system(("rm -rf '" + path + "'").c_str());
    // Generated in a child, so that this process stays small: a forked command's peak memory
    // counts the pages it inherited before exec.
    const pid_t pid = fork();
    if (pid == 0) {
        std::ofstream(stamp) << MakeTree(path, directories, files, 20261208) << "\n";
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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_bench WORKDIR [PAIRS]\n");
        return 2;
    }
    const std::string work = argv[1];
    const int pairs = argc > 2 ? std::atoi(argv[2]) : 11;
    mkdir(work.c_str(), 0755);
    char* real = realpath(work.c_str(), nullptr);
    const std::string root = real;
    std::free(real);
    // The report must not read the user's settings.
    const std::string config = root + "/config";
    mkdir(config.c_str(), 0755);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);

    const std::string report = GAUZEL_REPORT_PATH;
    struct Case {
        const char* name;
        int directories;
        int files;
    };
    for (const Case& c : {Case{"small", 2000, 20000}, Case{"large", 20000, 200000}}) {
        const std::string tree = root + "/" + c.name;
        const std::uint64_t expected = Tree(tree, c.directories, c.files);
        const std::vector<std::string> gauzel{report, "--units", "bytes", tree};
        const std::vector<std::string> du{"du", "-sb", "-l", "-x", tree};
        const std::vector<std::string> bare{BARE_WALK_PATH, tree};

        Run(gauzel);  // warm the caches
        Run(du);
        Run(bare);
        std::vector<double> ratios, bareRatios;
        double gauzelSeconds = 0, duSeconds = 0;
        long peak = 0, duPeak = 0;
        std::uint64_t reported = 0;
        for (int i = 0; i < pairs; ++i) {
            const bool gauzelFirst = i % 2 == 0;  // alternate who goes first
            RunResult first = Run(gauzelFirst ? gauzel : du);
            RunResult second = Run(gauzelFirst ? du : gauzel);
            const RunResult& g = gauzelFirst ? first : second;
            const RunResult& d = gauzelFirst ? second : first;
            ratios.push_back(g.seconds / d.seconds);
            bareRatios.push_back(Run(bare).seconds / d.seconds);
            gauzelSeconds += g.seconds;
            duSeconds += d.seconds;
            peak = std::max(peak, g.peakKilobytes);
            duPeak = std::max(duPeak, d.peakKilobytes);
            reported = ReportedTotal(g.out);
        }
        std::printf("%s tree (%d files, %d directories): gauzel-report %.1f ms, du %.1f ms (means)\n", c.name, c.files,
                    c.directories, 1000 * gauzelSeconds / pairs, 1000 * duSeconds / pairs);
        std::printf("  median ratio gauzel-report / du over %d pairs: %.3f (target <= 0.9)\n", pairs, Median(ratios));
        std::printf("  median ratio bare getdents64 + statx walk / du: %.3f (the floor)\n", Median(bareRatios));
        std::printf("  peak resident memory of gauzel-report: %.2f MiB (target < 8; du: %.2f MiB)\n", peak / 1024.0,
                    duPeak / 1024.0);
        std::printf("  tree total: reported %llu, generated %llu: %s\n", static_cast<unsigned long long>(reported),
                    static_cast<unsigned long long>(expected), reported == expected ? "equal" : "DIFFERENT");
    }
    return 0;
}

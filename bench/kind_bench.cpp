// The kind lookup's speed: every file name under a directory (default /usr), looked up through
// this machine's type database again and again on one core. Prints names a second and how the
// names fell (typed by a pattern, or not).

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/kinds/mime_types.h"
#include "platform/linux/mime_database.h"

int main(int argc, char** argv) {
    const std::string root = argc > 1 ? argv[1] : "/usr";
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(
             root, std::filesystem::directory_options::skip_permission_denied, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_directory(error)) names.push_back(it->path().filename().string());
    }
    const auto built = std::chrono::steady_clock::now();
    const gauzel::MimeTypes types(gauzel::ReadMimeDatabase());
    const double buildSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - built).count();
    std::size_t typed = 0;
    for (const std::string& name : names) typed += types.TypeOf(name) != gauzel::MimeTypes::kNoType;
    double best = 0;
    for (int round = 0; round < 5; ++round) {
        std::size_t sink = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int pass = 0; pass < 10; ++pass)
            for (const std::string& name : names) sink += types.TypeOf(name);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::max(best, 10.0 * static_cast<double>(names.size()) / seconds);
        if (sink == 42) std::puts("");  // keeps the loop
    }
    std::printf(
        "kind lookup: %zu names under %s (%zu typed by a pattern), %zu types, table built in %.1f ms\n",
        names.size(), root.c_str(), typed, types.TypeCount(), buildSeconds * 1000);
    std::printf("kind lookup: %.1f million names a second on one core (best of 5 rounds of 10 passes)\n",
                best / 1e6);
}

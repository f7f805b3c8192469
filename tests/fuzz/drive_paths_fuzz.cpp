// Real path -> logical path -> real path gives the path back, for any drives. Each line of the
// input but the last is a mount point; the last line is the real path.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drive_table.h"

namespace {

// "/a//b/" -> "/a/b", as the drive table keeps directories; nothing for a path with "." or "..".
std::optional<std::string> Clean(std::string_view path) {
    std::string clean;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        const std::string_view name = path.substr(at, slash - at);
        if (name == "." || name == "..") return std::nullopt;
        if (!name.empty()) clean += "/" + std::string(name);
        at = slash + 1;
    }
    return clean.empty() ? "/" : clean;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.find('\0') != std::string_view::npos) return 0;  // no real path holds one
    std::vector<std::string> mounts;
    std::size_t at = 0;
    for (std::size_t end; (end = input.find('\n', at)) != std::string_view::npos; at = end + 1)
        mounts.emplace_back(input.substr(at, end - at));
    const std::string_view real = input.substr(at);
    if (!real.starts_with('/')) return 0;
    const std::optional<std::string> clean = Clean(real);
    if (!clean) return 0;

    const gauzel::DriveTable drives = gauzel::MakeDriveTable(mounts, {});
    const std::optional<std::string> logical = drives.ToLogical(real);
    if (!logical) std::abort();  // drive C holds every absolute path
    const std::optional<gauzel::RealPath> back = drives.ToReal(*logical);
    if (!back || back->Joined() != *clean) std::abort();
    return 0;
}

#include "platform/drive_table.h"

#include <algorithm>

#include "platform/ascii.h"
#include "platform/file_system.h"

namespace gauzel {

static bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "/a//b/" -> "/a/b"; "/" stays.
static std::string CleanDirectory(std::string_view directory) {
    std::string clean;
    for (char c : directory) {
        if (c == '/' && !clean.empty() && clean.back() == '/') continue;
        clean += c;
    }
    while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
    return clean;
}

std::string RealPath::Joined() const {
    std::string path = driveDirectory;
    for (const std::string& name : names) {
        if (path.empty() || path.back() != '/') path += '/';
        path += name;
    }
    return path;
}

DriveTable::DriveTable(std::vector<Drive> drives) : m_drives(std::move(drives)) {
    std::sort(m_drives.begin(), m_drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
}

const Drive* DriveTable::Find(char letter) const {
    for (const Drive& drive : m_drives)
        if (drive.letter == AsciiUpper(letter)) return &drive;
    return nullptr;
}

std::optional<RealPath> DriveTable::ToReal(std::string_view logicalPath) const {
    if (logicalPath.size() < 2 || logicalPath[1] != ':') return std::nullopt;
    const Drive* drive = Find(logicalPath[0]);
    if (drive == nullptr) return std::nullopt;
    RealPath real{drive->directory, {}};
    std::string_view rest = logicalPath.substr(2);
    while (!rest.empty()) {
        const std::size_t cut = rest.find('\\');
        const std::string_view name = rest.substr(0, cut);
        if (IsDotOrDotDot(name)) return std::nullopt;
        if (!name.empty()) real.names.push_back(RealName(name));
        rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
    }
    return real;
}

std::optional<std::string> DriveTable::ToLogical(std::string_view realPath) const {
    const std::string path = CleanDirectory(realPath);
    const Drive* best = nullptr;
    for (const Drive& drive : m_drives) {
        const std::string& dir = drive.directory;
        const bool holds =
            dir == "/" ? path.starts_with('/')
                       : path.starts_with(dir) && (path.size() == dir.size() || path[dir.size()] == '/');
        if (holds && (best == nullptr || dir.size() > best->directory.size())) best = &drive;
    }
    if (best == nullptr) return std::nullopt;

    std::string logical{best->letter, ':'};
    std::string_view rest =
        std::string_view(path).substr(best->directory == "/" ? 0 : best->directory.size());
    while (!rest.empty()) {
        rest.remove_prefix(1);  // the "/" before each name
        const std::size_t cut = rest.find('/');
        const std::string_view name = rest.substr(0, cut);
        if (!name.empty()) logical += '\\' + LogicalName(name);
        rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut);
    }
    return logical;
}

std::string DriveTable::EntryText(const Drive& drive) {
    return std::string("[-") + AsciiLower(drive.letter) + "-] " + drive.directory;
}

DriveTable MakeDriveTable(const std::vector<std::string>& automaticMounts,
                          const std::vector<std::pair<std::string, std::string>>& manual) {
    std::vector<Drive> drives;
    auto claimed = [&drives](char letter) {
        return std::any_of(drives.begin(), drives.end(),
                           [letter](const Drive& d) { return d.letter == letter; });
    };
    for (const auto& [key, directory] : manual) {
        if (key.size() != 1 || !IsLetter(key[0]) || !directory.starts_with('/')) continue;
        if (!claimed(AsciiUpper(key[0]))) drives.push_back({AsciiUpper(key[0]), CleanDirectory(directory)});
    }
    if (!claimed('C')) drives.push_back({'C', "/"});

    std::vector<std::string> mounts;
    for (const std::string& mount : automaticMounts) mounts.push_back(CleanDirectory(mount));
    std::sort(mounts.begin(), mounts.end());
    mounts.erase(std::unique(mounts.begin(), mounts.end()), mounts.end());
    char next = 'D';
    for (const std::string& mount : mounts) {
        if (mount == "/") continue;
        while (next <= 'Z' && claimed(next)) ++next;
        if (next > 'Z') break;
        drives.push_back({next++, mount});
    }
    return DriveTable(std::move(drives));
}

}  // namespace gauzel

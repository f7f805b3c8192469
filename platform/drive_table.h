#pragma once
// Drives: lettered directories, and the mapping between logical paths ("C:\home\me") and real
// ones ("/home/me"). A real name containing "\" reads as "/" in its logical form, so the
// mapping is exact both ways.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gauzel {

struct Drive {
    char letter;            // 'A' to 'Z'
    std::string directory;  // absolute, no trailing "/" except for "/" itself
};

// A logical path taken apart: the drive's directory and the real names below it.
struct RealPath {
    std::string driveDirectory;
    std::vector<std::string> names;
    std::string Joined() const;
};

class DriveTable {
public:
    DriveTable() = default;
    explicit DriveTable(std::vector<Drive> drives);  // kept in letter order

    const std::vector<Drive>& Drives() const { return m_drives; }
    const Drive* Find(char letter) const;  // either case

    // Nothing for a path that names no known drive, or has a "." or ".." level.
    std::optional<RealPath> ToReal(std::string_view logicalPath) const;
    // `realPath` absolute and without "." or ".." levels; the drive whose directory is the
    // longest whole-name prefix of it. Nothing when no drive holds it.
    std::optional<std::string> ToLogical(std::string_view realPath) const;

    // The drive list's entry: "[-c-] /home". Its third character is the letter.
    static std::string EntryText(const Drive& drive);

private:
    std::vector<Drive> m_drives;
};

// The drives of the machine: "/" is C; each automatic mount point takes the next letter from D
// that [Drives] does not claim, in path order; every [Drives] line (letter=directory) wins.
DriveTable MakeDriveTable(const std::vector<std::string>& automaticMounts,
                          const std::vector<std::pair<std::string, std::string>>& manual);

// Real name <-> logical name: "\" and "/" trade places (a real name has no "/", a logical one
// no "\"). Inline: the core, which links no platform code, names saved entries with them too.
inline std::string LogicalName(std::string_view realName) {
    std::string name(realName);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}
inline std::string RealName(std::string_view logicalName) {
    std::string name(logicalName);
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

}  // namespace gauzel

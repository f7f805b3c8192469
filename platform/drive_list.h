#pragma once
// The drive list the window shows, and where the process stands.

#include <optional>
#include <string>
#include <vector>

namespace gauzel {

// A real directory in logical form, or why it has none.
struct LogicalDirectory {
    std::optional<std::string> path;
    std::string error;
};

class DriveList {
public:
    virtual ~DriveList() = default;
    // One entry per drive, "[-c-] /": the third character is the drive letter.
    virtual std::vector<std::string> Entries() const = 0;
    // The current directory in logical form ("C:\home\me"), or nothing.
    virtual std::optional<std::string> CurrentDirectory() const = 0;
    // A directory named on the command line (relative to the current directory or absolute,
    // through symbolic links), in logical form; or why it cannot be profiled.
    virtual LogicalDirectory Resolve(const std::string& realPath) const = 0;
    // The real path of a logical one ("C:\home\me" gives "/home/me"), or nothing.
    virtual std::optional<std::string> RealPathOf(const std::string& logicalPath) const = 0;
    // Reads the drives again: true when they changed (a mount came or went).
    virtual bool Refresh() { return false; }
    // A descriptor that polls as exceptional (POLLPRI) when the drives may have changed, or -1.
    virtual int ChangeDescriptor() const { return -1; }
};

}  // namespace gauzel

#pragma once
// The drive list the window shows, and where the process stands.

#include <optional>
#include <string>
#include <vector>

namespace gauzel {

class DriveList {
public:
    virtual ~DriveList() = default;
    // One entry per drive, "[-c-] /": the third character is the drive letter.
    virtual std::vector<std::string> Entries() const = 0;
    // The current directory in logical form ("C:\home\me"), or nothing.
    virtual std::optional<std::string> CurrentDirectory() const = 0;
};

}  // namespace gauzel

#pragma once
// The desktop's file type database (freedesktop.org shared-mime-info) as the machine keeps it.

#include <string>
#include <vector>

namespace gauzel {

// The database's files as read, each in its directory's order of importance, the most important
// first ($XDG_DATA_HOME/mime, then each of $XDG_DATA_DIRS).
struct MimeDatabaseText {
    std::vector<std::string> globs2;        // the "globs2" files' texts
    std::vector<std::string> genericIcons;  // the "generic-icons" files' texts
};

}  // namespace gauzel

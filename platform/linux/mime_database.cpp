#include "platform/linux/mime_database.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

namespace gauzel {

namespace {

std::optional<std::string> ReadWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(file), {}};
    if (file.bad()) return std::nullopt;
    return text;
}

// The data directories, the most important first; relative ones are ignored, as the rules say.
std::vector<std::string> DataDirectories() {
    std::vector<std::string> directories;
    const char* home = std::getenv("XDG_DATA_HOME");
    if (home != nullptr && home[0] == '/')
        directories.emplace_back(home);
    else if (const char* user = std::getenv("HOME"); user != nullptr && user[0] == '/')
        directories.push_back(std::string(user) + "/.local/share");
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    const std::string list = dirs != nullptr && dirs[0] != '\0' ? dirs : "/usr/local/share:/usr/share";
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t colon = std::min(list.find(':', start), list.size());
        if (list[start] == '/') directories.push_back(list.substr(start, colon - start));
        start = colon + 1;
    }
    return directories;
}

}  // namespace

MimeDatabaseText ReadMimeDatabase() {
    MimeDatabaseText text;
    for (const std::string& directory : DataDirectories()) {
        if (std::optional<std::string> globs = ReadWhole(directory + "/mime/globs2"))
            text.globs2.push_back(std::move(*globs));
        if (std::optional<std::string> icons = ReadWhole(directory + "/mime/generic-icons"))
            text.genericIcons.push_back(std::move(*icons));
    }
    return text;
}

}  // namespace gauzel

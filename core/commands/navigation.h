#pragma once
// Where each navigation command leads. A place is a logical path and whether it lies below the
// drive root: "C:" at the root, "C:\dir\sub" below it, never a trailing "\".

#include <optional>
#include <string>
#include <vector>

namespace gauzel {

struct Place {
    std::string path;
    bool belowRoot = false;
    friend bool operator==(const Place&, const Place&) = default;
};

// Whether a logical path lies below its drive's root: it holds a "\".
inline bool IsBelowRoot(const std::string& path) { return path.find('\\') != std::string::npos; }

// One level down into `name`.
Place Descend(const std::string& path, const std::string& name);

// One level up: cut at the last "\". A path without one is returned as it is, at the root.
Place GoUp(const std::string& path);

// The drive root: the first two characters.
Place GoToRoot(const std::string& path);

// The root of the drive of a drive-list entry: its third character, upper-cased, and ":"
// ("[-c-] /" gives "C:"). Nothing for an entry too short to carry a letter.
std::optional<Place> DriveRoot(const std::string& entryText);

// The drive-list entry to select at start-up: the first whose letter (third character,
// upper-cased) equals the first character of the logical current directory. When none matches,
// the result is the entry count (no selection) and the last entry's drive is profiled.
std::size_t DriveIndexForDirectory(const std::vector<std::string>& entries,
                                   const std::string& currentDirectory);

// What was typed into the drive box: a drive ("d:", "D:\") or a logical path ("C:\usr\share\")
// as a place, upper-cased letter and no trailing "\"; a real directory ("/usr/share", "~/photos"
// with `home` for "~") as that path, to be resolved like the command line's; or neither.
struct TypedPlace {
    std::optional<Place> place;
    std::optional<std::string> realPath;
};
TypedPlace ParseTypedPlace(std::string text, const std::string& home);

}  // namespace gauzel

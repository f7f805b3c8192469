#include "core/commands/navigation.h"

#include "platform/ascii.h"

namespace gauzel {

Place Descend(const std::string& path, const std::string& name) { return {path + '\\' + name, true}; }

Place GoUp(const std::string& path) {
    const std::size_t cut = path.rfind('\\');
    if (cut == std::string::npos) return {path, false};
    std::string up = path.substr(0, cut);
    const bool below = IsBelowRoot(up);
    return {std::move(up), below};
}

Place GoToRoot(const std::string& path) { return {path.substr(0, 2), false}; }

std::optional<Place> DriveRoot(const std::string& entryText) {
    if (entryText.size() < 3) return std::nullopt;
    return Place{std::string{AsciiUpper(entryText[2]), ':'}, false};
}

TypedPlace ParseTypedPlace(std::string text, const std::string& home) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.erase(0, 1);
    if (text.starts_with('/')) return {std::nullopt, text};
    if (text == "~" || text.starts_with("~/")) return {std::nullopt, home + text.substr(1)};
    const bool letter =
        text.size() >= 2 && AsciiUpper(text[0]) >= 'A' && AsciiUpper(text[0]) <= 'Z' && text[1] == ':';
    if (!letter || (text.size() > 2 && text[2] != '\\')) return {};
    while (text.size() > 2 && text.back() == '\\') text.pop_back();
    text[0] = AsciiUpper(text[0]);
    if (text.find("\\\\") != std::string::npos) return {};  // an empty level names no directory
    return {Place{text, IsBelowRoot(text)}, std::nullopt};
}

std::size_t DriveIndexForDirectory(const std::vector<std::string>& entries,
                                   const std::string& currentDirectory) {
    if (currentDirectory.empty()) return entries.size();
    std::size_t i = 0;
    for (; i < entries.size(); ++i) {
        if (entries[i].size() >= 3 && AsciiUpper(entries[i][2]) == currentDirectory[0]) break;
    }
    return i;
}

}  // namespace gauzel

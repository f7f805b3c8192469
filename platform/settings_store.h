#pragma once
// The program's settings file: sections of key=value lines, names compared without case.

#include <climits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gauzel {

inline constexpr const char* kSectionOption = "Option";
inline constexpr const char* kKeyUnits = "Num";
inline constexpr const char* kKeyThreads = "Threads";
inline constexpr const char* kKeyAllocated = "Allocated";
inline constexpr const char* kKeyLinksOnce = "LinksOnce";
inline constexpr const char* kSectionSearch = "Search";
inline constexpr const char* kKeyLimit = "Limit";
inline constexpr const char* kKeyName = "Name";
inline constexpr const char* kSectionDrives = "Drives";
inline constexpr const char* kSectionScan = "Scan";
inline constexpr const char* kKeyExclude = "Exclude";              // patterns, separated by "|"
inline constexpr const char* kKeyExcludeCaches = "ExcludeCaches";  // 1: cache directories are left out
inline constexpr const char* kKeyLargest = "Largest";              // the largest files kept, 1 to 100000
inline constexpr const char* kSectionView = "View";
inline constexpr const char* kKeyBy = "By";        // folder, kind or age: what the pie's slices are
inline constexpr const char* kKeyCount = "Count";  // 1: numbers of files instead of sizes

// An integer read the way atoi reads it: leading blanks, an optional sign, then digits up to the
// first non-digit; no digits gives 0. Out-of-range values saturate instead of overflowing.
inline int ParseProfileInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Reads the stored settings again. Lookups read what was read last, so that one rescan (or
    // one report) sees one version of a file that is being replaced.
    virtual void Reload() {}
    // The raw value of a key, or nothing when the file, the section or the key is missing.
    virtual std::optional<std::string> Read(std::string_view section, std::string_view key) const = 0;
    // Every key=value of a section, in file order.
    virtual std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const = 0;
    // Sets one key. 0, or an errno value when it failed; a failure leaves the stored settings
    // as they were.
    virtual int Write(std::string_view section, std::string_view key, const std::string& value) = 0;
    // Where the settings are kept, for messages.
    virtual std::string Location() const = 0;
    // Why the stored settings cannot be read (they read as empty then), or nothing.
    virtual std::string Problem() const = 0;

    int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) const {
        std::optional<std::string> text = Read(section, key);
        return text ? ParseProfileInt(*text) : defaultValue;
    }
    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string defaultValue) const {
        std::optional<std::string> text = Read(section, key);
        return text ? std::move(*text) : std::move(defaultValue);
    }
    int WriteProfileInt(std::string_view section, std::string_view key, int value) {
        return Write(section, key, std::to_string(value));
    }
};

}  // namespace gauzel

#pragma once
// What a rescan leaves out: entries whose name (or path below the profiled directory) matches a
// pattern, and cache directories (the cache directory tagging convention, CACHEDIR.TAG). A left-out entry
// is not counted, not walked, and is no problem; the profile only says how many there were.

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/kinds/mime_types.h"
#include "platform/settings_store.h"

namespace gauzel {

// The file that tags a cache directory, and the bytes a valid one begins with.
inline constexpr std::string_view kCacheTagName = "CACHEDIR.TAG";
inline constexpr std::string_view kCacheTagSignature = "Signature: 8a477f597d28d172789f06886806bc55";

class Exclusions {
public:
    // A shell glob (`*` never matches a "/"): on an entry's name, or, holding a "/", on its path
    // below the profiled directory ("build/*.o"). Blank ones are ignored.
    void AddPattern(std::string_view pattern);
    void ExcludeCaches() { m_caches = true; }

    bool Any() const { return HasPatterns() || m_caches; }
    bool HasPatterns() const {
        return !m_names.empty() || !m_suffixes.empty() || !m_globs.empty() || HasPaths();
    }
    bool HasPaths() const { return !m_paths.empty(); }
    bool Caches() const { return m_caches; }
    // Whether an entry `name` is left out by a pattern on names.
    bool LeavesOutName(std::string_view name) const;
    // Whether the entry at `path` (below the profiled directory, names joined by "/") is left out
    // by a pattern on paths.
    bool LeavesOutPath(std::string_view path) const;

private:
    using Set = std::unordered_set<std::string, TransparentHash, std::equal_to<>>;
    Set m_names;                       // "node_modules": the whole name
    Set m_suffixes;                    // ".o" of "*.o": a name's end from one of its dots
    std::vector<std::string> m_globs;  // any other pattern on names
    std::vector<std::string> m_paths;  // the patterns on paths
    bool m_caches = false;
};

// [Scan] Exclude (patterns separated by "|") and ExcludeCaches (1: on).
Exclusions ExclusionsOfSettings(const SettingsStore& settings);

}  // namespace gauzel

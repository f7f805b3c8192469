#include "core/scan/exclusions.h"

namespace gauzel {

void Exclusions::AddPattern(std::string_view pattern) {
    if (pattern.find_first_not_of(" \t") == std::string_view::npos) return;
    if (pattern.find('/') != std::string_view::npos) {
        while (pattern.starts_with("./")) pattern.remove_prefix(2);  // the profiled directory's own
        m_paths.emplace_back(pattern);
    } else if (!HasWildcard(pattern)) {
        m_names.emplace(pattern);
    } else if (pattern.size() > 2 && pattern[0] == '*' && pattern[1] == '.' &&
               !HasWildcard(pattern.substr(1))) {
        m_suffixes.emplace(pattern.substr(1));
    } else {
        m_globs.emplace_back(pattern);
    }
}

bool Exclusions::LeavesOutName(std::string_view name) const {
    if (!m_names.empty() && m_names.find(name) != m_names.end()) return true;
    if (!m_suffixes.empty())
        for (std::size_t dot = name.find('.'); dot != std::string_view::npos; dot = name.find('.', dot + 1))
            if (m_suffixes.find(name.substr(dot)) != m_suffixes.end()) return true;
    for (const std::string& glob : m_globs)
        if (GlobMatches(glob, name, true)) return true;
    return false;
}

bool Exclusions::LeavesOutPath(std::string_view path) const {
    for (const std::string& pattern : m_paths)
        if (GlobMatches(pattern, path, true)) return true;
    return false;
}

Exclusions ExclusionsOfSettings(const SettingsStore& settings) {
    Exclusions exclusions;
    const std::string patterns = settings.GetProfileString(kSectionScan, kKeyExclude, "");
    for (std::size_t start = 0; start <= patterns.size();) {
        const std::size_t bar = std::min(patterns.find('|', start), patterns.size());
        exclusions.AddPattern(std::string_view(patterns).substr(start, bar - start));
        start = bar + 1;
    }
    if (settings.GetProfileInt(kSectionScan, kKeyExcludeCaches, 0) == 1) exclusions.ExcludeCaches();
    return exclusions;
}

}  // namespace gauzel

#pragma once
// The settings file, read like the desktop's old profile files and written one line at a time.

#include <string>

#include "platform/settings_store.h"

namespace gauzel {

// $XDG_CONFIG_HOME/<baseName>.ini, or ~/.config/<baseName>.ini.
std::string DefaultSettingsPath(const std::string& baseName);

// Replaces (or adds) the one key=value line in INI text, keeping every other line byte for byte.
// Section and key names compare without case.
std::string WithIniValue(const std::string& text, std::string_view section, std::string_view key,
                         const std::string& value);

class IniSettings final : public SettingsStore {
public:
    explicit IniSettings(std::string path) : m_path(std::move(path)) {}

    // Each read loads the file again, so a hand edit counts from the next read on.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const override;
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const override;
    // Through a temporary file in the same directory and an atomic rename; on any failure the
    // old file stays as it was and nothing is reported.
    void Write(std::string_view section, std::string_view key, const std::string& value) override;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace gauzel

#pragma once
// The settings file, read like the desktop's old profile files and written one key at a time.
// One grammar serves reading and writing, so what is written is what is read back:
// - lines end at "\n", "\r\n" or a lone "\r"; a leading UTF-8 byte order mark is skipped;
// - blanks (space, tab) around names and values do not count;
// - "[name]" starts a section (text after "]" is ignored); a "[" line without "]" is ignored;
// - ";" or "#" first starts a comment; "key=value" with a non-empty key is a value; other lines
//   are ignored; names compare without ASCII case; a key given twice reads as its last value.

#include <map>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace gauzel {

// A settings file larger than this is not read.
inline constexpr std::size_t kMaxSettingsBytes = 1 << 20;

// $XDG_CONFIG_HOME/<baseName>.ini, or ~/.config/<baseName>.ini.
std::string DefaultSettingsPath(const std::string& baseName);

// The value of a key in INI text, or nothing.
std::optional<std::string> IniValue(std::string_view text, std::string_view section, std::string_view key);
// Every key of a section, in the order each first appears, with its value.
std::vector<std::pair<std::string, std::string>> IniSection(std::string_view text, std::string_view section);
// Every value of INI text by lower-cased (section, key).
std::map<std::pair<std::string, std::string>, std::string> IniValues(std::string_view text);

// Sets key=value in INI text: every line of the key in every section of that name is rewritten
// (so that whichever a reader takes holds the value), or one line is added to the first such
// section, or the section is added at the end. Every other byte stays as it was.
std::string WithIniValue(std::string_view text, std::string_view section, std::string_view key,
                         const std::string& value);

class IniSettings final : public SettingsStore {
public:
    explicit IniSettings(std::string path) : m_path(std::move(path)) {}

    // Each read loads the file again, so a hand edit counts from the next read on. Only a
    // regular file of at most kMaxSettingsBytes is read; anything else reads as empty.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const override;
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const override;
    // Through a temporary file in the same directory and an atomic rename; a file the user may
    // not write, a dangling link or a file that cannot be read is not replaced. On any failure
    // the old file stays as it was.
    int Write(std::string_view section, std::string_view key, const std::string& value) override;
    std::string Location() const override { return m_path; }
    std::string Problem() const override;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace gauzel

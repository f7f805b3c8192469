#pragma once
// The settings file, read like the desktop's old profile files and written one key at a time.
// One grammar serves reading and writing, so what is written is what is read back:
// - lines end at "\n", "\r\n" or a lone "\r"; a leading UTF-8 byte order mark is skipped;
// - blanks (space, tab) around names and values do not count;
// - "[name]" starts a section (text after "]" is ignored); a "[" line without "]" is ignored;
// - ";" or "#" first starts a comment; "key=value" with a non-empty key is a value; other lines
//   are ignored; names compare without ASCII case; a key given twice reads as its last value;
// - in a value, ";" or "#" after a blank starts a comment: "T=/srv  ; mine" reads "/srv".

#include <map>
#include <optional>
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

// Whether a value reads back as written: no line break, no blank at either end, no blank before
// a ";" or "#" (that would start a comment).
bool WritableIniValue(std::string_view value);

// Sets key=value (a WritableIniValue) in INI text: every line of the key in every section of that name is
// rewritten (so that whichever a reader takes holds the value), or one line is added to the first such
// section, or the section is added at the end. A line's comment after the value stays, and
// every other byte stays as it was.
std::string WithIniValue(std::string_view text, std::string_view section, std::string_view key,
                         const std::string& value);

class IniSettings final : public SettingsStore {
public:
    // Reads the file: every lookup reads what was read then (or written since), until Reload.
    // Only a regular file of at most kMaxSettingsBytes is read; anything else reads as empty.
    explicit IniSettings(std::string path);

    void Reload() override;
    std::optional<std::string> Read(std::string_view section, std::string_view key) const override;
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const override;
    // Through a temporary file in the same directory and an atomic rename, from the file as it is
    // now (a hand edit since the last read is kept); a file the user may not write, a dangling
    // link or a file that cannot be read is not replaced. On any failure the old file stays as it
    // was; on success the lookups read what was written.
    int Write(std::string_view section, std::string_view key, const std::string& value) override;
    std::string Location() const override { return m_path; }
    std::string Problem() const override { return m_problem; }

    const std::string& Path() const { return m_path; }

private:
    void Take(std::string text, std::string problem);

    std::string m_path;
    std::string m_text;     // the settings as last read or written
    std::string m_problem;  // why they could not be read, or empty
    std::map<std::pair<std::string, std::string>, std::string> m_values;  // of m_text, by lower-cased names
};

}  // namespace gauzel

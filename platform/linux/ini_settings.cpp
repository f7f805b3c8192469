#include "platform/linux/ini_settings.h"

// Names and values are bytes (no conversion library); the templates are instantiated here.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

namespace gauzel {

std::string DefaultSettingsPath(const std::string& baseName) {
    std::string directory;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        directory = config;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            const passwd* user = getpwuid(getuid());
            home = user != nullptr ? user->pw_dir : "/";
        }
        directory = std::string(home) + "/.config";
    }
    return directory + "/" + baseName + ".ini";
}

namespace {

bool ReadText(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    text.assign(std::istreambuf_iterator<char>(file), {});
    return !file.bad();
}

struct LoadedIni {
    CSimpleIniA ini{false, false, false};  // case-insensitive names, one value per key
    bool loaded = false;
};

std::unique_ptr<LoadedIni> Load(const std::string& path) {
    auto result = std::make_unique<LoadedIni>();
    std::string text;
    if (ReadText(path, text)) result->loaded = result->ini.LoadData(text) >= 0;
    return result;
}

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// The section name of a "[name]" line, or nothing.
std::optional<std::string_view> SectionOf(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
    const std::size_t close = trimmed.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(trimmed.substr(1, close - 1));
}

bool IsKeyLine(std::string_view line, std::string_view key) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') return false;
    const std::size_t equals = trimmed.find('=');
    return equals != std::string_view::npos && SameName(Trim(trimmed.substr(0, equals)), key);
}

}  // namespace

std::string WithIniValue(const std::string& text, std::string_view section, std::string_view key,
                         const std::string& value) {
    std::vector<std::string> lines;  // without their "\n"; a "\r" of CR LF files stays on the line
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    const std::string cr = text.find("\r\n") != std::string::npos ? "\r" : "";

    // Every line of the key in every section of that name is rewritten, so that whichever one a
    // reader takes holds the new value.
    std::optional<std::size_t> insertAfter;  // the last non-blank line of the first such section
    bool inSection = false;
    bool inFirstSection = false;
    bool replaced = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const std::optional<std::string_view> name = SectionOf(lines[i])) {
            inSection = SameName(*name, section);
            inFirstSection = inSection && !insertAfter;
            if (inFirstSection) insertAfter = i;
            continue;
        }
        if (!inSection) continue;
        if (IsKeyLine(lines[i], key)) {
            const std::size_t equals = lines[i].find('=');
            std::string kept = lines[i].substr(0, equals + 1);
            if (lines[i].compare(equals + 1, 1, " ") == 0) kept += ' ';
            lines[i] = kept + value + (lines[i].ends_with('\r') ? "\r" : "");
            replaced = true;
        } else if (inFirstSection && !Trim(lines[i]).empty()) {
            insertAfter = i;
        }
    }

    bool addedLast = false;
    if (!replaced) {
        const std::string keyLine = std::string(key) + "=" + value + cr;
        if (insertAfter) {
            addedLast = *insertAfter + 1 == lines.size();
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAfter) + 1, keyLine);
        } else {
            if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back(cr);
            lines.push_back("[" + std::string(section) + "]" + cr);
            lines.push_back(keyLine);
            addedLast = true;
        }
    }

    std::string result;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        result += lines[i];
        if (i + 1 < lines.size() || addedLast || text.ends_with('\n')) result += '\n';
    }
    return result;
}

std::optional<std::string> IniSettings::Read(std::string_view section, std::string_view key) const {
    const std::unique_ptr<LoadedIni> file = Load(m_path);
    const char* value = file->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

std::vector<std::pair<std::string, std::string>> IniSettings::ReadSection(std::string_view section) const {
    const std::unique_ptr<LoadedIni> file = Load(m_path);
    const std::string name(section);
    CSimpleIniA::TNamesDepend keys;
    file->ini.GetAllKeys(name.c_str(), keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::pair<std::string, std::string>> entries;
    for (const CSimpleIniA::Entry& key : keys)
        entries.emplace_back(key.pItem, file->ini.GetValue(name.c_str(), key.pItem, ""));
    return entries;
}

void IniSettings::Write(std::string_view section, std::string_view key, const std::string& value) {
    // Write beside the file that a symbolic link points to, so the link stays a link.
    std::string target = m_path;
    if (std::unique_ptr<char, decltype(&std::free)> real(realpath(m_path.c_str(), nullptr), &std::free); real)
        target = real.get();

    std::string text;
    struct stat info{};
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists && !ReadText(target, text)) return;
    const std::string updated = WithIniValue(text, section, key, value);

    const std::size_t slash = target.rfind('/');
    if (slash != std::string::npos && slash > 0) mkdir(target.substr(0, slash).c_str(), 0700);  // e.g. a fresh ~/.config

    std::string temporary = target + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return;
    bool ok = fchmod(fd, exists ? (info.st_mode & 07777) : 0644) == 0;
    for (std::size_t done = 0; ok && done < updated.size();) {
        const ssize_t n = ::write(fd, updated.data() + done, updated.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temporary.c_str(), target.c_str()) != 0) unlink(temporary.c_str());
}

}  // namespace gauzel

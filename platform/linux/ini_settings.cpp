#include "platform/linux/ini_settings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/ascii.h"
#include "platform/linux/whole_file.h"

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

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = AsciiLower(c);
    return folded;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// One line of INI text, by its place in the text.
struct Line {
    enum class Kind { kBlank, kOther, kSection, kKey } kind = Kind::kOther;
    std::size_t begin = 0;       // first byte of the line
    std::size_t end = 0;         // its terminator (or the end of the text)
    std::size_t next = 0;        // the next line's first byte
    std::string_view name;       // of the section or key
    std::string_view value;      // of a key, trimmed, without its comment
    std::size_t valueBegin = 0;  // of a key: the byte after "="
    std::size_t valueEnd = 0;    // of a key: the byte after its value (valueBegin when it is empty)
};

// Where a comment starts in what follows "=": at a ";" or "#" after a blank; or the end.
std::size_t CommentStart(std::string_view rest) {
    for (std::size_t i = 1; i < rest.size(); ++i)
        if ((rest[i] == ';' || rest[i] == '#') && IsBlank(rest[i - 1])) return i;
    return rest.size();
}

// Calls `each(line)` for every line of `text`, in order; nothing is kept, so a large file costs
// no more memory than its text.
template <typename Each>
void ForEachLine(std::string_view text, Each each) {
    std::size_t at = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (at < text.size()) {
        Line line;
        line.begin = at;
        line.end = text.find_first_of("\r\n", at);
        if (line.end == std::string_view::npos) line.end = text.size();
        line.next = line.end;
        if (line.next < text.size()) line.next += text.compare(line.next, 2, "\r\n") == 0 ? 2u : 1u;
        at = line.next;

        const std::string_view content = Trim(text.substr(line.begin, line.end - line.begin));
        if (content.empty()) {
            line.kind = Line::Kind::kBlank;
        } else if (content.front() == ';' || content.front() == '#') {
            line.kind = Line::Kind::kOther;
        } else if (content.front() == '[') {
            const std::size_t close = content.find(']');
            if (close != std::string_view::npos) {
                line.kind = Line::Kind::kSection;
                line.name = Trim(content.substr(1, close - 1));
            }
        } else if (const std::size_t equals = content.find('='); equals != std::string_view::npos) {
            line.name = Trim(content.substr(0, equals));
            if (!line.name.empty()) {
                line.kind = Line::Kind::kKey;
                const std::string_view rest = content.substr(equals + 1);
                line.value = Trim(rest.substr(0, CommentStart(rest)));
                line.valueBegin = static_cast<std::size_t>(rest.data() - text.data());
                line.valueEnd =
                    line.value.empty()
                        ? line.valueBegin
                        : static_cast<std::size_t>(line.value.data() - text.data()) + line.value.size();
            }
        }
        each(line);
    }
}

// Calls `each(sectionName, line)` for every key line.
template <typename Each>
void ForEachKey(std::string_view text, Each each) {
    std::string_view section;  // keys before any section belong to the unnamed one
    ForEachLine(text, [&](const Line& line) {
        if (line.kind == Line::Kind::kSection) section = line.name;
        if (line.kind == Line::Kind::kKey) each(section, line);
    });
}

}  // namespace

std::optional<std::string> IniValue(std::string_view text, std::string_view section, std::string_view key) {
    std::optional<std::string> value;
    ForEachKey(text, [&](std::string_view name, const Line& line) {
        if (SameName(name, section) && SameName(line.name, key)) value = std::string(line.value);
    });
    return value;
}

std::vector<std::pair<std::string, std::string>> IniSection(std::string_view text, std::string_view section) {
    std::vector<std::pair<std::string, std::string>> entries;
    ForEachKey(text, [&](std::string_view name, const Line& line) {
        if (!SameName(name, section)) return;
        for (auto& [key, value] : entries)
            if (SameName(key, line.name)) {
                value = line.value;
                return;
            }
        entries.emplace_back(line.name, line.value);
    });
    return entries;
}

std::map<std::pair<std::string, std::string>, std::string> IniValues(std::string_view text) {
    std::map<std::pair<std::string, std::string>, std::string> values;
    ForEachKey(text, [&](std::string_view section, const Line& line) {
        values[{Folded(section), Folded(line.name)}] = line.value;
    });
    return values;
}

bool WritableIniValue(std::string_view value) {
    if (value.find_first_of("\r\n") != std::string_view::npos) return false;
    if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()))) return false;
    return CommentStart(value) == value.size();
}

std::string WithIniValue(std::string_view text, std::string_view section, std::string_view key,
                         const std::string& value) {
    std::vector<Line> keyLines;       // the key in every section of that name
    std::optional<Line> insertAfter;  // else: the last non-blank line of the first such section
    std::optional<Line> last;
    std::string_view newline;  // added lines end the way the file's first ended line does
    bool inSection = false;
    bool inFirst = false;
    ForEachLine(text, [&](const Line& line) {
        last = line;
        if (newline.empty() && line.next > line.end) newline = text.substr(line.end, line.next - line.end);
        if (line.kind == Line::Kind::kSection) {
            inSection = SameName(line.name, section);
            inFirst = inSection && !insertAfter;
            if (inFirst) insertAfter = line;
        } else if (inSection && line.kind == Line::Kind::kKey && SameName(line.name, key)) {
            keyLines.push_back(line);
        } else if (inFirst && line.kind != Line::Kind::kBlank) {
            insertAfter = line;
        }
    });

    std::string result;
    if (!keyLines.empty()) {
        // "Num = 0   ; units" becomes "Num = 2   ; units": the key, a blank after "=" and what
        // follows the value stay as typed. (The blank goes before a value that starts like a comment.)
        const bool likeComment = value.starts_with(';') || value.starts_with('#');
        std::size_t copied = 0;
        for (const Line& line : keyLines) {
            std::size_t keep = line.valueBegin;
            if (keep < line.valueEnd && text[keep] == ' ' && !likeComment) ++keep;
            result.append(text.substr(copied, keep - copied));
            result += value;
            copied = line.valueEnd;
        }
        result.append(text.substr(copied));
        return result;
    }

    if (newline.empty()) newline = "\n";
    const std::string keyLine = std::string(key) + "=" + value + std::string(newline);
    if (insertAfter) {
        result.append(text.substr(0, insertAfter->next));
        if (insertAfter->next == insertAfter->end) result += newline;  // the file's last line had no ending
        result += keyLine;
        result.append(text.substr(insertAfter->next));
        return result;
    }
    result = text;
    if (last && last->next == last->end) result += newline;
    if (last && last->kind != Line::Kind::kBlank) result += newline;  // a blank line before it
    result += "[" + std::string(section) + "]" + std::string(newline) + keyLine;
    return result;
}

namespace {

// The settings text. A missing file reads as empty and is no problem; anything that is not a
// regular file of at most kMaxSettingsBytes reads as empty too, with the reason in `problem`.
struct SettingsText {
    std::string text;
    bool exists = false;
    int error = 0;
    std::string problem;
};

SettingsText LoadText(const std::string& path) {
    SettingsText loaded;
    auto fail = [&loaded](int error, std::string problem = {}) {
        loaded.text.clear();
        loaded.error = error;
        loaded.problem = problem.empty() ? std::strerror(error) : std::move(problem);
        return loaded;
    };
    // Non-blocking, so that a FIFO in its place cannot hang the program.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? loaded : fail(errno);
    loaded.exists = true;
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat info {};
    if (fstat(fd, &info) != 0) return fail(errno);
    if (S_ISDIR(info.st_mode)) return fail(EISDIR);
    if (!S_ISREG(info.st_mode)) return fail(EINVAL, "not a regular file");
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(errno);
        if (n == 0) break;
        loaded.text.append(buffer, static_cast<std::size_t>(n));
        if (loaded.text.size() > kMaxSettingsBytes) return fail(EFBIG, "larger than 1 MiB");
    }
    return loaded;
}

}  // namespace

IniSettings::IniSettings(std::string path) : m_path(std::move(path)) { Reload(); }

void IniSettings::Reload() {
    SettingsText loaded = LoadText(m_path);
    Take(std::move(loaded.text), std::move(loaded.problem));
}

void IniSettings::Take(std::string text, std::string problem) {
    m_text = std::move(text);
    m_problem = std::move(problem);
    m_values = IniValues(m_text);
}

std::optional<std::string> IniSettings::Read(std::string_view section, std::string_view key) const {
    const auto found = m_values.find({Folded(section), Folded(key)});
    if (found == m_values.end()) return std::nullopt;
    return found->second;
}

std::vector<std::pair<std::string, std::string>> IniSettings::ReadSection(std::string_view section) const {
    return IniSection(m_text, section);
}

int IniSettings::Write(std::string_view section, std::string_view key, const std::string& value) {
    if (!WritableIniValue(value)) return EINVAL;

    // Write beside the file that a symbolic link points to, so the link stays a link; a link
    // that points nowhere is left alone.
    std::string target = m_path;
    struct stat link {};
    if (lstat(m_path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> real(realpath(m_path.c_str(), nullptr), &std::free);
        if (!real) return errno;
        target = real.get();
    }

    const SettingsText old = LoadText(target);
    if (old.error != 0) return old.error;  // what cannot be read is not replaced
    if (old.exists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return errno;  // read-only: not ours to replace
    const std::string updated = WithIniValue(old.text, section, key, value);

    const std::size_t slash = target.rfind('/');
    if (slash != std::string::npos && slash > 0)
        mkdir(target.substr(0, slash).c_str(), 0700);  // e.g. a fresh ~/.config

    int error = 0;
    const std::unique_ptr<WholeFile> file = WholeFile::Begin(target, error);
    if (!file) return error;
    if ((error = WriteAll(file->Descriptor(), updated.data(), updated.size())) != 0) return error;
    if ((error = file->Commit()) != 0) return error;
    Take(updated, {});
    return 0;
}

}  // namespace gauzel

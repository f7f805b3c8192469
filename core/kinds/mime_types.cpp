#include "core/kinds/mime_types.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/ascii.h"

namespace gauzel {

namespace {

constexpr std::array<const char*, kKindCount> kKindNames = {
    "Video",         "Audio",         "Images",   "Archives", "Documents", "Spreadsheets",
    "Presentations", "Text and code", "Programs", "Fonts",    "Other",
};

std::uint64_t Hash(std::string_view key) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : key) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = AsciiLower(c);
    return lower;
}

// `[...]` at `pattern[p]` against `c`: whether it matches, and where the pattern goes on. A
// bracket that never closes is no bracket (false, `next` unchanged).
bool Bracket(std::string_view pattern, std::size_t p, char c, bool& matched, std::size_t& next) {
    std::size_t i = p + 1;
    const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    if (negated) ++i;
    bool found = false;
    for (bool first = true; i < pattern.size() && (first || pattern[i] != ']'); first = false) {
        const char low = pattern[i];
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            found = found || (c >= low && c <= pattern[i + 2]);
            i += 3;
        } else {
            found = found || c == low;
            ++i;
        }
    }
    if (i >= pattern.size()) return false;
    matched = found != negated;
    next = i + 1;
    return true;
}

// One line of a globs2 file: "weight:type:pattern[:flags]".
struct GlobLine {
    int weight;
    std::string type;
    std::string pattern;
    bool caseSensitive;
};

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t colon = line.find(':', start);
        fields.push_back(line.substr(start, colon - start));
        if (colon == std::string_view::npos) return fields;
        start = colon + 1;
    }
}

// The lines of one file; the types it names with __NOGLOBS__ go to `cleared`.
std::vector<GlobLine> GlobLines(std::string_view text, std::unordered_set<std::string>& cleared) {
    std::vector<GlobLine> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.size() < 3 || fields[0].empty() || fields[1].empty() || fields[2].empty()) continue;
        int weight = 0;
        for (const char c : fields[0])
            weight = c >= '0' && c <= '9' ? std::min(weight * 10 + (c - '0'), 1000) : -1;
        if (weight < 0) continue;
        if (fields[2] == "__NOGLOBS__") {
            cleared.emplace(fields[1]);
            continue;
        }
        bool caseSensitive = false;  // the flags: a list separated by commas
        for (std::string_view flags = fields.size() > 3 ? fields[3] : ""; !flags.empty();) {
            const std::size_t comma = std::min(flags.find(','), flags.size());
            caseSensitive = caseSensitive || flags.substr(0, comma) == "cs";
            flags.remove_prefix(std::min(comma + 1, flags.size()));
        }
        lines.push_back({weight, std::string(fields[1]), std::string(fields[2]), caseSensitive});
    }
    return lines;
}

}  // namespace

bool HasWildcard(std::string_view text) { return text.find_first_of("*?[\\") != std::string_view::npos; }

const char* KindName(Kind kind) { return kKindNames[static_cast<std::size_t>(kind)]; }

Kind KindOfIcon(std::string_view icon) {
    static const std::unordered_map<std::string_view, Kind> kinds = {
        {"video-x-generic", Kind::kVideo},
        {"audio-x-generic", Kind::kAudio},
        {"image-x-generic", Kind::kImages},
        {"package-x-generic", Kind::kArchives},
        {"x-office-document", Kind::kDocuments},
        {"x-office-drawing", Kind::kDocuments},
        {"x-office-address-book", Kind::kDocuments},
        {"x-office-calendar", Kind::kDocuments},
        {"x-office-spreadsheet", Kind::kSpreadsheets},
        {"x-office-presentation", Kind::kPresentations},
        {"text-x-generic", Kind::kText},
        {"text-x-script", Kind::kText},
        {"text-html", Kind::kText},
        {"text-x-generic-template", Kind::kText},
        {"application-x-executable", Kind::kPrograms},
        {"font-x-generic", Kind::kFonts},
    };
    const auto found = kinds.find(icon);
    return found == kinds.end() ? Kind::kOther : found->second;
}

bool GlobMatches(std::string_view pattern, std::string_view text, bool slashes) {
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starP = std::string_view::npos;  // after the last "*" met, and where it began in the text
    std::size_t starT = 0;
    while (t < text.size()) {
        if (p < pattern.size()) {
            const char c = pattern[p];
            const bool slash = slashes && text[t] == '/';
            if (c == '*') {
                starP = ++p;
                starT = t;
                continue;
            }
            bool matched = false;
            std::size_t next = p + 1;
            if (c == '?') {
                matched = !slash;
            } else if (c == '[' && Bracket(pattern, p, text[t], matched, next)) {
                matched = matched && !slash;
            } else if (c == '\\' && p + 1 < pattern.size()) {
                matched = pattern[p + 1] == text[t];
                next = p + 2;
            } else {
                matched = c == text[t];
            }
            if (matched) {
                p = next;
                ++t;
                continue;
            }
        }
        if (starP == std::string_view::npos || (slashes && text[starT] == '/')) return false;
        p = starP;  // the last "*" takes one more character
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

void MimeTypes::Table::Add(std::string_view key, std::uint32_t type, int weight) {
    if (Slot* found = Locate(key)) {
        if (weight > found->match.weight) found->match = {type, weight, key.size()};
        return;
    }
    if ((m_count + 1) * 2 > m_slots.size()) Grow();
    const std::uint64_t hash = Hash(key);
    for (std::size_t i = hash & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1)) {
        if (m_slots[i].match.type != kNoType) continue;
        m_slots[i] = {hash, std::string(key), {type, weight, key.size()}};
        break;
    }
    ++m_count;
    m_signatures[Signature(key.size(), key[key.size() > 1 ? 1 : 0], key.back())] = true;
}

void MimeTypes::Table::Grow() {
    std::vector<Slot> old =
        std::exchange(m_slots, std::vector<Slot>(std::max<std::size_t>(16, m_slots.size() * 2)));
    for (Slot& slot : old) {
        if (slot.match.type == kNoType) continue;
        for (std::size_t i = slot.hash & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i].match.type != kNoType) continue;
            m_slots[i] = std::move(slot);
            break;
        }
    }
}

MimeTypes::Table::Slot* MimeTypes::Table::Locate(std::string_view key) const {
    if (m_count == 0) return nullptr;
    const std::uint64_t hash = Hash(key);
    for (std::size_t i = hash & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1)) {
        const Slot& slot = m_slots[i];
        if (slot.match.type == kNoType) return nullptr;
        if (slot.hash == hash && slot.key == key) return const_cast<Slot*>(&slot);
    }
}

const MimeTypes::Match* MimeTypes::Table::Find(std::string_view key) const {
    const Slot* slot = Locate(key);
    return slot != nullptr ? &slot->match : nullptr;
}

std::uint32_t MimeTypes::Intern(std::string_view name) {
    if (const Match* found = m_typeIndex.Find(name)) return found->type;
    const auto type = static_cast<std::uint32_t>(m_types.size());
    const std::size_t slash = name.find('/');
    // A type no generic icon names has its media type's: "video/x-foo" is "video-x-generic".
    m_types.push_back({std::string(name), KindOfIcon(std::string(name.substr(0, slash)) + "-x-generic")});
    m_typeIndex.Add(name, type, 0);
    return type;
}

void MimeTypes::AddPattern(std::string_view pattern, std::uint32_t type, int weight, bool caseSensitive) {
    const std::string key = caseSensitive ? std::string(pattern) : Lower(pattern);
    if (!HasWildcard(key)) {
        (caseSensitive ? m_literalCs : m_literal).Add(key, type, weight);
    } else if (key.size() > 1 && key[0] == '*' && !HasWildcard(std::string_view(key).substr(1))) {
        if (key[1] == '.')
            (caseSensitive ? m_suffixCs : m_suffix).Add(std::string_view(key).substr(1), type, weight);
        else {
            m_otherSuffixes.push_back({key.substr(1), type, weight, caseSensitive, {}, {}, {}, false});
            m_otherSuffixEnds[static_cast<unsigned char>(key.back())] = true;
        }
    } else {
        const std::size_t first = key.find_first_of("*?[\\");
        const std::size_t last = key.find_last_of("*?]\\");
        std::string inner;  // the longest run of plain characters, outside brackets
        for (std::size_t start = 0; start < key.size();) {
            std::size_t end = std::min(key.find_first_of("*?[\\", start), key.size());
            if (end - start > inner.size()) inner = key.substr(start, end - start);
            if (end < key.size() && key[end] == '[') end = std::min(key.find(']', end + 2), key.size());
            start = end + (end < key.size() && key[end] == '\\' ? 2 : 1);
        }
        const bool dotted = inner.find('.') != std::string::npos;
        if (!dotted && first == 0)
            m_undottedStarts.set();
        else if (!dotted)
            m_undottedStarts[static_cast<unsigned char>(key[0])] = true;
        m_globs.push_back({key, type, weight, caseSensitive, key.substr(0, first), key.substr(last + 1),
                           std::move(inner), dotted});
    }
}

MimeTypes::MimeTypes(const MimeDatabaseText& text) {
    // The least important file first: a more important one's __NOGLOBS__ clears what came before
    // of a type; then each pattern's most important line is the one kept (Table::Add keeps the
    // first of equal weights).
    std::vector<std::vector<GlobLine>> files(text.globs2.size());
    for (std::size_t i = text.globs2.size(); i-- > 0;) {
        std::unordered_set<std::string> cleared;
        files[i] = GlobLines(text.globs2[i], cleared);
        for (std::size_t less = i + 1; less < files.size(); ++less)
            std::erase_if(files[less],
                          [&cleared](const GlobLine& line) { return cleared.count(line.type) != 0; });
    }
    for (const std::vector<GlobLine>& lines : files)
        for (const GlobLine& line : lines)
            AddPattern(line.pattern, Intern(line.type), line.weight, line.caseSensitive);
    for (std::size_t i = text.genericIcons.size(); i-- > 0;) {  // the most important last: it stays
        std::string_view icons = text.genericIcons[i];
        while (!icons.empty()) {
            const std::size_t end = std::min(icons.find('\n'), icons.size());
            const std::string_view line = icons.substr(0, end);
            icons.remove_prefix(std::min(end + 1, icons.size()));
            const std::size_t colon = line.find(':');
            if (colon == std::string_view::npos || line.starts_with('#')) continue;
            if (const Match* type = m_typeIndex.Find(line.substr(0, colon)))
                m_types[type->type].kind = KindOfIcon(line.substr(colon + 1));
        }
    }
}

// A name lower-cased only as far as the lookups need it: most stop at its extension.
class MimeTypes::LowerName {
public:
    explicit LowerName(std::string_view name)
        : m_name(name),
          m_lower(name.size() < sizeof m_buffer ? m_buffer : (m_long.resize(name.size()), m_long.data())),
          m_from(name.size()) {}
    // The name lower-cased from `begin` on.
    std::string_view From(std::size_t begin) {
        for (; m_from > begin; --m_from) m_lower[m_from - 1] = AsciiLower(m_name[m_from - 1]);
        return std::string_view(m_lower + begin, m_name.size() - begin);
    }

private:
    std::string_view m_name;
    char m_buffer[256];
    std::string m_long;
    char* m_lower;
    std::size_t m_from;  // lower-cased from here on
};

// The suffix patterns: case-sensitive ones first, then the others on the lower-cased name.
MimeTypes::Match MimeTypes::BySuffix(std::string_view name, LowerName& lower, std::size_t firstDot) const {
    Match cs;
    Match ci;
    // The leftmost dot first: the longest extension, which keeps a tie.
    for (std::size_t dot = firstDot; dot != std::string_view::npos; dot = name.find('.', dot + 1)) {
        const std::string_view suffix = name.substr(dot);
        if (m_suffixCs.MayHave(suffix))
            if (const Match* found = m_suffixCs.Find(suffix); found != nullptr && found->weight > cs.weight)
                cs = *found;
        const std::string_view lowered = lower.From(dot);
        if (m_suffix.MayHave(lowered))
            if (const Match* found = m_suffix.Find(lowered); found != nullptr && found->weight > ci.weight)
                ci = *found;
    }
    // Few names end as "*~" or "*,v" do: their last character tells.
    const auto last = static_cast<unsigned char>(name.back());
    if (m_otherSuffixEnds[last] || m_otherSuffixEnds[static_cast<unsigned char>(AsciiLower(name.back()))])
        for (const Glob& glob : m_otherSuffixes) {
            Match& best = glob.caseSensitive ? cs : ci;
            if (!(glob.caseSensitive ? name : lower.From(0)).ends_with(glob.pattern)) continue;
            if (glob.weight > best.weight ||
                (glob.weight == best.weight && glob.pattern.size() > best.length))
                best = {glob.type, glob.weight, glob.pattern.size()};
        }
    return cs.type != kNoType ? cs : ci;
}

MimeTypes::Match MimeTypes::ByGlob(std::string_view name, std::string_view lower, bool dotted) const {
    Match best;
    for (const Glob& glob : m_globs) {
        if ((glob.dotted && !dotted) || glob.weight < best.weight ||
            (glob.weight == best.weight && glob.pattern.size() <= best.length))
            continue;
        const std::string_view text = glob.caseSensitive ? name : lower;
        if (text.starts_with(glob.prefix) && text.ends_with(glob.suffix) &&
            text.find(glob.inner) != std::string_view::npos && GlobMatches(glob.pattern, text))
            best = {glob.type, glob.weight, glob.pattern.size()};
    }
    return best;
}

std::uint32_t MimeTypes::TypeOf(std::string_view name) const {
    if (name.empty() || m_types.empty()) return kNoType;
    if (m_literalCs.MayHave(name))
        if (const Match* found = m_literalCs.Find(name)) return found->type;
    LowerName lower(name);
    if (m_literal.MayHaveLowered(name))
        if (const Match* found = m_literal.Find(lower.From(0))) return found->type;
    const std::size_t dot = name.find('.');
    if (const Match suffix = BySuffix(name, lower, dot); suffix.type != kNoType) return suffix.type;
    // Most names without a dot begin as no glob that matches one ("readme*") does.
    const bool dotted = dot != std::string_view::npos;
    if (!dotted && !m_undottedStarts[static_cast<unsigned char>(name[0])] &&
        !m_undottedStarts[static_cast<unsigned char>(AsciiLower(name[0]))])
        return kNoType;
    return ByGlob(name, lower.From(0), dotted).type;
}

}  // namespace gauzel

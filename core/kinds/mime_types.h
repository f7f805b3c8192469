#pragma once
// What kind of file a name is, by the desktop's own type database (freedesktop.org
// shared-mime-info): its glob patterns give a name its MIME type, the type's generic icon its kind.
// Only names are looked at: a file is never opened.

#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ascii.h"
#include "platform/mime_database.h"

namespace gauzel {

enum class Kind : std::uint8_t {
    kVideo,
    kAudio,
    kImages,
    kArchives,
    kDocuments,
    kSpreadsheets,
    kPresentations,
    kText,
    kPrograms,
    kFonts,
    kOther,
};
inline constexpr std::size_t kKindCount = 11;
// "Video", "Audio", ... "Other".
const char* KindName(Kind kind);
// The kind of a generic icon name ("video-x-generic": Video); Other for any other.
Kind KindOfIcon(std::string_view icon);

// Whether `text` holds a character that a glob reads as more than itself (`*`, `?`, `[`, `\`).
bool HasWildcard(std::string_view text);

// Looks strings up by a std::string_view, without making a std::string of it.
struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};

// Whether `text` matches the shell glob `pattern` (`*`, `?`, `[a-z]`, `[!a]`, `\` quoting).
// `slashes`: `*`, `?` and brackets never match a "/" (as fnmatch's FNM_PATHNAME).
bool GlobMatches(std::string_view pattern, std::string_view text, bool slashes = false);

class MimeTypes {
public:
    static constexpr std::uint32_t kNoType = UINT32_MAX;

    MimeTypes() = default;  // knows no type: every name is kNoType
    explicit MimeTypes(const MimeDatabaseText& text);

    // The type of a file named `name`, or kNoType when no pattern matches it. Literal names
    // first (case-sensitive patterns before the others), then the patterns "*.ext" and other
    // suffixes (the highest weight, then the longest pattern wins: "a.tar.gz" is a compressed
    // tar, not gzip), then the other globs.
    std::uint32_t TypeOf(std::string_view name) const;
    const std::string& Name(std::uint32_t type) const { return m_types[type].name; }
    Kind KindOf(std::uint32_t type) const { return type == kNoType ? Kind::kOther : m_types[type].kind; }
    std::size_t TypeCount() const { return m_types.size(); }

private:
    struct Type {
        std::string name;
        Kind kind = Kind::kOther;
    };
    struct Match {
        std::uint32_t type = kNoType;
        int weight = -1;
        std::size_t length = 0;  // of the pattern
    };
    // Keys to types, found by hash in one probe or a few (open addressing).
    class Table {
    public:
        void Add(std::string_view key, std::uint32_t type, int weight);
        const Match* Find(std::string_view key) const;
        bool Empty() const { return m_count == 0; }
        // False when no key has the signature of `key`: most lookups end here.
        bool MayHave(std::string_view key) const {
            return !key.empty() &&
                   m_signatures[Signature(key.size(), key[key.size() > 1 ? 1 : 0], key.back())];
        }
        // The same for `key` lower-cased, without lower-casing it.
        bool MayHaveLowered(std::string_view key) const {
            return !key.empty() && m_signatures[Signature(key.size(), AsciiLower(key[key.size() > 1 ? 1 : 0]),
                                                          AsciiLower(key.back()))];
        }

    private:
        struct Slot {
            std::uint64_t hash = 0;
            std::string key;
            Match match;
        };
        void Grow();
        Slot* Locate(std::string_view key) const;  // in m_slots, or null
        std::vector<Slot> m_slots;
        // Of the length, the second byte and the last: a lookup that cannot find stops early.
        static std::size_t Signature(std::size_t size, char second, char last) {
            return ((size * 257 + static_cast<unsigned char>(second)) * 263 +
                    static_cast<unsigned char>(last)) &
                   0xFFFF;
        }
        std::size_t m_count = 0;
        std::bitset<256 * 256> m_signatures;
    };
    struct Glob {
        std::string pattern;
        std::uint32_t type;
        int weight;
        bool caseSensitive;
        std::string prefix, suffix;  // what every name it matches begins and ends with
        std::string inner;           // and holds: the pattern's longest run of plain characters
        bool dotted;                 // that run holds a dot
    };
    class LowerName;
    std::uint32_t Intern(std::string_view name);
    void AddPattern(std::string_view pattern, std::uint32_t type, int weight, bool caseSensitive);
    Match BySuffix(std::string_view name, LowerName& lower, std::size_t firstDot) const;
    // `dotted`: the name holds a dot (few globs match one without).
    Match ByGlob(std::string_view name, std::string_view lower, bool dotted) const;

    std::vector<Type> m_types;
    Table m_typeIndex;                   // type name to its index
    Table m_literal, m_literalCs;        // "makefile" (lower-cased), "Makefile"
    Table m_suffix, m_suffixCs;          // ".tar.gz" of "*.tar.gz" (lower-cased), ".C"
    std::vector<Glob> m_otherSuffixes;   // "*~", "*,v": a suffix that is not an extension
    std::bitset<256> m_otherSuffixEnds;  // their last characters
    std::vector<Glob> m_globs;           // every other pattern: "*.so.[0-9]*", "readme*"
    std::bitset<256> m_undottedStarts;   // how the names begin that a glob needing no dot may match
};

}  // namespace gauzel

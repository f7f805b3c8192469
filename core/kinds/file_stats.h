#pragma once
// What a rescan gathers of the files of the profiled tree besides where their bytes lie: how many
// bytes and files of each kind and type, of each age, and the largest files.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/kinds/mime_types.h"
#include "core/profile/byte_count.h"

namespace gauzel {

// How old a file is, by its modification time, measured from the rescan's start.
enum class AgeBand : std::uint8_t {
    kUnderADay,  // at most 24 hours
    kUnderAWeek,
    kUnderAMonth,  // 30 days
    kUnderAYear,   // 365 days
    kOneToTwoYears,
    kTwoToFiveYears,
    kOverFiveYears,
    kInTheFuture,  // later than the start
    kUnknown,      // no time known (a saved scan without times)
};
inline constexpr std::size_t kAgeBandCount = 9;
// The time of a file that has none.
inline constexpr std::int64_t kUnknownTime = INT64_MIN;
// "Under a day", ... "Unknown".
const char* AgeBandName(AgeBand band);
// The first band `mtime` fits, in seconds since 1970 as `start` is.
AgeBand AgeBandOf(std::int64_t mtime, std::int64_t start);

struct Tally {
    ByteCount bytes = 0;
    std::uint64_t files = 0;
    void Add(std::uint64_t size) {
        bytes += size;
        ++files;
    }
    Tally& operator+=(const Tally& other) {
        bytes += other.bytes;
        files += other.files;
        return *this;
    }
};

// What to gather: nothing at all without types and without largest files.
struct Gathering {
    std::shared_ptr<const MimeTypes> types;  // the kinds and types: null, none
    std::int64_t start = 0;                  // the rescan's start, for the ages
    std::size_t largest = 0;                 // how many of the largest files are kept
    // No smaller file can be among the largest any more (null: any may): the walk raises it as
    // it goes, and a read keeps no name for a smaller file.
    std::shared_ptr<std::atomic<std::uint64_t>> smallestLarge;
};

// One file as a read gathers it for the walk: a file with other names, whose counting the walk
// decides; an untyped file, counted by its extension; a file that may be among the largest. What
// it keeps of the name, in the read's arena: all of it when the file may be among the largest,
// else the extension of an untyped file.
struct GatheredFile {
    static constexpr std::uint16_t kNoExtension = UINT16_MAX;
    std::uint64_t size;
    std::int64_t mtime;
    std::uint32_t type;  // MimeTypes::kNoType: by its extension
    std::uint32_t nameBegin;
    std::uint32_t nameLength;   // of what is kept
    std::uint16_t extensionAt;  // in what is kept: ".ext", or kNoExtension
    bool linked;                // one of several names: it counts only where the walk first meets the file
    bool tallied;               // already in the read's tally: only a candidate for the largest
};

// The kinds, types and ages of files, in bytes and files.
struct FileTally {
    std::array<Tally, kKindCount> kinds{};
    std::array<Tally, kAgeBandCount> ages{};
    std::vector<std::pair<std::uint32_t, Tally>> types;  // by MimeTypes index, in the order met
    Tally noExtension;                                   // untyped files without an extension
};

// What a read gathers of one directory's files. A file that counts wherever the walk meets it is
// tallied at once, on the reading thread; only the others are kept for the walk.
struct GatheredFiles {
    std::unique_ptr<FileTally> tally;  // null: none tallied
    std::vector<GatheredFile> files;
    std::string names;
    // One file of the directory; returns its index in `files` (a linked file always has one).
    std::uint32_t Add(std::string_view name, std::uint64_t size, std::int64_t mtime, bool linked,
                      const Gathering& gathering);
};

struct LargeFile {
    std::string path;  // logical
    std::uint64_t size;
    std::int64_t mtime;
    Kind kind;
};

class FileStats {
public:
    explicit FileStats(const Gathering& gathering) : m_gathering(gathering) {}
    // The files added next lie in the directory `path` (logical), which outlives those calls.
    void Enter(const std::string& path) {
        m_path = &path;
        m_pathKept = false;
    }
    // A file of that directory counts, with its name in `names`.
    void Add(const GatheredFile& file, std::string_view names);
    // The files a read tallied count.
    void Add(const FileTally& tally);

    const Gathering& What() const { return m_gathering; }
    const std::array<Tally, kKindCount>& Kinds() const { return m_kinds; }
    const std::array<Tally, kAgeBandCount>& Ages() const { return m_ages; }
    // By type name, or "*.ext" and "(no extension)" for the files no pattern types.
    std::map<std::string, Tally> Types() const;
    // Those of the files of `kind` (Other holds the untyped ones), in no order.
    std::vector<std::pair<std::string, Tally>> TypesOf(Kind kind) const;
    // The largest first; equal sizes by path.
    std::vector<LargeFile> Largest() const;
    // The same, one at a time into `each`, the path built in one buffer: a hundred thousand of
    // them take no memory beyond the candidates'.
    void ForLargest(const std::function<void(const LargeFile&)>& each) const;

private:
    // A candidate for the largest files: its directory is kept once, the path made at the end.
    struct Candidate {
        std::uint64_t size;
        std::int64_t mtime;
        std::uint32_t directory;  // in m_directories
        Kind kind;
        std::string name;
    };
    void AddByExtension(std::string_view extension, std::uint64_t size);
    static bool Larger(const Candidate& a, const Candidate& b, const std::vector<std::string>& directories);
    // Keeps the largest candidates (the smallest kept last).
    void Select() const;
    Gathering m_gathering;
    std::array<Tally, kKindCount> m_kinds{};
    std::array<Tally, kAgeBandCount> m_ages{};
    std::vector<Tally> m_types;  // by MimeTypes index
    std::unordered_map<std::string, Tally, TransparentHash, std::equal_to<>> m_extensions;  // "*.qcow3"
    Tally m_noExtension;
    // The candidates: up to half as many again as are kept, then the smaller ones go (Select).
    mutable std::vector<Candidate> m_candidates;  // cut back and sorted in place at the end
    std::vector<std::string> m_directories;       // of the candidates
    const std::string* m_path = nullptr;          // of the files being added
    bool m_pathKept = false;                      // it is m_directories.back()
    std::uint64_t m_threshold = 0;                // no smaller file can be among the largest
};

}  // namespace gauzel

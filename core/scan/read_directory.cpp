#include "core/scan/read_directory.h"

#include "core/scan/tuning.h"

namespace gauzel {

bool IsWalkedDirectory(const ListingRecord& record) {
    return (record.attributes & kAttributeDirectory) != 0 &&
           (record.attributes & kAttributeReparsePoint) == 0 && !IsDotOrDotDot(record.name);
}

std::uint64_t RecordSize(const ListingRecord& record) {
    return std::uint64_t{record.sizeHigh} << 32 | record.sizeLow;
}

namespace {

// Whether the entry is left out; it may be the tag of a cache directory.
bool LeftOut(DirectoryContents& contents, const ListingRecord& record, const Exclusions& exclusions,
             std::string_view below) {
    const std::string_view name = record.name;
    if (exclusions.LeavesOutName(name) ||
        (exclusions.HasPaths() &&
         exclusions.LeavesOutPath(below.empty() ? std::string(name)
                                                : std::string(below) + '/' + std::string(name)))) {
        ++contents.leftOut;
        return true;
    }
    if (exclusions.Caches() && name == kCacheTagName && !IsWalkedDirectory(record)) contents.cacheTag = true;
    return false;
}

// One entry of a listing into `contents`.
void Add(DirectoryContents& contents, const ListingRecord& record, const Counting& counting, bool keepEntries,
         std::string_view below) {
    if (IsDotOrDotDot(record.name)) return;
    if (counting.exclusions && LeftOut(contents, record, *counting.exclusions, below)) return;
    // Subdirectories are kept whatever their number, as the walk keeps their names; a file past
    // kKeptEntries gives up keeping.
    if (keepEntries && !contents.tooManyToKeep) {
        if (contents.files == kKeptEntries && !IsWalkedDirectory(record)) {
            contents.tooManyToKeep = true;
            contents.entries = std::vector<ListedEntry>();
        } else {
            contents.entries.push_back({std::string(record.name), record});
            contents.entries.back().record.name = {};
        }
    }
    if (IsWalkedDirectory(record)) {
        contents.subdirs.emplace_back(record.name);
        return;
    }
    ++contents.files;
    const std::uint64_t size = counting.allocated ? record.allocated : RecordSize(record);
    const bool linked = counting.linksOnce && record.links > 1;
    const std::uint32_t gathered =  // typed here, on the thread that read it
        counting.gathering != nullptr
            ? contents.gathered.Add(record.name, size, record.mtime, linked, *counting.gathering)
            : UINT32_MAX;
    if (linked)
        contents.linked.push_back({record.device, record.inode, size, gathered});
    else
        contents.fileBytes += size;
}

}  // namespace

DirectoryContents ReadDirectory(Directory* directory, const Counting& counting, int threads, ReaderPool* pool,
                                bool keepEntries, std::string_view below) {
    DirectoryContents contents;
    if (directory == nullptr) return contents;
    if (threads <= 0) threads = ReadersThatFit(directory->Kind());
    contents.status = directory->List(
        [&](const ListingRecord& record) { Add(contents, record, counting, keepEntries, below); }, threads,
        pool);
    return contents;
}

void LeaveOutIfCache(const Directory* directory, DirectoryContents& contents) {
    if (!contents.cacheTag || directory == nullptr) return;
    char start[kCacheTagSignature.size()];
    if (directory->ReadFileStart(kCacheTagName, start, sizeof start) != static_cast<long>(sizeof start) ||
        std::string_view(start, sizeof start) != kCacheTagSignature)
        return;
    contents = DirectoryContents();
    contents.leftOut = 1;
    contents.isCache = true;
}

void EntriesToSize::ListNames(Directory& directory) {
    status = directory.ListNames(names);
    records.resize(names.size());
    errors.assign(names.size(), 0);
}

DirectoryContents EntriesToSize::Contents(const Counting& counting, bool keepEntries,
                                          std::string_view below) {
    DirectoryContents contents;
    contents.status = status;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (errors[i] == ENOENT) continue;  // gone meanwhile: it is no longer there to count
        if (errors[i] != 0) {
            if (contents.status.unsized++ == 0) contents.status.unsizedError = errors[i];
            continue;
        }
        records[i].name = names[i];
        Add(contents, records[i], counting, keepEntries, below);
    }
    return contents;
}

}  // namespace gauzel

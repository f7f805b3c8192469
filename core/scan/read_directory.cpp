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

DirectoryContents ReadDirectory(Directory* directory, Counting counting, int threads, bool keepEntries,
                                bool waits) {
    DirectoryContents contents;
    if (directory == nullptr) return contents;
    if (threads <= 0) threads = ReadersThatFit(directory->Kind());
    contents.status = directory->List(
        [&contents, counting, keepEntries](const ListingRecord& record) {
            if (IsDotOrDotDot(record.name)) return;
            // Subdirectories are kept whatever their number, as the walk keeps their names; a
            // file past kKeptEntries gives up keeping.
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
            if (counting.linksOnce && record.links > 1)
                contents.linked.push_back({record.device, record.inode, size});
            else
                contents.fileBytes += size;
        },
        threads, waits);
    return contents;
}

}  // namespace gauzel

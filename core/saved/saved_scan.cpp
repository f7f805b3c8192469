#include "core/saved/saved_scan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <unordered_map>

#include "core/profile/profile.h"
#include "platform/ascii.h"
#include "platform/drive_table.h"

namespace gauzel {

SavedScan::Entry& SavedScan::Add() {
    if ((m_count & kBlockMask) == 0)
        m_blocks.push_back(std::make_unique_for_overwrite<Entry[]>(std::size_t{1} << kBlockBits));
    Entry& entry = m_blocks.back()[m_count & kBlockMask];
    ++m_count;
    return entry;
}

const char* SavedScan::StoreName(std::string_view name) {
    if (name.size() > kNameBlock) {  // a name longer than a block has one of its own
        m_names.insert(m_names.begin(), std::make_unique_for_overwrite<char[]>(name.size()));
        m_nameBytes += name.size();
        std::memcpy(m_names.front().get(), name.data(), name.size());
        return m_names.front().get();
    }
    if (name.size() > kNameBlock - m_nameUsed) {
        m_names.push_back(std::make_unique_for_overwrite<char[]>(kNameBlock));
        m_nameBytes += kNameBlock;
        m_nameUsed = 0;
    }
    char* stored = m_names.back().get() + m_nameUsed;
    std::memcpy(stored, name.data(), name.size());
    m_nameUsed += name.size();
    return stored;
}

std::size_t SavedScan::MemoryBytes() const {
    return m_blocks.size() * (sizeof(Entry) << kBlockBits) + m_nameBytes +
           m_devices.capacity() * sizeof(std::uint64_t);
}

namespace {

// A directory of the saved tree: its entries come from memory, and never wait.
class SavedDirectory final : public Directory {
public:
    SavedDirectory(std::shared_ptr<const SavedScan> scan, std::uint32_t index)
        : m_scan(std::move(scan)), m_index(index) {}

    ListingStatus List(const std::function<void(const ListingRecord&)>& each, int, ReaderPool*) override {
        const SavedScan& scan = *m_scan;
        const SavedScan::Entry& self = scan.At(m_index);
        ListingStatus status;
        // In listing order, which the order of equal entries follows: ncdu writes it; our export
        // writes the subdirectories below its root in walk order, the reverse.
        std::vector<std::uint32_t> children;
        std::vector<std::size_t> subdirectories;  // where they are among the children
        for (std::uint32_t i = m_index + 1; i < self.end; i = scan.At(i).end) {
            if ((scan.At(i).flags & (SavedScan::kDirectory | SavedScan::kExcluded)) == SavedScan::kDirectory)
                subdirectories.push_back(children.size());
            children.push_back(i);
        }
        if (scan.InWalkOrder() && m_index != 0)
            for (std::size_t a = 0, b = subdirectories.size(); a + 1 < b; ++a, --b)
                std::swap(children[subdirectories[a]], children[subdirectories[b - 1]]);
        for (const std::uint32_t child : children) {
            const SavedScan::Entry& entry = scan.At(child);
            if ((entry.flags & SavedScan::kReadError) != 0 && (entry.flags & SavedScan::kDirectory) == 0) {
                if (status.unsized++ == 0) status.unsizedError = kUnreadWhenScanned;  // its size was not had
                continue;
            }
            each(RecordOf(entry));
        }
        if (self.count != 0) {
            if (status.unsized == 0) status.unsizedError = kUnreadWhenScanned;
            status.unsized += self.count;
        }
        // Not read when scanned: what it lists is what was had; its reason if the file keeps one.
        // One that our export marked only for entries not sized was read to its end.
        const bool unread = (self.flags & SavedScan::kErrorKept) != 0 || self.count == 0;
        if ((self.flags & SavedScan::kReadError) != 0 && unread)
            status.error = self.error != 0 ? self.error : kUnreadWhenScanned;
        return status;
    }

    Opened OpenSubdirectory(std::string_view name) override {
        const std::optional<std::uint32_t> found = Find(name);
        if (!found) return {nullptr, Named(name) ? ENOTDIR : ENOENT};
        return {std::make_unique<SavedDirectory>(m_scan, *found), 0};
    }

    Medium Kind() const override { return Medium::kMemory; }

    // The subdirectory `name`, that is, the first directory of that name that was walked: a file
    // (a file that says it holds the same name twice) never hides it.
    std::optional<std::uint32_t> Find(std::string_view name) {
        const SavedScan& scan = *m_scan;
        const std::uint32_t end = scan.At(m_index).end;
        const auto walked = [&scan](std::uint32_t i) {
            return (scan.At(i).flags & (SavedScan::kDirectory | SavedScan::kExcluded)) ==
                   SavedScan::kDirectory;
        };
        // A large directory is opened entry after entry by the walk: it is indexed, once.
        if (end - m_index > kIndexFrom) {
            std::call_once(m_indexed, [&] {
                for (std::uint32_t i = m_index + 1; i < end; i = scan.At(i).end)
                    if (walked(i))
                        m_byName.emplace(std::string_view(scan.At(i).name, scan.At(i).nameLength), i);
            });
            const auto found = m_byName.find(name);
            if (found == m_byName.end()) return std::nullopt;
            return found->second;
        }
        for (std::uint32_t i = m_index + 1; i < end; i = scan.At(i).end)
            if (walked(i) && std::string_view(scan.At(i).name, scan.At(i).nameLength) == name) return i;
        return std::nullopt;
    }
    // Whether any entry has that name.
    bool Named(std::string_view name) const {
        const SavedScan& scan = *m_scan;
        for (std::uint32_t i = m_index + 1; i < scan.At(m_index).end; i = scan.At(i).end)
            if (std::string_view(scan.At(i).name, scan.At(i).nameLength) == name) return true;
        return false;
    }

private:
    static constexpr std::uint32_t kIndexFrom = 64;

    ListingRecord RecordOf(const SavedScan::Entry& entry) const {
        ListingRecord record;
        const bool directory = (entry.flags & SavedScan::kDirectory) != 0;
        record.name = std::string_view(entry.name, entry.nameLength);
        if ((entry.flags & SavedScan::kOtherFilesystem) != 0) {  // not entered: counts 0, as on a live disk
            record.attributes = kAttributeDirectory | kAttributeReparsePoint;
            return record;
        }
        if (directory && (entry.flags & SavedScan::kExcluded) == 0) record.attributes = kAttributeDirectory;
        record.special = (entry.flags & SavedScan::kNotRegular) != 0;
        record.sizeHigh = static_cast<std::uint32_t>(entry.asize >> 32);
        record.sizeLow = static_cast<std::uint32_t>(entry.asize);
        record.allocated = entry.dsize;
        record.device = m_scan->Device(entry);
        record.inode = entry.inode;
        record.mtime = entry.mtime;
        // A file of several names is known by its inode; without one it counts at every name.
        if (!directory && entry.inode != 0)
            record.links = entry.count > 1 ? entry.count : (entry.flags & SavedScan::kLinked) != 0 ? 2 : 1;
        return record;
    }

    std::shared_ptr<const SavedScan> m_scan;
    std::uint32_t m_index;
    std::once_flag m_indexed;
    std::unordered_map<std::string_view, std::uint32_t> m_byName;
};

}  // namespace

std::optional<std::vector<std::string_view>> SavedScanFileSystem::NamesOf(
    std::string_view logicalPath) const {
    if (logicalPath.size() < 2 || logicalPath[1] != ':' || AsciiUpper(logicalPath[0]) != AsciiUpper(m_letter))
        return std::nullopt;
    logicalPath.remove_prefix(2);
    if (logicalPath == "\\") logicalPath = {};  // "Z:\"
    std::vector<std::string_view> names;
    while (!logicalPath.empty()) {
        if (logicalPath.front() != '\\' || logicalPath.size() == 1) return std::nullopt;
        logicalPath.remove_prefix(1);
        names.push_back(logicalPath.substr(0, logicalPath.find('\\')));
        logicalPath.remove_prefix(names.back().size());
    }
    return names;
}

Opened SavedScanFileSystem::OpenDirectory(const std::string& logicalPath) {
    const std::optional<std::vector<std::string_view>> names = NamesOf(logicalPath);
    if (!names) return {nullptr, ENOENT};
    auto directory = std::make_unique<SavedDirectory>(m_scan, 0);
    for (const std::string_view name : *names) {
        Opened opened = directory->OpenSubdirectory(name);
        if (!opened.directory) return opened;
        directory.reset(static_cast<SavedDirectory*>(opened.directory.release()));
    }
    return {std::move(directory), 0};
}

namespace {

// The names of a path, read as a live path is: "//" and "." left out, ".." going up; and whether
// it begins at "/" (a saved scan's root is absolute when its tool wrote it so).
struct PathNames {
    bool absolute;
    std::vector<std::string_view> names;
};
PathNames SplitScannedPath(std::string_view path) {
    PathNames split{path.starts_with('/'), {}};
    while (!path.empty()) {
        const std::string_view name = path.substr(0, path.find('/'));
        path.remove_prefix(std::min(path.size(), name.size() + 1));
        if (name == "..") {
            if (!split.names.empty()) split.names.pop_back();
        } else if (!name.empty() && name != ".") {
            split.names.push_back(name);
        }
    }
    return split;
}

}  // namespace

std::optional<std::string> SavedScanFileSystem::LogicalPathOf(std::string_view scannedPath) const {
    const PathNames root = SplitScannedPath(m_scan->RootPath());
    const PathNames path = SplitScannedPath(scannedPath);
    if (root.absolute != path.absolute || path.names.size() < root.names.size() ||
        !std::equal(root.names.begin(), root.names.end(), path.names.begin()))
        return std::nullopt;  // "/a/bc" is not below "/a/b"
    std::string logical{m_letter, ':'};
    for (std::size_t i = root.names.size(); i < path.names.size(); ++i) {
        logical += '\\';
        logical += LogicalName(path.names[i]);
    }
    return logical;
}

VolumeSpace SavedScanFileSystem::QueryVolume(const std::string&) { return m_scan->Volume(); }

std::optional<std::string> SavedScanFileSystem::ScannedPathOf(const std::string& logicalPath) const {
    const std::optional<std::vector<std::string_view>> names = NamesOf(logicalPath);
    if (!names) return std::nullopt;
    std::string path = m_scan->RootPath();
    for (const std::string_view name : *names) {
        if (path.empty() || path.back() != '/') path += '/';
        path += RealName(name);
    }
    return path;
}

std::string ScanDate(std::int64_t timestamp) {
    const auto seconds = static_cast<std::time_t>(timestamp);
    std::tm local{};
    char date[32];
    if (localtime_r(&seconds, &local) == nullptr ||
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &local) == 0)
        return {};
    return date;
}

}  // namespace gauzel

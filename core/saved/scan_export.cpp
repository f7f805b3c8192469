#include "core/saved/scan_export.h"

#include <utility>

#include "core/saved/json_writer.h"
#include "core/scan/tuning.h"

namespace gauzel {

namespace {

// `,"key":value`: a member after others.
void AppendMember(std::string& text, std::string_view key, std::uint64_t value) {
    text += ',';
    AppendJsonMember(text, key, ByteCount{value});
}

// Seconds since 1970, which may be before it.
void AppendTime(std::string& text, std::string_view key, std::int64_t seconds) {
    text += ',';
    AppendJsonMember(text, key, seconds);
}

}  // namespace

ScanExport::ScanExport(std::ostream& out, ExportHead head) : m_chunks(out), m_head(std::move(head)) {}

void ScanExport::Volume(const VolumeSpace& space) {
    m_text += "[1,2,{\"progname\":";
    AppendJsonString(m_text, m_head.program, JsonBytes::kRaw);
    m_text += ",\"progver\":";
    AppendJsonString(m_text, m_head.version, JsonBytes::kRaw);
    if (m_head.timestamp) AppendTime(m_text, "timestamp", *m_head.timestamp);
    if (m_head.savedAgain) AppendTime(m_text, kKeySavedAgain, *m_head.savedAgain);
    if (space.known) {
        AppendMember(m_text, kKeyFreeBytes, space.freeBytes);
        AppendMember(m_text, kKeyTotalBytes, space.totalBytes);
    }
    m_text += std::string(",\"") + kKeyAllocatedSaved + (m_head.counting.allocated ? "\":true" : "\":false");
    m_text += std::string(",\"") + kKeyLinksOnceSaved + (m_head.counting.linksOnce ? "\":true" : "\":false");
    m_text += std::string(",\"") + kKeyWalkOrder + "\":true";
    m_text += '}';
}

void ScanExport::Item(std::string_view name, bool logical, const ListingRecord& record,
                      std::uint64_t parentDevice) {
    m_text += "{\"name\":";
    AppendJsonString(m_text, name, JsonBytes::kRaw, logical);
    if ((record.attributes & kAttributeDirectory) != 0 && (record.attributes & kAttributeReparsePoint) != 0) {
        m_text += ",\"excluded\":\"othfs\"}";  // another filesystem's mount point: not entered
        return;
    }
    // A directory's own blocks count nowhere here, so that every reader sums what the report does.
    if ((record.attributes & kAttributeDirectory) == 0) {
        AppendMember(m_text, "asize", std::uint64_t{record.sizeHigh} << 32 | record.sizeLow);
        AppendMember(m_text, "dsize", record.allocated);
    }
    if (record.inode != 0) AppendMember(m_text, "ino", record.inode);
    if (record.mtime >= 0)
        AppendMember(m_text, "mtime", static_cast<std::uint64_t>(record.mtime));  // as ncdu -e
    if (record.device != parentDevice) AppendMember(m_text, "dev", record.device);
    if ((record.attributes & kAttributeDirectory) == 0 && record.links > 1) {
        m_text += ",\"hlnkc\":true";
        AppendMember(m_text, "nlink", record.links);
    }
    if (record.special) m_text += ",\"notreg\":true";
    m_text += '}';
}

void ScanExport::Directory(const std::string& path, DirectoryContents& contents, int openError,
                           const ListAgain& listAgain) {
    // The directories the walk has left are complete.
    const auto isParent = [&](std::size_t length) {
        return path.size() > length && path.compare(0, length, m_path, 0, length) == 0 &&
               path[length] == '\\' && path.find('\\', length + 1) == std::string::npos;
    };
    while (!m_levels.empty() && !isParent(m_levels.back().pathLength)) {
        m_text += ']';
        m_levels.pop_back();
    }
    m_path = path;
    ListingRecord own;
    std::uint64_t parentDevice = ~std::uint64_t{0};  // the root says its device
    std::string_view name = m_head.rootPath;
    if (m_levels.empty()) {
        own = m_head.root;
        // A root whose record is not known (the window's) is on its entries' device: they are
        // written without one then, as ncdu reads them.
        for (std::size_t i = 0; own.device == 0 && i < contents.entries.size(); ++i)
            if ((contents.entries[i].record.attributes & kAttributeReparsePoint) == 0)
                own.device = contents.entries[i].record.device;
    } else {
        Level& parent = m_levels.back();
        name = std::string_view(path).substr(parent.pathLength + 1);
        own = parent.TakeSubdirectory(name);
        parentDevice = parent.device;
    }
    own.attributes = kAttributeDirectory;
    m_text += ",\n[";
    Item(name, !m_levels.empty(), own, parentDevice);
    const bool unread = openError != 0 || contents.status.error != 0 || contents.status.unsized != 0;
    if (unread) {
        m_text.pop_back();  // the object stays open for what could not be read
        m_text += ",\"read_error\":true";
        // Not read, and why (0: the reason is not known), beside the entries not sized.
        if (const int error = openError != 0 ? openError : contents.status.error; error != 0)
            AppendMember(m_text, kKeyError, static_cast<std::uint64_t>(error > 0 ? error : 0));
        if (contents.status.unsized != 0) AppendMember(m_text, kKeyUnsized, contents.status.unsized);
        m_text += '}';
    }
    const std::uint64_t device = own.device != 0 || m_levels.empty() ? own.device : parentDevice;
    Level level{path.size(), device, m_levels.empty(), {}, 0};
    const auto write = [&](std::string_view entryName, const ListingRecord& record) {
        if (IsWalkedDirectory(record)) {
            level.subdirs.push_back({std::string(entryName), record.device, record.inode, record.mtime});
            return;
        }
        // Another filesystem's mount point, as ncdu writes it: a directory not entered.
        const bool mountPoint = (record.attributes & kAttributeDirectory) != 0;
        m_text += mountPoint ? ",\n[" : ",\n";
        Item(entryName, true, record, device);
        if (mountPoint) m_text += ']';
        m_chunks.Done();
    };
    // Too many entries were listed to keep them: they are written as a second listing hands them
    // out (what could not be read is the first listing's, which the totals count).
    if (listAgain) listAgain([&](const ListedEntry& entry) { write(entry.name, entry.record); });
    for (const ListedEntry& entry : contents.entries) write(entry.name, entry.record);
    m_levels.push_back(std::move(level));
    m_chunks.Done();
}

ListingRecord ScanExport::Level::TakeSubdirectory(std::string_view name) {
    // The walk takes the profiled directory's subdirectories in listing order (some may be left
    // out), every other directory's in reverse: the one sought is where the walk stands.
    ListingRecord record;
    if (entries) {
        for (std::size_t i = taken; i < subdirs.size(); ++i)
            if (subdirs[i].name == name) {
                taken = i + 1;
                record.device = subdirs[i].device;
                record.inode = subdirs[i].inode;
                record.mtime = subdirs[i].mtime;
                subdirs[i].name = std::string();
                break;
            }
        return record;
    }
    for (std::size_t i = subdirs.size(); i-- > 0;)
        if (subdirs[i].name == name) {
            record.device = subdirs[i].device;
            record.inode = subdirs[i].inode;
            record.mtime = subdirs[i].mtime;
            subdirs.erase(subdirs.begin() +
                          static_cast<std::ptrdiff_t>(i));  // the last, but for a stranger walk
            break;
        }
    return record;
}

bool ScanExport::Finish() {
    for (; !m_levels.empty(); m_levels.pop_back()) m_text += ']';
    m_text += "]\n";
    return m_chunks.Finish();
}

}  // namespace gauzel

#include "core/saved/export_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "core/saved/json_reader.h"
#include "core/saved/scan_export.h"
#include "platform/drive_table.h"

namespace gauzel {

// One pass over an export: the format's rules on the JSON reader, in loops (a deep tree never
// deepens the stack), into the saved tree.
class ExportReader : private JsonReader {
public:
    ExportReader(const JsonSource& read, SavedScan& scan) : JsonReader(read), m_scan(scan) {}
    using JsonReader::Error;
    using JsonReader::ReadFailed;

    // False with the reason in Error().
    bool Run() {
        SkipSpace();
        if (Peek() < 0 && Error().empty()) return Fail("the file is empty");
        const int first = Get();
        if (first == '{') return Fail("a JSON object, not an export (which begins with \"[1,\")");
        if (first != '[') return NotJson();
        std::uint64_t major = 0;
        std::uint64_t minor = 0;
        SkipSpace();
        if (!IsDigit(Peek())) return Fail("it does not begin with a format version");
        if (!Integer(major, "the major version")) return false;
        if (major != 1) return Fail("format version " + std::to_string(major) + "; only version 1 is read");
        if (!Part() || !Integer(minor, "the minor version") || !Part()) return false;
        if (!Metadata() || !Part()) return false;
        if (Get() != '[')
            return Peek() < 0 && Error().empty() ? Truncated() : Fail("the tree is not a directory");
        if (!Tree()) return false;
        SkipSpace();
        // Elements after the tree are for later versions of the format.
        while (Peek() == ',') {
            Get();
            if (!SkipValue()) return false;
            SkipSpace();
        }
        if (Get() != ']') return NotJson();
        SkipSpace();
        if (Peek() >= 0) return Fail("more follows the end of the export");
        return Error().empty();
    }

private:
    // The comma before the next of the export's parts: JSON that ends there is no export.
    bool Part() {
        SkipSpace();
        if (Peek() == ']') return FailHere("a JSON array that holds no tree, not an export");
        return Comma();
    }

    bool Metadata() {
        if (Get() != '{')
            return Peek() < 0 && Ended() ? Truncated() : FailHere("the metadata is not an object");
        SkipSpace();
        if (Peek() == '}') return Get() == '}';
        std::uint64_t free = 0;
        std::uint64_t total = 0;
        bool hasFree = false;
        bool hasTotal = false;
        for (bool more = true; more;) {
            if (!Key()) return false;
            SkipSpace();
            if (m_key == "progname" && Peek() == '"') {
                Get();
                if (!String(m_scan.m_program)) return false;
            } else if (m_key == "timestamp" && (IsDigit(Peek()) || Peek() == '-')) {
                if (!Number(m_number)) return false;
                if (m_number.find_first_of(".eE") == std::string::npos && m_number.size() < 19)
                    m_scan.m_timestamp = std::stoll(m_number);
            } else if (m_key == kKeyWalkOrder) {
                bool walkOrder = false;
                if (!Boolean(walkOrder, m_key)) return false;
                m_scan.m_walkOrder = walkOrder;
            } else if (m_key == kKeyFreeBytes) {
                if (!Integer(free, m_key)) return false;
                hasFree = true;
            } else if (m_key == kKeyTotalBytes) {
                if (!Integer(total, m_key)) return false;
                hasTotal = true;
            } else if (!SkipValue()) {
                return false;
            }
            if (!MoreMembers(more)) return false;
        }
        if (hasFree && hasTotal) m_scan.m_volume = {free, total, true};
        return true;
    }

    // The tree, after the root's "[": directories in a loop, each open one on a stack.
    bool Tree() {
        std::vector<std::uint32_t> open;
        if (!Directory(open, 0)) return false;
        while (!open.empty()) {
            SkipSpace();
            const int c = Get();
            if (c == ']') {
                m_scan.m_blocks[open.back() >> SavedScan::kBlockBits][open.back() & SavedScan::kBlockMask]
                    .end = static_cast<std::uint32_t>(m_scan.m_count);
                open.pop_back();
                continue;
            }
            if (c != ',') return NotJson();
            SkipSpace();
            const int item = Get();
            const std::uint32_t device = Parent(open).device;
            if (item == '[') {
                if (!Directory(open, device)) return false;
            } else if (item == '{') {
                if (!Info(device, false)) return false;
            } else if (item == '"' || item == '-' || IsDigit(item) || item == 't' || item == 'f' ||
                       item == 'n') {
                return FailHere("an entry that is neither an object nor a directory");
            } else {
                return NotJson();
            }
        }
        return true;
    }
    SavedScan::Entry& Parent(const std::vector<std::uint32_t>& open) {
        return m_scan.m_blocks[open.back() >> SavedScan::kBlockBits][open.back() & SavedScan::kBlockMask];
    }
    // After a directory's "[": its own object.
    bool Directory(std::vector<std::uint32_t>& open, std::uint32_t device) {
        SkipSpace();
        if (Peek() != '{') return Peek() < 0 ? NotJson() : FailHere("a directory array without its object");
        Get();
        const auto index = static_cast<std::uint32_t>(m_scan.m_count);
        if (!Info(device, true)) return false;
        open.push_back(index);
        return true;
    }

    // After an entry's "{": its members.
    bool Info(std::uint32_t device, bool directory) {
        if (m_scan.m_count == UINT32_MAX) return FailHere("more than 4,294,967,294 entries");
        SavedScan::Entry entry{};
        entry.mtime = INT64_MIN;
        entry.device = device;
        entry.flags = directory ? SavedScan::kDirectory : 0;
        bool named = false;
        bool root = m_scan.m_count == 0;
        SkipSpace();
        if (Peek() == '}') {
            Get();
            return FailHere("an entry without a name");
        }
        for (bool more = true; more;) {
            if (!Key()) return false;
            SkipSpace();
            std::uint64_t number = 0;
            bool flag = false;
            if (m_key == "name") {
                if (Peek() != '"') return Peek() < 0 ? NotJson() : FailHere("a name that is not a string");
                Get();
                if (!String(m_name)) return false;
                named = true;
            } else if (m_key == "asize" || m_key == "dsize" || m_key == "ino") {
                if (!Integer(number, m_key)) return false;
                (m_key == "asize" ? entry.asize : m_key == "dsize" ? entry.dsize : entry.inode) = number;
            } else if (m_key == "mtime") {  // ncdu's extended export (-e), gdu's and ours
                if (!Integer(number, m_key)) return false;
                entry.mtime = static_cast<std::int64_t>(std::min<std::uint64_t>(number, INT64_MAX));
            } else if (m_key == "dev") {
                if (!Integer(number, m_key)) return false;
                entry.device = DeviceIndex(number);
            } else if (m_key == "nlink" || m_key == kKeyUnsized) {
                if (!Integer(number, m_key)) return false;
                if (m_key == "nlink" ? !directory : directory)
                    entry.count = static_cast<std::uint32_t>(std::min<std::uint64_t>(number, UINT32_MAX));
            } else if (m_key == kKeyError) {
                if (!Integer(number, m_key)) return false;
                entry.flags |= SavedScan::kErrorKept;
                if (number < 256) entry.error = static_cast<std::uint8_t>(number);
            } else if (m_key == "hlnkc" || m_key == "notreg" || m_key == "read_error") {
                if (!Boolean(flag, m_key)) return false;
                if (flag)
                    entry.flags |= m_key == "hlnkc"    ? SavedScan::kLinked
                                   : m_key == "notreg" ? SavedScan::kNotRegular
                                                       : SavedScan::kReadError;
            } else if (m_key == "excluded") {
                if (Peek() == '"') {
                    Get();
                    if (!String(m_number)) return false;
                    entry.flags |= SavedScan::kExcluded;
                    if (m_number == "othfs" || m_number == "otherfs")
                        entry.flags |= SavedScan::kOtherFilesystem;
                } else if (!Boolean(flag, m_key)) {
                    return false;
                } else if (flag) {
                    entry.flags |= SavedScan::kExcluded;
                }
            } else if (!SkipValue()) {
                return false;
            }
            if (!MoreMembers(more)) return false;
        }
        if (!named) return FailHere("an entry without a name");
        if (root) {
            m_scan.m_rootPath = m_name;
            if (m_scan.m_devices.empty()) m_scan.m_devices.push_back(0);
        } else {
            // What no directory can list: it would make paths that lead elsewhere.
            if (m_name.empty() || m_name == "." || m_name == ".." ||
                m_name.find_first_of(std::string_view("/\0", 2)) != std::string::npos)
                return FailHere("a name that no file can have");
            const std::string logical = LogicalName(m_name);
            entry.name = m_scan.StoreName(logical);
            entry.nameLength = static_cast<std::uint32_t>(std::min<std::size_t>(logical.size(), UINT32_MAX));
        }
        if (root) entry.name = "";
        const auto index = static_cast<std::uint32_t>(m_scan.m_count);
        entry.end = index + 1;
        m_scan.Add() = entry;
        return true;
    }
    std::uint32_t DeviceIndex(std::uint64_t device) {
        if (m_scan.m_devices.empty()) m_scan.m_devices.push_back(0);
        if (const auto found = m_deviceIndex.find(device); found != m_deviceIndex.end()) return found->second;
        const auto index = static_cast<std::uint32_t>(m_scan.m_devices.size());
        if (device == 0) return 0;
        m_scan.m_devices.push_back(device);
        m_deviceIndex.emplace(device, index);
        return index;
    }

    SavedScan& m_scan;
    std::string m_name;
    std::unordered_map<std::uint64_t, std::uint32_t> m_deviceIndex;
};

std::unique_ptr<SavedScan> ReadExport(const JsonSource& read, std::string& error) {
    auto scan = std::make_unique<SavedScan>();
    auto parser = std::make_unique<ExportReader>(read, *scan);
    if (!parser->Run()) {
        error = parser->ReadFailed() ? parser->Error() : "is not a saved scan: " + parser->Error();
        return nullptr;
    }
    return scan;
}

std::unique_ptr<SavedScan> ReadExportText(std::string_view text, std::string& error) {
    return ReadExport(
        [&text](char* buffer, std::size_t size, std::string&) -> std::ptrdiff_t {
            const std::size_t n = std::min(size, text.size());
            std::memcpy(buffer, text.data(), n);
            text.remove_prefix(n);
            return static_cast<std::ptrdiff_t>(n);
        },
        error);
}

}  // namespace gauzel

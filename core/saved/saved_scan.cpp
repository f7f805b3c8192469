#include "core/saved/saved_scan.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "core/drives/drive_table.h"
#include "core/saved/scan_export.h"
#include "platform/ascii.h"

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

// One pass over the bytes of an export: the format's grammar only, in loops (a deep tree or a
// deep value never deepens the stack), every name kept as its bytes (ncdu writes a name that is
// not UTF-8 as it is, which a strict JSON reader refuses).
class SavedScanParser {
public:
    SavedScanParser(const SavedScan::Source& read, SavedScan& scan) : m_read(read), m_scan(scan) {}

    // False with the reason in m_error.
    bool Run() {
        SkipSpace();
        if (Peek() < 0 && m_error.empty()) return Fail("the file is empty");
        const int first = Get();
        if (first == '{') return Fail("a JSON object, not an export (which begins with \"[1,\")");
        if (first != '[') return NotJson();
        std::uint64_t major = 0;
        std::uint64_t minor = 0;
        SkipSpace();
        if (!IsDigit(Peek())) return Fail("it does not begin with a format version");
        if (!Integer(major, "the major version")) return false;
        if (major != 1) return Fail("format version " + std::to_string(major) + "; only version 1 is read");
        if (!Comma() || !Integer(minor, "the minor version") || !Comma()) return false;
        if (!Metadata() || !Comma()) return false;
        if (Get() != '[')
            return Peek() < 0 && m_error.empty() ? Truncated() : Fail("the tree is not a directory");
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
        return m_error.empty();
    }

    std::string m_error;
    bool ReadFailed() const { return !m_readError.empty(); }

private:
    static bool IsDigit(int c) { return c >= '0' && c <= '9'; }

    int Peek() {
        if (m_at == m_size && !Fill()) return -1;
        return static_cast<unsigned char>(m_buffer[m_at]);
    }
    int Get() {
        const int c = Peek();
        if (c >= 0) {
            ++m_at;
            ++m_offset;
        }
        return c;
    }
    bool Fill() {
        if (m_ended) return false;
        const std::ptrdiff_t got = m_read(m_buffer, sizeof m_buffer, m_readError);
        if (got <= 0) {
            m_ended = true;
            if (got < 0) m_error = m_readError;
            return false;
        }
        m_at = 0;
        m_size = static_cast<std::size_t>(got);
        return true;
    }
    void SkipSpace() {
        for (int c = Peek(); c == ' ' || c == '\t' || c == '\n' || c == '\r'; c = Peek()) Get();
    }

    bool Fail(const std::string& what) {
        if (m_error.empty()) m_error = what;
        return false;
    }
    // At the byte about to be read.
    bool FailHere(const std::string& what) {
        return Fail(what + " (at byte " + std::to_string(m_offset) + ")");
    }
    bool Truncated() { return Fail("the file ends before the tree does (it is cut short)"); }
    // An unexpected byte, or the end.
    bool NotJson() {
        if (!m_error.empty()) return false;
        if (m_ended && m_at == m_size) return Truncated();
        return Fail("not JSON (at byte " + std::to_string(m_offset - 1) + ")");  // the byte just read
    }
    bool Comma() {
        SkipSpace();
        if (Get() != ',') return NotJson();
        SkipSpace();
        return true;
    }
    bool Expect(const char* word) {
        for (const char* c = word; *c != '\0'; ++c)
            if (Get() != *c) return NotJson();
        return true;
    }

    // After the opening quote: the string's bytes, escapes decoded.
    bool String(std::string& text) {
        text.clear();
        for (;;) {
            int c = Get();
            if (c < 0) return NotJson();
            if (c == '"') return true;
            if (c < 0x20) return FailHere("not JSON: a control character in a string");
            if (c != '\\') {
                text += static_cast<char>(c);
                continue;
            }
            switch (c = Get()) {
                case '"':
                case '\\':
                case '/': text += static_cast<char>(c); break;
                case 'b': text += '\b'; break;
                case 'f': text += '\f'; break;
                case 'n': text += '\n'; break;
                case 'r': text += '\r'; break;
                case 't': text += '\t'; break;
                case 'u': {
                    std::uint32_t code = 0;
                    if (!Hex4(code)) return false;
                    if (code >= 0xD800 && code < 0xDC00 && Peek() == '\\') {  // a pair's first half
                        Get();
                        std::uint32_t low = 0;
                        if (Get() != 'u' || !Hex4(low)) return NotJson();
                        if (low >= 0xDC00 && low < 0xE000) {
                            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                        } else {
                            AppendUtf8(text, code);
                            code = low;
                        }
                    }
                    AppendUtf8(text, code);
                    break;
                }
                default: return NotJson();
            }
        }
    }
    bool Hex4(std::uint32_t& code) {
        for (int i = 0; i < 4; ++i) {
            const int c = Get();
            const int digit = IsDigit(c)                               ? c - '0'
                              : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                       : -1;
            if (digit < 0) return NotJson();
            code = code << 4 | static_cast<std::uint32_t>(digit);
        }
        return true;
    }
    static void AppendUtf8(std::string& text, std::uint32_t code) {
        if (code < 0x80) {
            text += static_cast<char>(code);
        } else if (code < 0x800) {
            text += static_cast<char>(0xC0 | code >> 6);
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            text += static_cast<char>(0xE0 | code >> 12);
            text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | code >> 18);
            text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    // A JSON number's text.
    bool Number(std::string& text) {
        text.clear();
        if (Peek() == '-') text += static_cast<char>(Get());
        if (!IsDigit(Peek())) return NotJson();
        while (IsDigit(Peek())) text += static_cast<char>(Get());
        if (Peek() == '.') {
            text += static_cast<char>(Get());
            if (!IsDigit(Peek())) return NotJson();
            while (IsDigit(Peek())) text += static_cast<char>(Get());
        }
        if (Peek() == 'e' || Peek() == 'E') {
            text += static_cast<char>(Get());
            if (Peek() == '+' || Peek() == '-') text += static_cast<char>(Get());
            if (!IsDigit(Peek())) return NotJson();
            while (IsDigit(Peek())) text += static_cast<char>(Get());
        }
        return true;
    }
    // A whole number from 0 to 2^64 - 1.
    bool Integer(std::uint64_t& value, const std::string& what) {
        const int c = Peek();
        if (c != '-' && !IsDigit(c)) return c < 0 ? NotJson() : FailHere(what + " is not a number");
        if (!Number(m_number)) return false;
        value = 0;
        for (const char digit : m_number) {
            const auto d = static_cast<std::uint64_t>(digit - '0');
            if (digit < '0' || digit > '9' || value > (UINT64_MAX - d) / 10)
                return FailHere(what + " " + m_number + " is not a whole number from 0 to 2^64 - 1");
            value = value * 10 + d;
        }
        return true;
    }
    bool Boolean(bool& value, const std::string& key) {
        value = Peek() == 't';
        if (Peek() == 't' || Peek() == 'f') return Expect(value ? "true" : "false");
        return Peek() < 0 ? NotJson() : FailHere(key + " is not true or false");
    }

    // Any value, however deep, in one loop.
    bool SkipValue() {
        std::vector<char> open;  // the closing brackets awaited
        for (;;) {
            SkipSpace();
            const int c = Get();
            if (c == '{' || c == '[') {
                if (open.size() >= kMaxSavedDepth)
                    return FailHere("values nested deeper than " + std::to_string(kMaxSavedDepth) +
                                    " levels");
                SkipSpace();
                if (Peek() == (c == '{' ? '}' : ']')) {
                    Get();
                } else {
                    open.push_back(c == '{' ? '}' : ']');
                    if (c == '{' && !Key()) return false;
                    continue;
                }
            } else if (c == '"') {
                if (!String(m_text)) return false;
            } else if (c == '-' || IsDigit(c)) {
                --m_at;  // put back: Number reads it whole
                --m_offset;
                if (!Number(m_number)) return false;
            } else if (c == 't' || c == 'f' || c == 'n') {
                if (!Expect(c == 't' ? "rue" : c == 'f' ? "alse" : "ull")) return false;
            } else {
                return NotJson();
            }
            // After a value: the next of its container, or the container's end.
            for (;;) {
                if (open.empty()) return true;
                SkipSpace();
                const int next = Get();
                if (next == ',') {
                    if (open.back() == '}' && !Key()) return false;
                    break;
                }
                if (next != open.back()) return NotJson();
                open.pop_back();
            }
        }
    }
    // After a member's value: `more` members follow (",") or the object ends ("}").
    bool MoreMembers(bool& more) {
        SkipSpace();
        const int c = Get();
        more = c == ',';
        return more || c == '}' || NotJson();
    }
    // An object's key and its colon (before its value).
    bool Key() {
        SkipSpace();
        if (Get() != '"' || !String(m_key)) return NotJson();
        SkipSpace();
        if (Get() != ':') return NotJson();
        return true;
    }

    bool Metadata() {
        if (Get() != '{')
            return Peek() < 0 && m_ended ? Truncated() : FailHere("the metadata is not an object");
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
                if (open.size() >= kMaxSavedDepth)
                    return FailHere("directories nested deeper than " + std::to_string(kMaxSavedDepth) +
                                    " levels");
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

    const SavedScan::Source& m_read;
    SavedScan& m_scan;
    char m_buffer[1 << 16];
    std::size_t m_at = 0;
    std::size_t m_size = 0;
    std::uint64_t m_offset = 0;
    bool m_ended = false;
    std::string m_readError;
    std::string m_key;
    std::string m_text;
    std::string m_name;
    std::string m_number;
    std::unordered_map<std::uint64_t, std::uint32_t> m_deviceIndex;
};

std::unique_ptr<SavedScan> SavedScan::Read(const Source& read, std::string& error) {
    auto scan = std::make_unique<SavedScan>();
    auto parser = std::make_unique<SavedScanParser>(read, *scan);
    if (!parser->Run()) {
        error = parser->ReadFailed() ? parser->m_error : "is not a saved scan: " + parser->m_error;
        return nullptr;
    }
    return scan;
}

std::unique_ptr<SavedScan> SavedScan::ReadText(std::string_view text, std::string& error) {
    return Read(
        [&text](char* buffer, std::size_t size, std::string&) -> std::ptrdiff_t {
            const std::size_t n = std::min(size, text.size());
            std::memcpy(buffer, text.data(), n);
            text.remove_prefix(n);
            return static_cast<std::ptrdiff_t>(n);
        },
        error);
}

std::unique_ptr<SavedScan> SavedScan::Load(const std::string& path, std::string& error) {
    const bool standardInput = path == "-";
    std::FILE* file = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = std::string("cannot be opened: ") + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<SavedScan> scan = Read(
        [file](char* buffer, std::size_t size, std::string& why) -> std::ptrdiff_t {
            const std::size_t got = std::fread(buffer, 1, size, file);
            if (got == 0 && std::ferror(file)) {
                why = std::string("cannot be read: ") + std::strerror(errno);
                return -1;
            }
            return static_cast<std::ptrdiff_t>(got);
        },
        error);
    if (!standardInput) std::fclose(file);
    return scan;
}

namespace {

// A directory of the saved tree: its entries come from memory, and never wait.
class SavedDirectory final : public Directory {
public:
    SavedDirectory(std::shared_ptr<const SavedScan> scan, std::uint32_t index)
        : m_scan(std::move(scan)), m_index(index) {}

    ListingStatus List(const std::function<void(const ListingRecord&)>& each, int) override {
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

std::optional<std::string> SavedScanFileSystem::LogicalPathOf(std::string_view scannedPath) const {
    std::string_view root = m_scan->RootPath();
    while (root.size() > 1 && root.back() == '/') root.remove_suffix(1);
    while (scannedPath.size() > 1 && scannedPath.back() == '/') scannedPath.remove_suffix(1);
    if (!scannedPath.starts_with(root)) return std::nullopt;
    std::string_view rest = scannedPath.substr(root.size());
    if (!rest.empty() && root != "/" && rest.front() != '/')
        return std::nullopt;  // "/a/bc" is not below "/a/b"
    std::string logical{m_letter, ':'};
    while (!rest.empty()) {
        if (rest.front() == '/') {
            rest.remove_prefix(1);
            continue;
        }
        const std::string_view name = rest.substr(0, rest.find('/'));
        if (name == "." || name == "..") return std::nullopt;
        logical += '\\';
        logical += LogicalName(name);
        rest.remove_prefix(name.size());
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

}  // namespace gauzel

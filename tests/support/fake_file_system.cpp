#include "tests/support/fake_file_system.h"

#include <strings.h>
#include <algorithm>
#include <chrono>
#include <thread>

namespace gauzel::testing {

class FakeDirectory final : public Directory {
public:
    // Counted open by FakeFileSystem::OpenDirectory.
    FakeDirectory(FakeFileSystem& fs, std::string path) : m_fs(fs), m_path(std::move(path)) {}
    ~FakeDirectory() override {
        const std::lock_guard lock(m_fs.m_counting);
        --m_fs.openNow;
    }

    ListingStatus List(const std::function<void(const ListingRecord&)>& each, int, ReaderPool*) override {
        ListingStatus status = Listed();
        for (const FakeRecord& fake : m_fs.m_directories.at(m_path)) {
            if (fake.sizeError != 0) {
                if (status.unsized++ == 0) status.unsizedError = fake.sizeError;
                continue;
            }
            ListingRecord record = RecordOf(fake);
            record.name = fake.name;
            each(record);
        }
        return status;
    }

    ListingStatus ListNames(std::vector<std::string>& names) override {
        const ListingStatus status = Listed();
        for (const FakeRecord& fake : m_fs.m_directories.at(m_path)) names.push_back(fake.name);
        return status;
    }

    int SizeEntry(std::string_view name, ListingRecord& record) const override {
        const std::string path = m_path + "\\" + std::string(name);
        if (m_fs.onSize) m_fs.onSize(path);
        if (m_fs.sizesWait) std::this_thread::sleep_for(std::chrono::microseconds(50));
        for (const FakeRecord& fake : m_fs.m_directories.at(m_path))
            if (fake.name == name) {
                if (fake.sizeError == 0) record = RecordOf(fake);
                return fake.sizeError;
            }
        return ENOENT;
    }

    Medium Kind() const override { return m_fs.medium; }

    Opened OpenSubdirectory(std::string_view name) override {
        return m_fs.OpenDirectory(m_path + "\\" + std::string(name));
    }

private:
    // The listing is counted and `onList` called; whether it waited, and its error.
    ListingStatus Listed() {
        {
            const std::lock_guard lock(m_fs.m_counting);
            ++m_fs.listings[m_path];
        }
        if (m_fs.onList) m_fs.onList(m_path);
        ListingStatus status;
        status.waited = m_fs.listingsWait;
        if (const auto error = m_fs.listingErrors.find(m_path); error != m_fs.listingErrors.end())
            status.error = error->second;
        return status;
    }

    static ListingRecord RecordOf(const FakeRecord& fake) {
        ListingRecord record;
        record.attributes = fake.attributes;
        record.sizeHigh = static_cast<std::uint32_t>(fake.size >> 32);
        record.sizeLow = static_cast<std::uint32_t>(fake.size);
        record.allocated = fake.allocated;
        record.device = 1;
        record.inode = fake.inode;
        record.links = fake.links;
        record.mtime = fake.mtime;
        return record;
    }

    FakeFileSystem& m_fs;
    std::string m_path;
};

void FakeFileSystem::AddDirectory(const std::string& path) {
    if (m_directories.count(path) != 0) return;
    m_directories[path];
    const std::size_t cut = path.rfind('\\');
    if (cut == std::string::npos) return;
    const std::string parent = path.substr(0, cut);
    const std::string name = path.substr(cut + 1);
    AddDirectory(parent);
    std::vector<FakeRecord>& siblings = m_directories[parent];
    const bool listed =
        std::any_of(siblings.begin(), siblings.end(), [&](const FakeRecord& r) { return r.name == name; });
    if (!listed) siblings.push_back({name, kAttributeDirectory, 0});
}

void FakeFileSystem::AddFile(const std::string& directory, const std::string& name, std::uint64_t size) {
    AddRecord(directory, {name, kAttributeNormal, size});
}

void FakeFileSystem::AddRecord(const std::string& directory, FakeRecord record) {
    AddDirectory(directory);
    m_directories[directory].push_back(std::move(record));
}

Opened FakeFileSystem::OpenDirectory(const std::string& logicalPath) {
    if (m_directories.count(logicalPath) == 0) return {nullptr, ENOENT};
    if (std::find(m_refused.begin(), m_refused.end(), logicalPath) != m_refused.end())
        return {nullptr, EACCES};
    const std::lock_guard lock(m_counting);
    if (openNow >= descriptorLimit) return {nullptr, EMFILE};
    openMost = std::max(openMost, ++openNow);
    return {std::make_unique<FakeDirectory>(*this, logicalPath), 0};
}

VolumeSpace FakeFileSystem::QueryVolume(const std::string& logicalPath) {
    if (onVolume) onVolume(logicalPath);
    const std::lock_guard lock(m_counting);
    volumeQueries.push_back(logicalPath);
    return volume;
}

static bool Same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::optional<std::string> MemorySettings::Read(std::string_view section, std::string_view key) const {
    for (const auto& [s, kv] : m_values)
        if (Same(s, section) && Same(kv.first, key)) return kv.second;
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> MemorySettings::ReadSection(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& [s, kv] : m_values)
        if (Same(s, section)) entries.push_back(kv);
    return entries;
}

int MemorySettings::Write(std::string_view section, std::string_view key, const std::string& value) {
    if (writeError != 0) return writeError;
    for (auto& [s, kv] : m_values)
        if (Same(s, section) && Same(kv.first, key)) {
            kv.second = value;
            return 0;
        }
    m_values.push_back({std::string(section), {std::string(key), value}});
    return 0;
}

}  // namespace gauzel::testing

#pragma once
// An in-memory file system: directories by logical path, each with the records it lists, in
// the order given, with any attribute word and size; a directory can refuse to open.

#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/settings_store.h"

namespace gauzel::testing {

struct FakeRecord {
    std::string name;
    std::uint32_t attributes = kAttributeNormal;
    std::uint64_t size = 0;
    int sizeError = 0;  // not 0: the entry cannot be sized (it is left out and counted)
    std::uint64_t allocated = 0;
    std::uint64_t inode = 0;  // the file it is a name of (device 1)
    std::uint32_t links = 1;
    std::int64_t mtime = INT64_MIN;  // not known
};

class FakeFileSystem final : public FileSystem {
public:
    // Creates the directory and its missing ancestors; each new one is listed in its parent
    // (attribute 16) after the parent's earlier records, unless a record of that name is there.
    void AddDirectory(const std::string& path);
    // A file in a directory (made if missing).
    void AddFile(const std::string& directory, const std::string& name, std::uint64_t size);
    // Any record, listed as given; it does not make a directory of that name.
    void AddRecord(const std::string& directory, FakeRecord record);
    // The directory exists but cannot be opened (EACCES).
    void Refuse(const std::string& path) { m_refused.push_back(path); }

    Opened OpenDirectory(const std::string& logicalPath) override;
    VolumeSpace QueryVolume(const std::string& logicalPath) override;
    // The fake itself, not owned: a test keeps it until every read it started has returned.
    std::shared_ptr<FileSystem> Snapshot() const override {
        return {std::shared_ptr<void>(), const_cast<FakeFileSystem*>(this)};
    }

    VolumeSpace volume{};
    // Counted under m_counting, since threads may read ahead.
    std::vector<std::string> volumeQueries;  // the paths QueryVolume was asked about
    std::map<std::string, int> listings;     // how often each directory was listed
    int openNow = 0;                         // directories open at this moment
    int OpenCount() {                        // the same, while other threads may open and close
        const std::lock_guard lock(m_counting);
        return openNow;
    }
    int openMost = 0;                                  // the most open at once
    int descriptorLimit = INT_MAX;                     // opens beyond it fail with EMFILE
    std::map<std::string, int> listingErrors;          // directories whose listing ends with this error
    std::function<void(const std::string&)> onList;    // called with each directory as it is listed
    std::function<void(const std::string&)> onVolume;  // called with each path QueryVolume is asked
    bool listingsWait = false;                         // every listing says it waited
    Medium medium = Medium::kShare;                    // what every directory's reads go to
    // Sizing entries one by one (a share's way): each size sleeps 50 µs when `sizesWait`, after
    // `onSize` is called with the entry's path.
    bool sizesWait = false;
    std::function<void(const std::string&)> onSize;

private:
    friend class FakeDirectory;
    std::map<std::string, std::vector<FakeRecord>> m_directories;
    std::vector<std::string> m_refused;
    std::mutex m_counting;
};

// Settings held in memory, for tests that must not touch a file.
class MemorySettings final : public SettingsStore {
public:
    std::optional<std::string> Read(std::string_view section, std::string_view key) const override;
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const override;
    int Write(std::string_view section, std::string_view key, const std::string& value) override;
    std::string Location() const override { return "/memory/gauzel.ini"; }
    std::string Problem() const override { return problem; }

    int writeError = 0;   // not 0: every write fails with it
    std::string problem;  // what Problem() says

private:
    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> m_values;  // section, key, value
};

}  // namespace gauzel::testing

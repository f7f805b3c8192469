#include "core/kinds/file_stats.h"

#include <algorithm>

#include "platform/ascii.h"

namespace gauzel {

namespace {

constexpr std::array<const char*, kAgeBandCount> kBandNames = {
    "Under a day",  "Under a week", "Under a month", "Under a year", "1 to 2 years",
    "2 to 5 years", "Over 5 years", "In the future", "Unknown",
};

constexpr std::int64_t kDay = 24 * 60 * 60;

}  // namespace

const char* AgeBandName(AgeBand band) { return kBandNames[static_cast<std::size_t>(band)]; }

AgeBand AgeBandOf(std::int64_t mtime, std::int64_t start) {
    if (mtime == kUnknownTime) return AgeBand::kUnknown;
    if (mtime > start) return AgeBand::kInTheFuture;
    const std::int64_t age = start - mtime;
    if (age <= kDay) return AgeBand::kUnderADay;
    if (age <= 7 * kDay) return AgeBand::kUnderAWeek;
    if (age <= 30 * kDay) return AgeBand::kUnderAMonth;
    if (age <= 365 * kDay) return AgeBand::kUnderAYear;
    if (age <= 2 * 365 * kDay) return AgeBand::kOneToTwoYears;
    if (age <= 5 * 365 * kDay) return AgeBand::kTwoToFiveYears;
    return AgeBand::kOverFiveYears;
}

void FileStats::Add(const GatheredFile& file, std::string_view names) {
    const std::string_view name = names.substr(file.nameBegin, file.nameLength);
    m_ages[static_cast<std::size_t>(AgeBandOf(file.mtime, m_gathering.start))].Add(file.size);
    const MimeTypes* types = m_gathering.types.get();
    if (types != nullptr) {
        m_kinds[static_cast<std::size_t>(types->KindOf(file.type))].Add(file.size);
        if (file.type != MimeTypes::kNoType) {
            if (m_types.size() <= file.type) m_types.resize(types->TypeCount());
            m_types[file.type].Add(file.size);
        } else {
            AddByExtension(name, file.size);
        }
    }
    const std::size_t keep = m_gathering.largest;
    if (keep == 0 || file.size < m_threshold) return;  // most files end here
    if (!m_pathKept) {
        m_directories.push_back(m_path != nullptr ? *m_path : std::string());
        m_pathKept = true;
    }
    m_candidates.push_back({file.size, file.mtime, static_cast<std::uint32_t>(m_directories.size() - 1),
                            types != nullptr ? types->KindOf(file.type) : Kind::kOther, std::string(name)});
    if (m_candidates.size() >= keep + keep / 2 + 64) {
        Select();
        m_threshold = m_candidates.back().size;
    }
}

void FileStats::AddByExtension(std::string_view name, std::uint64_t size) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return m_noExtension.Add(size);
    if (name.size() - dot > 64) return m_extensions[ExtensionTypeName(name)].Add(size);
    char key[66] = {'*'};  // "*.ext", lower-cased, without building a string
    for (std::size_t i = dot; i < name.size(); ++i) key[1 + i - dot] = AsciiLower(name[i]);
    const std::string_view extension(key, 1 + name.size() - dot);
    auto found = m_extensions.find(extension);
    if (found == m_extensions.end()) found = m_extensions.emplace(std::string(extension), Tally{}).first;
    found->second.Add(size);
}

bool FileStats::Larger(const Candidate& a, const Candidate& b, const std::vector<std::string>& directories) {
    if (a.size != b.size) return a.size > b.size;
    const std::string& da = directories[a.directory];
    const std::string& db = directories[b.directory];
    if (a.directory == b.directory) return a.name < b.name;
    // By the whole path, directory "\\" name, read where it is without building it.
    const auto at = [](const std::string& directory, const std::string& name, std::size_t i) {
        return static_cast<unsigned char>(i < directory.size()    ? directory[i]
                                          : i == directory.size() ? '\\'
                                                                  : name[i - directory.size() - 1]);
    };
    const std::size_t la = da.size() + 1 + a.name.size();
    const std::size_t lb = db.size() + 1 + b.name.size();
    for (std::size_t i = 0; i < la && i < lb; ++i)
        if (const unsigned char ca = at(da, a.name, i), cb = at(db, b.name, i); ca != cb) return ca < cb;
    return la < lb;
}

void FileStats::Select() const {
    const std::size_t keep = m_gathering.largest;
    if (m_candidates.size() <= keep) return;
    const auto larger = [this](const Candidate& a, const Candidate& b) {
        return Larger(a, b, m_directories);
    };
    std::nth_element(m_candidates.begin(), m_candidates.begin() + static_cast<std::ptrdiff_t>(keep - 1),
                     m_candidates.end(), larger);
    m_candidates.resize(keep);  // the smallest kept is last
}

std::map<std::string, Tally> FileStats::Types() const {
    std::map<std::string, Tally> types(m_extensions.begin(), m_extensions.end());
    if (m_noExtension.files != 0) types["(no extension)"] = m_noExtension;
    for (std::size_t i = 0; i < m_types.size(); ++i)
        if (m_types[i].files != 0) types[m_gathering.types->Name(static_cast<std::uint32_t>(i))] = m_types[i];
    return types;
}

void FileStats::ForLargest(const std::function<void(const LargeFile&)>& each) const {
    Select();
    std::sort(m_candidates.begin(), m_candidates.end(),
              [this](const Candidate& a, const Candidate& b) { return Larger(a, b, m_directories); });
    LargeFile file;
    for (const Candidate& candidate : m_candidates) {
        file.path.assign(m_directories[candidate.directory]).append(1, '\\').append(candidate.name);
        file.size = candidate.size;
        file.mtime = candidate.mtime;
        file.kind = candidate.kind;
        each(file);
    }
}

std::vector<LargeFile> FileStats::Largest() const {
    std::vector<LargeFile> largest;
    ForLargest([&largest](const LargeFile& file) { largest.push_back(file); });
    return largest;
}

}  // namespace gauzel

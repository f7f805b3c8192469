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

namespace {

// Where the extension of `name` begins ("a.b.ext": at ".ext"), or npos: none (".bashrc", "a.").
std::size_t ExtensionAt(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 || dot + 1 == name.size() ? std::string_view::npos : dot;
}

}  // namespace

std::uint32_t GatheredFiles::Add(std::string_view name, std::uint64_t size, std::int64_t mtime, bool linked,
                                 const Gathering& gathering) {
    const MimeTypes* types = gathering.types.get();
    const std::uint32_t type = types != nullptr ? types->TypeOf(name) : MimeTypes::kNoType;
    const std::size_t dot =
        types != nullptr && type == MimeTypes::kNoType ? ExtensionAt(name) : std::string_view::npos;
    const bool tallied = !linked && dot == std::string_view::npos;
    if (tallied) {
        if (!tally) tally = std::make_unique<FileTally>();
        tally->ages[static_cast<std::size_t>(AgeBandOf(mtime, gathering.start))].Add(size);
        if (types != nullptr) {
            tally->kinds[static_cast<std::size_t>(types->KindOf(type))].Add(size);
            if (type == MimeTypes::kNoType) {
                tally->noExtension.Add(size);
            } else {  // a directory holds few types, and files of one type often together
                auto found = std::find_if(tally->types.rbegin(), tally->types.rend(),
                                          [type](const auto& each) { return each.first == type; });
                if (found != tally->types.rend())
                    found->second.Add(size);
                else
                    tally->types.push_back({type, Tally{size, 1}});
            }
        }
    }
    const bool large =
        gathering.largest != 0 && (gathering.smallestLarge == nullptr ||
                                   size >= gathering.smallestLarge->load(std::memory_order_relaxed));
    if (tallied && !large) return UINT32_MAX;
    const std::string_view keep = large                           ? name
                                  : dot != std::string_view::npos ? name.substr(dot)
                                                                  : std::string_view();
    const std::uint16_t at = dot == std::string_view::npos || (large && dot >= GatheredFile::kNoExtension)
                                 ? GatheredFile::kNoExtension
                                 : static_cast<std::uint16_t>(large ? dot : 0);
    if (files.empty()) files.reserve(16);
    files.push_back({size, mtime, type, static_cast<std::uint32_t>(names.size()),
                     static_cast<std::uint32_t>(keep.size()), at, linked, tallied});
    names += keep;
    return static_cast<std::uint32_t>(files.size() - 1);
}

void FileStats::Add(const GatheredFile& file, std::string_view names) {
    const std::string_view name(names.data() + file.nameBegin, file.nameLength);  // the read made it
    const MimeTypes* types = m_gathering.types.get();
    if (!file.tallied)
        m_ages[static_cast<std::size_t>(AgeBandOf(file.mtime, m_gathering.start))].Add(file.size);
    if (types != nullptr && !file.tallied) {
        m_kinds[static_cast<std::size_t>(types->KindOf(file.type))].Add(file.size);
        if (file.type != MimeTypes::kNoType) {
            if (m_types.size() <= file.type) m_types.resize(types->TypeCount());
            m_types[file.type].Add(file.size);
        } else {
            AddByExtension(file.extensionAt == GatheredFile::kNoExtension ? std::string_view()
                                                                          : name.substr(file.extensionAt),
                           file.size);
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
        if (m_gathering.smallestLarge)
            m_gathering.smallestLarge->store(m_threshold, std::memory_order_relaxed);
    }
}

void FileStats::Add(const FileTally& tally) {
    for (std::size_t i = 0; i < kKindCount; ++i) m_kinds[i] += tally.kinds[i];
    for (std::size_t i = 0; i < kAgeBandCount; ++i) m_ages[i] += tally.ages[i];
    m_noExtension += tally.noExtension;
    for (const auto& [type, each] : tally.types) {
        if (m_types.size() <= type) m_types.resize(m_gathering.types->TypeCount());
        m_types[type] += each;
    }
}

void FileStats::AddByExtension(std::string_view extension, std::uint64_t size) {
    if (extension.empty()) return m_noExtension.Add(size);
    char buffer[64];  // "*.ext", lower-cased, without building a string
    std::string longKey;
    char* key =
        extension.size() < sizeof buffer ? buffer : (longKey.resize(1 + extension.size()), longKey.data());
    key[0] = '*';
    for (std::size_t i = 0; i < extension.size(); ++i) key[1 + i] = AsciiLower(extension[i]);
    const std::string_view lowered(key, 1 + extension.size());
    auto found = m_extensions.find(lowered);
    if (found == m_extensions.end()) found = m_extensions.emplace(std::string(lowered), Tally{}).first;
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

std::vector<std::pair<std::string, Tally>> FileStats::TypesOf(Kind kind) const {
    std::vector<std::pair<std::string, Tally>> types;
    if (kind == Kind::kOther) {
        types.assign(m_extensions.begin(), m_extensions.end());
        if (m_noExtension.files != 0) types.emplace_back("(no extension)", m_noExtension);
    }
    for (std::size_t i = 0; i < m_types.size(); ++i) {
        const auto type = static_cast<std::uint32_t>(i);
        if (m_types[i].files != 0 && m_gathering.types->KindOf(type) == kind)
            types.emplace_back(m_gathering.types->Name(type), m_types[i]);
    }
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

#include "core/kinds/file_stats.h"

#include <algorithm>

namespace gauzel {

namespace {

constexpr std::array<const char*, kAgeBandCount> kBandNames = {
    "Under a day",  "Under a week", "Under a month", "Under a year", "1 to 2 years",
    "2 to 5 years", "Over 5 years", "In the future", "Unknown",
};

constexpr std::int64_t kDay = 24 * 60 * 60;

// The larger file first; of equal sizes, the path first in byte order.
bool Larger(const LargeFile& a, const LargeFile& b) {
    return a.size != b.size ? a.size > b.size : a.path < b.path;
}

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

void FileStats::Add(const GatheredFile& file, std::string_view names, const std::string& path) {
    const std::string_view name = names.substr(file.nameBegin, file.nameLength);
    m_ages[static_cast<std::size_t>(AgeBandOf(file.mtime, m_gathering.start))].Add(file.size);
    const MimeTypes* types = m_gathering.types.get();
    if (types != nullptr) {
        m_kinds[static_cast<std::size_t>(types->KindOf(file.type))].Add(file.size);
        if (file.type == MimeTypes::kNoType) {
            m_extensions[ExtensionTypeName(name)].Add(file.size);
        } else {
            if (m_types.size() <= file.type) m_types.resize(types->TypeCount());
            m_types[file.type].Add(file.size);
        }
    }
    if (m_gathering.largest == 0) return;
    const bool full = m_largest.size() == m_gathering.largest;
    if (full && file.size < m_largest.front().size) return;  // most files end here
    LargeFile large{path + '\\' + std::string(name), file.size, file.mtime,
                    types != nullptr ? types->KindOf(file.type) : Kind::kOther};
    if (full) {
        if (!Larger(large, m_largest.front())) return;
        std::pop_heap(m_largest.begin(), m_largest.end(), Larger);
        m_largest.back() = std::move(large);
    } else {
        m_largest.push_back(std::move(large));
    }
    std::push_heap(m_largest.begin(), m_largest.end(), Larger);
}

std::map<std::string, Tally> FileStats::Types() const {
    std::map<std::string, Tally> types = m_extensions;
    for (std::size_t i = 0; i < m_types.size(); ++i)
        if (m_types[i].files != 0) types[m_gathering.types->Name(static_cast<std::uint32_t>(i))] = m_types[i];
    return types;
}

std::vector<LargeFile> FileStats::Largest() const {
    std::vector<LargeFile> largest = m_largest;
    std::sort(largest.begin(), largest.end(), Larger);
    return largest;
}

}  // namespace gauzel

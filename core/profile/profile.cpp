#include "core/profile/profile.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace gauzel {

Profile Profile::Unsummed(std::string rootPath) {
    Profile profile(std::move(rootPath), false);
    profile.m_bStopped = true;
    return profile;
}

void Profile::ResetModel(int mode) {
    if (mode == kResetToRoot) {
        m_bBelowRoot = false;
    } else if (mode == kResetEntries) {
        m_listNames.clear();
        m_listSizes.clear();
        m_pEntryColors.clear();
        m_listCounts.clear();
        m_treeCounts = {};
        m_leftOut = 0;
        m_nFilesEntry = kNoEntry;
        m_dTreeSize = 0;
        m_unread = {};
        m_unreadBelow.clear();
        m_problems.clear();
    }
}

void Profile::SetVolume(ByteCount freeBytes, ByteCount totalBytes, bool known) {
    m_dFreeSpace = freeBytes;
    m_dDiskSize = totalBytes;
    m_bSpaceKnown = known;
}

void Profile::ReserveEntries(std::size_t count) {
    m_listNames.reserve(count);
    m_listSizes.reserve(count);
}

std::size_t Profile::AddEntry(std::string name) {
    m_listNames.push_back(std::move(name));
    m_listSizes.push_back(0);
    m_listCounts.emplace_back();
    return m_listNames.size() - 1;
}

std::size_t Profile::AddFilesEntry() {
    m_nFilesEntry = AddEntry(kFilesEntryName);
    return m_nFilesEntry;
}

void Profile::AddBytes(std::size_t entry, ByteCount bytes) {
    m_listSizes[entry] += bytes;
    m_dTreeSize += bytes;
}

void Profile::AddCounts(std::size_t entry, std::uint64_t files, std::uint64_t directories) {
    m_listCounts[entry].files += files;
    m_listCounts[entry].directories += directories;
    m_treeCounts.files += files;
    m_treeCounts.directories += directories;
}

Profile Profile::CountedByFiles() const {
    Profile counted = *this;
    for (std::size_t i = 0; i < counted.m_listSizes.size(); ++i) counted.m_listSizes[i] = CountsOf(i).files;
    counted.m_dTreeSize = m_treeCounts.files;
    counted.Finish();
    return counted;
}

void Profile::AddProblem(std::size_t entry, ScanProblem problem) {
    m_unread.Add(problem);
    m_unreadBelow[entry].Add(problem);
    if (m_problems.size() < kKeptProblems) m_problems.push_back({entry, std::move(problem)});
}

void Profile::Finish() {
    SortEntriesBySize();
    AssignEntryColors();
}

Unread Profile::UnreadBelow(std::size_t i) const {
    const auto found = m_unreadBelow.find(i);
    return found == m_unreadBelow.end() ? Unread{} : found->second;
}

namespace {

// The order of the entries by size, larger first, equal sizes in their order: element k is the
// index of the entry that goes to place k. The sizes are taken out beside their places as
// `Key`s, so the sort compares neighbours in memory.
template <typename Key>
std::vector<std::size_t> OrderBySize(const std::vector<ByteCount>& sizes) {
    std::vector<std::pair<Key, std::size_t>> keyed(sizes.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) keyed[i] = {static_cast<Key>(sizes[i]), i};
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    });
    std::vector<std::size_t> order(keyed.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = keyed[k].second;
    return order;
}

// Puts element order[k] of `list` at place k, moved in place, cycle by cycle: a directory of a
// hundred thousand entries needs no second copy of its names.
template <typename T>
void Permute(std::vector<T>& list, std::vector<std::size_t> order) {
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start) continue;
        T first = std::move(list[start]);
        std::size_t at = start;
        while (order[at] != start) {
            const std::size_t from = order[at];
            list[at] = std::move(list[from]);
            order[at] = at;
            at = from;
        }
        list[at] = std::move(first);
        order[at] = at;
    }
}

}  // namespace

void Profile::SortEntriesBySize() {
    if (m_listNames.size() != m_listSizes.size()) return;  // not parallel: nothing sensible to order
    // Sizes past 2^64 are rare: until one appears, the keys take half the memory.
    const bool wide = std::any_of(m_listSizes.begin(), m_listSizes.end(),
                                  [](const ByteCount& size) { return size > UINT64_MAX; });
    const std::vector<std::size_t> order =
        wide ? OrderBySize<ByteCount>(m_listSizes) : OrderBySize<std::uint64_t>(m_listSizes);
    Permute(m_listNames, order);
    Permute(m_listSizes, order);
    if (m_listCounts.size() == order.size()) Permute(m_listCounts, order);
    // What is known by an entry's index follows it to its place.
    std::vector<std::size_t> placeOf(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) placeOf[order[k]] = k;
    if (m_nFilesEntry < placeOf.size()) m_nFilesEntry = placeOf[m_nFilesEntry];
    std::unordered_map<std::size_t, Unread> below;
    for (const auto& [entry, unread] : m_unreadBelow)
        below[entry < placeOf.size() ? placeOf[entry] : entry] = unread;
    m_unreadBelow = std::move(below);
    for (EntryProblem& each : m_problems)
        if (each.entry < placeOf.size()) each.entry = placeOf[each.entry];
}

void Profile::AssignEntryColors() {
    const ByteCount total = m_dTreeSize;
    ByteCount before = 0;  // sum of the sizes of the entries before entry i
    m_pEntryColors.assign(m_listSizes.size(), kWhite);
    for (std::size_t i = 0; i < m_listSizes.size(); ++i) {
        const ByteCount size = m_listSizes[i];
        // before / total > 0.98 and total * 0.005 > size, in whole numbers: exact at any size.
        const bool smallTail = total != 0 && before * 50 > total * 49 && total > size * 200 && i != 0;
        if (!smallTail) m_pEntryColors[i] = m_crPalette[i % kCycleLength];
        before += size;
    }
}

}  // namespace gauzel

#include "core/profile/profile.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace gauzel {

void Profile::ResetModel(int mode) {
    if (mode == kResetToRoot) {
        m_bBelowRoot = false;
    } else if (mode == kResetEntries) {
        m_listNames.clear();
        m_listSizes.clear();
        m_pEntryColors.clear();
        m_pFilesSize = nullptr;
        m_dTreeSize = 0;
        m_unread = {};
        m_unreadBelow.clear();
        m_problems.clear();
    }
}

namespace {

// Orders the parallel lists by size, larger first, equal sizes in their order. The sizes are
// taken out beside their places as `Key`s, so the sort compares neighbours in memory.
template <typename Key>
void SortBySize(std::vector<std::string>& names, std::vector<std::unique_ptr<ByteCount>>& sizes) {
    std::vector<std::pair<Key, std::size_t>> order(sizes.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = {static_cast<Key>(*sizes[i]), i};
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    });

    // Entry k takes the place of entry order[k], moved in place, cycle by cycle: a directory of a
    // hundred thousand entries needs no second copy of its names.
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start].second == start) continue;
        std::string name = std::move(names[start]);
        std::unique_ptr<ByteCount> size = std::move(sizes[start]);
        std::size_t at = start;
        while (order[at].second != start) {
            const std::size_t from = order[at].second;
            names[at] = std::move(names[from]);
            sizes[at] = std::move(sizes[from]);
            order[at].second = at;
            at = from;
        }
        names[at] = std::move(name);
        sizes[at] = std::move(size);
        order[at].second = at;
    }
}

}  // namespace

void Profile::SortEntriesBySize() {
    if (m_listNames.size() != m_listSizes.size()) return;  // not parallel: nothing sensible to order
    // Sizes past 2^64 are rare: until one appears, the keys take half the memory.
    const bool wide = std::any_of(m_listSizes.begin(), m_listSizes.end(),
                                  [](const std::unique_ptr<ByteCount>& size) { return *size > UINT64_MAX; });
    if (wide)
        SortBySize<ByteCount>(m_listNames, m_listSizes);
    else
        SortBySize<std::uint64_t>(m_listNames, m_listSizes);
}

Unread Profile::UnreadOf(const ByteCount* entry) const {
    if (entry == nullptr) return m_unread;
    const auto found = m_unreadBelow.find(entry);
    return found == m_unreadBelow.end() ? Unread{} : found->second;
}

void Profile::AddProblem(const ByteCount* entry, ScanProblem problem) {
    m_unread.Add(problem);
    m_unreadBelow[entry].Add(problem);
    if (m_problems.size() < kKeptProblems) m_problems.push_back({entry, std::move(problem)});
}

void Profile::AssignEntryColors() {
    const ByteCount total = m_dTreeSize;
    ByteCount before = 0;  // sum of the sizes of the entries before entry i
    m_pEntryColors.assign(m_listSizes.size(), kWhite);
    for (std::size_t i = 0; i < m_listSizes.size(); ++i) {
        const ByteCount size = *m_listSizes[i];
        // before / total > 0.98 and total * 0.005 > size, in whole numbers: exact at any size.
        const bool smallTail = total != 0 && before * 50 > total * 49 && total > size * 200 && i != 0;
        if (!smallTail) m_pEntryColors[i] = m_crPalette[i % kCycleLength];
        before += size;
    }
}

}  // namespace gauzel

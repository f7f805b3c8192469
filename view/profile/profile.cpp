#include "view/profile/profile.h"

#include <algorithm>
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
    }
}

void Profile::SortEntriesBySize() {
    if (m_listNames.size() != m_listSizes.size()) return;  // not parallel: nothing sensible to order
    // Larger first; equal sizes keep their order. The sizes are taken out beside their places,
    // so the sort compares neighbours in memory.
    std::vector<std::pair<Bytes, std::size_t>> order(m_listSizes.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = {*m_listSizes[i], i};
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    });

    // Entry k takes the place of entry order[k], moved in place, cycle by cycle: a directory of a
    // hundred thousand entries needs no second copy of its names.
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start].second == start) continue;
        std::string name = std::move(m_listNames[start]);
        std::unique_ptr<Bytes> size = std::move(m_listSizes[start]);
        std::size_t at = start;
        while (order[at].second != start) {
            const std::size_t from = order[at].second;
            m_listNames[at] = std::move(m_listNames[from]);
            m_listSizes[at] = std::move(m_listSizes[from]);
            order[at].second = at;
            at = from;
        }
        m_listNames[at] = std::move(name);
        m_listSizes[at] = std::move(size);
        order[at].second = at;
    }
}

void Profile::AssignEntryColors() {
    const Bytes total = m_dTreeSize;
    Bytes before = 0;  // sum of the sizes of the entries before entry i
    m_pEntryColors.assign(m_listSizes.size(), kWhite);
    for (std::size_t i = 0; i < m_listSizes.size(); ++i) {
        const Bytes size = *m_listSizes[i];
        // before / total > 0.98 and total * 0.005 > size, in whole numbers: exact at any size.
        const bool smallTail = total != 0 && before * 50 > total * 49 && total > size * 200 && i != 0;
        if (!smallTail) m_pEntryColors[i] = m_crPalette[i % kCycleLength];
        before += size;
    }
}

}  // namespace gauzel

#include "view/profile/profile.h"

#include <algorithm>
#include <numeric>

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
    std::vector<std::size_t> order(m_listSizes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) { return *m_listSizes[a] > *m_listSizes[b]; });

    std::vector<std::string> names;
    std::vector<std::unique_ptr<double>> sizes;
    names.reserve(order.size());
    sizes.reserve(order.size());
    for (std::size_t i : order) {
        names.push_back(std::move(m_listNames[i]));
        sizes.push_back(std::move(m_listSizes[i]));
    }
    m_listNames = std::move(names);
    m_listSizes = std::move(sizes);
}

void Profile::AssignEntryColors() {
    const double total = m_dTreeSize;
    double before = 0;  // sum of the sizes of the entries before entry i
    m_pEntryColors.assign(m_listSizes.size(), kWhite);
    for (std::size_t i = 0; i < m_listSizes.size(); ++i) {
        const double size = *m_listSizes[i];
        const bool smallTail = total != 0 && before / total > 0.98 && total * 0.005 > size && i != 0;
        if (!smallTail) m_pEntryColors[i] = m_crPalette[i % kCycleLength];
        before += size;
    }
}

}  // namespace gauzel

#include "view/display/summary.h"

#include "view/display/format_size.h"

namespace gauzel {

std::string DisplayPath(const std::string& path) { return path.size() == 2 ? path + '\\' : path; }

SummaryLines MakeSummaryLines(const Profile& profile, int units) {
    const std::string& path = profile.m_strPath;
    return {"Size of tree: " + FormatSize(profile.m_dTreeSize, units) + " bytes",
            path.substr(0, 2) + " has " + FormatSize(profile.m_dFreeSpace, units) + " bytes free " +
                FormatPercent(profile.m_dFreeSpace, profile.m_dDiskSize),
            "Path: " + DisplayPath(path)};
}

SummaryBaselines MakeSummaryBaselines(int clientBottom, int fontHeight) {
    const int path = clientBottom - fontHeight / 2;
    const int freeSpace = path - fontHeight;
    return {freeSpace - fontHeight, freeSpace, path};
}

}  // namespace gauzel

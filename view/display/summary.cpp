#include "view/display/summary.h"

#include "view/display/format_size.h"

#include <cmath>

namespace gauzel {

std::string DisplayPath(const std::string& path) { return path.size() == 2 ? path + '\\' : path; }

std::string EntryDescription(const Profile& profile, std::size_t entry, Units units) {
    const double size = profile.EntrySize(entry);
    std::string text = profile.IsFilesEntry(entry) ? "Files in this directory" : profile.m_listNames[entry];
    text += '\n' + FormatSize(size, units);
    if (units != Units::Bytes)
        text += " (" + FormatSize(size, Units::Bytes) + " bytes)";
    else
        text += " bytes";
    const long long tenths = profile.m_dTreeSize > 0 ? std::llround(size * 1000.0 / profile.m_dTreeSize) : 0;
    text += '\n' + std::to_string(tenths / 10) + '.' + std::to_string(tenths % 10) + "% of the tree";
    return text;
}

SummaryLines MakeSummaryLines(const Profile& profile, Units units) {
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

#include "view/display/summary.h"

#include "view/display/escape.h"
#include "view/display/format_size.h"

namespace gauzel {

std::string DisplayPath(const std::string& path) { return path.size() == 2 ? path + '\\' : path; }

void AppendEntryName(std::string& text, const Profile& profile, std::size_t entry) {
    const std::string& name = profile.m_listNames[entry];
    if (name == kFilesEntryName && !profile.IsFilesEntry(entry)) {
        text += "\\x3E";
        AppendEscaped(text, std::string_view(name).substr(1));
        return;
    }
    AppendEscaped(text, name);
}

std::string EntryName(const Profile& profile, std::size_t entry) {
    std::string text;
    AppendEntryName(text, profile, entry);
    return text;
}

std::string EntryDescription(const Profile& profile, std::size_t entry, Units units) {
    const ByteCount size = profile.EntrySize(entry);
    std::string text;
    if (profile.IsFilesEntry(entry))
        text = "Files in this directory";
    else
        AppendEntryName(text, profile, entry);
    text += '\n' + FormatSize(size, units);
    if (units != Units::Bytes)
        text += " (" + FormatSize(size, Units::Bytes) + " bytes)";
    else
        text += " bytes";
    const ByteCount tenths = profile.m_dTreeSize > 0 ? RoundedQuotient(size * 1000, profile.m_dTreeSize) : 0;
    text += '\n' + Decimal(tenths / 10) + '.' + Decimal(tenths % 10) + "% of the tree";
    return text;
}

SummaryLines MakeSummaryLines(const Profile& profile, Units units) {
    const std::string& path = profile.m_strPath;
    return {"Size of tree: " + FormatSize(profile.m_dTreeSize, units) + " bytes",
            path.substr(0, 2) + " has " + FormatSize(profile.m_dFreeSpace, units) + " bytes free " +
                FormatPercent(profile.m_dFreeSpace, profile.m_dDiskSize),
            "Path: " + EscapeControls(DisplayPath(path))};
}

SummaryBaselines MakeSummaryBaselines(int clientBottom, int fontHeight) {
    const int path = clientBottom - fontHeight / 2;
    const int freeSpace = path - fontHeight;
    return {freeSpace - fontHeight, freeSpace, path};
}

}  // namespace gauzel

#include "core/display/summary.h"

#include "core/display/escape.h"
#include "core/display/format_size.h"
#include "platform/file_system.h"

#include <cstring>

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

std::string Counted(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

namespace {

// "8 directories" + `where` + " could not be read", "3 entries" + `where` + " could not be sized", or both.
std::string UnreadPhrase(const Unread& unread, const char* where) {
    const std::string entries = Counted(unread.entries, "entry", "entries");
    if (unread.directories == 0) return entries + where + " could not be sized";
    std::string phrase = Counted(unread.directories, "directory", "directories");
    if (unread.entries != 0) phrase += " and " + entries;
    return phrase + where + " could not be read";
}

std::string Marked(std::string size, const Unread& unread) { return unread.Any() ? size + '+' : size; }

}  // namespace

std::string EntrySizeText(const Profile& profile, std::size_t entry, Units units) {
    return Marked(FormatSize(profile.EntrySize(entry), units), profile.UnreadBelow(entry));
}

std::string EntryDescription(const Profile& profile, std::size_t entry, Units units) {
    const ByteCount size = profile.EntrySize(entry);
    const Unread unread = profile.UnreadBelow(entry);
    std::string text;
    if (profile.IsFilesEntry(entry))
        text = "Files in this directory";
    else
        AppendEntryName(text, profile, entry);
    text += '\n' + Marked(FormatSize(size, units), unread);
    if (units == Units::Kilobytes || units == Units::Megabytes)
        text += " (" + Marked(FormatSize(size, Units::Bytes), unread) + " bytes)";
    else
        text += UnitWord(size, units);
    const ByteCount tenths = profile.m_dTreeSize > 0 ? RoundedQuotient(size * 1000, profile.m_dTreeSize) : 0;
    text += '\n' + Decimal(tenths / 10) + '.' + Decimal(tenths % 10) + "% of the tree";
    if (unread.Any()) text += '\n' + UnreadPhrase(unread, " below") + "; the size leaves them out.";
    return text;
}

std::string UnreadListing(const Profile& profile, std::optional<std::size_t> entry,
                          const std::function<std::optional<std::string>(const std::string&)>& realPathOf) {
    std::string text;
    std::uint64_t listed = 0;
    for (const Profile::EntryProblem& each : profile.m_problems) {
        if (entry && each.entry != *entry) continue;
        const ScanProblem& problem = each.problem;
        AppendEscaped(text, realPathOf(problem.path).value_or(problem.path));
        if (problem.unsizedEntries == 0)
            text += ": cannot be read (";
        else
            text += ": " + Counted(problem.unsizedEntries, "entry", "entries") + " could not be sized (";
        text += ErrorText(problem.error);
        text += ")\n";
        ++listed;
    }
    const Unread unread = entry ? profile.UnreadBelow(*entry) : profile.m_unread;
    if (unread.problems > listed) text += "and " + std::to_string(unread.problems - listed) + " more\n";
    return text;
}

SummaryLines MakeSummaryLines(const Profile& profile, Units units) {
    const std::string& path = profile.m_strPath;
    if (profile.m_bStopped)
        return {"Size of tree: not summed (stopped)", path.substr(0, 2) + " free space not asked (stopped)",
                "Path: " + EscapeControls(DisplayPath(path))};
    std::string tree =
        "Size of tree: " + Marked(FormatSize(profile.m_dTreeSize, units), profile.m_unread) + " bytes";
    if (profile.IsIncomplete()) tree += " (" + UnreadPhrase(profile.m_unread, "") + ")";
    return {std::move(tree),
            !profile.m_bSpaceKnown
                ? path.substr(0, 2) + " free space was not saved"
                : path.substr(0, 2) + " has " + FormatSize(profile.m_dFreeSpace, units) + " bytes free " +
                      FormatPercent(profile.m_dFreeSpace, profile.m_dDiskSize),
            "Path: " + EscapeControls(DisplayPath(path))};
}

std::string FilesInTreeLine(const Profile& profile) {
    std::string tree =
        "Files in tree: " + Marked(FormatSize(profile.m_treeCounts.files, Units::Bytes), profile.m_unread);
    if (profile.IsIncomplete()) tree += " (" + UnreadPhrase(profile.m_unread, "") + ")";
    return tree;
}

SummaryBaselines MakeSummaryBaselines(int clientBottom, int fontHeight) {
    const int path = clientBottom - fontHeight / 2;
    const int freeSpace = path - fontHeight;
    return {freeSpace - fontHeight, freeSpace, path};
}

}  // namespace gauzel

#include "core/saved/comparison.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "core/display/escape.h"
#include "core/display/summary.h"
#include "core/scan/scan_engine.h"

namespace gauzel {

namespace {

// "+" or "-" and the size of the difference in the units, or "0".
std::string Difference(ByteCount now, ByteCount before, Units units) {
    if (now == before) return FormatSize(0, units);
    return now > before ? "+" + FormatSize(now - before, units) : "-" + FormatSize(before - now, units);
}

}  // namespace

Comparison Compare(const Profile& now, std::optional<Profile> before, std::optional<std::int64_t> timestamp) {
    Comparison comparison;
    comparison.timestamp = timestamp;
    comparison.match.assign(now.EntryCount(), Profile::kNoEntry);
    if (!before) return comparison;
    comparison.found = true;
    comparison.before = std::move(*before);
    const Profile& then = comparison.before;
    std::unordered_map<std::string_view, std::size_t> byName;
    byName.reserve(then.EntryCount());
    for (std::size_t i = 0; i < then.EntryCount(); ++i)
        if (!then.IsFilesEntry(i)) byName.emplace(then.m_listNames[i], i);
    std::vector<bool> matched(then.EntryCount(), false);
    for (std::size_t i = 0; i < now.EntryCount(); ++i) {
        std::size_t found = Profile::kNoEntry;
        if (now.IsFilesEntry(i)) {
            found = then.m_nFilesEntry;
        } else if (const auto named = byName.find(now.m_listNames[i]); named != byName.end()) {
            found = named->second;
        }
        if (found == Profile::kNoEntry || found >= then.EntryCount()) continue;
        comparison.match[i] = found;
        matched[found] = true;
    }
    for (std::size_t i = 0; i < then.EntryCount(); ++i)  // sorted largest first already
        if (!matched[i]) comparison.gone.push_back(i);
    return comparison;
}

std::optional<Profile> ProfileOfSaved(SavedScanFileSystem& saved, const std::string& logicalPath,
                                      const SettingsStore& settings, Counting counting,
                                      const Gathering* gathering, std::optional<FileStats>* stats) {
    if (!saved.OpenDirectory(logicalPath).directory) return std::nullopt;
    ProgressSink unseen;  // nobody watches
    ScanEngine engine(saved.Snapshot(), ReaderPool(), settings, unseen);
    engine.SetCounting(counting);
    engine.SetThreads(1);  // in memory: nothing to wait for
    Profile profile(logicalPath, logicalPath.size() > 2);
    if (gathering != nullptr) engine.SetGathering(*gathering);
    engine.Rescan(profile);
    if (stats != nullptr) *stats = engine.Stats();
    return profile;
}

bool ChangeIsPartial(const Profile& now, const Comparison& comparison, std::size_t entry) {
    const std::size_t then = comparison.match[entry];
    return then != Profile::kNoEntry &&
           (now.UnreadBelow(entry).Any() || comparison.before.UnreadBelow(then).Any());
}

bool GoneIsPartial(const Comparison& comparison, std::size_t gone) {
    return comparison.before.UnreadBelow(comparison.gone[gone]).Any();
}

std::string ChangeText(const Profile& now, const Comparison& comparison, std::size_t entry, Units units) {
    const std::size_t then = comparison.match[entry];
    if (then == Profile::kNoEntry) return "new";
    const std::string text = Difference(now.EntrySize(entry), comparison.before.EntrySize(then), units);
    return ChangeIsPartial(now, comparison, entry) ? text + '+' : text;
}

std::string GoneChangeText(const Comparison& comparison, std::size_t gone, Units units) {
    const std::string text = Difference(0, comparison.before.EntrySize(comparison.gone[gone]), units);
    return GoneIsPartial(comparison, gone) ? text + '+' : text;
}

std::string TreeChangeText(const Profile& now, const Comparison& comparison, Units units) {
    if (!comparison.found) return " (not in the saved scan)";
    std::string text = " (" + Difference(now.m_dTreeSize, comparison.before.m_dTreeSize, units);
    if (now.IsIncomplete() || comparison.before.IsIncomplete()) text += '+';
    const std::string date = comparison.timestamp ? ScanDate(*comparison.timestamp) : std::string();
    return text + (date.empty() ? " since the saved scan)" : " since " + date + ')');
}

std::string SignedDecimal(ByteCount now, ByteCount before) {
    return now >= before ? Decimal(now - before) : '-' + Decimal(before - now);
}

std::string SizeAndChangeText(const Profile& now, const Comparison* comparison, std::size_t entry,
                              Units units) {
    std::string text = EntrySizeText(now, entry, units);
    if (comparison != nullptr) text += "  " + ChangeText(now, *comparison, entry, units);
    return text;
}

std::string ChangeDescription(const Profile& now, const Comparison& comparison, std::size_t entry,
                              Units units) {
    const std::size_t then = comparison.match[entry];
    if (then == Profile::kNoEntry) return "\nNot in the saved scan";
    return "\nIn the saved scan: " + EntrySizeText(comparison.before, then, units) +
           UnitWord(comparison.before.EntrySize(then), units) +
           "\nChange: " + ChangeText(now, comparison, entry, units);
}

namespace {

// "C:\usr beside the saved scan /home/me/usr.json (of /usr, 2026-11-30 10:04)".
std::string ListingHeading(const Profile& now, const Comparison& comparison, const SavedScanOrigin& origin) {
    const std::string date = comparison.timestamp ? ScanDate(*comparison.timestamp) : std::string();
    return EscapeControls(DisplayPath(now.m_strPath)) + " beside the saved scan " +
           EscapeControls(origin.file) + " (of " + EscapeControls(origin.root) +
           (date.empty() ? "" : ", " + date) + ")";
}

}  // namespace

std::string ChangeListing(const Profile& now, const Comparison& comparison, const SavedScanOrigin& origin,
                          Units units) {
    const std::string heading = ListingHeading(now, comparison, origin);
    if (!comparison.reached) return heading + ": the saved scan does not hold this directory.\n";
    struct Line {
        bool grew;
        ByteCount by;
        std::string text;
    };
    std::vector<Line> lines;
    for (std::size_t i = 0; i < now.EntryCount(); ++i) {
        const std::size_t then = comparison.match[i];
        const ByteCount before = then == Profile::kNoEntry ? 0 : comparison.before.EntrySize(then);
        const ByteCount size = now.EntrySize(i);
        if (then != Profile::kNoEntry && size == before) continue;  // unchanged
        std::string text =
            then == Profile::kNoEntry ? "+" + FormatSize(size, units) : ChangeText(now, comparison, i, units);
        text += "  " + EntryName(now, i) + (then == Profile::kNoEntry ? "  (new)" : "");
        lines.push_back({size >= before, size >= before ? size - before : before - size, std::move(text)});
    }
    for (std::size_t i = 0; i < comparison.gone.size(); ++i)
        lines.push_back({false, comparison.before.EntrySize(comparison.gone[i]),
                         GoneChangeText(comparison, i, units) + "  " +
                             EntryName(comparison.before, comparison.gone[i]) + "  (gone)"});
    // Growth first, the largest first; then the shrinking, the smallest loss first.
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        if (a.grew != b.grew) return a.grew;
        return a.grew ? a.by > b.by : a.by < b.by;
    });
    std::string listing = heading + (lines.empty() ? ": nothing changed.\n" : ":\n");
    for (const Line& line : lines) listing += line.text + '\n';
    return listing;
}

}  // namespace gauzel

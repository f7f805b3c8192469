#include "core/kinds/rows.h"

#include <algorithm>
#include <array>

namespace gauzel {

namespace {

constexpr std::array<const char*, 4> kRowsByNames = {"folder", "kind", "type", "age"};

}  // namespace

std::optional<RowsBy> RowsByOf(std::string_view name) {
    for (std::size_t i = 0; i < kRowsByNames.size(); ++i)
        if (name == kRowsByNames[i]) return static_cast<RowsBy>(i);
    return std::nullopt;
}

const char* RowsByName(RowsBy by) { return kRowsByNames[static_cast<std::size_t>(by)]; }

Profile RowsOf(const Profile& profile, const FileStats& stats, RowsBy by, bool count) {
    Profile rows(profile.m_strPath, profile.m_bBelowRoot);
    rows.SetVolume(profile.m_dFreeSpace, profile.m_dDiskSize, profile.m_bSpaceKnown);
    const auto add = [&rows, count](const std::string& name, const Tally& tally) {
        if (tally.files == 0) return;
        const std::size_t row = rows.AddEntry(name);
        rows.AddBytes(row, count ? ByteCount{tally.files} : tally.bytes);
        rows.AddCounts(row, tally.files, 0);
    };
    if (by == RowsBy::kKind)
        for (std::size_t i = 0; i < kKindCount; ++i) add(KindName(static_cast<Kind>(i)), stats.Kinds()[i]);
    if (by == RowsBy::kType)
        for (const auto& [name, tally] : stats.Types()) add(name, tally);
    if (by == RowsBy::kAge)
        for (std::size_t i = 0; i < kAgeBandCount; ++i)
            add(AgeBandName(static_cast<AgeBand>(i)), stats.Ages()[i]);
    // What the tree could not read may hold files of any row: each is marked as leaving it out.
    if (profile.IsIncomplete()) {
        rows.m_unread = profile.m_unread;
        for (std::size_t row = 0; row < rows.EntryCount(); ++row) rows.m_unreadBelow[row] = profile.m_unread;
    }
    if (by == RowsBy::kAge)
        rows.AssignEntryColors();  // the bands stay in their order
    else
        rows.Finish();
    return rows;
}

std::vector<std::pair<std::string, Tally>> TypesOfKind(const FileStats& stats, Kind kind, std::size_t most) {
    std::vector<std::pair<std::string, Tally>> types = stats.TypesOf(kind);
    const auto larger = [](const auto& a, const auto& b) {
        return a.second.bytes != b.second.bytes ? a.second.bytes > b.second.bytes : a.first < b.first;
    };
    std::sort(types.begin(), types.end(), larger);
    if (types.size() > most) types.resize(most);
    return types;
}

bool IsOfRow(const LargeFile& file, RowsBy by, std::string_view name, std::int64_t start) {
    if (by == RowsBy::kKind) return name == KindName(file.kind);
    if (by == RowsBy::kAge) return name == AgeBandName(AgeBandOf(file.mtime, start));
    return true;
}

}  // namespace gauzel

#pragma once
// The rows a profile is shown by: its entries (folders), or the kinds, types or age bands of its
// whole tree, each row a name and a size, or a number of files when files are counted.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/kinds/file_stats.h"
#include "core/profile/profile.h"

namespace gauzel {

enum class RowsBy { kFolder, kKind, kType, kAge };
// "folder", "kind", "type", "age" (as the settings file and the command line write them).
std::optional<RowsBy> RowsByOf(std::string_view name);
const char* RowsByName(RowsBy by);

// The rows of `by` (not kFolder) for `profile`'s tree: a profile of their own, so that they sort,
// colour, compare and show as entries do. Kinds and types largest first, bands in their order;
// rows with no file are left out; when the tree could not be read whole, every row says so.
// `count`: each row's size is its number of files.
Profile RowsOf(const Profile& profile, const FileStats& stats, RowsBy by, bool count);

// The `most` largest types of files of `kind`, largest first: (type, tally).
std::vector<std::pair<std::string, Tally>> TypesOfKind(const FileStats& stats, Kind kind, std::size_t most);

// Whether the large file is one of row `name` of `by` (kKind or kAge).
bool IsOfRow(const LargeFile& file, RowsBy by, std::string_view name, std::int64_t start);

}  // namespace gauzel

#pragma once
// Reading a saved scan: the JSON export format of ncdu and gdu (ours too), read in one pass into
// the saved tree.

#include <memory>
#include <string>
#include <string_view>

#include "core/saved/json_reader.h"
#include "core/saved/saved_scan.h"

namespace gauzel {

// Reads an export from `read`, at any depth (its memory grows with the depth, the stack not), no
// kept string longer than JsonReader::kLongestKept. Nothing, and `error` saying what is wrong, when it is not
// an export: a phrase to follow the file's name ("is not a saved scan: ...").
std::unique_ptr<SavedScan> ReadExport(const JsonSource& read, std::string& error);
std::unique_ptr<SavedScan> ReadExportText(std::string_view text, std::string& error);

}  // namespace gauzel

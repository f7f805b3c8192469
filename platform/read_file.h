#pragma once
// Reading a whole file from its start, in pieces: how a saved scan's file is read.

#include <cstddef>
#include <functional>
#include <string>

namespace gauzel {

// Fills `buffer` with up to `size` bytes: how many (0 at the end), or -1 with `why` set
// ("cannot be read: REASON").
using ReadBytes = std::function<std::ptrdiff_t(char* buffer, std::size_t size, std::string& why)>;
// Opens `path` ("-": standard input) to be read; empty, with `error` set ("cannot be opened:
// REASON"), when it cannot be opened.
using OpenToRead = std::function<ReadBytes(const std::string& path, std::string& error)>;

}  // namespace gauzel

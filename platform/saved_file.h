#pragma once
// How a saved scan's file is read (in pieces, from its start) and written (whole or not at all).

#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

namespace gauzel {

// Fills `buffer` with up to `size` bytes: how many (0 at the end), or -1 with `why` set
// ("cannot be read: REASON").
using ReadBytes = std::function<std::ptrdiff_t(char* buffer, std::size_t size, std::string& why)>;
// Opens `path` ("-": standard input) to be read; empty, with `error` set ("cannot be opened:
// REASON"), when it cannot be opened.
using OpenToRead = std::function<ReadBytes(const std::string& path, std::string& error)>;

// A file written whole or not at all: what goes to Out() lands in a new file beside it, which
// Commit() puts in its place; one that is never committed is removed, and the file it was to
// replace stays as it was.
class FileWrite {
public:
    virtual ~FileWrite() = default;
    virtual std::ostream& Out() = 0;
    // False, errno set, when it could not be written or put in its place.
    virtual bool Commit() = 0;
};
// Empty, with `error` set ("cannot be written: REASON"), when it cannot be begun.
using OpenToWrite = std::function<std::unique_ptr<FileWrite>(const std::string& path, std::string& error)>;

struct SavedFiles {
    OpenToRead read;
    OpenToWrite write;
};

}  // namespace gauzel

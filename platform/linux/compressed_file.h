#pragma once
// Files read and written through zlib: a gzip-compressed saved scan reads as the export it
// holds, and one can be written so.

#include <memory>
#include <streambuf>
#include <string>

#include "platform/saved_file.h"

namespace gauzel {

// Reads `path` ("-": standard input) from its start: a gzip-compressed file (one that starts with
// the bytes 1f 8b) as the bytes it holds, any other as it is.
ReadBytes OpenFileToRead(const std::string& path, std::string& error);

// Writes `path` whole or not at all (FileWrite), gzip-compressed when its name ends in ".gz".
std::unique_ptr<FileWrite> OpenFileToWrite(const std::string& path, std::string& error);

// Reading and writing saved scans on this machine.
inline SavedFiles LinuxSavedFiles() { return {OpenFileToRead, OpenFileToWrite}; }

// What is put into it is written to a file, gzip-compressed (or as it is: `compress` false).
class GzipOutput final : public std::streambuf {
public:
    // Takes the descriptor of a file open to write.
    explicit GzipOutput(int fd, bool compress = true);
    ~GzipOutput() override;
    GzipOutput(const GzipOutput&) = delete;
    GzipOutput& operator=(const GzipOutput&) = delete;
    // Writes the compressed file's last bytes and closes it; false, errno set, when a write failed
    // (now or before).
    bool Close();

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;

private:
    void* m_file;  // a gzFile: zlib's header stays out of the callers'
    int m_error = 0;
};

}  // namespace gauzel

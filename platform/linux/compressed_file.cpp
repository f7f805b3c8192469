#include "platform/linux/compressed_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>
#include <string_view>

#include "platform/ascii.h"
#include "platform/linux/whole_file.h"

namespace gauzel {

namespace {

// What zlib says went wrong with `file`, after a call that failed.
std::string Failure(gzFile file) {
    int code = Z_OK;
    const char* message = gzerror(file, &code);
    if (code == Z_ERRNO) return std::strerror(errno != 0 ? errno : EIO);
    if (code == Z_BUF_ERROR) return "the compressed data ends early";
    // zlib's message begins with the file's name ("<fd:3>: ").
    std::string_view why = message != nullptr ? message : "";
    if (const std::size_t colon = why.find(": "); colon != std::string_view::npos)
        why.remove_prefix(colon + 2);
    return "the compressed data is damaged (" + std::string(why) + ")";
}

}  // namespace

ReadBytes OpenFileToRead(const std::string& path, std::string& error) {
    const int fd = path == "-" ? dup(STDIN_FILENO) : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    gzFile opened = fd < 0 ? nullptr : gzdopen(fd, "rb");
    if (opened == nullptr) {
        error = std::string("cannot be opened: ") + std::strerror(errno != 0 ? errno : ENOMEM);
        if (fd >= 0) close(fd);
        return nullptr;
    }
    gzbuffer(opened, 128 * 1024);
    std::shared_ptr<gzFile_s> file(opened, [](gzFile f) { gzclose(f); });
    return [file](char* buffer, std::size_t size, std::string& why) -> std::ptrdiff_t {
        const unsigned piece = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
        errno = 0;
        const int got = gzread(file.get(), buffer, piece);
        int code = Z_OK;
        gzerror(file.get(), &code);
        if (got < 0 || (got == 0 && code != Z_OK)) {
            why = "cannot be read: " + Failure(file.get());
            return -1;
        }
        return got;
    };
}

namespace {

// A saved scan written through zlib into a new version of its file.
class SavedFileWrite final : public FileWrite {
public:
    SavedFileWrite(std::unique_ptr<WholeFile> file, bool compress)
        : m_file(std::move(file)), m_output(dup(m_file->Descriptor()), compress), m_out(&m_output) {}
    std::ostream& Out() override { return m_out; }
    bool Commit() override {
        errno = 0;
        m_out.flush();
        if (!m_output.Close()) return false;
        errno = m_file->Commit();
        return errno == 0;
    }

private:
    std::unique_ptr<WholeFile> m_file;  // outlives the output that writes it
    GzipOutput m_output;
    std::ostream m_out;
};

// "scan.json.gz", "SCAN.JSON.GZ": compressed.
bool CompressedName(const std::string& path) {
    const std::size_t n = path.size();
    return n > 3 && path[n - 3] == '.' && AsciiLower(path[n - 2]) == 'g' && AsciiLower(path[n - 1]) == 'z';
}

}  // namespace

std::unique_ptr<FileWrite> OpenFileToWrite(const std::string& path, std::string& error) {
    int why = 0;
    std::unique_ptr<WholeFile> file = WholeFile::Begin(path, why);
    if (!file) {
        error = std::string("cannot be written: ") + std::strerror(why);
        return nullptr;
    }
    return std::make_unique<SavedFileWrite>(std::move(file), CompressedName(path));
}

GzipOutput::GzipOutput(int fd, bool compress) : m_file(gzdopen(fd, compress ? "wb" : "wT")) {
    if (m_file == nullptr) {
        m_error = errno != 0 ? errno : ENOMEM;
        close(fd);
    }
}

GzipOutput::~GzipOutput() {
    if (m_file != nullptr) gzclose(static_cast<gzFile>(m_file));
}

bool GzipOutput::Close() {
    if (m_file != nullptr) {
        errno = 0;
        const int closed = gzclose(static_cast<gzFile>(m_file));
        m_file = nullptr;
        if (closed != Z_OK && m_error == 0) m_error = errno != 0 ? errno : EIO;
    }
    errno = m_error;
    return m_error == 0;
}

GzipOutput::int_type GzipOutput::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize GzipOutput::xsputn(const char* bytes, std::streamsize count) {
    if (m_file == nullptr || m_error != 0) return 0;
    errno = 0;
    if (count > 0 && gzwrite(static_cast<gzFile>(m_file), bytes, static_cast<unsigned>(count)) == 0) {
        m_error = errno != 0 ? errno : EIO;
        errno = m_error;
        return 0;
    }
    return count;
}

}  // namespace gauzel
